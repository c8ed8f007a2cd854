// Bridge mode: the main connection joined to a second TCP connection, so that a
// remote program talks to the device through the terminal. What the device sends
// goes to the bridge peer through the bridge connection's one ordered sender,
// within a bounded queue; what the peer sends goes out on the main connection
// and is shown only as local echo. A peer faster than the device is held back:
// while the main connection's queue is full its blocks wait here, their receive
// credit stops the socket being read, and TCP slows the peer. Everything here
// runs on the user-interface thread; the connection's threads report with
// WM_IP_BRIDGE.
#pragma once

#include "net/IpConnection.h"
#include "framework/MessageCarrier.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace kestrelon {

class CByteBlock;
class CKestronDoc;
class IHubWindow;
class ISettingsStore;

class CBridge {
public:
    // Bytes for the peer that may wait in the sender at once; what does not fit
    // is dropped, so a peer that stops reading never holds up the main connection.
    static constexpr std::size_t QUEUE_LIMIT = 1024 * 1024;
    using SendHook = std::function<void(const std::uint8_t* data, std::size_t length)>;
    using LineHook = std::function<void(const std::string& text)>;

    // `sendMain` sends on the main connection; `frame` receives WM_IP_BRIDGE.
    CBridge(CKestronDoc& doc, IHubWindow& window, IMessageTarget& frame, SendHook sendMain);
    // Closes the listening and the connected bridge socket.
    ~CBridge();
    CBridge(const CBridge&) = delete;
    CBridge& operator=(const CBridge&) = delete;

    // How much the main connection takes now without dropping, and asking it
    // for one OnMainRoom once its queue has drained (unset: it takes anything).
    void SetMainRoom(std::function<std::size_t()> room, std::function<void()> watch)
    {
        m_mainRoom = std::move(room);
        m_watchMain = std::move(watch);
    }
    // The main connection has room again: what the peer sent meanwhile goes on.
    void OnMainRoom();
    // A line of our own in the data views (the end of the bridge).
    void SetShowLine(LineHook showLine) { m_showLine = std::move(showLine); }

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
    // Bytes from the peer waiting for room on the main connection.
    std::size_t HeldBytes() const;

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
    void OnFailed(CMessage& message);
    void OnPeerRefused(CMessage& message);
    void Overflow(std::size_t length);
    // Sends held blocks while the main connection has room for them.
    void SendHeld();

    CKestronDoc& m_doc;
    IHubWindow& m_window;
    SendHook m_sendMain;
    std::function<std::size_t()> m_mainRoom;
    std::function<void()> m_watchMain;
    LineHook m_showLine;
    // The peer's blocks not yet sent, oldest first; the front one has
    // m_heldOffset bytes sent already.
    std::deque<std::unique_ptr<CByteBlock>> m_held;
    std::size_t m_heldOffset = 0;
    bool m_watching = false; // OnMainRoom asked for
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
// The end of the bridge on a failure: the send time-out (WSAETIMEDOUT) says
// the peer stopped reading; otherwise the socket's own text.
std::string BridgeOffText(int error, const std::string& reason);
// A second peer turned away while one is served.
std::string BridgePeerRefusedText(const std::string& peer);

} // namespace kestrelon
