// Pane texts of the connection state.
#include "core/ConnectionTexts.h"

#include <cstdio>
#include <filesystem>

namespace kestrelon {

const std::string_view kNoLogText = "No log";
const std::string_view kComNotOpenedText = "COM not opened";
const std::string_view kNoPeerText = "   ";

std::string SerialPaneText(std::uint32_t comPort, const DCB& dcb)
{
    // A damaged settings record must not index past the letter table.
    static constexpr std::string_view kParity = "NOEMS";
    static constexpr const char* kStopBits[] = {"1", "1.5", "2"};
    const char parity = dcb.Parity < kParity.size() ? kParity[dcb.Parity] : '?';
    const char* stop = dcb.StopBits < 3 ? kStopBits[dcb.StopBits] : "?";
    char text[64];
    std::snprintf(text, sizeof text, "COM%u: %u, %u%c%s", comPort, dcb.BaudRate, unsigned{dcb.ByteSize}, parity,
                  stop);
    return text;
}

std::string IpStatusText(std::uint32_t commMode, const std::string& host, std::uint32_t port,
                         const std::string& peer)
{
    // Built by concatenation: a host name loaded from a file has no length limit.
    const std::string family = commMode >= 4 ? "IPv6" : "IPv4";
    switch (commMode) {
    case 1:
    case 4:
        return family + " TCP Client " + host + ":" + std::to_string(port);
    case 2:
    case 5:
        return peer.empty() ? family + " TCP Server " + std::to_string(port) : family + " TCP Server - " + peer;
    case 3:
    case 6:
        return family + " UDP " + host + ":" + std::to_string(port);
    default:
        return {};
    }
}

std::string LogPaneText(const std::string& path) { return std::filesystem::path(path).filename().string(); }

} // namespace kestrelon
