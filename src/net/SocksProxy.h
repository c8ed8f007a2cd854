// Finding the user's SOCKS 5 proxy, and the byte-level SOCKS 5 handshake
// (greeting, connect request, reply) that CIP6Socket::ProxyConnect drives over a
// socket. The handshake functions touch no descriptor, so tests feed them bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

class ISettingsStore;

// Settings group and values that name the proxy, as the system keeps them.
constexpr const char* INTERNET_SETTINGS_GROUP = "Internet Settings";
constexpr const char* PROXY_ENABLE_KEY = "ProxyEnable";
constexpr const char* PROXY_SERVER_KEY = "ProxyServer";

// The SOCKS proxy to use, if any: from ProxyEnable / ProxyServer in the store, or,
// when ProxyEnable is absent, from all_proxy / ALL_PROXY ("socks5://host:port" or
// "socks5h://host:port"). True only with a non-empty host and a non-zero port.
bool GetSocksProxy(const ISettingsStore* store, std::string& host, std::uint16_t& port);

// The "socks=host:port" entry of a ProxyServer list ("http=a:80;socks=b:1080").
bool ParseProxyServerList(const std::string& list, std::string& host, std::uint16_t& port);
// "socks5://host:port" or "socks5h://host:port", a trailing "/" allowed.
bool ParseSocksUrl(const std::string& url, std::string& host, std::uint16_t& port);

namespace Socks5 {

constexpr std::uint8_t VERSION = 0x05;
constexpr std::uint8_t NO_AUTHENTICATION = 0x00;
constexpr std::uint8_t COMMAND_CONNECT = 0x01;
constexpr std::uint8_t ADDRESS_IPV4 = 0x01;
constexpr std::uint8_t ADDRESS_DOMAIN = 0x03;
constexpr std::uint8_t ADDRESS_IPV6 = 0x04;
// Version, reply code, reserved byte and address type open every reply.
constexpr std::size_t REPLY_HEAD = 4;
constexpr int HANDSHAKE_SECONDS = 3;

std::vector<std::uint8_t> Greeting();
// 0 when the method reply accepts "no authentication", else the error number
// (257 wrong version, 258 method refused; a reply shorter than 2 bytes refuses).
int CheckMethodReply(const std::uint8_t* reply, std::size_t length);
// Connect request for host:port: a dotted IPv4 address goes as type 1, an IPv6
// address as type 4, any other text as a name (type 3) that the proxy resolves.
// False for a name a request cannot carry (empty or over 255 bytes).
bool BuildConnectRequest(const std::string& host, std::uint16_t port, std::vector<std::uint8_t>& out);
// From the reply head: 0 and the count of bytes that still follow it (address and
// port; for a name, the length byte is read first, so `tail` covers that byte only);
// or the error: the reply code 1..255, or 259 for a head not in SOCKS 5 form.
int CheckReplyHead(const std::uint8_t head[REPLY_HEAD], std::size_t& tail);

} // namespace Socks5

} // namespace kestrelon
