// POSIX sockets behind CIP6Socket, and the errno to Windows Sockets number mapping
// that keeps error texts identical to those users already know.
#include "net/IP6Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace kestrelon {

namespace SocketApi {

namespace {

struct ErrorRow {
    int code;
    const char* name;
};

constexpr ErrorRow kErrorNames[] = {
    {1, "General SOCKS server failure"},
    {2, "Connection not allowed by ruleset"},
    {3, "Network unreachable"},
    {4, "Host unreachable"},
    {5, "Connection refused"},
    {6, "TTL expired"},
    {7, "Command not supported"},
    {8, "Address type not supported"},
    {257, "Version not supported"},
    {258, "Authentication method not supported"},
    {259, "Invalid SOCKS reply"},
    {10004, "WSAEINTR"},
    {10014, "WSAEFAULT"},
    {10022, "WSAEINVAL"},
    {10035, "WSAEWOULDBLOCK"},
    {10036, "WSAEINPROGRESS"},
    {10038, "WSAENOTSOCK"},
    {10040, "WSAEMSGSIZE"},
    {10045, "WSAEOPNOTSUPP"},
    {10048, "WSAEADDRINUSE"},
    {10049, "WSAEADDRNOTAVAIL"},
    {10050, "WSAENETDOWN"},
    {10053, "WSAECONNABORTED"},
    {10054, "WSAECONNRESET"},
    {10056, "WSAEISCONN"},
    {10057, "WSAENOTCONN"},
    {10058, "WSAESHUTDOWN"},
    {10060, "WSAETIMEDOUT"},
    {10061, "WSAECONNREFUSED"},
    {10065, "WSAEHOSTUNREACH"},
    {10093, "WSANOTINITIALISED"},
};

struct ErrnoRow {
    int error;
    int wsa;
};

// errno values that have a Windows Sockets counterpart. EPIPE is a send on a
// connection already shut down for writing, which Windows reports as WSAESHUTDOWN;
// EBADF is a descriptor closed under the caller, which Windows reports as WSAENOTSOCK.
constexpr ErrnoRow kErrnoMap[] = {
    {EINTR, 10004},         {EBADF, 10038},        {EACCES, 10013},       {EFAULT, 10014},
    {EINVAL, 10022},        {EMFILE, 10024},       {ENFILE, 10024},       {EAGAIN, 10035},
    {EINPROGRESS, 10036},   {EALREADY, 10037},     {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},      {EPROTOTYPE, 10041},   {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
    {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047}, {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},  {ENETRESET, 10052},
    {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {ENOBUFS, 10055},      {ENOMEM, 10055},
    {EISCONN, 10056},       {ENOTCONN, 10057},     {ESHUTDOWN, 10058},    {EPIPE, 10058},
    {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061}, {ELOOP, 10062},        {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},     {EHOSTUNREACH, 10065},
};

} // namespace

int WsaErrorFromErrno(int error)
{
    if (error == 0)
        return 0;
    for (const auto& row : kErrnoMap)
        if (row.error == error)
            return row.wsa;
    return 10000 + error; // still a distinct number; its name reads "Unknown"
}

int WsaErrorFromResolver(int result)
{
    switch (result) {
    case 0:
        return 0;
    case EAI_NONAME:
        return WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
        return 11002; // WSATRY_AGAIN
    case EAI_FAIL:
        return 11003; // WSANO_RECOVERY
#ifdef EAI_NODATA
    case EAI_NODATA:
        return 11004; // WSANO_DATA
#endif
    case EAI_FAMILY:
        return 10047;
    case EAI_SOCKTYPE:
        return 10044;
    case EAI_SERVICE:
        return 10109;
    case EAI_MEMORY:
        return 10055;
    case EAI_SYSTEM:
        return WsaErrorFromErrno(errno);
    default:
        return 10022;
    }
}

const char* ErrorName(int code)
{
    for (const auto& row : kErrorNames)
        if (row.code == code)
            return row.name;
    return "Unknown";
}

std::string PlainWords(int code)
{
    for (const auto& row : kErrnoMap) {
        if (row.wsa != code)
            continue;
        std::string words = std::strerror(row.error);
        // In the middle of a line: "connection refused", not "Connection refused".
        if (!words.empty() && words[0] >= 'A' && words[0] <= 'Z' && (words.size() < 2 || words[1] > 'Z'))
            words[0] = static_cast<char>(words[0] - 'A' + 'a');
        return words;
    }
    return {};
}

} // namespace SocketApi

CIP6SocketException::CIP6SocketException(std::string operation, int error)
    : std::runtime_error(operation), m_error(error), m_operation(std::move(operation))
{
}

std::string CIP6SocketException::GetText() const
{
    return m_operation + " error #" + std::to_string(m_error) + " (" + SocketApi::ErrorName(m_error) + ")";
}

std::string CIP6SocketException::GetUserText() const
{
    const std::string words = SocketApi::PlainWords(m_error);
    return words.empty() ? GetText() : GetText() + ": " + words;
}

namespace {

AddressResolver& ResolverSlot()
{
    static AddressResolver resolver;
    return resolver;
}
std::mutex g_resolverLock;

NameLookup& NameLookupSlot()
{
    static NameLookup lookup;
    return lookup;
}

int SystemNameLookup(const sockaddr* address, socklen_t length, std::string& host, int flags)
{
    char buffer[1025] = {};
    int result = ::getnameinfo(address, length, buffer, sizeof buffer, nullptr, 0, flags);
    host = buffer;
    return result;
}

int SystemResolve(const std::string& host, const std::string& port, int family, int type,
                  std::vector<CSocketAddress>& out)
{
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = type;
    addrinfo* list = nullptr;
    int result = getaddrinfo(host.c_str(), port.c_str(), &hints, &list);
    if (result != 0)
        return result;
    for (addrinfo* item = list; item; item = item->ai_next) {
        if (item->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        CSocketAddress address;
        std::memcpy(&address.storage, item->ai_addr, item->ai_addrlen);
        address.length = item->ai_addrlen;
        out.push_back(address);
    }
    freeaddrinfo(list);
    return 0;
}

} // namespace

void CIP6Socket::SetResolver(AddressResolver resolver)
{
    std::lock_guard lock(g_resolverLock);
    ResolverSlot() = std::move(resolver);
}

int CIP6Socket::Resolve(const std::string& host, const std::string& port, int family, int type,
                        std::vector<CSocketAddress>& out)
{
    AddressResolver resolver;
    {
        std::lock_guard lock(g_resolverLock);
        resolver = ResolverSlot();
    }
    return resolver ? resolver(host, port, family, type, out) : SystemResolve(host, port, family, type, out);
}

void CIP6Socket::SetNameLookup(NameLookup lookup)
{
    std::lock_guard lock(g_resolverLock);
    NameLookupSlot() = std::move(lookup);
}

CIP6Socket::~CIP6Socket()
{
    Close();
}

void CIP6Socket::Fail(const char* operation, int error)
{
    throw CIP6SocketException(operation, error);
}

void CIP6Socket::FailErrno(const char* operation)
{
    int error = errno;
    // A socket shut down from another thread fails its blocked call with some
    // errno (EINVAL for accept, EPIPE for send ...); the caller wants to know it
    // was closed under it, as Windows says when a handle is closed.
    if (m_shutDown.load())
        Fail(operation, SocketApi::WSAENOTSOCK);
    Fail(operation, SocketApi::WsaErrorFromErrno(error));
}

void CIP6Socket::Create(int family, int type)
{
    Close();
    std::lock_guard lock(m_handleLock);
    if (m_shutDown.load())
        Fail("Create", SocketApi::WSAENOTSOCK);
    int handle = ::socket(family, type | SOCK_CLOEXEC, 0);
    if (handle < 0)
        Fail("Create", SocketApi::WsaErrorFromErrno(errno));
    m_hSocket.store(handle);
    m_family = family;
}

int CIP6Socket::Bind(std::uint16_t port, const std::string& numeric)
{
    sockaddr_storage address{};
    socklen_t length = 0;
    int parsed = 1;
    if (m_family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        v6->sin6_addr = in6addr_any;
        if (!numeric.empty())
            parsed = inet_pton(AF_INET6, numeric.c_str(), &v6->sin6_addr);
        length = sizeof(sockaddr_in6);
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        v4->sin_addr.s_addr = htonl(INADDR_ANY);
        if (!numeric.empty())
            parsed = inet_pton(AF_INET, numeric.c_str(), &v4->sin_addr);
        length = sizeof(sockaddr_in);
    }
    if (parsed != 1) { // an address of the other family, or none at all
        errno = EADDRNOTAVAIL;
        FailErrno("Bind");
    }
    int result = ::bind(Handle(), reinterpret_cast<sockaddr*>(&address), length);
    if (result != 0)
        FailErrno("Bind");
    return result;
}

int CIP6Socket::Listen(int backlog)
{
    int result = ::listen(Handle(), backlog);
    if (result != 0)
        FailErrno("Listen");
    return result;
}

bool CIP6Socket::Accept(CIP6Socket& target)
{
    for (;;) {
        if (m_shutDown.load())
            return false;
        int handle = ::accept4(Handle(), nullptr, nullptr, SOCK_CLOEXEC);
        if (handle >= 0) {
            target.Attach(handle);
            return true;
        }
        if (m_shutDown.load())
            return false;
        if (errno == EINTR || errno == ECONNABORTED)
            continue; // a signal, or a peer that gave up while queued
        FailErrno("Accept");
    }
}

bool CIP6Socket::TryAccept(CIP6Socket& target)
{
    if (m_shutDown.load())
        return false;
    const int flags = ::fcntl(Handle(), F_GETFL);
    ::fcntl(Handle(), F_SETFL, flags | O_NONBLOCK);
    const int handle = ::accept4(Handle(), nullptr, nullptr, SOCK_CLOEXEC);
    ::fcntl(Handle(), F_SETFL, flags);
    if (handle < 0)
        return false;
    target.Attach(handle);
    return true;
}

int CIP6Socket::Connect(const sockaddr* address, socklen_t length, int seconds)
{
    // Connect without blocking inside the kernel call, then wait in poll: a
    // Shutdown() from another thread then ends the wait whenever it comes.
    const int handle = Handle();
    const int flags = ::fcntl(handle, F_GETFL);
    ::fcntl(handle, F_SETFL, flags | O_NONBLOCK);
    int result = ::connect(handle, address, length);
    if (result != 0 && errno == EINPROGRESS) {
        if (!Wait(POLLOUT, seconds, "Connect"))
            Fail("Connect", SocketApi::WSAETIMEDOUT);
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &size);
        result = error == 0 ? 0 : -1;
        errno = error;
    }
    if (result != 0)
        FailErrno("Connect");
    ::fcntl(handle, F_SETFL, flags);
    return result;
}

int CIP6Socket::Connect(const std::string& host, std::uint16_t port, const std::string& proxyHost,
                        std::uint16_t proxyPort)
{
    try {
        std::vector<CSocketAddress> addresses;
        int result = Resolve(host, std::to_string(port), AF_INET, SOCK_STREAM, addresses);
        if (result != 0 || addresses.empty())
            Fail("Connect", result != 0 ? SocketApi::WsaErrorFromResolver(result) : SocketApi::WSAHOST_NOT_FOUND);
        Create(AF_INET, SOCK_STREAM);
        return Connect(reinterpret_cast<const sockaddr*>(&addresses.front().storage), addresses.front().length);
    } catch (const CIP6SocketException& error) {
        if (proxyHost.empty() || proxyPort == 0 || error.m_error == SocketApi::WSAENOTSOCK)
            throw;
    }
    ProxyConnect(host, port, proxyHost, proxyPort);
    return 0;
}

void CIP6Socket::ConnectEx(const std::string& host, std::uint16_t port, int family, int type)
{
    std::vector<CSocketAddress> addresses;
    int result = Resolve(host, std::to_string(port), family, type, addresses);
    if (result != 0)
        Fail("ConnectEx(1)", SocketApi::WsaErrorFromResolver(result));
    if (addresses.empty())
        Fail("ConnectEx(2)", SocketApi::WSAHOST_NOT_FOUND);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        try {
            Create(addresses[i].family(), type);
            Connect(reinterpret_cast<const sockaddr*>(&addresses[i].storage), addresses[i].length);
            return;
        } catch (const CIP6SocketException& error) {
            Close();
            if (i + 1 == addresses.size() || error.m_error == SocketApi::WSAENOTSOCK)
                throw;
        }
    }
}

bool CIP6Socket::Wait(short events, int seconds, const char* operation)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        if (m_shutDown.load())
            Fail(operation, SocketApi::WSAENOTSOCK);
        int timeout = -1;
        if (seconds > 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            timeout = static_cast<int>(left);
        }
        pollfd entry{Handle(), events, 0};
        int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) {
            if (m_shutDown.load())
                Fail(operation, SocketApi::WSAENOTSOCK);
            return true; // readable, writable, or an error the next call reports
        }
        if (ready < 0 && errno != EINTR)
            FailErrno(operation);
    }
}

