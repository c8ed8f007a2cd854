// Where the SOCKS proxy comes from, and the SOCKS 5 connect through it. The reply
// is read exactly as long as its address type says, so the first bytes of the
// target's data, which may share a segment with the reply, stay in the socket.
#include "net/SocksProxy.h"

#include "net/IP6Socket.h"
#include "document/SettingsStore.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace kestrelon {

namespace {

// Decimal port text as a 16-bit number; anything else gives 0 (no proxy).
std::uint16_t ParsePort(const std::string& text)
{
    if (text.empty() || text.size() > 5)
        return 0;
    unsigned value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 0xFFFF ? static_cast<std::uint16_t>(value) : 0;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

bool ParseProxyServerList(const std::string& list, std::string& host, std::uint16_t& port)
{
    host.clear();
    port = 0;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string field = list.substr(start, end - start);
        if (field.compare(0, 6, "socks=") == 0) {
            const std::string rest = field.substr(6);
            const std::size_t colon = rest.find(':');
            if (colon != std::string::npos && rest.find(':', colon + 1) == std::string::npos) {
                host = rest.substr(0, colon);
                port = ParsePort(rest.substr(colon + 1));
                break;
            }
        }
        start = end + 1;
    }
    return !host.empty() && port != 0;
}

bool ParseSocksUrl(const std::string& url, std::string& host, std::uint16_t& port)
{
    host.clear();
    port = 0;
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return false;
    const std::string name = Lower(url.substr(0, scheme));
    if (name != "socks5" && name != "socks5h")
        return false;
    std::string rest = url.substr(scheme + 3);
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos || rest.find_first_of("/@") != std::string::npos)
        return false;
    host = rest.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    port = ParsePort(rest.substr(colon + 1));
    return !host.empty() && port != 0;
}

bool GetSocksProxy(const ISettingsStore* store, std::string& host, std::uint16_t& port)
{
    host.clear();
    port = 0;
    std::optional<std::string> enable;
    if (store)
        enable = store->Read(INTERNET_SETTINGS_GROUP, PROXY_ENABLE_KEY);
    if (!enable) {
        for (const char* variable : {"all_proxy", "ALL_PROXY"}) {
            const char* value = std::getenv(variable);
            if (value && *value)
                return ParseSocksUrl(value, host, port);
        }
        return false;
    }
    // ProxyEnable is a 32-bit number; text that is not a non-zero number is off.
    char* end = nullptr;
    const long value = std::strtol(enable->c_str(), &end, 10);
    if (enable->empty() || *end != '\0' || value == 0)
        return false;
    const std::string list = store->Read(INTERNET_SETTINGS_GROUP, PROXY_SERVER_KEY).value_or("");
    if (list.empty())
        return false;
    return ParseProxyServerList(list, host, port);
}

namespace Socks5 {

std::vector<std::uint8_t> Greeting()
{
    return {VERSION, 0x01, NO_AUTHENTICATION};
}

int CheckMethodReply(const std::uint8_t* reply, std::size_t length)
{
    if (length >= 2 && reply[0] != VERSION)
        return SocketApi::SOCKS_VERSION_REFUSED;
    if (length < 2 || reply[1] != NO_AUTHENTICATION)
        return SocketApi::SOCKS_METHOD_REFUSED;
    return 0;
}

bool BuildConnectRequest(const std::string& host, std::uint16_t port, std::vector<std::uint8_t>& out)
{
    out = {VERSION, COMMAND_CONNECT, 0x00};
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        out.push_back(ADDRESS_IPV4);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&v4);
        out.insert(out.end(), bytes, bytes + 4);
    } else if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        out.push_back(ADDRESS_IPV6);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&v6);
        out.insert(out.end(), bytes, bytes + 16);
    } else {
        if (host.empty() || host.size() > 255)
            return false;
        out.push_back(ADDRESS_DOMAIN);
        out.push_back(static_cast<std::uint8_t>(host.size()));
        out.insert(out.end(), host.begin(), host.end());
    }
    out.push_back(static_cast<std::uint8_t>(port >> 8));
    out.push_back(static_cast<std::uint8_t>(port & 0xFF));
    return true;
}

