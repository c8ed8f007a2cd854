// CKestronDriver: open with the document's settings, the reader thread, and
// forwarding to the frame.
#include "serial/KestronDriver.h"

#include "document/Messages.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <new>
#include <optional>
#include <unistd.h>

namespace kestrelon {

namespace {

// Code of WM_TERMINAL on the driver's own queue: the reader found the device gone.
constexpr std::uintptr_t kReaderDeviceLost = 5;
constexpr std::uintptr_t kHoldCodes[3] = {TC_CTS_HOLD, TC_DSR_HOLD, TC_CD_HOLD};

constexpr std::uint32_t kQueueSize = 4096;

} // namespace

CKestronDriver::CKestronDriver(IMessageTarget& frame, ISettingsStore& settings, SerialPortFactory factory)
    : CThreadCOMDriver(frame, settings, std::move(factory))
{
}

CKestronDriver::~CKestronDriver()
{
    Shutdown();
}

void CKestronDriver::Open(std::uint32_t port, const DCB& dcb)
{
    {
        std::lock_guard lock(m_lock);
        m_dcb = dcb;
    }
    // A running reader leaves on its next pass; the driver thread joins it
    // before the port is opened again, so nothing here has to wait.
    HaltReader();
    OpenPort(port, 9600, 0);
}

bool CKestronDriver::SetBaudRate(std::uint32_t baud)
{
    std::lock_guard lock(m_lock);
    if (!m_hPort)
        return false;
    const DCB previous = m_dcb;
    m_dcb.BaudRate = baud;
    if (!SetState(&m_dcb)) {
        m_dcb = previous;
        // The device may have been left half changed; put back what worked.
        SetState(&m_dcb);
        return false;
    }
    PostToFrame(MakeMessage(WM_TERMINAL, TC_PORT_OPENED, static_cast<std::intptr_t>(baud)), Generation());
    return true;
}

bool CKestronDriver::OnPortOpened(ISerialPort&)
{
    Purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    DCB dcb;
    {
        std::lock_guard lock(m_lock);
        dcb = m_dcb;
    }
    if (!SetState(&dcb)) {
        PostFailure(PF_SETTINGS_REFUSED, errno);
        return false;
    }
    {
        std::lock_guard lock(m_lock);
        if (!m_hPort->SetupComm(kQueueSize, kQueueSize)) {
            PostFailure(PF_BUFFERS_REFUSED, errno);
            return false;
        }
    }
    Purge(PURGE_RXCLEAR);
    // Posted before the reader starts: the reader posts to the frame itself,
    // and the frame must hear of the open before the first hold or data.
    PostToFrame(MakeMessage(WM_TERMINAL, TC_PORT_OPENED, 0));
    RequestReader();
    return true;
}

void CKestronDriver::OnPortOpenFailed(int error)
{
    if (m_reopening) {
        m_reopenNotThere = true; // not ready yet: the next tick tries again
        return;
    }
    PostFailure(PF_NOT_OPENED, error);
}

void CKestronDriver::PostFailure(int reason, int error)
{
    std::string path;
    {
        std::lock_guard lock(m_lock);
        path = m_deviceName;
    }
    PostToFrame(MakeMessage(WM_TERMINAL, TC_PORT_FAILED, reason, std::make_unique<CPortErrorPayload>(path, error)));
}

void CKestronDriver::OnThreadMessage(CMessage& message)
{
    if (message.message != WM_TERMINAL) {
        // An open or close asked for ends the wait for a removed device.
        if (message.message == WM_DRIVER_OPEN || message.message == WM_DRIVER_CLOSE)
            StopWatching();
        CThreadCOMDriver::OnThreadMessage(message);
        return;
    }
    if (message.wParam == kReaderDeviceLost)
        OnDeviceLost(static_cast<std::uint64_t>(message.lParam));
}

void CKestronDriver::OnDeviceLost(std::uint64_t openSerial)
{
    // A report from the reader of an earlier open is stale: that port is closed.
    if (openSerial != m_openSerial || !m_hPort)
        return;
    DiscardOutput();
    std::string path;
    {
        std::lock_guard lock(m_lock);
        path = m_deviceName;
    }
    ClosePort();
    // Watched for until it comes back, or until an open or close is asked for.
    m_removedPath = ReturnPath();
    m_removedGeneration = OpenGeneration();
    m_removed = !m_removedPath.empty();
    SetIdleWanted(m_removed);
    PostToFrame(MakeMessage(WM_TERMINAL, TC_PORT_FAILED, PF_DEVICE_LOST, std::make_unique<CTextPayload>(path)));
}

void CKestronDriver::StopWatching()
{
    m_removed = false;
    SetIdleWanted(false);
    m_removedPath.clear();
}

void CKestronDriver::OnIdle()
{
    if (!m_removed || access(m_removedPath.c_str(), F_OK) != 0)
        return;
    // Back under the same name: reopen it with the settings it had. A device
    // that is there but cannot be opened yet (still settling) is tried again
    // on the next tick, without a report.
    const std::uint64_t generation = m_removedGeneration;
    if (generation != Generation())
        return StopWatching(); // an open or close is on its way
    {
        std::lock_guard lock(m_lock);
        m_deviceName = m_removedPath;
    }
    AcceptWrites();
    m_reopening = true;
    m_reopenNotThere = false;
    HandleOpen(generation);
    m_reopening = false;
    if (IsOpen()) {
        auto path = std::make_unique<CTextPayload>(m_removedPath);
        StopWatching();
        PostToFrame(MakeMessage(WM_TERMINAL, TC_DEVICE_BACK, 0, std::move(path)));
    } else if (!m_reopenNotThere) {
        StopWatching(); // it opened but refused the settings: that was reported
    }
}

void CKestronDriver::ReportHoldChanges(const std::array<bool, 3>& hold, HoldStates& reported, std::uint64_t generation)
{
    for (std::size_t i = 0; i < hold.size(); ++i) {
        if (reported[i] != hold[i]) {
            reported[i] = hold[i];
            PostIfCurrent(MakeMessage(WM_TERMINAL, kHoldCodes[i], hold[i] ? 1 : 0), generation);
        }
    }
}

void CKestronDriver::ReportModemLines(ISerialPort& port, std::optional<int>& reported, std::uint64_t generation)
{
    int bits = 0;
    const int lines = port.GetModemLines(bits) ? bits : -1;
    if (reported == lines)
        return;
    reported = lines;
    PostIfCurrent(MakeMessage(WM_TERMINAL, TC_MODEM_LINES, lines), generation);
}

void CKestronDriver::ReaderMain(std::uint64_t openSerial)
{
    ISerialPort* port = nullptr;
    {
        std::lock_guard lock(m_lock);
        port = m_hPort.get();
    }
    if (port == nullptr)
        return;
    const std::uint64_t generation = OpenGeneration();
    const std::shared_ptr<CReceiveCredit> credit = ReaderCredit();
    if (!credit)
        return;
    // Hold states start unknown, so the first pass reports all three.
    HoldStates reported;
    std::optional<int> modemLines;
    auto nextLineCheck = std::chrono::steady_clock::now();
    std::array<std::uint8_t, kReaderBlockMax> buffer;
    while (m_readerRun) {
        if (const auto now = std::chrono::steady_clock::now(); now >= nextLineCheck) {
            ReportModemLines(*port, modemLines, generation);
            nextLineCheck = now + std::chrono::milliseconds(kModemLinesPollMs);
        }
        std::uint32_t errors = 0;
        CCommStatus status;
        port->ClearError(errors, status);
        const std::array<bool, 3> hold = {status.ctsHold, status.dsrHold, status.rlsdHold};
        ReportHoldChanges(hold, reported, generation);
        // While output is held the line is expected to misbehave; errors are not reported then.
        if (errors != 0 && !hold[0] && !hold[1] && !hold[2])
            PostIfCurrent(MakeMessage(WM_TERMINAL, TC_LINE_ERRORS, static_cast<std::intptr_t>(errors)), generation);
        // Bytes already queued are read at once; otherwise wait for the first one.
        const PortWait wait = status.inQueue > 0 ? PortWait::Readable : port->WaitReadable(kReaderPollMs);
        if (wait == PortWait::Failed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kReaderPollMs));
            continue;
        }
        if (wait == PortWait::Gone) {
            PostThreadMessage(MakeMessage(WM_TERMINAL, kReaderDeviceLost, static_cast<std::intptr_t>(openSerial)));
            return;
        }
        if (wait != PortWait::Readable)
            continue;
        const ReadStep step = ReadOnce(*port, buffer.data(), credit, generation);
        if (step == ReadStep::Halted)
            return;
        if (step == ReadStep::Lost) {
            PostThreadMessage(MakeMessage(WM_TERMINAL, kReaderDeviceLost, static_cast<std::intptr_t>(openSerial)));
            return;
        }
    }
}