bool CIP6Socket::WaitReadable(int wakeFd, int otherFd, bool* otherReady)
{
    for (;;) {
        if (m_shutDown.load())
            Fail("Receive", SocketApi::WSAENOTSOCK);
        pollfd entries[3] = {{Handle(), POLLIN, 0}, {wakeFd, POLLIN, 0}, {otherFd, POLLIN, 0}};
        const int ready = ::poll(entries, 3, -1);
        if (ready > 0) {
            if (m_shutDown.load())
                Fail("Receive", SocketApi::WSAENOTSOCK);
            if (otherReady != nullptr)
                *otherReady = entries[2].revents != 0;
            return entries[0].revents != 0;
        }
        if (ready < 0 && errno != EINTR)
            FailErrno("Receive");
    }
}

int CIP6Socket::Send(const void* data, int length, int seconds)
{
    if (!Wait(POLLOUT, seconds > 0 ? seconds : 1, "Send"))
        Fail("Send timeout", SocketApi::WSAETIMEDOUT);
    ssize_t sent = ::send(Handle(), data, static_cast<std::size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return 0; // writable again soon: SendAll waits once more
        FailErrno("Send");
    }
    return static_cast<int>(sent);
}

int CIP6Socket::SendAll(const void* data, int length, int seconds)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    int done = 0;
    while (done < length)
        done += Send(bytes + done, length - done, seconds);
    return length;
}

