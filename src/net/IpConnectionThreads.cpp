// The IP connection's threads: the client's connect and receive loop, the
// server's accept loop (one peer at a time, others turned away), the datagram
// receiver, and what each does with the bytes and failures it meets.
#include "net/IpConnection.h"

#include "net/ClientConnector.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

namespace kestrelon {

CIpConnection::CReceiveEnd CIpConnection::ReceiveLoop(CIP6Socket& socket)
{
    std::uint8_t buffer[RECEIVE_SIZE];
    try {
        for (;;) {
            if (!m_credit->WaitForRoom())
                return {IP_CLOSED, {}};
            // Only a remote port's relay sees the peer go while lent.
            if (!ParkWhileLent(socket))
                return {IP_CLOSED, socket.IsShutDown() || m_stop->Raised() ? "" : "Connection closed by peer"};
            bool other = false;
            if (!socket.WaitReadable(m_loanWake, TurnAwayFd(), &other)) {
                if (other)
                    TurnAway();
                continue; // a file transfer wants the socket, or a second peer came
            }
            int count = socket.Receive(buffer, RECEIVE_SIZE, 0);
            if (count == 0)
                return {IP_CLOSED, "Connection closed by peer"};
            if (IsRemoteSerial())
                ReceiveRemote(socket, buffer, count);
            else
                Post(IP_RECEIVED, 0, std::make_unique<CCreditedBlock>(buffer, count, m_credit));
        }
    } catch (const CIP6SocketException& error) {
        if (error.m_error == SocketApi::WSAENOTSOCK)
            return {IP_CLOSED, {}};
        Debug(error.GetText());
        return {IP_FAILED, FailureText(error)};
    }
}

int CIpConnection::TurnAwayFd() const
{
    if (!m_options.turnAwayOthers || !IsServerMode(m_mode))
        return -1;
    std::lock_guard lock(m_mutex);
    return m_listen && !m_listen->IsShutDown() ? m_listen->Handle() : -1;
}

void CIpConnection::TurnAway()
{
    std::shared_ptr<CIP6Socket> listen;
    {
        std::lock_guard lock(m_mutex);
        listen = m_listen;
    }
    CIP6Socket other;
    try {
        if (!listen || !listen->TryAccept(other))
            return;
        sockaddr_storage address{};
        other.GetPeerName(address);
        const socklen_t length = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        const std::string host =
            CIP6Socket::GetNameInfo(reinterpret_cast<const sockaddr*>(&address), length, NI_NUMERICHOST);
        const in_port_t port = address.ss_family == AF_INET6
                                   ? reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port
                                   : reinterpret_cast<const sockaddr_in*>(&address)->sin_port;
        other.Close(); // the peer sees the end at once
        Post(IP_PEER_REFUSED, 0, std::make_unique<CTextPayload>(host + ":" + std::to_string(ntohs(port))));
    } catch (const CIP6SocketException& error) {
        Debug(error.GetText()); // gone before we looked: nobody to tell
    }
}

void CIpConnection::ClientThread()
{
    auto socket = std::make_shared<CIP6Socket>();
    Publish(socket, {});
    try {
        CClientConnector(m_options, m_stop)
            .Connect(*socket, m_host, m_port, FamilyOf(m_mode), m_proxyHost, m_proxyPort);
        socket->SetNoDelay();
        if (IsRemoteSerial())
            OpenRemote(socket);
    } catch (const CIP6SocketException& error) {
        Unpublish(socket);
        if (error.m_error == SocketApi::WSAENOTSOCK) {
            Post(IP_CLOSED);
        } else {
            Debug(error.GetText());
            Post(IP_FAILED, 0, std::make_unique<CTextPayload>(FailureText(error)));
        }
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_connected = true;
    }
    Post(IP_CONNECTED, socket->Handle());
    const CReceiveEnd end = ReceiveLoop(*socket);
    Unpublish(socket);
    PostEnd(end);
}

void CIpConnection::ServerThread()
{
    std::shared_ptr<CIP6Socket> listen;
    {
        std::lock_guard lock(m_mutex);
        listen = m_listen;
    }
    CClientConnector connector(m_options, m_stop);
    while (!listen->IsShutDown()) {
        auto peer = std::make_shared<CIP6Socket>();
        try {
            if (!listen->Accept(*peer))
                continue;
            peer->SetNoDelay();
        } catch (const CIP6SocketException& error) {
            Debug(error.GetText());
            Pause(100); // out of descriptors, say: don't spin while it lasts
            continue;
        }
        PeerArrived(peer, connector);
    }
}

void CIpConnection::PeerArrived(const std::shared_ptr<CIP6Socket>& peer, CClientConnector& connector)
{
    // The peer is published before its name is looked up, so a stop during the
    // look-up reaches it.
    Publish(peer, {});
    std::string name;
    sockaddr_storage address{};
    try {
        peer->GetPeerName(address);
        const socklen_t length = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        std::optional<std::string> found = connector.NameOf(address, length);
        if (!found) {
            Unpublish(peer);
            return; // stopped while looking the name up
        }
        name = std::move(*found);
    } catch (const CIP6SocketException&) {
        // The peer left already; its receive tells the frame.
    }
    {
        std::lock_guard lock(m_mutex);
        m_peerName = std::move(name);
        m_connected = true;
    }
    Post(IP_CONNECTED, peer->Handle());
    const CReceiveEnd end = ReceiveLoop(*peer);
    Unpublish(peer);
    PostEnd(end);
}

std::string CIpConnection::SenderName(const sockaddr_storage& from, socklen_t length)
{
    // Looking a name up may take long; a stream of datagrams from one sender
    // needs it once.
    if (length != m_lastSenderLength || std::memcmp(&from, &m_lastSender, length) != 0) {
        // A stop during the look-up leaves the name empty; nothing is posted then.
        m_lastSenderName = CClientConnector(m_options, m_stop).NameOf(from, length).value_or(std::string());
        std::memcpy(&m_lastSender, &from, length);
        m_lastSenderLength = length;
    }
    return m_lastSenderName;
}

void CIpConnection::DatagramThread()
{
    std::shared_ptr<CIP6Socket> socket;
    {
        std::lock_guard lock(m_mutex);
        socket = m_listen;
    }
    Post(IP_UDP_READY, socket->Handle());
    std::vector<std::uint8_t> buffer(DATAGRAM_RECEIVE_SIZE);
    while (m_credit->WaitForRoom()) {
        try {
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            int count = socket->ReceiveDatagram(buffer.data(), DATAGRAM_RECEIVE_SIZE, reinterpret_cast<sockaddr*>(&from),
                                                &length, 0);
            if (count <= 0)
                continue;
            Post(IP_RECEIVED, 0, std::make_unique<CCreditedBlock>(buffer.data(), count, m_credit));
            Post(IP_UDP_PEER, 0, std::make_unique<CTextPayload>(SenderName(from, length)));
        } catch (const CIP6SocketException& error) {
            if (error.m_error == SocketApi::WSAENOTSOCK || socket->IsShutDown())
                break;
            Debug(error.GetText());
            Post(IP_FAILED);
            Pause(100);
        }
    }
    Post(IP_UDP_CLOSED);
}

void CIpConnection::Deliver(CIP6Socket& socket, const std::vector<std::uint8_t>& bytes)
{
    if (!IsUdpMode(m_mode)) {
        WaitWhileSuspended(socket);
        socket.SendAll(bytes.data(), static_cast<int>(bytes.size()), SEND_SECONDS);
        return;
    }
    // Datagrams go to the configured host and port, never to the last sender.
    if (!m_udpTarget) {
        // A name that does not resolve fails the send like any socket error, so
        // the user reads "Host not found" and a file send stops; the next send
        // asks again. A look-up cut short by a stop is not reported: the stop
        // has shut the socket down first.
        const std::vector<CSocketAddress> addresses =
            CClientConnector(m_options, m_stop).Resolve(m_host, m_port, FamilyOf(m_mode), SOCK_DGRAM, "SendDatagram");
        if (addresses.empty())
            throw CIP6SocketException("SendDatagram", SocketApi::WSAHOST_NOT_FOUND);
        m_udpTarget = std::make_unique<CSocketAddress>(addresses.front());
    }
    // One datagram carries at most DATAGRAM_MAX bytes: a longer paste goes as
    // several, in order.
    for (std::size_t done = 0; done < bytes.size(); done += DATAGRAM_MAX) {
        const std::size_t piece = std::min(DATAGRAM_MAX, bytes.size() - done);
        socket.SendDatagram(bytes.data() + done, static_cast<int>(piece),
                            reinterpret_cast<const sockaddr*>(&m_udpTarget->storage), m_udpTarget->length,
                            SEND_SECONDS);
    }
}

void CIpConnection::SendFailed(CIP6Socket& socket, const CIP6SocketException& error)
{
    ++m_sendFailures;
    Debug(error.GetText());
    Post(IP_SEND_FAILED, error.m_error, std::make_unique<CTextPayload>(FailureText(error)));
    // A datagram that could not go costs only itself: the endpoint keeps
    // receiving. A failed stream is closed, which ends its receiving side too.
    if (!IsUdpMode(m_mode))
        socket.Shutdown();
}

} // namespace kestrelon
