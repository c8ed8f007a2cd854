// CBridge: switching bridge mode, its notifications and the bounded forwarding
// of the device's bytes to the peer.
#include "automation/Bridge.h"

#include "document/ByteBlock.h"
#include "document/HubWindow.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"

#include <algorithm>

namespace kestrelon {

namespace {

// Lamp states of LED5.
constexpr int LAMP_GREY = 1;
constexpr int LAMP_RED = 2;
constexpr int LAMP_GREEN = 4;
constexpr int LAMP_DARK_GREEN = 5;
constexpr int LAMP_YELLOW = 6;

bool IsServerMode(std::uint32_t mode)
{
    return mode == MODE_IPV4_SERVER || mode == MODE_IPV6_SERVER;
}

// A payload with the session that posted it.
class CSessionMark : public CMessagePayload {
public:
    CSessionMark(std::uint64_t session, std::unique_ptr<CMessagePayload> payload)
        : m_session(session), m_payload(std::move(payload))
    {
    }
    std::uint64_t Session() const { return m_session; }
    std::unique_ptr<CMessagePayload> TakeInner() { return std::move(m_payload); }

private:
    std::uint64_t m_session;
    std::unique_ptr<CMessagePayload> m_payload;
};

} // namespace

std::string BridgeOverflowText()
{
    return "Bridge peer does not keep up: received data dropped";
}

std::string BridgeOffText(int error, const std::string& reason)
{
    if (error == SocketApi::WSAETIMEDOUT)
        return "Bridge off: the peer did not read for " + std::to_string(CIpConnection::SEND_SECONDS) + " s";
    return reason.empty() ? std::string("Bridge off: the connection failed") : "Bridge off: " + reason;
}

std::string BridgePeerRefusedText(const std::string& peer)
{
    return "Bridge: " + peer + " turned away, one peer at a time";
}

CMessage CBridge::CSessionTarget::Mark(CMessage message) const
{
    message.payload = std::make_unique<CSessionMark>(m_session.load(), std::move(message.payload));
    return message;
}

void CBridge::CSessionTarget::Post(CMessage message)
{
    m_frame.Post(Mark(std::move(message)));
}

std::intptr_t CBridge::CSessionTarget::Send(CMessage message)
{
    return m_frame.Send(Mark(std::move(message)));
}

CBridge::CBridge(CKestronDoc& doc, IHubWindow& window, IMessageTarget& frame, SendHook sendMain)
    : m_doc(doc), m_window(window), m_sendMain(std::move(sendMain)), m_target(frame)
{
    // A second peer would wait unseen and reach the device long after it gave up.
    CIpOptions options;
    options.turnAwayOthers = true;
    m_connection.SetOptions(options);
}

CBridge::~CBridge()
{
    Stop();
}

void CBridge::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled) {
        // A remote program answers the device now; rules of our own would talk
        // across it. They stay off when the bridge goes off again.
        m_doc.autoAnswerOn = false;
        Start();
    } else {
        Stop();
        m_window.SetLedState(LED_BRIDGE, LAMP_GREY);
    }
}

void CBridge::Start()
{
    Stop();
    m_window.SetLedState(LED_BRIDGE, LAMP_YELLOW);
    if (IsServerMode(BridgeToConnectionMode(m_doc.bridgeMode)))
        m_window.SetLedState(LED_BRIDGE, LAMP_DARK_GREEN);
    const std::string error = StartBridgeConnection(m_connection, m_target, m_doc.bridgeMode, m_doc.bridgeServer,
                                                    m_doc.bridgePort, m_internetSettings);
    if (error.empty())
        return;
    m_enabled = false;
    m_window.SetLedState(LED_BRIDGE, LAMP_RED);
    m_window.ShowMessageBox(error, MessageBoxIcon::Exclamation);
}

void CBridge::Stop()
{
    m_connection.Stop();
    // Whatever the stopped session posted, up to its threads' end, is dropped.
    m_target.NextSession();
    m_peerConnected = false;
    m_overflowing = false;
}

void CBridge::Forward(const std::uint8_t* data, std::size_t length)
{
    if (!m_peerConnected || data == nullptr || length == 0)
        return;
    const std::size_t queued = m_connection.QueuedSendBytes();
    if (queued == 0)
        m_overflowing = false; // the peer has caught up: a new episode may begin
    const std::size_t room = QUEUE_LIMIT - std::min(queued, QUEUE_LIMIT);
    const std::size_t taken = std::min(room, length);
    if (taken > 0)
        m_connection.Send(data, taken);
    if (taken < length)
        Overflow(length - taken);
}

