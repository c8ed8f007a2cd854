// CGpsCapture: the carried capture, compiled in, cut at each GGA sentence.
#include "demo/GpsCapture.h"

namespace kestrelon {

namespace {
// gps-capture.nmea as a raw string, made by the build.
constexpr std::string_view kCapture =
#include "demo/GpsCapture.inc"
    ;

bool IsEpochStart(std::string_view line)
{
    return line.size() > 6 && line.substr(3, 3) == "GGA";
}
} // namespace

CGpsCapture::CGpsCapture() : CGpsCapture(kCapture)
{
}

CGpsCapture::CGpsCapture(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (line.empty() || line.front() != '$')
            continue;
        if (m_epochs.empty() || IsEpochStart(line))
            m_epochs.emplace_back();
        m_epochs.back().append(line).append("\r\n");
    }
}

std::string CGpsCapture::NextEpoch()
{
    if (m_epochs.empty())
        return {};
    std::string epoch = m_epochs[m_next];
    m_next = (m_next + 1) % m_epochs.size();
    return epoch;
}

} // namespace kestrelon
