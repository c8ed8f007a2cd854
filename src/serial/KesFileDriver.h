// The serial driver the main frame embeds, for the terminal and for file
// transfers over the serial line: a transfer takes the port from the reader,
// runs one engine on its own thread and gives the port back at its end.
#pragma once

#include "serial/KestronDriver.h"
#include "transfer/LineTransfer.h"
#include "transfer/TransferEngine.h"
#include "transfer/TransferStatus.h"

#include <atomic>
#include <memory>
#include <string>

namespace kestrelon {

// The block the transfer thread works from, filled under the driver's lock.
struct TransferJob {
    std::uint32_t driverWord = 0; // copied from the driver, not read by the transfer
    int protocol = 0;
    int portHandle = -1;
    std::atomic<bool> cancel{false};
    std::string path; // file to send, file to receive into, or the YModem directory
};

class CKesFileDriver : public CKestronDriver, public ILineTransfer, private CTransferObserver {
public:
    CKesFileDriver(IMessageTarget& frame, ISettingsStore& settings, SerialPortFactory factory = {});
    // The transfer thread ends first (cancelled quietly), then the driver thread.
    ~CKesFileDriver() override;

    // User-interface thread. Ignored (false) while a transfer runs, without an
    // open port, or for a protocol the direction does not have.
    // `request`: a receiver's request the terminal saw before (see
    // CReceiverRequestWatch), 0 for none.
    bool StartSend(int protocol, const std::string& path, std::uint8_t request = 0);
    bool StartReceive(int protocol, const std::string& path);

    // ILineTransfer: every WM_TRANSFER comes back here on the window's
    // thread; code 1 gives the port back to the reader.
    ENotifyStep OnTransferNotify(int code, std::uint64_t value, const std::string* text) override;
    void EndTransferNow() override;
    bool IsTransferBusy() const override { return m_transferBusy; }
    CTransferStatus* Status() override { return m_status.get(); }
    // The line's time scale for the engine (tests make time-outs come fast).
    void SetTransferClockScale(int scale) { m_engine.SetClockScale(scale); }

private:
    bool Start(ETransferDirection direction, int protocol, const std::string& path, bool sizeKnown,
               std::uint8_t request = 0);
    // CTransferObserver, on the transfer thread.
    void OnTransferNotify(int code, std::uint64_t value) override;
    void OnTransferFile(const std::string& path) override;
    // The reader is stopped: the holds are reported from the transfer thread.
    void OnLineCheck() override;
    void GiveReaderBack();

    bool m_transferBusy = false; // user-interface thread only
    // The engine reads the port (all but a plain send); set before its thread
    // starts, cleared after it ended.
    std::atomic<bool> m_readerLent{false};
    TransferJob m_job;
    HoldStates m_holds; // transfer thread only while busy
    std::unique_ptr<CTransferStatus> m_status;
    CTransferEngine m_engine{*this};
};

} // namespace kestrelon
