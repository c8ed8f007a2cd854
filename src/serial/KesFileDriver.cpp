// CKesFileDriver: the port goes from the reader to the transfer thread and
// back. The engine's notifications travel to the window as WM_TRANSFER
// messages; the window hands them back here on its own thread.
#include "serial/KesFileDriver.h"

#include "document/Messages.h"
#include "transfer/TransferCodes.h"

namespace kestrelon {

CKesFileDriver::CKesFileDriver(IMessageTarget& frame, ISettingsStore& settings, SerialPortFactory factory)
    : CKestronDriver(frame, settings, std::move(factory))
{
}

CKesFileDriver::~CKesFileDriver()
{
    m_engine.Cancel(false);
    m_engine.Join();
    Shutdown();
}

bool CKesFileDriver::StartSend(int protocol, const std::string& path, std::uint8_t request)
{
    if (protocol < PROTOCOL_XMODEM || protocol > PROTOCOL_XMODEM_ZIM)
        return false;
    return Start(ETransferDirection::Send, protocol, path, true, request);
}

bool CKesFileDriver::StartReceive(int protocol, const std::string& path)
{
    if (protocol < PROTOCOL_XMODEM || protocol > PROTOCOL_YMODEM)
        return false;
    // Only YModem tells the size in advance (in its header block).
    return Start(ETransferDirection::Receive, protocol, path, protocol == PROTOCOL_YMODEM);
}

bool CKesFileDriver::Start(ETransferDirection direction, int protocol, const std::string& path, bool sizeKnown,
                           std::uint8_t request)
{
    if (m_transferBusy || !IsSetUp())
        return false;
    int handle = -1;
    {
        std::lock_guard lock(m_lock);
        handle = m_hPort ? m_hPort->Handle() : -1;
        m_job.driverWord = m_flags;
        m_job.protocol = protocol;
        m_job.portHandle = handle;
        m_job.cancel = false;
        m_job.path = path;
    }
    if (handle < 0)
        return false;
    // A paced paste still going out would mix its bytes into the transfer's.
    if (const std::size_t discarded = CancelOutput(); discarded > 0)
        Note("a transfer took the line; " + std::to_string(discarded) + " queued bytes were not sent");
    // A plain send only writes: the reader goes on showing the device's
    // replies. Otherwise EnableReading returns once the reader has let go, and
    // from there on only the engine reads.
    m_readerLent = direction == ETransferDirection::Receive || protocol != PROTOCOL_NONE;
    if (m_readerLent)
        EnableReading(false);
    m_engine.Join(); // the previous transfer's thread has posted its end already
    m_transferBusy = true;
    m_holds = {};
    m_status = std::make_unique<CTransferStatus>(path, sizeKnown);
    if (!m_engine.Start(direction, protocol, handle, path, request)) {
        m_transferBusy = false;
        m_status.reset();
        GiveReaderBack();
        return false;
    }
    return true;
}

CKesFileDriver::ENotifyStep CKesFileDriver::OnTransferNotify(int code, std::uint64_t value, const std::string* text)
{
    switch (code) {
    case TRANSFER_RESULT:
        if (!m_transferBusy)
            return ENotifyStep::None;
        m_engine.Join(); // the result is the engine's last word: the thread is ending
        m_transferBusy = false;
        GiveReaderBack();
        return ENotifyStep::Ended;
    case TRANSFER_USER_CANCEL:
        m_job.cancel = true;
        m_engine.Cancel(false);
        return ENotifyStep::None;
    case TRANSFER_FILE_PATH:
        if (m_status && text != nullptr)
            m_status->SetFileName(*text);
        return m_status ? ENotifyStep::Refresh : ENotifyStep::None;
    default:
        return m_status && m_status->Apply(code, value) ? ENotifyStep::Refresh : ENotifyStep::None;
    }
}

void CKesFileDriver::EndTransferNow()
{
    if (!m_transferBusy)
        return;
    m_job.cancel = true;
    m_engine.Cancel(false);
    m_engine.Join();
    m_transferBusy = false;
    m_status.reset();
    GiveReaderBack();
}

void CKesFileDriver::GiveReaderBack()
{
    if (m_readerLent)
        RestartReader();
    m_readerLent = false;
}

void CKesFileDriver::OnTransferNotify(int code, std::uint64_t value)
{
    PostToFrame(MakeMessage(WM_TRANSFER, static_cast<std::uintptr_t>(code), static_cast<std::intptr_t>(value)));
}

void CKesFileDriver::OnTransferFile(const std::string& path)
{
    PostToFrame(MakeMessage(WM_TRANSFER, TRANSFER_FILE_PATH, 0, std::make_unique<CTextPayload>(path)));
}

} // namespace kestrelon

namespace kestrelon {

void CKesFileDriver::OnLineCheck()
{
    if (!m_readerLent)
        return; // the reader reports the holds itself
    std::lock_guard lock(m_lock);
    if (!m_hPort)
        return;
    std::uint32_t errors = 0;
    CCommStatus status;
    if (m_hPort->ClearError(errors, status))
        ReportHoldChanges({status.ctsHold, status.dsrHold, status.rlsdHold}, m_holds, OpenGeneration());
}

} // namespace kestrelon
