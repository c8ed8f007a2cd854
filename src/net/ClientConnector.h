// How a TCP client reaches its peer: the name is looked up without keeping a
// stop waiting, every address is tried in turn with a connect deadline, and an
// IPv4 client that cannot get through directly tries its SOCKS 5 proxy.
// Failures are CIP6SocketExceptions; a stop shows as WSAENOTSOCK.
#pragma once

#include "net/IP6Socket.h"
#include "net/StopSignal.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrelon {

// What an IP connection may be given besides its mode, host and port.
struct CIpOptions {
    // Seconds a connect may wait for an answer, per address.
    static constexpr int CONNECT_SECONDS = 20;
    // Bytes that may wait to be sent before more are dropped.
    static constexpr std::size_t SEND_QUEUE_LIMIT = std::size_t{1} << 20;

    // Empty: the process-wide resolver (CIP6Socket::Resolve) and name lookup.
    AddressResolver resolver;
    NameLookup nameLookup;
    int connectSeconds = CONNECT_SECONDS;
    std::size_t sendQueueLimit = SEND_QUEUE_LIMIT;
    // A server accepts and closes at once every peer that comes while one is
    // served (IP_PEER_REFUSED), instead of leaving it waiting in the backlog.
    bool turnAwayOthers = false;
};

class CClientConnector {
public:
    CClientConnector(const CIpOptions& options, std::shared_ptr<CStopSignal> stop);

    // Connects `socket` (which the stopping thread may shut down meanwhile).
    // family AF_INET6 is the IPv6 client; AF_INET falls back to the proxy when
    // one is given (empty host: none).
    void Connect(CIP6Socket& socket, const std::string& host, std::uint16_t port, int family,
                 const std::string& proxyHost, std::uint16_t proxyPort);

    // Looks host and port up for `family` and `type`; throws `operation` with
    // the resolver's error, or WSAENOTSOCK when stopped first. An empty answer
    // is returned empty.
    std::vector<CSocketAddress> Resolve(const std::string& host, std::uint16_t port, int family, int type,
                                        const char* operation);
    // The host name of an address (its numeric form when it has none); nothing
    // when stopped first.
    std::optional<std::string> NameOf(const sockaddr_storage& address, socklen_t length);

private:
    void ConnectAny(CIP6Socket& socket, const std::vector<CSocketAddress>& addresses, int type);

    CIpOptions m_options;
    std::shared_ptr<CStopSignal> m_stop;
};

} // namespace kestrelon
