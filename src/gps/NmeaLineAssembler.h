// Cuts the received byte stream into NMEA lines for the parser: a line ends at
// CR or LF (CR LF gives one line, empty lines are skipped), only printable
// characters are kept, and a line that grows too long is thrown away.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrelon {

class CNmeaLineAssembler {
public:
    // NMEA allows 82 characters; some receivers send longer proprietary lines.
    static constexpr std::size_t MAX_LINE = 200;

    // True when `c` ended a non-empty line, which Line() then holds until the
    // next call.
    bool Push(std::uint8_t c);
    std::string_view Line() const { return {m_text.data(), m_length}; }
    void Clear() { m_length = 0; }

private:
    std::array<char, MAX_LINE + 1> m_text{};
    std::size_t m_length = 0;
    bool m_complete = false;
};

} // namespace kestrelon
