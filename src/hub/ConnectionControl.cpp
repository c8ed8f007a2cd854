// CConnectionControl: starting, stopping and showing the main connection.
#include "hub/ConnectionControl.h"

#include "hub/DataLogger.h"
#include "net/IpConnection.h"
#include "hub/ConnectionEvents.h"
#include "hub/ConnectionTexts.h"
#include "hub/RemoteLineState.h"
#include "hub/HubLinks.h"
#include "document/HubWindow.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"

namespace kestrelon {

namespace {

// Lamp states of the status bar LEDs.
constexpr int LAMP_GREY = 1;
constexpr int LAMP_RED = 2;
constexpr int LAMP_DARK_RED = 3;
constexpr int LAMP_GREEN = 4;
constexpr int LAMP_DARK_GREEN = 5;

constexpr std::uint32_t SERIAL_MODE = 0;
constexpr std::uint32_t LAST_IP_MODE = 6;

} // namespace

CConnectionControl::CConnectionControl(CKestronDoc& doc, IHubWindow& window, ISerialLink& serial, IIpLink& ip,
                                       CDataLogger& logger)
    : m_doc(doc), m_window(window), m_serial(serial), m_ip(ip), m_logger(logger), m_peerText(kNoPeerText)
{
}

bool CConnectionControl::IsTcpMode(std::uint32_t mode)
{
    return mode == 1 || mode == 2 || mode == 4 || mode == 5;
}

bool CConnectionControl::IsRemoteSerial() const
{
    return m_doc.remoteSerialPort && (m_doc.commMode == 1 || m_doc.commMode == 4);
}

bool CConnectionControl::IsServerMode(std::uint32_t mode)
{
    return mode == 2 || mode == 5;
}

bool CConnectionControl::IsUdpMode(std::uint32_t mode)
{
    return mode == 3 || mode == 6;
}

void CConnectionControl::ShowFailure(const std::string& text)
{
    if (text.empty())
        return;
    m_window.ShowStatusMessage(text);
    m_failureShown = true;
}

void CConnectionControl::ClearFailure()
{
    if (!m_failureShown)
        return;
    m_window.ShowStatusMessage("");
    m_failureShown = false;
}

void CConnectionControl::ResetIndicators()
{
    // Whatever the message pane said (a failure, the demo device's port) was
    // about the connection before.
    m_window.ShowStatusMessage("");
    m_failureShown = false;
    m_lastRefusalMs = -1;
    m_deviceRemoved = false; // a new open or close ends the wait for the device
    m_window.SetPaneText(PANE_CONNECTION, "");
    for (LedRole led : {LED_CTS, LED_DSR, LED_CD, LED_DATA, LED_SERVER})
        m_window.SetLedState(led, LAMP_GREY); // the bridge keeps its own state
    m_window.EnableFunctionKeys(false);
    m_peerText = kNoPeerText;
}

void CConnectionControl::Apply()
{
    const std::uint32_t mode = m_doc.commMode;
    CloseEvents({});
    // A remote serial port shows the lamps of a local one: CTS, DSR and CD.
    m_window.SetStatusPanes(IsRemoteSerial() ? SERIAL_MODE : mode);
    ResetIndicators();
    if (mode == SERIAL_MODE) {
        m_ip.Stop();
        OpenSerial();
    } else {
        m_serial.Close();
        m_ip.Stop();
        if (mode <= LAST_IP_MODE) {
            StartIp();
            if (IsUdpMode(mode))
                m_window.SetPaneText(PANE_PEER, m_peerText);
            RefreshConnectionPane();
        }
    }
    if (m_logger.IsLogging())
        m_window.SetPaneText(PANE_LOG, LogPaneText(m_logger.Path()));
}

void CConnectionControl::OpenSerial()
{
    m_serial.Open(m_doc.comPort, m_doc.dcb);
}

void CConnectionControl::StartIp()
{
    ClearFailure();
    m_ip.SetRemoteSerial(IsRemoteSerial(), m_doc.dcb);
    std::string error;
    if (!m_ip.Start(m_doc.commMode, m_doc.ipServer, m_doc.ipPort, error)) {
        m_openName.clear();
        Event("Open failed: " + IpName() + ": " + error);
        ShowIpError();
        ShowFailure(error);
        m_window.ShowMessageBox(error, MessageBoxIcon::Exclamation);
        return;
    }
    if (IsServerMode(m_doc.commMode))
        Opened(IpName(), "Listening: " + IpName());
}

void CConnectionControl::Toggle()
{
    const std::uint32_t mode = m_doc.commMode;
    ClearFailure();
    if (mode == SERIAL_MODE) {
        if (!m_serial.IsOpen()) {
            m_ip.Stop();
            OpenSerial();
            return;
        }
        CloseEvents({});
        m_serial.Close();
        ResetIndicators();
        // The driver reports nothing on a close it was asked for: say it here.
        m_window.SetPaneText(PANE_CONNECTION, std::string(kComNotOpenedText));
    } else if (IsTcpMode(mode)) {
        if (!m_ip.IsConnected()) {
            StartIp();
            return;
        }
        if (m_ip.IsListening())
            PeerLeft({}); // the server goes on listening
        else
            CloseEvents({});
        m_ip.CloseConnection();
        m_window.EnableFunctionKeys(false);
    } else if (IsUdpMode(mode)) {
        if (!m_ip.IsListening()) {
            StartIp();
            return;
        }
        CloseEvents({});
        m_ip.Stop();
        m_window.EnableFunctionKeys(false);
    }
}

bool CConnectionControl::IsOpen() const
{
    const std::uint32_t mode = m_doc.commMode;
    if (mode == SERIAL_MODE)
        return m_serial.IsOpen();
    if (IsTcpMode(mode))
        return m_ip.IsConnected();
    if (IsUdpMode(mode))
        return m_ip.IsListening();
    return false;
}

void CConnectionControl::RefreshConnectionPane()
{
    const std::uint32_t mode = m_doc.commMode;
    if (mode == SERIAL_MODE) {
        DCB dcb;
        const bool open = m_serial.IsOpen() && m_serial.GetState(dcb);
        m_window.SetPaneText(PANE_CONNECTION,
                             open ? SerialPaneText(m_doc.comPort, dcb) : std::string(kComNotOpenedText));
        return;
    }
    if (m_ip.IsRemoteSerial()) {
        m_window.SetPaneText(PANE_CONNECTION, RemoteSerialPaneText(m_doc.ipServer, m_doc.ipPort, m_doc.dcb));
        return;
    }
    const std::string peer = IsTcpMode(mode) && m_ip.IsConnected() ? m_ip.PeerName() : std::string();
    m_window.SetPaneText(PANE_CONNECTION, ConnectionPaneText(mode, m_doc.ipServer, m_doc.ipPort, peer));
}

void CConnectionControl::OnPortOpened()
{
    ClearFailure();
    m_deviceRemoved = false;
    RefreshConnectionPane();
    m_window.EnableFunctionKeys(true);
    DCB dcb;
    if (m_serial.GetState(dcb))
        Opened("COM" + std::to_string(m_doc.comPort), "Connected: " + SerialEventName(m_doc.comPort, dcb));
}

void CConnectionControl::OnPortFailed(const std::string& detail)
{
    m_openName.clear();
    Event("Open failed: " + (detail.empty() ? "COM" + std::to_string(m_doc.comPort) : detail));
    RefreshConnectionPane();
    m_window.EnableFunctionKeys(false);
    if (m_window.ShowPortFailureDialog(detail))
        m_window.PostCommand(ID_SETUP_COMMUNICATION);
}

void CConnectionControl::OnDeviceRemoved(const std::string& text)
{
    m_deviceRemoved = true;
    m_notSentShown = false;
    m_window.EnableFunctionKeys(false);
    m_window.SetLedState(LED_DATA, LAMP_RED);
    // Lines of a device that is gone have no state: green would claim one.
    for (LedRole led : {LED_CTS, LED_DSR, LED_CD})
        m_window.SetLedState(led, LAMP_GREY);
    m_window.SetPaneText(PANE_CONNECTION, text);
    Event(text);
}

bool CConnectionControl::FirstSendWhileRemoved()
{
    if (!m_deviceRemoved || m_notSentShown)
        return false;
    m_notSentShown = true;
    return true;
}

void CConnectionControl::OnDeviceBack(const std::string& text)
{
    m_deviceRemoved = false;
    m_window.SetLedState(LED_DATA, LAMP_GREY);
    m_window.SetPaneText(PANE_CONNECTION, text);
    Event(text);
}

void CConnectionControl::OnNoModemLines()
{
    for (LedRole led : {LED_CTS, LED_DSR, LED_CD})
        m_window.SetLedState(led, LAMP_GREY);
}

void CConnectionControl::OnLineHeld(int code, bool held)
{
    const LedRole led = code == TC_CTS_HOLD ? LED_CTS : code == TC_DSR_HOLD ? LED_DSR : LED_CD;
    m_window.SetLedState(led, held ? LAMP_GREEN : LAMP_DARK_GREEN);
}

void CConnectionControl::OnIpConnected(std::intptr_t handle)
{
    ClearFailure();
    m_window.EnableFunctionKeys(true);
    m_window.SetLedState(LED_DATA, LAMP_GREEN);
    if (m_ip.IsListening())
        m_window.SetLedState(LED_SERVER, LAMP_DARK_GREEN);
    m_ip.OnConnected(handle);
    RefreshConnectionPane();
    m_lastRefusalMs = -1;
    if (!m_ip.IsListening()) {
        Opened(IpName(), "Connected: " + IpName());
        return;
    }
    PeerLeft({}); // a server serves one peer at a time
    const std::string peer = m_ip.PeerName();
    m_peerName = peer.empty() ? "(name unknown)" : peer;
    Event("Peer " + m_peerName + " arrived");
}

void CConnectionControl::OnIpClosed(const std::string& reason)
{
    if (m_ip.IsListening())
        PeerLeft(reason);
    else
        CloseEvents(reason);
    ShowFailure(reason);
    m_ip.OnDisconnected();
    for (LedRole led : {LED_CTS, LED_DSR, LED_CD})
        m_window.SetLedState(led, LAMP_GREY); // a remote port's lines went with it
    m_window.BlinkLed(LED_DATA, 0, 0);
    m_window.SetLedState(LED_DATA, LAMP_DARK_GREEN);
    if (m_ip.IsListening())
        m_window.SetLedState(LED_SERVER, LAMP_GREEN);
    RefreshConnectionPane();
}

void CConnectionControl::OnUdpReady()
{
    ClearFailure();
    m_window.EnableFunctionKeys(true);
    m_window.SetLedState(LED_DATA, LAMP_GREEN);
    RefreshConnectionPane();
    Opened(IpName(), "Opened: " + IpName());
}

void CConnectionControl::OnUdpClosed()
{
    CloseEvents({});
    m_window.SetLedState(LED_DATA, LAMP_DARK_GREEN);
    RefreshConnectionPane();
}

void CConnectionControl::OnUdpPeer(const std::string& peer)
{
    if (peer == m_peerText)
        return;
    m_peerText = peer;
    m_window.SetPaneText(PANE_PEER, m_peerText);
}

void CConnectionControl::ShowIpError()
{
    m_window.SetLedState(LED_DATA, LAMP_GREY);
    m_window.AlternateLed(LED_DATA, LAMP_RED, LAMP_DARK_RED, 2, 4);
}

void CConnectionControl::OnIpFailed(const std::string& reason)
{
    // A datagram that could not be read leaves the UDP socket open: no line.
    const bool client = IsTcpMode(m_doc.commMode) && !m_ip.IsListening();
    if (m_ip.IsListening())
        PeerLeft(reason);
    else if (client && !m_openName.empty())
        CloseEvents(reason);
    else if (client)
        Event("Connect failed: " + IpName() + " " + FailureWords(reason));
    ShowFailure(reason);
    m_ip.OnDisconnected();
    ShowIpError();
    if (m_ip.IsListening())
        m_window.SetLedState(LED_SERVER, LAMP_GREEN);
    RefreshConnectionPane();
}

bool CConnectionControl::FirstRefusalOfBurst(std::int64_t nowMs, std::int64_t quietMs)
{
    const bool first = m_lastRefusalMs < 0 || nowMs - m_lastRefusalMs >= quietMs;
    m_lastRefusalMs = nowMs;
    return first;
}

void CConnectionControl::Event(const std::string& text)
{
    if (m_eventSink)
        m_eventSink(text);
}

void CConnectionControl::Opened(const std::string& name, const std::string& line)
{
    if (name == m_openName)
        return; // a new line rate, or a reopen after the device came back
    CloseEvents({});
    m_openName = name;
    Event(line);
}

void CConnectionControl::PeerLeft(const std::string& why)
{
    if (m_peerName.empty())
        return;
    Event("Peer " + m_peerName + " left" + (why.empty() ? "" : ": " + why));
    m_peerName.clear();
}

void CConnectionControl::CloseEvents(const std::string& why)
{
    PeerLeft(why);
    if (m_openName.empty())
        return;
    Event("Closed: " + m_openName + (why.empty() ? "" : ": " + why));
    m_openName.clear();
}

std::string CConnectionControl::IpName() const
{
    const std::uint32_t mode = m_doc.commMode;
    if (IsUdpMode(mode))
        return "UDP " + HostPortName(m_doc.ipServer, m_doc.ipPort);
    if (IsServerMode(mode))
        return "TCP port " + std::to_string(m_doc.ipPort);
    return HostPortName(m_doc.ipServer, m_doc.ipPort);
}

} // namespace kestrelon
