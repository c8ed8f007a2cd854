// The serial driver the main frame embeds, for the terminal and for file
// transfers over the serial line: a transfer takes the port from the reader,
// runs one engine on its own thread and gives the port back at its end.
#pragma once

#include "serial/KestronDriver.h"
#include "transfer/TransferEngine.h"
#include "transfer/TransferStatus.h"

#include <atomic>
#include <memory>
#include <string>

namespace kestrelon {

// Posted to the frame with WM_TRANSFER by the dialog's Cancel.
constexpr int TRANSFER_USER_CANCEL = 100;

// The block the transfer thread works from, filled under the driver's lock.
struct TransferJob {
    std::uint32_t driverWord = 0; // copied from the driver, not read by the transfer
    int protocol = 0;
    int portHandle = -1;
    std::atomic<bool> cancel{false};
    std::string path; // file to send, file to receive into, or the YModem directory
};

class CKesFileDriver : public CKestronDriver, private CTransferObserver {
public:
    CKesFileDriver(IMessageTarget& frame, ISettingsStore& settings, SerialPortFactory factory = {});
    // The transfer thread ends first (cancelled quietly), then the driver thread.
    ~CKesFileDriver() override;

    // User-interface thread. Ignored (false) while a transfer runs, without an
    // open port, or for a protocol the direction does not have.
    bool StartSend(int protocol, const std::string& path);
    bool StartReceive(int protocol, const std::string& path);

    enum class ENotifyStep { None, Refresh, Ended };
    // Every WM_TRANSFER on the user-interface thread (`text` carries the path
    // of code 2). Ended: code 1 gave the port back to the reader; the result
    // is the value of that code.
    ENotifyStep OnTransferNotify(int code, std::uint64_t value, const std::string* text);
    // The user's cancel (code 100): nothing is sent to the remote side.
    void CancelTransfer() { OnTransferNotify(TRANSFER_USER_CANCEL, 0, nullptr); }
    // Cancels a running transfer and waits for its thread (closing the window).
    void EndTransferNow();

    bool IsTransferBusy() const { return m_transferBusy; }
    // The dialog's texts while a transfer runs, else null.
    CTransferStatus* Status() { return m_status.get(); }
    // The line's time scale for the engine (tests make time-outs come fast).
    void SetTransferClockScale(int scale) { m_engine.SetClockScale(scale); }

private:
    bool Start(ETransferDirection direction, int protocol, const std::string& path, bool sizeKnown);
    // CTransferObserver, on the transfer thread.
    void OnTransferNotify(int code, std::uint64_t value) override;
    void OnTransferFile(const std::string& path) override;

    bool m_transferBusy = false; // user-interface thread only
    TransferJob m_job;
    std::unique_ptr<CTransferStatus> m_status;
    CTransferEngine m_engine{*this};
};

} // namespace kestrelon
