// Field cutting and locale-independent number reading for NMEA sentences.
#include "gps/NmeaSentence.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kestrelon {

namespace {

std::string_view SkipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    return text.substr(i);
}

} // namespace

CNmeaSentence::CNmeaSentence(std::string_view line)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
        if (m_count < MAX_FIELDS)
            m_fields[m_count] = line.substr(start, end - start);
        ++m_count;
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
}

std::string_view CNmeaSentence::Field(int index) const
{
    if (index < 0 || index >= m_count || index >= MAX_FIELDS)
        return {};
    return m_fields[index];
}

std::int64_t CNmeaSentence::ReadInt(std::string_view text)
{
    constexpr std::int64_t LIMIT = std::numeric_limits<std::int32_t>::max();
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        if (value <= LIMIT)
            value = value * 10 + (c - '0');
    }
    if (value > LIMIT)
        value = LIMIT + negative;
    return negative ? -value : value;
}

double CNmeaSentence::ReadDouble(std::string_view text)
{
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // Only plain decimal notation: no "inf", "nan" or hexadecimal.
    if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.'))
        return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc{} || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

} // namespace kestrelon
