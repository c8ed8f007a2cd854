// One geographic angle (a latitude or a longitude) held exactly as whole
// thousandths of an arc-second, and its degrees-minutes-seconds text for the GPS
// bar. Positive is north or east; the caller shows the hemisphere letter.
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

class CGrad {
public:
    static constexpr std::int32_t PER_SECOND = 1000;
    static constexpr std::int32_t PER_MINUTE = 60 * PER_SECOND;
    static constexpr std::int32_t PER_DEGREE = 60 * PER_MINUTE;

    CGrad() = default;
    explicit CGrad(std::int32_t value) : m_value(value) {}

    std::int32_t Value() const { return m_value; }
    void SetValue(std::int32_t value) { m_value = value; }

    // "%d°%02d'%06.3f\"" of the magnitude; the degree sign is the single 8-bit
    // byte 0xB0 (Latin-1), which the widgets convert like every document text.
    std::string Format() const;

    // The value as one 32-bit little-endian word.
    void Store(std::uint8_t out[4]) const;
    static CGrad Load(const std::uint8_t in[4]);

    bool operator==(const CGrad&) const = default;

private:
    std::int32_t m_value = 0;
};

} // namespace kestrelon
