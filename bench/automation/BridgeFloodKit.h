// Pieces of the bridge flood benchmarks: a pseudo-terminal device written by a
// child process with a known byte pattern, a loopback peer that checks the
// pattern (or never reads), and a view that counts what the document shows.
#pragma once

#include "automation/Bridge.h"
#include "document/DataChannel.h"
#include "document/KestronDoc.h"
#include "document/SettingsStore.h"
#include "framework/PumpedTarget.h"
#include "hub/DataHub.h"
#include "hub/NullHubLinks.h"
#include "BenchPty.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kestrelon::bench {

inline constexpr std::size_t kFloodBytes = 64u << 20;
inline constexpr std::size_t kChunk = 64u << 10;
inline constexpr std::uint32_t kPtyPort = 200;
inline constexpr double kMiB = 1024.0 * 1024.0;

inline std::uint8_t PatternAt(std::size_t offset)
{
    return static_cast<std::uint8_t>(offset % 251);
}

inline pid_t StartDevice(int master)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<std::uint8_t> chunk(kChunk);
        for (std::size_t done = 0; done < kFloodBytes;) {
            for (std::size_t i = 0; i < kChunk; ++i)
                chunk[i] = PatternAt(done + i);
            std::size_t put = 0;
            while (put < kChunk) {
                const ssize_t n = write(master, chunk.data() + put, kChunk - put);
                if (n <= 0)
                    _exit(1);
                put += static_cast<std::size_t>(n);
            }
            done += kChunk;
        }
        _exit(0);
    }
    return pid;
}

struct CountingView : IDocumentView {
    void OnUpdate(const CUpdateHint& hint) override
    {
        if (hint.hint == HINT_BYTE || hint.hint == HINT_BLOCK)
            bytes += static_cast<std::size_t>(hint.length);
    }
    std::size_t bytes = 0;
};

// The remote program: reads (or, stalled, never reads) and checks the order.
class Peer {
public:
    Peer(std::uint16_t port, bool reads)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (!reads) {
            const int small = 4096;
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot connect to the bridge");
        if (reads)
            m_thread = std::thread([this] { Read(); });
    }
    ~Peer()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }
    std::size_t Received() const { return m_received; }
    bool InOrder() const { return m_inOrder; }

private:
    void Read()
    {
        std::vector<std::uint8_t> buffer(kChunk);
        for (ssize_t n; (n = ::recv(m_fd, buffer.data(), buffer.size(), 0)) > 0;) {
            std::size_t at = m_received;
            for (ssize_t i = 0; i < n; ++i)
                if (buffer[static_cast<std::size_t>(i)] != PatternAt(at + static_cast<std::size_t>(i)))
                    m_inOrder = false;
            m_received = at + static_cast<std::size_t>(n);
        }
    }

    int m_fd = -1;
    std::atomic<std::size_t> m_received{0};
    std::atomic<bool> m_inOrder{true};
    std::thread m_thread;
};

// A headless hub on the pty (COM kPtyPort, open) with a server bridge on a
// free port; the benchmark pumps the frame queue.
struct HeadlessBridge {
    HeadlessBridge()
    {
        settings.Write("Ports", "COM" + std::to_string(kPtyPort), pty.path);
        doc.comPort = kPtyPort;
        doc.SetHardwareHandshake(false);
        doc.scanCommands = false;
        doc.localEcho = false;
        doc.bridgeMode = 1;
        doc.bridgePort = 0;
        doc.AddView(&view);
        frame.SetPumpThread(std::this_thread::get_id());
        hub = std::make_unique<CDataHub>(doc, window, settings, frame);
        frame.SetHandler([this](CMessage& m) { return hub->HandleMessage(m); });
        hub->ApplyConnection();
        frame.PumpUntil([this] { return hub->IsConnectionOpen(); }, std::chrono::seconds(5));
        hub->SetBridgeEnabled(true);
    }
    ~HeadlessBridge()
    {
        frame.Close();
        hub.reset();
        doc.RemoveView(&view);
    }
    void WaitForPeer()
    {
        frame.PumpUntil([this] { return hub->Bridge().IsPeerConnected(); }, std::chrono::seconds(5));
    }

    Pty pty;
    CMemorySettingsStore settings;
    CKestronDoc doc;
    CountingView view;
    CQuietHubWindow window;
    CPumpedTarget frame;
    std::unique_ptr<CDataHub> hub;
};

inline long MaxRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The figures both flood benchmarks report for one run.
inline void ReportFlood(benchmark::State& state, double seconds, std::size_t viewBytes, const Peer& peer,
                        const CBridge& bridge, long rssBeforeKiB)
{
    state.SetIterationTime(seconds);
    state.counters["MiB_per_s"] = static_cast<double>(kFloodBytes) / kMiB / seconds;
    state.counters["views_MiB"] = static_cast<double>(viewBytes) / kMiB;
    state.counters["peer_MiB"] = static_cast<double>(peer.Received()) / kMiB;
    state.counters["in_order"] = peer.InOrder() ? 1 : 0;
    state.counters["dropped_MiB"] = static_cast<double>(bridge.DroppedBytes()) / kMiB;
    state.counters["overflow_reports"] = bridge.OverflowReports();
    state.counters["rss_growth_MiB"] = static_cast<double>(MaxRssKiB() - rssBeforeKiB) / 1024.0;
}

} // namespace kestrelon::bench
