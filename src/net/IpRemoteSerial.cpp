// The remote serial port side of CIpConnection: a TCP client whose peer speaks
// the Telnet com-port option. Everything here runs beside the plain client's
// code paths and only when the connection was configured for it.
#include "net/IpConnection.h"

#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <utility>

namespace kestrelon {

namespace {
// How long a break lasts on the remote line, as on a local one.
constexpr int REMOTE_BREAK_MS = 250;
// A held sender looks again this often; a stop or a shut-down socket ends it.
constexpr int SUSPEND_SLICE_MS = 20;
// How long a new connection waits for the server's answer to the option.
constexpr int NEGOTIATION_MS = 3000;
} // namespace

void CIpConnection::OpenRemote(const std::shared_ptr<CIP6Socket>& socket)
{
    // The server raises both when it opens its port, as a local open does.
    m_remoteLines = IP_REMOTE_DTR | IP_REMOTE_RTS;
    const std::vector<std::uint8_t> opening = m_remote.Open();
    m_sender.Queue(socket, opening.data(), opening.size());
    // The connection counts as made once the server has answered the option:
    // its settings and purge then go before anything the user sends, so the
    // purge cannot throw the user's first bytes away. A server that says
    // nothing in time is taken as it is.
    std::uint8_t buffer[RECEIVE_SIZE];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(NEGOTIATION_MS);
    while (!m_remote.Answered()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            if (m_remote.GiveUp())
                Post(IP_REMOTE_REFUSED);
            return;
        }
        pollfd wait{socket->Handle(), POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left)) <= 0)
            continue;
        const int count = socket->Receive(buffer, RECEIVE_SIZE, 0);
        if (count == 0)
            throw CIP6SocketException("Receive", SocketApi::WSAECONNRESET);
        ReceiveRemote(*socket, buffer, count);
    }
}

bool CIpConnection::QueueRaw(std::vector<std::uint8_t> bytes)
{
    std::shared_ptr<CIP6Socket> socket = SendSocket();
    if (!socket)
        return false;
    return bytes.empty() || m_sender.Queue(std::move(socket), bytes.data(), bytes.size()) == CIpSender::QueueResult::Queued;
}

void CIpConnection::ReceiveRemote(CIP6Socket& socket, const std::uint8_t* bytes, int count)
{
    m_remoteOut.Clear();
    m_remote.Feed(bytes, static_cast<std::size_t>(count), m_remoteOut);
    if (!m_remoteOut.reply.empty()) {
        std::shared_ptr<CIP6Socket> peer;
        {
            std::lock_guard lock(m_mutex);
            peer = m_peer;
        }
        if (peer && peer.get() == &socket)
            m_sender.Queue(std::move(peer), m_remoteOut.reply.data(), m_remoteOut.reply.size());
    }
    // Events before the data: a state change the server sent between bytes
    // lands within the same block, and lamps need no byte order.
    for (const CRemoteEvent& event : m_remoteOut.events)
        PostRemoteEvent(event);
    if (!m_remoteOut.data.empty())
        Post(IP_RECEIVED, 0,
             std::make_unique<CCreditedBlock>(m_remoteOut.data.data(), static_cast<int>(m_remoteOut.data.size()),
                                              m_credit));
}

void CIpConnection::PostRemoteEvent(const CRemoteEvent& event)
{
    switch (event.kind) {
    case ERemoteEvent::Refused:
        Post(IP_REMOTE_REFUSED);
        break;
    case ERemoteEvent::ModemState:
        m_remoteLines = (m_remoteLines.load() & (IP_REMOTE_DTR | IP_REMOTE_RTS)) | event.value;
        PostModemState();
        break;
    case ERemoteEvent::LineState:
        Post(IP_LINE_STATE, event.value);
        break;
    case ERemoteEvent::Accepted:
    case ERemoteEvent::Suspend:
    case ERemoteEvent::Resume:
        break; // the engine keeps them; the sender looks at Suspended()
    }
}

void CIpConnection::WaitWhileSuspended(CIP6Socket& socket)
{
    while (IsRemoteSerial() && m_remote.Suspended() && !socket.IsShutDown() && !m_stop->Raised())
        m_stop->WaitFor(SUSPEND_SLICE_MS);
}

bool CIpConnection::QueueLineAction(LineAction action, int waitMs)
{
    if (action == LineAction::Wait)
        return QueueWait(waitMs);
    if (!IsRemoteSerial() || action == LineAction::Script)
        return false;
    if (!QueueRaw(m_remote.LineCommand(action)))
        return false;
    if (action == LineAction::Break)
        return QueueWait(REMOTE_BREAK_MS) && QueueRaw(m_remote.BreakEnd());
    const int bit = action == LineAction::DtrLow || action == LineAction::DtrHigh ? IP_REMOTE_DTR : IP_REMOTE_RTS;
    const bool high = action == LineAction::DtrHigh || action == LineAction::RtsHigh;
    m_remoteLines = high ? (m_remoteLines.load() | bit) : (m_remoteLines.load() & ~bit);
    PostModemState();
    return true;
}

void CIpConnection::PostModemState()
{
    Post(IP_MODEM_STATE, m_remoteLines.load());
}

bool CIpConnection::SetRemoteBaudRate(std::uint32_t baud)
{
    return IsRemoteSerial() && QueueRaw(m_remote.BaudRate(baud));
}

void CIpConnection::PurgeOnClose()
{
    // Best effort on the way out: the socket closes right after, so nothing
    // waits for room to send it.
    const std::vector<std::uint8_t> purge = m_remote.Purge();
    if (!purge.empty())
        [[maybe_unused]] const ssize_t n = ::send(m_peer->Handle(), purge.data(), purge.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

bool CIpConnection::RelayWhileLent(CIP6Socket& socket)
{
    int transferEnd = -1;
    {
        std::lock_guard lock(m_loanMutex);
        if (!m_loanWanted)
            return true;
        std::uint64_t count = 0;
        while (read(m_loanWake, &count, sizeof count) > 0) {
        }
        m_loanGranted = true;
        transferEnd = m_transferEnd;
    }
    m_loanChanged.notify_all();
    const bool alive = m_remote.Relay(
        socket, transferEnd, m_loanWake,
        [this] {
            std::lock_guard lock(m_loanMutex);
            return m_loanWanted && !m_stop->Raised();
        },
        [this](const CRemoteEvent& event) { PostRemoteEvent(event); });
    {
        std::lock_guard lock(m_loanMutex);
        m_loanGranted = false;
        if (m_transferEnd >= 0)
            close(std::exchange(m_transferEnd, -1));
    }
    return alive && !socket.IsShutDown() && !m_stop->Raised();
}

} // namespace kestrelon
