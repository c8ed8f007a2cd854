// Runs one transfer over a line (a serial port or a connected socket): waits
// in poll for the line, the protocol's next deadline or a cancel, feeds the
// state machine and writes what it answers. Either call a transfer directly
// (it blocks until the end) or Start it on a thread of its own.
#pragma once

#include "transfer/TransferMachine.h"
#include "transfer/TransferObserver.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace kestrelon {

class CTransferMachine;

enum class ETransferDirection { Send, Receive };

class CTransferEngine {
public:
    explicit CTransferEngine(CTransferObserver& observer);
    // Cancels quietly and waits for a running thread.
    ~CTransferEngine();
    CTransferEngine(const CTransferEngine&) = delete;
    CTransferEngine& operator=(const CTransferEngine&) = delete;

    // Each returns the result (RESULT_*) after posting it as the last
    // notification. fd stays open and is given back as it was found.
    // `request`: the receiver's 'C' or NAK that came before the transfer took
    // the line (0: none); the first block goes out without waiting for another.
    int SendFile(int protocol, int fd, const std::string& path, std::uint8_t request = 0);
    int SendRaw(int fd, const std::string& path);
    int ReceiveXModem(int protocol, int fd, const std::string& path);
    int ReceiveYModem(int protocol, int fd, const std::string& directory);

    // Starts one transfer on a new thread: Send runs SendFile (SendRaw for
    // protocol "None"); Receive runs ReceiveYModem for YModem, else
    // ReceiveXModem with path the file. False while a thread still runs.
    bool Start(ETransferDirection direction, int protocol, int fd, std::string path, std::uint8_t request = 0);
    // From any thread, returns at once; the transfer ends within milliseconds.
    // The user's cancel sends nothing to the remote side; tellRemote sends CAN
    // so that the remote side stops at once too. Safe in a signal handler.
    void Cancel(bool tellRemote = false);
    void Join();
    // The protocols' clock runs `scale` times as fast (tests reach a time-out
    // in a fraction of its seconds); 1 by default.
    void SetClockScale(int scale) { m_clockScale.store(scale < 1 ? 1 : scale); }

private:
    int Run(CTransferMachine& machine, int fd);
    int RunLoop(CTransferMachine& machine, int fd);
    bool Flush(CTransferMachine& machine, int fd);
    bool DrainFinal(CTransferMachine& machine, int fd, int limitMs);
    bool TakeCancel(CTransferMachine& machine);
    static int LineLost(CTransferMachine& machine);
    int End(int result);
    TransferTime Clock() const;

    CTransferObserver& m_observer;
    int m_cancelFd = -1;
    std::atomic<bool> m_tellRemote{false};
    std::atomic<int> m_clockScale{1};
    bool m_socket = false; // the line of the running transfer is a socket
    std::thread m_thread;
    std::vector<std::uint8_t> m_input;
};

} // namespace kestrelon
