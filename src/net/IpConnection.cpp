// The IP connection's start and stop, the ordered sending of the frame's bytes,
// the lending of the socket to a transfer, and the texts of the connection pane.
// Sockets are shared_ptr-owned: a descriptor closes only when no thread can still
// be using it, so a stop can never hit a number the system has handed out again.
#include "net/IpConnection.h"

#include "net/SocksProxy.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <utility>
#include <vector>

namespace kestrelon {

CIpConnection::CIpConnection()
    : m_debug([](const std::string& text) { std::cerr << "kestrelon: " << text << '\n'; }),
      m_loanWake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    m_sender.SetRoomHook([this] {
        if (m_target != nullptr)
            Post(IP_SEND_ROOM);
    });
}

CIpConnection::~CIpConnection()
{
    Stop();
    if (m_loanWake >= 0)
        close(m_loanWake);
}

void CIpConnection::SetProxy(std::string host, std::uint16_t port)
{
    m_proxyHost = std::move(host);
    m_proxyPort = port;
}

void CIpConnection::SetDebugOutput(std::function<void(const std::string&)> output)
{
    m_debug = std::move(output);
}

void CIpConnection::SetOptions(CIpOptions options)
{
    m_options = std::move(options);
}

std::string CIpConnection::Start(IMessageTarget& target, std::uint32_t message, std::string host, std::uint32_t port,
                                 std::uint32_t mode)
{
    Stop();
    if (mode < MODE_IPV4_CLIENT || mode > MODE_IPV6_UDP || port > 0xFFFF)
        return CIP6SocketException(port > 0xFFFF ? "Bind" : "Create", 10022).GetUserText();
    m_target = &target;
    m_message = message;
    m_runGeneration = ++m_generation;
    m_stop = std::make_shared<CStopSignal>();
    m_sender.SetLimit(m_options.sendQueueLimit);
    m_host = std::move(host);
    m_port = static_cast<std::uint16_t>(port);
    m_mode = mode;
    m_udpTarget.reset();
    m_lastSenderLength = 0;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_connected = false;
        m_peerName.clear();
    }
    if (!IsClientMode(mode)) {
        std::string error = OpenListeningSocket(FamilyOf(mode), IsUdpMode(mode) ? SOCK_DGRAM : SOCK_STREAM);
        if (!error.empty())
            return error;
    }
    m_credit = std::make_shared<CReceiveCredit>(BLOCKS_IN_FLIGHT);
    m_sender.Start([this](CIP6Socket& socket, const std::vector<std::uint8_t>& bytes) { Deliver(socket, bytes); },
                   [this](CIP6Socket& socket, const CIP6SocketException& error) { SendFailed(socket, error); },
                   !IsUdpMode(mode));
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    if (IsClientMode(mode))
        m_thread = std::thread([this] { ClientThread(); });
    else if (IsServerMode(mode))
        m_thread = std::thread([this] { ServerThread(); });
    else
        m_thread = std::thread([this] { DatagramThread(); });
    return {};
}

std::string CIpConnection::OpenListeningSocket(int family, int type)
{
    auto socket = std::make_shared<CIP6Socket>();
    try {
        socket->Create(family, type);
        int on = 1;
        // An IPv6 mode serves IPv6 peers only, so that an IPv4 mode may use the
        // same port beside it.
        if (family == AF_INET6)
            socket->SetSockOpt(IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        // Without this a server restarted right after serving a peer could not
        // bind for a minute while the old connection sits in TIME_WAIT.
        // A datagram endpoint sends to the port it is bound to: a device
        // simulator on this machine can only answer when it may bind the same
        // port too (on its own address, with this option as well). A program
        // that holds the port without it still makes the bind fail.
        if (type == SOCK_STREAM || type == SOCK_DGRAM)
            socket->SetSockOpt(SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (type == SOCK_STREAM)
            socket->Bind(m_port, m_listenAddress);
        else
            socket->Bind(m_udpLocalPort != 0 ? m_udpLocalPort : m_port);
        if (type == SOCK_STREAM)
            socket->Listen(1);
    } catch (const CIP6SocketException& error) {
        Debug(error.GetText());
        return error.GetUserText();
    }
    std::lock_guard lock(m_mutex);
    m_listen = std::move(socket);
    return {};
}

void CIpConnection::Stop()
{
    int endCode = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        m_stopping = true;
        {
            // Raised before anything wakes, and against Post: no thread of this
            // run posts once Stop goes on.
            std::lock_guard post(m_postMutex);
            m_stop->Raise();
        }
        // What the frame hears of a stop it asked for: a closed client or peer,
        // or a closed datagram socket; a server without a peer just stops.
        if (IsUdpMode(m_mode))
            endCode = IP_UDP_CLOSED;
        else if (IsClientMode(m_mode) || m_connected)
            endCode = IP_CLOSED;
        if (m_listen)
            m_listen->Shutdown();
        if (m_peer && m_connected && IsRemoteSerial())
            PurgeOnClose();
        if (m_peer)
            m_peer->Shutdown();
    }
    // From here on nothing the threads post carries the current generation.
    const std::uint64_t generation = ++m_generation;
    if (m_credit)
        m_credit->Stop();
    m_sender.Stop();
    // Every thread now waits on something the stop ended (a shut-down socket,
    // the raised signal): the join is short.
    if (m_thread.joinable())
        m_thread.join();
    {
        std::lock_guard lock(m_mutex);
        m_listen.reset();
        m_peer.reset();
        m_peerName.clear();
        m_connected = false;
        m_running = false;
    }
    if (endCode != 0 && m_target != nullptr) {
        CMessage end = MakeMessage(m_message, static_cast<std::uintptr_t>(endCode), 0);
        end.generation = generation;
        m_target->Post(std::move(end));
    }
}

void CIpConnection::DisconnectPeer()
{
    std::lock_guard lock(m_mutex);
    if (m_peer && m_connected && IsRemoteSerial())
        PurgeOnClose();
    if (m_peer)
        m_peer->Shutdown();
}

std::shared_ptr<CIP6Socket> CIpConnection::SendSocket() const
{
    std::shared_ptr<CIP6Socket> socket;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_stopping)
            return nullptr;
        if (IsUdpMode(m_mode))
            socket = m_listen;
        else if (m_connected)
            socket = m_peer;
    }
    if (socket && socket->IsShutDown())
        return nullptr;
    return socket;
}

