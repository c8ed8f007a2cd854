// Helpers of the transfer tests: an lrzsz program on the slave side of a pty,
// an observer that records notifications, and a relay that sits between two
// lines and echoes or damages what passes.
#pragma once

#include "transfer/TransferObserver.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestrelon::test {

using Notification = std::pair<int, std::uint64_t>;

class CRecordingObserver : public CTransferObserver {
public:
    void OnTransferNotify(int code, std::uint64_t value) override;
    void OnTransferFile(const std::string& path) override;
    // Everything but the throughput, whose count depends on the clock.
    std::vector<Notification> Steady() const;
    std::vector<std::string> Files() const;
    // The result once code 1 has come, waiting up to timeoutMs.
    std::optional<int> WaitResult(int timeoutMs);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Notification> m_notes;
    std::vector<std::string> m_files;
};

// One lrzsz program (sx, rx, sb, rb) with stdin and stdout on a tty, or a
// program (socat) that gives one a line of its own. Fails the test with the
// package's name when lrzsz is missing.
class CPeerProcess {
public:
    // The line is the tty at that path, or lineFd when the path is empty; with
    // neither the program keeps this process's standard input and output.
    CPeerProcess(const std::vector<std::string>& args, const std::string& tty, const std::string& directory,
                 int lineFd = -1);
    ~CPeerProcess();
    CPeerProcess(const CPeerProcess&) = delete;
    CPeerProcess& operator=(const CPeerProcess&) = delete;
    // The exit status, or -1 when it had to be killed after timeoutMs.
    int Wait(int timeoutMs);

private:
    int m_pid = -1;
    int m_pidFd = -1;
    int m_status = -1;
};

bool LrzszInstalled();

// Copies bytes between two descriptors until destroyed. Near-side bytes are
// also written back to the near side when echo is set; with a loss rate every
// byte is dropped, doubled or has one bit flipped with that probability each.
// A filter, when given, rewrites the near side's stream (offset: of its first
// byte) and the loss applies only towards the near side.
class CLineRelay {
public:
    using Filter = std::function<std::string(std::size_t offset, const std::string& bytes)>;
    CLineRelay(int nearFd, int farFd, bool echo, double lossRate = 0.0, unsigned seed = 1, Filter filter = {});
    ~CLineRelay();
    CLineRelay(const CLineRelay&) = delete;
    CLineRelay& operator=(const CLineRelay&) = delete;

private:
    void Run();
    int m_near, m_far, m_stopFd;
    bool m_echo;
    double m_lossRate;
    unsigned m_seed;
    Filter m_filter;
    std::thread m_thread;
};

std::string RandomBytes(std::size_t size, unsigned seed);
// A block as a sender frames it (128 or 1024 data bytes, zero padded), and a
// YModem header: name, 0x00, length (left out when empty).
std::string Block(int number, const std::string& data, bool crc = true);
std::string Header(const std::string& name, const std::string& length = "");

} // namespace kestrelon::test