int CIP6Socket::Receive(void* data, int length, int seconds)
{
    // Read first and wait only when nothing is there: a busy stream then costs
    // one call per block, not two.
    for (;;) {
        if (m_shutDown.load())
            Fail("Receive", SocketApi::WSAENOTSOCK);
        ssize_t count = ::recv(Handle(), data, static_cast<std::size_t>(length), MSG_DONTWAIT);
        if (count > 0)
            return static_cast<int>(count);
        if (count == 0) {
            if (m_shutDown.load())
                Fail("Receive", SocketApi::WSAENOTSOCK);
            return 0;
        }
        if (errno != EAGAIN && errno != EINTR)
            FailErrno("Receive");
        if (!Wait(POLLIN, seconds, "Receive"))
            Fail("Receive timeout", SocketApi::WSAETIMEDOUT);
    }
}

void CIP6Socket::ReceiveExactly(std::uint8_t* data, int length, int seconds)
{
    int done = 0;
    while (done < length) {
        int count = Receive(data + done, length - done, seconds);
        if (count == 0)
            Fail("Receive", SocketApi::SOCKS_BAD_REPLY);
        done += count;
    }
}

int CIP6Socket::SendDatagram(const void* data, int length, const sockaddr* address, socklen_t addressLength,
                             int seconds)
{
    for (;;) {
        if (!Wait(POLLOUT, seconds > 0 ? seconds : 1, "SendDatagram"))
            Fail("SendDatagram timeout", SocketApi::WSAETIMEDOUT);
        ssize_t sent = ::sendto(Handle(), data, static_cast<std::size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT, address,
                                addressLength);
        if (sent >= 0)
            return static_cast<int>(sent);
        if (errno != EAGAIN && errno != EINTR)
            FailErrno("SendDatagram");
    }
}