CKestronDriver::ReadStep CKestronDriver::ReadOnce(ISerialPort& port, std::uint8_t* buffer,
                                                  const std::shared_ptr<CReceiveCredit>& credit,
                                                  std::uint64_t generation)
{
    // With the frame behind, the bytes stay in the tty (which, with flow
    // control, holds the sender) rather than in our memory.
    if (!credit->WaitForRoom())
        return ReadStep::Halted;
    int error = 0;
    long n = port.Read(buffer, kReaderBlockMax, error);
    if (n > 0 && n < kReaderBlockMax) {
        // The tty refills its read buffer while we copy: one more read fills
        // the block instead of sending a short one after it.
        int more = 0;
        const long extra = port.Read(buffer + n, static_cast<std::size_t>(kReaderBlockMax - n), more);
        if (extra > 0)
            n += extra;
    }
    if (n > 0) {
        std::unique_ptr<CByteBlock> block;
        try {
            block = std::make_unique<CCreditedBlock>(buffer, static_cast<std::int32_t>(n), credit);
        } catch (const std::bad_alloc&) {
            // Lost, as a line error would lose it; the reader goes on.
            return ReadStep::Continue;
        }
        PostIfCurrent(MakeMessage(WM_TERMINAL, TC_RECEIVED, 0, std::move(block)), generation);
        return ReadStep::Continue;
    }
    // A tty that reports readable and then an end of file has been hung up.
    if (n == 0 || IsDeviceGoneError(error))
        return ReadStep::Lost;
    if (error != EAGAIN && error != EINTR)
        std::this_thread::sleep_for(std::chrono::milliseconds(kReaderPollMs)); // do not spin on a failing read
    return ReadStep::Continue;
}

} // namespace kestrelon