void CBridge::Overflow(std::size_t length)
{
    m_droppedBytes += length;
    if (m_overflowing)
        return;
    m_overflowing = true;
    ++m_overflowReports;
    m_window.ShowStatusMessage(BridgeOverflowText());
}

std::intptr_t CBridge::HandleMessage(CMessage& message)
{
    if (auto mark = message.TakePayload<CSessionMark>()) {
        if (mark->Session() != m_target.Session())
            return 0; // from a session that has been stopped
        message.payload = mark->TakeInner();
    }
    switch (static_cast<int>(message.wParam)) {
    case IP_CONNECTED:
        OnConnected();
        break;
    case IP_RECEIVED:
        OnReceived(message);
        break;
    case IP_CLOSED:
        OnClosed();
        break;
    case IP_FAILED:
    case IP_SEND_FAILED:
        OnFailed(message);
        break;
    case IP_PEER_REFUSED:
        OnPeerRefused(message);
        break;
    default:
        break;
    }
    return 0;
}

void CBridge::OnConnected()
{
    m_peerConnected = true;
    m_overflowing = false;
    m_window.SetLedState(LED_BRIDGE, LAMP_GREEN);
}

void CBridge::OnReceived(CMessage& message)
{
    auto block = message.TakePayload<CByteBlock>();
    if (!block || block->length() <= 0)
        return;
    // Kept, with the receive credit it holds, until the main connection takes
    // it: enough kept blocks stop the socket being read.
    m_held.push_back(std::move(block));
    SendHeld();
}

void CBridge::OnMainRoom()
{
    m_watching = false;
    SendHeld();
}

std::size_t CBridge::HeldBytes() const
{
    std::size_t bytes = 0;
    for (const auto& block : m_held)
        bytes += static_cast<std::size_t>(block->length());
    return bytes - m_heldOffset;
}

void CBridge::SendHeld()
{
    while (!m_held.empty()) {
        const CByteBlock& block = *m_held.front();
        const std::size_t room = m_mainRoom ? m_mainRoom() : block.length();
        if (room == 0) {
            if (!m_watching && m_watchMain) {
                m_watching = true;
                m_watchMain();
            }
            return;
        }
        const std::uint8_t* data = block.data() + m_heldOffset;
        const std::size_t length = std::min(room, static_cast<std::size_t>(block.length()) - m_heldOffset);
        // Shown as what we send, never as received data: not converted, not
        // scanned for commands, not offered to the answer rules.
        if (m_doc.localEcho)
            for (std::size_t i = 0; i < length; ++i)
                m_doc.AddByte(data[i], m_doc.sendColour);
        if (m_sendMain)
            m_sendMain(data, length);
        m_heldOffset += length;
        if (m_heldOffset == static_cast<std::size_t>(block.length())) {
            m_held.pop_front();
            m_heldOffset = 0;
        }
    }
}

void CBridge::OnClosed()
{
    m_peerConnected = false;
    if (m_connection.IsOpen()) {
        // A server waits for the next peer; nothing of the gap is kept for it.
        m_window.SetLedState(LED_BRIDGE, m_enabled ? LAMP_DARK_GREEN : LAMP_GREY);
        return;
    }
    Stop();
    m_enabled = false;
    m_window.SetLedState(LED_BRIDGE, LAMP_GREY);
}

void CBridge::OnFailed(CMessage& message)
{
    auto reason = message.TakePayload<CTextPayload>();
    const int error = message.wParam == IP_SEND_FAILED ? static_cast<int>(message.lParam) : 0;
    // Off means no bridge sockets at all, the listening one included.
    Stop();
    m_enabled = false;
    m_window.SetLedState(LED_BRIDGE, LAMP_RED);
    const std::string text = BridgeOffText(error, reason ? reason->Text() : std::string());
    m_window.ShowStatusMessage(text);
    if (m_showLine)
        m_showLine(text);
}

void CBridge::OnPeerRefused(CMessage& message)
{
    auto peer = message.TakePayload<CTextPayload>();
    m_window.ShowStatusMessage(BridgePeerRefusedText(peer ? peer->Text() : std::string("a peer")));
}

} // namespace kestrelon
