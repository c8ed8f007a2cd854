// SOCKS replies and proxy settings are read from outside: the proxy's bytes, the
// settings store and the environment. No input may crash the readers or make
// them claim more bytes than a reply can hold.
#include "net/SocksProxy.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrelon;
    Socks5::CheckMethodReply(data, size);
    if (size >= Socks5::REPLY_HEAD) {
        std::size_t tail = 0;
        if (Socks5::CheckReplyHead(data, tail) == 0 && tail > 16 + 2)
            std::abort();
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string host;
    std::uint16_t port = 0;
    if (ParseProxyServerList(text, host, port) && (host.empty() || port == 0))
        std::abort();
    if (ParseSocksUrl(text, host, port) && (host.empty() || port == 0))
        std::abort();
    std::vector<std::uint8_t> request;
    if (Socks5::BuildConnectRequest(text, port, request) && request.size() > 4 + 1 + 255 + 2)
        std::abort();
    return 0;
}
