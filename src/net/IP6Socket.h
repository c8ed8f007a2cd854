// A blocking TCP/UDP socket for IPv4 and IPv6 that reports every failure as a
// CIP6SocketException carrying the Windows Sockets error number, so texts read the
// same on every platform. Another thread may Shutdown() the socket to wake a call
// blocked in it; only the owning thread ever closes the descriptor.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrelon {

// Error numbers and their names as users and logs know them.
namespace SocketApi {

constexpr int WSAEINTR = 10004;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSANO_DATA = 11004;

// SOCKS handshake failures beside the reply codes 1 to 8 of a SOCKS 5 server.
constexpr int SOCKS_VERSION_REFUSED = 257;
constexpr int SOCKS_METHOD_REFUSED = 258;
constexpr int SOCKS_BAD_REPLY = 259; // a reply cut short or not in the SOCKS 5 form

// The Windows Sockets number for a POSIX errno value (0 stays 0).
int WsaErrorFromErrno(int error);
// The same for a getaddrinfo / getnameinfo result (EAI_*).
int WsaErrorFromResolver(int result);
// The name of an error number; "Unknown" for a number without one.
const char* ErrorName(int code);
// The system's own words for a Windows Sockets number that stands for an errno
// value ("connection refused" for 10061); empty for any other number.
std::string PlainWords(int code);

} // namespace SocketApi

class CIP6SocketException : public std::runtime_error {
public:
    CIP6SocketException(std::string operation, int error);

    int m_error;
    std::string m_operation;

    // "Connect error #10061 (WSAECONNREFUSED)".
    std::string GetText() const;
    // What the user reads: the same, and the system's words where it has them,
    // "Connect error #10061 (WSAECONNREFUSED): connection refused".
    std::string GetUserText() const;
};

// One resolved address.
struct CSocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family() const { return storage.ss_family; }
};

// Resolves host and decimal port text for a family (AF_INET, AF_INET6 or 0 for
// both) and socket type. Returns 0 or an EAI_* code. Replaceable so that tests can
// give a name several addresses whatever the machine's hosts file says.
using AddressResolver = std::function<int(const std::string& host, const std::string& port, int family, int type,
                                          std::vector<CSocketAddress>& out)>;

// Host name of an address (getnameinfo flags); 0 or an EAI_* code. Replaceable so
// that tests never ask a name server about their loopback peers.
using NameLookup = std::function<int(const sockaddr* address, socklen_t length, std::string& host, int flags)>;

class CIP6Socket {
public:
    static constexpr int INVALID = -1;

    CIP6Socket() = default;
    explicit CIP6Socket(int handle) : m_hSocket(handle) {}
    virtual ~CIP6Socket();
    CIP6Socket(const CIP6Socket&) = delete;
    CIP6Socket& operator=(const CIP6Socket&) = delete;

    int Handle() const { return m_hSocket.load(); }
    int Family() const { return m_family; }
    bool IsOpen() const { return m_hSocket.load() != INVALID; }
    // True once Shutdown() was called: every further call fails with WSAENOTSOCK.
    bool IsShutDown() const { return m_shutDown.load(); }

    void Create(int family, int type);
    // `address`: a numeric address of the socket's family, "" for every address.
    int Bind(std::uint16_t port, const std::string& address = {});
    int Listen(int backlog);
    // False when the listening socket was shut down meanwhile.
    bool Accept(CIP6Socket& target);
    // The same without waiting: false when no peer waits (one that gave up
    // between a poll and this call, say).
    bool TryAccept(CIP6Socket& target);
    // seconds <= 0 waits without limit; a connect not answered in time fails
    // with WSAETIMEDOUT.
    int Connect(const sockaddr* address, socklen_t length, int seconds = 0);
    // IPv4 by address or name; through the SOCKS proxy when the direct connect
    // fails and a proxy is given (empty proxy host: none).
    int Connect(const std::string& host, std::uint16_t port, const std::string& proxyHost = {},
                std::uint16_t proxyPort = 0);
    // Tries every address of the name in order; family AF_INET, AF_INET6 or 0.
    void ConnectEx(const std::string& host, std::uint16_t port, int family, int type);
    // SOCKS 5 connect to host:port through the proxy (SocksProxy.cpp).
    void ProxyConnect(const std::string& host, std::uint16_t port, const std::string& proxyHost,
                      std::uint16_t proxyPort);
    // The same through a proxy already looked up; its connect waits at most
    // `connectSeconds` (<= 0: without limit).
    void ProxyConnectTo(const std::string& host, std::uint16_t port, const CSocketAddress& proxy, int connectSeconds);

    int Send(const void* data, int length, int seconds);
    int SendAll(const void* data, int length, int seconds);
    // seconds <= 0 waits without limit. 0 means the peer closed the connection.
    int Receive(void* data, int length, int seconds);
    int SendDatagram(const void* data, int length, const sockaddr* address, socklen_t addressLength, int seconds);
    int ReceiveDatagram(void* data, int length, sockaddr* address, socklen_t* addressLength, int seconds);

    int SetSockOpt(int level, int option, const void* value, socklen_t size);
    int SetNoDelay();
    int GetPeerName(sockaddr_storage& address);
    std::string GetPeerNameText();
    // Host name of an address, its numeric form when it has none.
    static std::string GetNameInfo(const sockaddr* address, socklen_t length, int flags);

    static void SetResolver(AddressResolver resolver); // empty: the system resolver
    static void SetNameLookup(NameLookup lookup);      // empty: the system lookup
    static int Resolve(const std::string& host, const std::string& port, int family, int type,
                       std::vector<CSocketAddress>& out);

    // Waits until the socket has something to read (or an error or end to
    // report) - true - or `wakeFd` becomes readable - false. Throws when shut down.
    // `otherFd` (ignored when negative) ends the wait too, setting `otherReady`.
    bool WaitReadable(int wakeFd, int otherFd = -1, bool* otherReady = nullptr);

    // Wakes any thread blocked in this socket (shutdown), without closing the
    // descriptor; safe from any thread.
    void Shutdown();
    void Close();
    // Takes a handle without closing the old one; INVALID detaches.
    void Attach(int handle);

private:
    // Waits for `events`; false on time-out. Throws `operation` when shut down.
    bool Wait(short events, int seconds, const char* operation);
    [[noreturn]] void Fail(const char* operation, int error);
    [[noreturn]] void FailErrno(const char* operation);
    void ReceiveExactly(std::uint8_t* data, int length, int seconds);

    std::atomic<int> m_hSocket{INVALID};
    std::atomic<bool> m_shutDown{false};
    int m_family = 0;
    // Orders a Shutdown() from another thread against Create/Close/Attach, so a
    // shutdown never reaches a descriptor number that was closed and reused.
    std::mutex m_handleLock;
};

} // namespace kestrelon