bool CIpConnection::Send(const void* data, std::size_t length, bool paced)
{
    std::shared_ptr<CIP6Socket> socket = SendSocket();
    if (!socket || !data || length == 0)
        return false;
    std::vector<std::uint8_t> escaped;
    if (IsRemoteSerial()) {
        escaped = m_remote.Escape(data, length);
        data = escaped.data();
        length = escaped.size();
    }
    switch (m_sender.Queue(std::move(socket), data, length, paced)) {
    case CIpSender::QueueResult::Queued:
        return true;
    case CIpSender::QueueResult::FirstDropped:
        Post(IP_SEND_OVERFLOW);
        return false;
    case CIpSender::QueueResult::Dropped:
    case CIpSender::QueueResult::NotRunning:
        return false;
    }
    return false;
}

bool CIpConnection::QueueWait(int ms)
{
    std::shared_ptr<CIP6Socket> socket = SendSocket();
    return socket && m_sender.QueueWait(std::move(socket), ms) == CIpSender::QueueResult::Queued;
}

bool CIpConnection::IsRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

bool CIpConnection::IsConnected() const
{
    std::lock_guard lock(m_mutex);
    return m_connected;
}

bool CIpConnection::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_listen && m_listen->IsOpen() && !m_listen->IsShutDown();
}

std::string CIpConnection::PeerName() const
{
    std::lock_guard lock(m_mutex);
    return m_connected ? m_peerName : std::string();
}

std::uint16_t CIpConnection::LocalPort() const
{
    std::lock_guard lock(m_mutex);
    if (!m_listen)
        return 0;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_listen->Handle(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

std::string CIpConnection::PaneText() const
{
    return ConnectionPaneText(m_mode, m_host, m_port, IsServerMode(m_mode) ? PeerName() : std::string());
}

void CIpConnection::Post(int code, std::intptr_t lParam, std::unique_ptr<CMessagePayload> payload)
{
    CMessage message = MakeMessage(m_message, static_cast<std::uintptr_t>(code), lParam, std::move(payload));
    message.generation = m_runGeneration;
    // A stopped run has nothing more to say: its stop posts the end.
    std::lock_guard lock(m_postMutex);
    if (!m_stop->Raised())
        m_target->Post(std::move(message));
}

void CIpConnection::Debug(const std::string& text)
{
    if (m_debug)
        m_debug(text);
}

void CIpConnection::Pause(int ms)
{
    m_stop->WaitFor(ms);
}

void CIpConnection::Publish(const std::shared_ptr<CIP6Socket>& socket, std::string peerName)
{
    std::lock_guard lock(m_mutex);
    m_peer = socket;
    m_peerName = std::move(peerName);
    if (m_stopping)
        socket->Shutdown(); // the stop came between accept and here
}

void CIpConnection::Unpublish(const std::shared_ptr<CIP6Socket>& socket)
{
    // Marks the socket, so bytes still queued for it are dropped, not sent to a
    // peer that has gone or reported as a failure after its end.
    socket->Shutdown();
    // What still waits was meant for this peer alone; dropping it also ends a
    // paced paste or a wait at once instead of after its pauses.
    m_sender.Discard();
    std::lock_guard lock(m_mutex);
    if (m_peer == socket)
        m_peer.reset();
    m_connected = false;
    m_peerName.clear();
}

std::string CIpConnection::FailureText(const CIP6SocketException& error)
{
    if (error.m_error == SocketApi::WSAHOST_NOT_FOUND || error.m_error == SocketApi::WSANO_DATA)
        return "Host not found";
    return error.GetUserText();
}

void CIpConnection::PostEnd(const CReceiveEnd& end)
{
    Post(end.code, 0, end.reason.empty() ? nullptr : std::make_unique<CTextPayload>(end.reason));
}

bool CIpConnection::ParkWhileLent(CIP6Socket& socket)
{
    if (IsRemoteSerial())
        return RelayWhileLent(socket);
    std::unique_lock lock(m_loanMutex);
    if (!m_loanWanted)
        return true;
    std::uint64_t count = 0;
    while (read(m_loanWake, &count, sizeof count) > 0) {
    }
    m_loanGranted = true;
    m_loanChanged.notify_all();
    // A stop shuts the socket down and raises the signal: seen within a slice.
    constexpr auto kSlice = std::chrono::milliseconds(20);
    while (m_loanWanted && !socket.IsShutDown() && !m_stop->Raised())
        m_loanChanged.wait_for(lock, kSlice);
    m_loanGranted = false;
    return !socket.IsShutDown() && !m_stop->Raised();
}

int CIpConnection::LendSocket(int timeoutMs)
{
    std::shared_ptr<CIP6Socket> peer;
    {
        std::lock_guard lock(m_mutex);
        if (m_connected)
            peer = m_peer;
    }
    if (!peer || m_loanWake < 0)
        return -1;
    // A paced paste still going out would mix its bytes into the transfer's.
    m_sender.Discard();
    std::unique_lock lock(m_loanMutex);
    int lent = peer->Handle();
    if (IsRemoteSerial()) {
        // The transfer talks plain bytes to a socket pair; the receiving
        // thread relays them escaped over the Telnet line.
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            return -1;
        m_transferEnd = pair[0];
        m_lentEnd = lent = pair[1];
    }
    m_loanWanted = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_loanWake, &one, sizeof one);
    if (!m_loanChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_loanGranted; })) {
        for (int* end : {&m_transferEnd, &m_lentEnd})
            if (*end >= 0)
                close(std::exchange(*end, -1));
        m_loanWanted = false;
        m_loanChanged.notify_all();
        return -1;
    }
    return lent;
}

