// A file transfer of the demo board (`rx`, `sx FILE`): the project's XModem 1K
// engine on its own thread over the board's line, followed through the engine's
// notifications. An eventfd wakes the device loop when the transfer has ended.
#pragma once

#include "transfer/TransferEngine.h"
#include "transfer/TransferObserver.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kestrelon {

class CDemoTransfer : public CTransferObserver {
public:
    CDemoTransfer();
    ~CDemoTransfer() override;
    CDemoTransfer(const CDemoTransfer&) = delete;
    CDemoTransfer& operator=(const CDemoTransfer&) = delete;

    // Starts sending or receiving `path` over `fd`; false when one still runs.
    bool Start(bool send, int fd, const std::string& path, int protocol);
    // Readable once the transfer has ended.
    int WakeFd() const { return m_wake; }
    bool Running() const { return m_running; }
    // After the wake-up: waits for the thread and clears the wake-up.
    void Finish();
    // Stops a running transfer and tells the other side.
    void Cancel();

    int Result() const { return m_result.load(); }
    std::uint64_t Bytes() const { return m_bytes.load(); }

    void OnTransferNotify(int code, std::uint64_t value) override;
    void OnTransferFile(const std::string& path) override;
    // The last file a receive created; read after Finish.
    const std::string& ReceivedFile() const { return m_receivedFile; }

private:
    int m_wake = -1;
    bool m_running = false;
    std::atomic<int> m_result{0};
    std::atomic<std::uint64_t> m_bytes{0};
    std::string m_receivedFile; // written on the engine's thread, read after it ended
    CTransferEngine m_engine; // last: its thread goes before the rest
};

} // namespace kestrelon
