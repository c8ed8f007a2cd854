// Texts of the connection's marked lines.
#include "hub/ConnectionEvents.h"

#include "hub/ConnectionTexts.h"

#include <algorithm>
#include <string_view>

namespace kestrelon {

const char* const kNotConnectedText = "Not sent: not connected";

std::string EventLine(const std::string& text, std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    return std::string(stamp) + " --- " + text + " ---";
}

std::string SerialEventName(std::uint32_t comPort, const DCB& dcb)
{
    // The pane's "COM200: 115200, 8N1" without its punctuation.
    std::string text = SerialPaneText(comPort, dcb);
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ':' || c == ','; }), text.end());
    return text;
}

std::string HostPortName(const std::string& host, std::uint32_t port)
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string FailureWords(const std::string& reason)
{
    struct Short {
        std::string_view name;
        std::string_view words;
    };
    static constexpr Short kShort[] = {
        {"(WSAECONNREFUSED)", "refused"},
        {"(WSAETIMEDOUT)", "timed out"},
        {"(WSAEHOSTUNREACH)", "host unreachable"},
        {"(WSAENETUNREACH)", "network unreachable"},
        {"(WSAECONNRESET)", "reset by the peer"},
        {"Host not found", "host not found"},
    };
    for (const Short& row : kShort)
        if (reason.find(row.name) != std::string::npos)
            return std::string(row.words);
    const std::size_t plain = reason.rfind("): ");
    return plain == std::string::npos ? reason : reason.substr(plain + 3);
}

} // namespace kestrelon
