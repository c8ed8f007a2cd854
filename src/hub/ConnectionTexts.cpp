// Pane texts of the connection state.
#include "hub/ConnectionTexts.h"

#include <cstdio>
#include <filesystem>

namespace kestrelon {

const std::string_view kNoLogText = "No log";
const std::string_view kComNotOpenedText = "COM not opened";
const std::string_view kNoPeerText = "   ";
const std::string_view kNotSentText = "Not sent: the device is removed";
const std::string_view kLineActionsIgnoredText = "Line actions ignored over the network";

std::string DeviceRemovedText(std::uint32_t comPort, const std::string& path)
{
    return "Device removed: COM" + std::to_string(comPort) + " (" + path + ")";
}

std::string DeviceBackText(std::uint32_t comPort)
{
    return "Device back: COM" + std::to_string(comPort);
}

std::string SerialPaneText(std::uint32_t comPort, const DCB& dcb)
{
    // A damaged settings record must not index past the letter table.
    static constexpr std::string_view kParity = "NOEMS";
    static constexpr const char* kStopBits[] = {"1", "1.5", "2"};
    const char parity = dcb.Parity < kParity.size() ? kParity[dcb.Parity] : '?';
    const char* stop = dcb.StopBits < 3 ? kStopBits[dcb.StopBits] : "?";
    char text[64];
    std::snprintf(text, sizeof text, "COM%u: %u, %u%c%s", comPort, dcb.BaudRate, unsigned{dcb.ByteSize}, parity, stop);
    return text;
}

std::string LogPaneText(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace kestrelon
