// The table of line options and the host-and-port split.
#include "app/LineOptions.h"

#include <array>
#include <cerrno>
#include <cstdlib>

namespace kestrelon {

namespace {

constexpr unsigned kMaxPort = 65535;

bool TakeTarget(ELineKind kind, const char* value, CLineOptions& line)
{
    line.kind = kind;
    line.target = value;
    ++line.lines;
    return SplitHostPort(value, line.host, line.port);
}

struct COptionRow {
    std::string_view name;
    bool (*take)(const char* value, CLineOptions& line);
};

// clang-format off
constexpr std::array<COptionRow, 7> kRows{{
    {"--device", [](const char* v, CLineOptions& l) {
         l.kind = ELineKind::Device, l.device = v, ++l.lines;
         return !l.device.empty();
     }},
    {"--com", [](const char* v, CLineOptions& l) {
         l.kind = ELineKind::Com, ++l.lines;
         return ParseDecimal(v, 1, 255, l.comNumber);
     }},
    {"--tcp", [](const char* v, CLineOptions& l) { return TakeTarget(ELineKind::Tcp, v, l); }},
    {"--udp", [](const char* v, CLineOptions& l) { return TakeTarget(ELineKind::Udp, v, l); }},
    {"--tcp-server", [](const char* v, CLineOptions& l) {
         l.kind = ELineKind::TcpServer, ++l.lines;
         return ParseDecimal(v, 1, kMaxPort, l.port);
     }},
    {"--baud", [](const char* v, CLineOptions& l) {
         l.baudGiven = true;
         return ParseDecimal(v, 50, 4000000, l.baud);
     }},
    {"--local-port", [](const char* v, CLineOptions& l) { return ParseDecimal(v, 1, kMaxPort, l.localPort); }},
}};
// clang-format on

} // namespace

bool ParseDecimal(const char* text, unsigned low, unsigned high, unsigned& value)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false; // strtoul would take blanks and a sign
    char* end = nullptr;
    errno = 0;
    const unsigned long number = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || number < low || number > high)
        return false;
    value = static_cast<unsigned>(number);
    return true;
}

bool SplitHostPort(std::string_view text, std::string& host, unsigned& port)
{
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    std::string_view name = text.substr(0, colon);
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    else if (name.find(':') != std::string_view::npos)
        return false; // an IPv6 address needs its brackets, or the port is ambiguous
    host = std::string(name);
    return ParseDecimal(std::string(text.substr(colon + 1)).c_str(), 1, kMaxPort, port);
}

EOptionTake ParseLineOption(std::string_view option, const char* value, CLineOptions& line)
{
    for (const COptionRow& row : kRows)
        if (row.name == option)
            return value != nullptr && row.take(value, line) ? EOptionTake::Taken : EOptionTake::Bad;
    return EOptionTake::NotMine;
}

} // namespace kestrelon
