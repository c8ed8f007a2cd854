// Collecting and parsing of in-band commands.
#include "hub/InbandCommands.h"

#include "document/KestronDoc.h"

#include <cstdlib>
#include <string_view>

namespace kestrelon {

namespace {

constexpr std::uint8_t kOpen = '[';
constexpr std::string_view kSpeedPrefix = "KESTRON:COMSPEED="; // followed by the rate
constexpr std::string_view kLogStart = "KESTRON:LOG_START";
constexpr std::string_view kLogStop = "KESTRON:LOG_STOP";
constexpr std::string_view kTimeUtc = "KESTRON:TIME_UTC";

// Reads the rate as strtoul with base 0 does: decimal, 0x hex or 0 octal,
// stopping at the first character that does not fit.
unsigned long ParseRate(const std::string& text, std::size_t from)
{
    return std::strtoul(text.c_str() + from, nullptr, 0);
}

} // namespace

void CInbandScanner::Begin()
{
    m_inbandActive = true;
    m_overflow = false;
    m_inbandText.clear();
}

bool CInbandScanner::Collect(std::uint8_t byte)
{
    if (byte == '\r' || byte == '\n') {
        m_inbandActive = false;
        return true;
    }
    if (byte == kOpen) {
        m_overflow = false;
        m_inbandText.clear();
    } else if (m_inbandText.size() < MAX_INBAND_TEXT) {
        m_inbandText.push_back(static_cast<char>(byte));
    } else {
        m_overflow = true;
    }
    return false;
}

CInbandCommand ParseInbandCommand(std::string& text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (text.starts_with(kSpeedPrefix)) {
        const unsigned long rate = ParseRate(text, kSpeedPrefix.size());
        if (rate <= 0xFFFFFFFFul && CKestronDoc::IsValidBaudRate(static_cast<std::uint32_t>(rate)))
            return {InbandAction::SetComSpeed, static_cast<std::uint32_t>(rate)};
        return {};
    }
    if (text == kLogStart)
        return {InbandAction::LogStart};
    if (text == kLogStop)
        return {InbandAction::LogStop};
    if (text == kTimeUtc)
        return {InbandAction::TimeUtc};
    return {};
}

std::string FormatUtcTime(std::time_t now)
{
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return std::string(text, n);
}

} // namespace kestrelon
