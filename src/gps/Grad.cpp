// Degrees-minutes-seconds text of an angle, and its stored form.
#include "gps/Grad.h"

#include <cstdio>
#include <cstdlib>

namespace kestrelon {

std::string CGrad::Format() const
{
    // Widened first: the magnitude of INT32_MIN does not fit 32 bits.
    const std::int64_t a = std::llabs(static_cast<std::int64_t>(m_value));
    const std::int64_t degrees = a / PER_DEGREE;
    const std::int64_t minutes = (a / PER_MINUTE) % 60;
    const double seconds = static_cast<double>(a) * 0.001 - static_cast<double>((degrees * 60 + minutes) * 60);
    char text[48];
    std::snprintf(text, sizeof text, "%lld\xB0%02lld'%06.3f\"", static_cast<long long>(degrees),
                  static_cast<long long>(minutes), seconds);
    return text;
}

void CGrad::Store(std::uint8_t out[4]) const
{
    const auto v = static_cast<std::uint32_t>(m_value);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

CGrad CGrad::Load(const std::uint8_t in[4])
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return CGrad(static_cast<std::int32_t>(v));
}

} // namespace kestrelon