int CheckReplyHead(const std::uint8_t head[REPLY_HEAD], std::size_t& tail)
{
    tail = 0;
    if (head[0] != VERSION)
        return SocketApi::SOCKS_BAD_REPLY;
    if (head[1] != 0)
        return head[1];
    switch (head[3]) {
    case ADDRESS_IPV4:
        tail = 4 + 2;
        return 0;
    case ADDRESS_IPV6:
        tail = 16 + 2;
        return 0;
    case ADDRESS_DOMAIN:
        tail = 1;
        return 0; // the name's length byte
    default:
        return SocketApi::SOCKS_BAD_REPLY;
    }
}

} // namespace Socks5

// Reads `length` bytes or until the peer closes; returns how many came.
static int ReceiveUpTo(CIP6Socket& socket, std::uint8_t* data, int length)
{
    int done = 0;
    while (done < length) {
        int count = socket.Receive(data + done, length - done, Socks5::HANDSHAKE_SECONDS);
        if (count == 0)
            break;
        done += count;
    }
    return done;
}

void CIP6Socket::ProxyConnect(const std::string& host, std::uint16_t port, const std::string& proxyHost,
                              std::uint16_t proxyPort)
{
    Close();
    std::vector<CSocketAddress> proxy;
    int result = Resolve(proxyHost, std::to_string(proxyPort), AF_INET, SOCK_STREAM, proxy);
    if (result != 0 || proxy.empty())
        Fail("Connect", result != 0 ? SocketApi::WsaErrorFromResolver(result) : SocketApi::WSAHOST_NOT_FOUND);
    ProxyConnectTo(host, port, proxy.front(), 0);
}

void CIP6Socket::ProxyConnectTo(const std::string& host, std::uint16_t port, const CSocketAddress& proxy,
                                int connectSeconds)
{
    Close();
    Create(proxy.family(), SOCK_STREAM);
    try {
        Connect(reinterpret_cast<const sockaddr*>(&proxy.storage), proxy.length, connectSeconds);
        const auto greeting = Socks5::Greeting();
        SendAll(greeting.data(), static_cast<int>(greeting.size()), Socks5::HANDSHAKE_SECONDS);
        std::uint8_t method[2] = {};
        int code = Socks5::CheckMethodReply(method, static_cast<std::size_t>(ReceiveUpTo(*this, method, 2)));
        if (code != 0)
            Fail(code == SocketApi::SOCKS_VERSION_REFUSED ? "ProxyConnect_1" : "ProxyConnect_2", code);
        std::vector<std::uint8_t> request;
        if (!Socks5::BuildConnectRequest(host, port, request))
            Fail("ProxyConnect_3", SocketApi::WSAHOST_NOT_FOUND);
        SendAll(request.data(), static_cast<int>(request.size()), Socks5::HANDSHAKE_SECONDS);
        // The longest reply: head, a 255-byte name with its length byte, the port.
        std::uint8_t reply[Socks5::REPLY_HEAD + 1 + 255 + 2] = {};
        std::size_t tail = 0;
        if (ReceiveUpTo(*this, reply, Socks5::REPLY_HEAD) != Socks5::REPLY_HEAD)
            Fail("ProxyConnect_3", SocketApi::SOCKS_BAD_REPLY);
        if ((code = Socks5::CheckReplyHead(reply, tail)) != 0)
            Fail("ProxyConnect_3", code);
        std::uint8_t* rest = reply + Socks5::REPLY_HEAD;
        if (reply[3] == Socks5::ADDRESS_DOMAIN) {
            if (ReceiveUpTo(*this, rest, 1) != 1)
                Fail("ProxyConnect_3", SocketApi::SOCKS_BAD_REPLY);
            tail = rest[0] + 2u;
            ++rest;
        }
        if (ReceiveUpTo(*this, rest, static_cast<int>(tail)) != static_cast<int>(tail))
            Fail("ProxyConnect_3", SocketApi::SOCKS_BAD_REPLY);
    } catch (const CIP6SocketException&) {
        Close();
        throw;
    }
}

} // namespace kestrelon