void CIpConnection::ReturnSocket()
{
    {
        std::lock_guard lock(m_loanMutex);
        m_loanWanted = false;
        if (m_lentEnd >= 0)
            close(std::exchange(m_lentEnd, -1)); // the transfer is done with it
    }
    m_loanChanged.notify_all();
    if (IsRemoteSerial()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_loanWake, &one, sizeof one);
    }
}

std::uint32_t BridgeToConnectionMode(std::uint32_t bridgeMode)
{
    static constexpr std::uint32_t kModes[] = {MODE_IPV4_CLIENT, MODE_IPV4_SERVER, MODE_IPV6_CLIENT, MODE_IPV6_SERVER};
    return bridgeMode < 4 ? kModes[bridgeMode] : 0;
}

std::string StartTerminalConnection(CIpConnection& connection, IMessageTarget& target, std::uint32_t commMode,
                                    const std::string& host, std::uint32_t port, const ISettingsStore* internetSettings)
{
    std::string proxyHost;
    std::uint16_t proxyPort = 0;
    if (commMode == MODE_IPV4_CLIENT)
        GetSocksProxy(internetSettings, proxyHost, proxyPort);
    connection.SetProxy(proxyHost, proxyPort);
    return connection.Start(target, WM_IP_MAIN, host, port, commMode);
}

std::string StartBridgeConnection(CIpConnection& connection, IMessageTarget& target, std::uint32_t bridgeMode,
                                  const std::string& host, std::uint32_t port, const ISettingsStore* internetSettings)
{
    const std::uint32_t mode = BridgeToConnectionMode(bridgeMode);
    std::string proxyHost;
    std::uint16_t proxyPort = 0;
    if (mode == MODE_IPV4_CLIENT)
        GetSocksProxy(internetSettings, proxyHost, proxyPort);
    connection.SetProxy(proxyHost, proxyPort);
    return connection.Start(target, WM_IP_BRIDGE, host, port, mode);
}

std::string ConnectionPaneText(std::uint32_t mode, const std::string& host, std::uint32_t port,
                               const std::string& peerName)
{
    const std::string where = host + ":" + std::to_string(port);
    switch (mode) {
    case MODE_IPV4_CLIENT:
        return "IPv4 TCP Client " + where;
    case MODE_IPV4_SERVER:
        return peerName.empty() ? "IPv4 TCP Server " + std::to_string(port) : "IPv4 TCP Server - " + peerName;
    case MODE_IPV4_UDP:
        return "IPv4 UDP " + where;
    case MODE_IPV6_CLIENT:
        return "IPv6 TCP Client " + where;
    case MODE_IPV6_SERVER:
        return peerName.empty() ? "IPv6 TCP Server " + std::to_string(port) : "IPv6 TCP Server - " + peerName;
    case MODE_IPV6_UDP:
        return "IPv6 UDP " + where;
    default:
        return {};
    }
}

} // namespace kestrelon
