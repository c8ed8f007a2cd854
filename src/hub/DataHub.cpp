// CDataHub: message dispatch, the receive fan-out and in-band commands.
#include "hub/DataHub.h"

#include "hub/RemoteLineState.h"
#include "serial/SerialPort.h"

#include "document/ByteBlock.h"
#include "hub/ConnectionEvents.h"
#include "hub/ConnectionTexts.h"
#include "hub/DriverLinks.h"
#include "hub/ErrorTexts.h"
#include "document/HubWindow.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>

namespace kestrelon {

CDataHub::CDataHub(CKestronDoc& doc, IHubWindow& window, ISettingsStore& settings, IMessageTarget& frame)
    : CDataHub(doc, window, frame, MakeSerialLink(frame, settings), MakeIpLink(frame, settings))
{
    m_bridge.SetInternetSettings(&settings);
}

CDataHub::CDataHub(CKestronDoc& doc, IHubWindow& window, IMessageTarget& frame, std::unique_ptr<ISerialLink> serial,
                   std::unique_ptr<IIpLink> ip)
    : m_doc(doc), m_window(window), m_serialDriver(std::move(serial)), m_ipConnection(std::move(ip)),
      m_logger(doc, window, frame), m_receive(doc, *this), m_send(doc, *m_serialDriver, *m_ipConnection),
      m_control(doc, window, *m_serialDriver, *m_ipConnection, m_logger),
      m_bridge(doc, window, frame, [this](const std::uint8_t* data, std::size_t length) { Send(data, length); }),
      m_clock([] { return std::time(nullptr); })
{
    m_bridgeForward = [this](const std::uint8_t* data, std::size_t length) { m_bridge.Forward(data, length); };
    m_bridgeHandler = [this](CMessage& message) { return m_bridge.HandleMessage(message); };
    m_bridge.SetMainRoom([this] { return MainSendRoom(); }, [this] { WatchMainSendRoom(); });
    m_bridge.SetShowLine([this](const std::string& text) { ShowLine(text); });
    m_doc.SetLogFailureHandler([this](int error) { m_logger.OnWriteFailure(error); });
    // Data sent to a pulled adapter is lost, never kept for its return: say so.
    m_send.SetRefused([this] { OnSendRefused(); });
    m_control.SetEventSink([this](const std::string& text) { ShowEvent(text); });
    m_send.SetLineActionsIgnored([this] { m_window.ShowStatusMessage(std::string(kLineActionsIgnoredText)); });
}

CDataHub::~CDataHub()
{
    m_doc.SetLogFailureHandler({});
    m_serialDriver->Quit();
    m_ipConnection->Stop();
}

CKesFileDriver* CDataHub::SerialDriver()
{
    auto* link = dynamic_cast<CSerialDriverLink*>(m_serialDriver.get());
    return link != nullptr ? &link->Driver() : nullptr;
}

namespace {

std::int64_t SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

bool CDataHub::IsTransferRunning()
{
    CKesFileDriver* driver = SerialDriver();
    return m_ipSendState != 0 || (driver != nullptr && driver->IsTransferBusy());
}

CIpConnection* CDataHub::IpConnection()
{
    auto* link = dynamic_cast<CIpConnectionLink*>(m_ipConnection.get());
    return link != nullptr ? &link->Connection() : nullptr;
}

bool CDataHub::IsStale(const CMessage& message) const
{
    if (message.generation == 0)
        return false; // not tied to a connection
    constexpr std::uint32_t kSerialMode = 0;
    switch (message.message) {
    case WM_TERMINAL:
        return m_doc.commMode != kSerialMode || message.generation != m_serialDriver->Generation();
    case WM_IP_MAIN:
        return m_doc.commMode == kSerialMode || message.generation != m_ipConnection->Generation();
    default:
        return false;
    }
}

std::intptr_t CDataHub::HandleMessage(CMessage& message)
{
    // Whichever connection had room, the bridge looks again at the current one.
    if ((message.message == WM_TERMINAL && message.wParam == TC_SEND_ROOM) ||
        (message.message == WM_IP_MAIN && message.wParam == IP_SEND_ROOM)) {
        m_bridge.OnMainRoom();
        return 0;
    }
    // Dropped with its payload: no lamp, pane or view shows an old connection.
    if (IsStale(message))
        return 0;
    switch (message.message) {
    case WM_TERMINAL:
        return HandleTerminal(message);
    case WM_IP_MAIN:
        return HandleIpMain(message);
    case WM_IP_BRIDGE:
        return m_bridgeHandler ? m_bridgeHandler(message) : 0;
    case WM_TRANSFER:
        return HandleTransfer(message);
    default:
        return 0;
    }
}

std::intptr_t CDataHub::HandleTerminal(CMessage& message)
{
    const std::intptr_t value = message.lParam;
    switch (static_cast<int>(message.wParam)) {
    case TC_TYPED_CHAR:
        TypedCharacter(static_cast<std::uint8_t>(value & 0xFF));
        break;
    case TC_RECEIVED:
        ProcessBlock(message, m_doc.receiveColour);
        break;
    case TC_PASTE:
        if (auto block = message.TakePayload<CByteBlock>(); block && block->length() > 0)
            Paste(block->data(), static_cast<std::size_t>(block->length()));
        break;
    case TC_MODEM_LINES:
        SetModemLines(static_cast<int>(value));
        break;
    case TC_SEND_BYTE: {
        const std::uint8_t byte = static_cast<std::uint8_t>(value & 0xFF);
        Send(&byte, 1);
        break;
    }
    case TC_SEND_STRING:
        if (const auto* text = reinterpret_cast<const char*>(value))
            Send(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
        break;
    case TC_SEND_BLOCK:
        if (auto block = message.TakePayload<CByteBlock>())
            Send(block->data(), static_cast<std::size_t>(block->length() > 0 ? block->length() : 0));
        break;
    case TC_SEND_PACED:
        if (auto block = message.TakePayload<CByteBlock>(); block && block->length() > 0)
            m_send.SendPaced(block->data(), static_cast<std::size_t>(block->length()));
        break;
    case TC_APPLY_CONNECTION:
        ApplyConnection();
        break;
    case TC_REFRESH_FKEYS:
        m_window.RefreshFunctionKeys();
        break;
    case TC_AUTO_ANSWER:
        SendText(m_doc.GetAutoAnswer(static_cast<int>(value)));
        break;
    case TC_PORT_OPENED:
        m_control.OnPortOpened();
        m_bridge.OnMainRoom();
        break;
    case TC_PORT_FAILED:
        OnPortFailed(message);
        break;
    case TC_DEVICE_BACK:
        m_control.OnDeviceBack(DeviceBackText(m_doc.comPort));
        break;

    case TC_LOGGING:
        ShowLogPane(value != 0);
        break;
    case TC_NEW_SETTINGS:
        m_window.RefreshFunctionKeys();
        ApplyConnection();
        m_window.FocusActiveView();
        break;
    case TC_CTS_HOLD:
    case TC_DSR_HOLD:
    case TC_CD_HOLD:
        // A port without modem lines reads them all low: that is no state.
        if (m_modemLines != MODEM_LINES_NONE)
            m_control.OnLineHeld(static_cast<int>(message.wParam), value != 0);
        break;
    case TC_LINE_ERRORS:
        ReportLineErrors(static_cast<std::uint32_t>(value));
        break;
    default:
        break; // the protocol lists (41, 42) are filled by the window itself
    }
    return 0;
}

std::intptr_t CDataHub::HandleIpMain(CMessage& message)
{
    switch (static_cast<int>(message.wParam)) {
    case IP_CONNECTED:
        m_control.OnIpConnected(message.lParam);
        m_bridge.OnMainRoom();
        break;
    case IP_RECEIVED:
        m_window.AlternateLed(LED_DATA, 5, 4, 3, 2);
        if (m_ipSendState == 0 || m_ipSendState == 1)
            ProcessBlock(message, m_doc.receiveColour);
        else if (auto block = message.TakePayload<CByteBlock>(); block && m_ipTransferReceiver)
            m_ipTransferReceiver(block->data(), static_cast<std::size_t>(std::max(block->length(), 0)));
        break;
    case IP_CLOSED: {
        auto reason = message.TakePayload<CTextPayload>();
        m_control.OnIpClosed(reason ? reason->Text() : std::string());
        if (m_modemLines != MODEM_LINES_UNKNOWN)
            SetModemLines(MODEM_LINES_UNKNOWN); // a remote port's lines are gone with it
        m_bridge.OnMainRoom(); // the peer's bytes now go nowhere, as all sends do
        break;
    }
    case IP_UDP_READY:
        m_control.OnUdpReady();
        break;
    case IP_UDP_CLOSED:
        m_control.OnUdpClosed();
        break;
    case IP_UDP_PEER:
        if (auto peer = message.TakePayload<CTextPayload>())
            m_control.OnUdpPeer(peer->Text());
        break;
    case IP_MODEM_STATE: {
        const int bits = RemoteModemBits(message.lParam);
        SetModemLines(bits);
        m_control.OnLineHeld(TC_CTS_HOLD, (bits & MODEM_CTS) != 0);
        m_control.OnLineHeld(TC_DSR_HOLD, (bits & MODEM_DSR) != 0);
        m_control.OnLineHeld(TC_CD_HOLD, (bits & MODEM_CD) != 0);
        break;
    }
    case IP_LINE_STATE:
        if (const std::uint32_t flags = RemoteLineErrors(message.lParam))
            ReportLineErrors(flags);
        break;
    case IP_REMOTE_REFUSED:
        ShowLine(std::string(kRemoteRefusedText));
        break;
    case IP_FAILED:
    case IP_SEND_FAILED: {
        auto reason = message.TakePayload<CTextPayload>();
        m_control.OnIpFailed(reason ? reason->Text() : std::string());
        break;
    }
    case IP_SEND_OVERFLOW:
        // Shown as the serial line shows its full transmit queue.
        ReportLineErrors(CE_TXFULL);
        break;
    default:
        break;
    }
    return 0;
}

std::intptr_t CDataHub::HandleTransfer(CMessage& message)
{
    const std::intptr_t result = m_transferHandler ? m_transferHandler(message) : 0;
    if (static_cast<int>(message.wParam) == TRANSFER_FILE_ERROR) {
        const CTransferErrorReport report = TransferErrorReport(message.lParam);
        m_window.ShowMessageBox(std::string(report.text), report.icon);
    }
    return result;
}

namespace {
// When a received block arrived: the one place that decides the time stamps
// of the shown lines.
DataTime ReceivedAt(const CByteBlock& block)
{
    using namespace std::chrono;
    if (block.Arrival() == system_clock::time_point{})
        return DataClockNow(); // a block no reader stamped
    return duration_cast<milliseconds>(block.Arrival().time_since_epoch()).count();
}
} // namespace

void CDataHub::ProcessBlock(CMessage& message, COLORREF colour)
{
    if (auto block = message.TakePayload<CByteBlock>(); block && block->length() > 0)
        FanOut(block->data(), static_cast<std::size_t>(block->length()), colour, ReceivedAt(*block));
}

void CDataHub::ProcessReceived(const std::uint8_t* data, std::size_t length, COLORREF colour)
{
    FanOut(data, length, colour, DataClockNow());
}

void CDataHub::FanOut(const std::uint8_t* data, std::size_t length, COLORREF colour, DataTime arrival)
{
    if (data == nullptr || length == 0)
        return;
    m_doc.SetArrivalTime(arrival);
    m_receive.Process(data, length, colour);
    m_doc.SetArrivalTime(0); // what follows (answers, echo) is stamped when it happens
    if (m_doc.autoAnswerOn) {
        if (m_answerMatcher)
            m_answerMatcher(data, length);
        if (m_doc.autoAnswerOn && m_doc.autoAnswerEcho != 0)
            Send(data, length);
    }
    if (m_window.IsGpsBarVisible())
        for (std::size_t i = 0; i < length; ++i)
            m_window.FeedGps(data[i]);
    m_receiverRequest.Observe(data, length, SteadyMs());
    if (m_bridgeForward)
        m_bridgeForward(data, length);
    if (m_scriptFeed)
        m_scriptFeed(data, length);
    FlushLog();
}

void CDataHub::ShowOwnText(std::string_view text)
{
    if (text.empty())
        return;
    m_doc.SetArrivalTime(DataClockNow());
    m_receive.ProcessOwnText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), ERROR_COLOUR);
    m_doc.SetArrivalTime(0);
    FlushLog();
}

std::size_t CDataHub::MainSendRoom() const
{
    if (m_doc.commMode == 0 && !m_serialDriver->IsOpen())
        return std::numeric_limits<std::size_t>::max(); // refused and reported as today
    return m_doc.commMode == 0 ? m_serialDriver->SendRoom() : m_ipConnection->SendRoom();
}

void CDataHub::WatchMainSendRoom()
{
    if (m_doc.commMode == 0)
        m_serialDriver->WatchSendRoom();
    else
        m_ipConnection->WatchSendRoom();
}

void CDataHub::FlushLog()
{
    // Once per received or sent batch, never per byte: someone watching the
    // file, or a crash, should find it no older than the last batch.
    if (m_doc.logging && !m_doc.logFile.Flush())
        m_logger.OnWriteFailure(m_doc.logFile.LastError());
}

std::uint8_t CDataHub::TakeReceiverRequest()
{
    return m_receiverRequest.Take(SteadyMs());
}

void CDataHub::OnPortFailed(CMessage& message)
{
    SetModemLines(MODEM_LINES_UNKNOWN);
    if (message.lParam != PF_DEVICE_LOST) {
        auto failure = message.TakePayload<CPortErrorPayload>();
        m_control.OnPortFailed(failure ? PortFailureDetail(m_doc.comPort, failure->Path(),
                                                           static_cast<int>(message.lParam), failure->Error())
                                       : std::string());
        return;
    }
    auto path = message.TakePayload<CTextPayload>();
    m_control.OnDeviceRemoved(DeviceRemovedText(m_doc.comPort, path ? path->Text() : std::string()));
}

void CDataHub::ShowEvent(const std::string& text)
{
    // Straight to the document: no in-band scan (an IPv6 address has brackets),
    // no answer matcher, bridge or transfer; the log keeps it.
    const std::string line = (m_doc.AtLineStart() ? "" : "\r\n") + EventLine(text, m_clock()) + "\r\n";
    m_doc.SetArrivalTime(0);
    m_doc.AddText(reinterpret_cast<const std::uint8_t*>(line.data()), static_cast<std::int32_t>(line.size()),
                  ERROR_COLOUR);
    FlushLog();
}

void CDataHub::OnSendRefused()
{
    // Data for a pulled adapter is lost, never kept for its return: a line in
    // the data says so once per absence.
    if (m_control.IsDeviceRemoved()) {
        if (m_control.FirstSendWhileRemoved())
            ShowLine(std::string(kNotSentText));
        return;
    }
    constexpr std::int64_t kBurstGapMs = 2000;
    if (m_control.FirstRefusalOfBurst(SteadyMs(), kBurstGapMs))
        m_control.ShowFailure(kNotConnectedText);
}

void CDataHub::ShowLine(const std::string& text)
{
    ShowOwnText("\r\n" + text + "\r\n");
}

void CDataHub::ReportLineErrors(std::uint32_t flags)
{
    ShowOwnText(LineErrorText(flags));
}

void CDataHub::ShowLogPane(bool logging)
{
    m_window.SetPaneText(PANE_LOG, logging ? LogPaneText(m_doc.logFile.Path()) : std::string(kNoLogText));
}

void CDataHub::TypedCharacter(std::uint8_t c)
{
    if (IsTransferRunning())
        return; // the line belongs to the transfer
    m_send.TypedCharacter(c);
    FlushLog(); // the local echo
}

void CDataHub::Paste(const std::uint8_t* data, std::size_t length)
{
    if (IsTransferRunning())
        return; // the line belongs to the transfer
    m_send.Paste(data, length);
    FlushLog(); // the local echo
}

void CDataHub::SetPacing(const CPacing& pacing)
{
    m_serialDriver->SetPacing(pacing.charDelayMs, pacing.lineDelayMs);
    m_ipConnection->SetPacing(pacing.charDelayMs, pacing.lineDelayMs);
}

void CDataHub::SetModemLines(int bits)
{
    m_modemLines = bits;
    m_window.ShowModemLines(bits);
    if (bits == MODEM_LINES_NONE)
        m_control.OnNoModemLines();
}

void CDataHub::SendText(std::string_view text)
{
    if (IsTransferRunning())
        return; // the line belongs to the transfer
    m_send.SendText(text);
    FlushLog(); // the local echo
}

void CDataHub::Send(const std::uint8_t* data, std::size_t length)
{
    if (IsTransferRunning())
        return; // the line belongs to the transfer
    m_send.Send(data, length);
}

void CDataHub::SendScripted(const std::uint8_t* data, std::size_t length)
{
    if (IsTransferRunning())
        return; // the line belongs to the transfer
    m_send.SendScripted(data, length);
    FlushLog(); // the local echo
}

void CDataHub::SetLineRate(std::uint32_t baud)
{
    // Only the serial line has a rate; the driver ignores it while closed.
    if (m_doc.commMode == 0)
        m_serialDriver->SetBaudRate(baud);
}

void CDataHub::ApplyConnection()
{
    EndTransfer();
    SetModemLines(MODEM_LINES_UNKNOWN); // the next open reports them afresh
    m_control.Apply();
    m_bridge.OnMainRoom(); // a watch on the old connection ends with it
}

void CDataHub::ToggleConnection()
{
    EndTransfer();
    SetModemLines(MODEM_LINES_UNKNOWN);
    m_control.Toggle();
    m_bridge.OnMainRoom();
}

// The port or socket must not be closed under a running transfer's engine.
void CDataHub::EndTransfer()
{
    if (m_transferEnder) {
        m_transferEnder();
        return;
    }
    if (CKesFileDriver* driver = SerialDriver())
        driver->EndTransferNow();
}

bool CDataHub::IsConnectionOpen() const
{
    return m_control.IsOpen();
}

bool CDataHub::StartLogging(const std::string& path)
{
    if (!m_logger.Start(path))
        return false;
    // The device's own starts go where the user last put a log.
    m_logDirectory = std::filesystem::path(path).parent_path().string();
    return true;
}

void CDataHub::StopLogging()
{
    m_logger.Stop();
}

void CDataHub::OnBell()
{
    if (m_doc.beep) // Setup > Terminal "Beep:"
        m_window.Beep();
}

void CDataHub::OnInbandCommand(CInbandScanner& scanner)
{
    if (scanner.Overflowed())
        return;
    const CInbandCommand command = ParseInbandCommand(scanner.Text());
    switch (command.action) {
    case InbandAction::SetComSpeed:
        // Only a serial line has a rate, local or remote; the driver ignores
        // it while closed.
        if (m_doc.commMode == 0)
            m_serialDriver->SetBaudRate(command.baudRate);
        else if (m_ipConnection->IsRemoteSerial())
            m_ipConnection->SetRemoteBaudRate(command.baudRate);
        break;
    case InbandAction::LogStart:
        // The device chose to log, so the user must be told where the file is.
        if (m_logger.StartQuiet(m_clock(), m_logDirectory))
            m_window.ShowStatusMessage("The device started logging to " + m_doc.logFile.Path());
        break;
    case InbandAction::LogStop:
        if (m_doc.logging) {
            const std::string path = m_doc.logFile.Path();
            m_logger.Stop();
            m_window.ShowStatusMessage("The device stopped logging; the log is " + path);
        }
        break;
    case InbandAction::TimeUtc:
        SendText(FormatUtcTime(m_clock()));
        break;
    case InbandAction::None:
        break;
    }
}

} // namespace kestrelon