int CIP6Socket::ReceiveDatagram(void* data, int length, sockaddr* address, socklen_t* addressLength, int seconds)
{
    for (;;) {
        if (!Wait(POLLIN, seconds, "ReceiveDatagram"))
            Fail("ReceiveDatagram timeout", SocketApi::WSAETIMEDOUT);
        ssize_t count =
            ::recvfrom(Handle(), data, static_cast<std::size_t>(length), MSG_DONTWAIT, address, addressLength);
        // A datagram socket shut down from another thread reads as an empty datagram.
        if (m_shutDown.load())
            Fail("ReceiveDatagram", SocketApi::WSAENOTSOCK);
        if (count >= 0)
            return static_cast<int>(count);
        if (errno != EAGAIN && errno != EINTR)
            FailErrno("ReceiveDatagram");
    }
}

int CIP6Socket::SetSockOpt(int level, int option, const void* value, socklen_t size)
{
    int result = ::setsockopt(Handle(), level, option, value, size);
    if (result != 0)
        FailErrno("SetSockOpt");
    return result;
}

int CIP6Socket::SetNoDelay()
{
    int on = 1;
    return SetSockOpt(IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int CIP6Socket::GetPeerName(sockaddr_storage& address)
{
    socklen_t length = sizeof address;
    int result = ::getpeername(Handle(), reinterpret_cast<sockaddr*>(&address), &length);
    if (result != 0)
        FailErrno("GetPeerName");
    return result;
}

std::string CIP6Socket::GetPeerNameText()
{
    sockaddr_storage address{};
    GetPeerName(address);
    socklen_t length = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    return GetNameInfo(reinterpret_cast<const sockaddr*>(&address), length, 0);
}

std::string CIP6Socket::GetNameInfo(const sockaddr* address, socklen_t length, int flags)
{
    NameLookup lookup;
    {
        std::lock_guard lock(g_resolverLock);
        lookup = NameLookupSlot();
    }
    if (!lookup)
        lookup = SystemNameLookup;
    std::string host;
    int result = lookup(address, length, host, flags);
    if (result != 0)
        result = lookup(address, length, host, flags | NI_NUMERICHOST);
    if (result != 0)
        throw CIP6SocketException("GetNameInfo", SocketApi::WsaErrorFromResolver(result));
    return host;
}

void CIP6Socket::Shutdown()
{
    std::lock_guard lock(m_handleLock);
    m_shutDown.store(true);
    int handle = m_hSocket.load();
    if (handle != INVALID)
        ::shutdown(handle, SHUT_RDWR);
}

void CIP6Socket::Close()
{
    std::lock_guard lock(m_handleLock);
    int handle = m_hSocket.exchange(INVALID);
    if (handle != INVALID)
        ::close(handle);
}

void CIP6Socket::Attach(int handle)
{
    std::lock_guard lock(m_handleLock);
    m_hSocket.store(handle);
    if (handle != INVALID && m_shutDown.load())
        ::shutdown(handle, SHUT_RDWR);
}

} // namespace kestrelon
