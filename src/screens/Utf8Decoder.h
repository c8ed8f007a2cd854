// Bytes to code points for the Terminal view: UTF-8 with U+FFFD for every
// malformed piece (as one replacement per maximal bad subpart), and the width
// of a code point on a character grid (wide, narrow, or a combining mark).
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

class CUtf8Decoder {
public:
    static constexpr char32_t REPLACEMENT = 0xFFFD;
    static constexpr char32_t NONE = 0xFFFFFFFF;

    // Takes one byte of 0x80 or above (ASCII never reaches the decoder). Returns
    // a complete code point, NONE while a sequence is open, or REPLACEMENT. A
    // byte that breaks an open sequence yields REPLACEMENT and is kept in
    // `again` for the caller to feed once more.
    char32_t Take(std::uint8_t b, bool& again);
    // A byte below 0x80 arrived: an open sequence ends as REPLACEMENT (or NONE if none was open).
    char32_t Interrupt();
    bool Open() const { return m_needed != 0; }
    void Reset();

private:
    char32_t m_codePoint = 0;
    int m_needed = 0;
    // Bounds of the second byte, which rule out overlong forms and surrogates.
    std::uint8_t m_low = 0x80;
    std::uint8_t m_high = 0xBF;
};

// Cells a code point takes: 2 for East Asian wide and fullwidth characters and
// emoji, 0 for combining marks and other zero-width characters, else 1.
int CodePointWidth(char32_t codePoint);

// Appends the UTF-8 form of a code point (U+FFFD for one that has none).
void AppendUtf8(std::string& text, char32_t codePoint);

// The DEC special graphics set (ESC ( 0) as Unicode: 0x5F..0x7E map to box
// drawing and symbols; other bytes are themselves.
char32_t DecSpecialGraphic(std::uint8_t b);

} // namespace kestrelon
