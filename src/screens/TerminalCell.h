// One character cell of the Terminal view's model: the code point with its
// combining marks, the wide-character halves, the colours (default, indexed
// 0-255 or 24-bit) and the attribute bits of the pen that drew it.
#pragma once

#include <array>
#include <cstdint>

namespace kestrelon {

// A colour as a program chose it; the view maps default and indexed colours
// to its palette. Kind in the top byte, index or RGB below.
class CTerminalColour {
public:
    enum class Kind : std::uint8_t { Default = 0, Indexed = 1, Rgb = 2 };

    constexpr CTerminalColour() = default;
    static constexpr CTerminalColour Indexed(int index)
    {
        return CTerminalColour((1u << 24) | static_cast<std::uint32_t>(index & 0xFF));
    }
    static constexpr CTerminalColour Rgb(int red, int green, int blue)
    {
        return CTerminalColour((2u << 24) | (static_cast<std::uint32_t>(red & 0xFF) << 16) |
                               (static_cast<std::uint32_t>(green & 0xFF) << 8) |
                               static_cast<std::uint32_t>(blue & 0xFF));
    }

    constexpr Kind GetKind() const { return static_cast<Kind>(m_value >> 24); }
    constexpr bool IsDefault() const { return m_value == 0; }
    constexpr int Index() const { return static_cast<int>(m_value & 0xFF); }
    constexpr int Red() const { return static_cast<int>((m_value >> 16) & 0xFF); }
    constexpr int Green() const { return static_cast<int>((m_value >> 8) & 0xFF); }
    constexpr int Blue() const { return static_cast<int>(m_value & 0xFF); }
    constexpr std::uint32_t Value() const { return m_value; }
    constexpr bool operator==(const CTerminalColour&) const = default;

private:
    constexpr explicit CTerminalColour(std::uint32_t value) : m_value(value) {}
    std::uint32_t m_value = 0;
};

enum TerminalAttribute : std::uint16_t {
    TATTR_BOLD = 0x001,
    TATTR_FAINT = 0x002,
    TATTR_ITALIC = 0x004,
    TATTR_UNDERLINE = 0x008,
    TATTR_BLINK = 0x010,
    TATTR_REVERSE = 0x020,
    TATTR_HIDDEN = 0x040,
    TATTR_STRIKE = 0x080,
};

struct CTerminalCell {
    // Combining marks kept per cell; more are dropped. Marks outside the basic
    // plane are dropped too: the ones real text uses all lie inside it.
    static constexpr int MAX_MARKS = 2;
    enum Width : std::uint8_t {
        CONTINUATION = 0, // right half of the wide character on its left
        NARROW = 1,
        WIDE = 2, // left half; the cell on its right is its continuation
    };

    // Code point, width and attributes share one word, so a cell is 16 bytes:
    // a flood moves a fifth less memory than with a field each.
    char32_t codePoint : 21 = U' ';
    std::uint32_t width : 2 = NARROW;
    std::uint32_t attributes : 9 = 0;
    std::array<char16_t, MAX_MARKS> marks{}; // 0: none
    CTerminalColour foreground;
    CTerminalColour background;

    bool operator==(const CTerminalCell&) const = default;
    // A cell as a fresh screen holds it; cheaper than comparing with CTerminalCell{}.
    bool IsPlainBlank() const
    {
        return codePoint == U' ' && (marks[0] | marks[1]) == 0 && foreground.IsDefault() && background.IsDefault() &&
               attributes == 0 && width == NARROW;
    }
};
static_assert(sizeof(CTerminalCell) == 16);

} // namespace kestrelon
