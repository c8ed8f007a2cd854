// CClientConnector: look-ups that a stop abandons, connects with a deadline,
// and the SOCKS fallback.
#include "net/ClientConnector.h"

#include <netdb.h>

namespace kestrelon {

namespace {

struct LookupResult {
    int result = 0;
    std::vector<CSocketAddress> addresses;
};

struct NameResult {
    int result = 0;
    std::string host;
};

} // namespace

CClientConnector::CClientConnector(const CIpOptions& options, std::shared_ptr<CStopSignal> stop)
    : m_options(options), m_stop(std::move(stop))
{
}

std::vector<CSocketAddress> CClientConnector::Resolve(const std::string& host, std::uint16_t port, int family, int type,
                                                      const char* operation)
{
    // Copies only: the look-up may finish long after this connection is gone.
    std::function<LookupResult()> work = [resolver = m_options.resolver, host, port = std::to_string(port), family,
                                          type] {
        LookupResult out;
        out.result = resolver ? resolver(host, port, family, type, out.addresses)
                              : CIP6Socket::Resolve(host, port, family, type, out.addresses);
        return out;
    };
    std::optional<LookupResult> found = m_stop->RunAbandonable(std::move(work));
    if (!found)
        throw CIP6SocketException(operation, SocketApi::WSAENOTSOCK);
    if (found->result != 0)
        throw CIP6SocketException(operation, SocketApi::WsaErrorFromResolver(found->result));
    return std::move(found->addresses);
}

std::optional<std::string> CClientConnector::NameOf(const sockaddr_storage& address, socklen_t length)
{
    std::function<NameResult()> work = [lookup = m_options.nameLookup, address, length] {
        NameResult out;
        if (!lookup) {
            try {
                out.host = CIP6Socket::GetNameInfo(reinterpret_cast<const sockaddr*>(&address), length, 0);
            } catch (const CIP6SocketException& error) {
                out.result = error.m_error;
            }
            return out;
        }
        const auto* where = reinterpret_cast<const sockaddr*>(&address);
        out.result = lookup(where, length, out.host, 0);
        if (out.result != 0)
            out.result = lookup(where, length, out.host, NI_NUMERICHOST);
        return out;
    };
    std::optional<NameResult> found = m_stop->RunAbandonable(std::move(work));
    if (!found)
        return std::nullopt;
    return found->result == 0 ? found->host : std::string();
}

void CClientConnector::ConnectAny(CIP6Socket& socket, const std::vector<CSocketAddress>& addresses, int type)
{
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        try {
            socket.Create(addresses[i].family(), type);
            socket.Connect(reinterpret_cast<const sockaddr*>(&addresses[i].storage), addresses[i].length,
                           m_options.connectSeconds);
            return;
        } catch (const CIP6SocketException& error) {
            socket.Close();
            // The last address's failure is the one reported.
            if (i + 1 == addresses.size() || error.m_error == SocketApi::WSAENOTSOCK)
                throw;
        }
    }
}

void CClientConnector::Connect(CIP6Socket& socket, const std::string& host, std::uint16_t port, int family,
                               const std::string& proxyHost, std::uint16_t proxyPort)
{
    if (family == AF_INET6) {
        const auto addresses = Resolve(host, port, AF_INET6, SOCK_STREAM, "ConnectEx(1)");
        if (addresses.empty())
            throw CIP6SocketException("ConnectEx(2)", SocketApi::WSAHOST_NOT_FOUND);
        ConnectAny(socket, addresses, SOCK_STREAM);
        return;
    }
    try {
        const auto addresses = Resolve(host, port, AF_INET, SOCK_STREAM, "Connect");
        if (addresses.empty())
            throw CIP6SocketException("Connect", SocketApi::WSAHOST_NOT_FOUND);
        ConnectAny(socket, addresses, SOCK_STREAM);
        return;
    } catch (const CIP6SocketException& error) {
        if (proxyHost.empty() || proxyPort == 0 || error.m_error == SocketApi::WSAENOTSOCK)
            throw;
    }
    const auto proxies = Resolve(proxyHost, proxyPort, AF_INET, SOCK_STREAM, "Connect");
    if (proxies.empty())
        throw CIP6SocketException("Connect", SocketApi::WSAHOST_NOT_FOUND);
    socket.ProxyConnectTo(host, port, proxies.front(), m_options.connectSeconds);
}

} // namespace kestrelon
