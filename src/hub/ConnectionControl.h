// Connection control of the data hub: applying the document's connection
// settings, toggling the connection, and showing the connection's state (LEDs,
// connection, peer and log panes, function keys) as the drivers report it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestrelon {

class CKestronDoc;
class CDataLogger;
class IHubWindow;
class ISerialLink;
class IIpLink;

class CConnectionControl {
public:
    CConnectionControl(CKestronDoc& doc, IHubWindow& window, ISerialLink& serial, IIpLink& ip, CDataLogger& logger);

    // Closes what runs and opens the connection of the document's mode.
    void Apply();
    // Toggle > Communication: stop an open connection, start a closed one.
    void Toggle();
    // Serial port open, TCP peer connected, or UDP socket bound.
    bool IsOpen() const;
    void RefreshConnectionPane();

    // Serial driver notifications.
    void OnPortOpened();
    // `detail` names the port, its device and the reason; shown in the dialog.
    void OnPortFailed(const std::string& detail);
    // A pulled adapter: a line in the connection pane, the data lamp red, and
    // no dialog (the driver reopens it when it comes back).
    void OnDeviceRemoved(const std::string& text);
    void OnDeviceBack(const std::string& text);
    // Bytes for a removed device: true the first time in this absence (the
    // loss is then worth a line).
    bool FirstSendWhileRemoved();
    void OnLineHeld(int code, bool held); // codes 31 to 33
    // A port without modem lines (a pseudo-terminal): CTS, DSR and CD unknown, grey.
    void OnNoModemLines();

    // Main IP connection notifications (all but received data).
    void OnIpConnected(std::intptr_t handle);
    // `reason`: why the peer went ("Connection closed by peer"), empty when we
    // closed it; it stays in the message pane until the connection changes.
    void OnIpClosed(const std::string& reason);
    void OnUdpReady();
    void OnUdpClosed();
    void OnUdpPeer(const std::string& peer);
    void OnIpFailed(const std::string& reason);

    const std::string& PeerText() const { return m_peerText; }

    // Where the marked lines of opens, closes, peers and failures go.
    void SetEventSink(std::function<void(const std::string&)> sink) { m_eventSink = std::move(sink); }
    bool IsDeviceRemoved() const { return m_deviceRemoved; }
    // Bytes refused because nothing is connected: true for the first of a
    // burst (nothing refused in the `quietMs` before `nowMs`, or the
    // connection changed since), which is worth a notice.
    bool FirstRefusalOfBurst(std::int64_t nowMs, std::int64_t quietMs);
    // The message pane names the last failure (or refusal) until the
    // connection changes or opens.
    void ShowFailure(const std::string& text);

private:
    static bool IsTcpMode(std::uint32_t mode);
    static bool IsUdpMode(std::uint32_t mode);
    static bool IsServerMode(std::uint32_t mode);
    // The document's TCP client is a remote serial port.
    bool IsRemoteSerial() const;
    void ResetIndicators();
    void OpenSerial();
    void StartIp();
    void ShowIpError();
    void ClearFailure();
    void Event(const std::string& text);
    // What is open now, for the lines of its close; an open of what is
    // already open says nothing.
    void Opened(const std::string& name, const std::string& line);
    // The peer leaves (a server's), then what was open closes; `why` follows.
    void CloseEvents(const std::string& why);
    void PeerLeft(const std::string& why);
    // The name an IP mode's open goes by: "127.0.0.1:5000", "TCP port 5000".
    std::string IpName() const;

    CKestronDoc& m_doc;
    IHubWindow& m_window;
    ISerialLink& m_serial;
    IIpLink& m_ip;
    CDataLogger& m_logger;
    std::string m_peerText;
    bool m_deviceRemoved = false;
    bool m_notSentShown = false;
    bool m_failureShown = false;
    std::function<void(const std::string&)> m_eventSink;
    std::string m_openName; // empty while closed
    std::string m_peerName; // a TCP server's peer, empty without one
    std::int64_t m_lastRefusalMs = -1; // -1: none since the connection changed
};

} // namespace kestrelon
