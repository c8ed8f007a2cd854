// Bridge mode: the main connection joined to a second TCP connection, so that a
// remote program talks to the device through the terminal. What the device sends
// goes to the bridge peer through the bridge connection's one ordered sender,
// within a bounded queue; what the peer sends goes out on the main connection
// and is shown only as local echo. Everything here runs on the user-interface
// thread; the connection's threads report with WM_IP_BRIDGE.
#pragma once

#include "net/IpConnection.h"
#include "framework/MessageCarrier.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrelon {

class CKestronDoc;
class IHubWindow;
class ISettingsStore;

class CBridge {
public:
    // Bytes for the peer that may wait in the sender at once; what does not fit
    // is dropped, so a peer that stops reading never holds up the main connection.
    static constexpr std::size_t QUEUE_LIMIT = 1024 * 1024;
    using SendHook = std::function<void(const std::uint8_t* data, std::size_t length)>;

    // `sendMain` sends on the main connection; `frame` receives WM_IP_BRIDGE.
    CBridge(CKestronDoc& doc, IHubWindow& window, IMessageTarget& frame, SendHook sendMain);
    // Closes the listening and the connected bridge socket.
    ~CBridge();
    CBridge(const CBridge&) = delete;
    CBridge& operator=(const CBridge&) = delete;

    // Where an IPv4 client bridge finds its SOCKS proxy (null: none).
    void SetInternetSettings(const ISettingsStore* settings) { m_internetSettings = settings; }

    // Toggle > Bridge Mode. On: automatic answers go off, the connection of the
    // document's bridge mode starts. Off: both bridge sockets close.
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_enabled; }

    // A block the device sent: to the peer when one is connected, else dropped.
    void Forward(const std::uint8_t* data, std::size_t length);
    // WM_IP_BRIDGE; always 0.
    std::intptr_t HandleMessage(CMessage& message);

    bool IsPeerConnected() const { return m_peerConnected; }
    // Port of the listening socket in the server modes (0 without one).
    std::uint16_t ListeningPort() const { return m_connection.LocalPort(); }
    std::size_t QueuedBytes() const { return m_connection.QueuedSendBytes(); }
    // Bytes dropped because the peer did not keep up, since the program started.
    std::uint64_t DroppedBytes() const { return m_droppedBytes; }
    // Slow-peer episodes reported in the status bar.
    int OverflowReports() const { return m_overflowReports; }

private:
    // Posts of the connection's threads, marked with the session they belong to:
    // what a stopped session still had on its way is recognised and dropped.
    class CSessionTarget : public IMessageTarget {
    public:
        explicit CSessionTarget(IMessageTarget& frame) : m_frame(frame) {}
        void Post(CMessage message) override;
        std::intptr_t Send(CMessage message) override;
        void NextSession() { ++m_session; }
        std::uint64_t Session() const { return m_session; }

    private:
        CMessage Mark(CMessage message) const;
        IMessageTarget& m_frame;
        std::atomic<std::uint64_t> m_session{0};
    };

    void Start();
    void Stop();
    void OnConnected();
    void OnReceived(CMessage& message);
    void OnClosed();
    void OnFailed();
    void Overflow(std::size_t length);

    CKestronDoc& m_doc;
    IHubWindow& m_window;
    SendHook m_sendMain;
    const ISettingsStore* m_internetSettings = nullptr;
    bool m_enabled = false;
    bool m_peerConnected = false;
    bool m_overflowing = false; // in a slow-peer episode, reported already
    std::uint64_t m_droppedBytes = 0;
    int m_overflowReports = 0;
    CSessionTarget m_target; // outlives the connection's threads
    CIpConnection m_connection;
};

// The status bar's report of a slow-peer episode.
std::string BridgeOverflowText();

} // namespace kestrelon
