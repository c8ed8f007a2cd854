// The escape notation of function-key and answer texts: "^m" for the line end,
// caret letters for control bytes, backslash numbers for any byte, a doubled
// backslash for the backslash itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrelon {

// Texts this long or longer are refused whole: no key or answer is meant to be.
constexpr std::size_t DECODE_TEXT_MAX_CHARS = 1024;

// Decodes `text` into at most `limit` bytes. "^m" (lower-case m only) becomes
// CR LF when `crToCrLfOnSend`, else CR; "\\" gives a backslash; "\" and a number
// (0x.. hexadecimal, 0.. octal, else decimal) gives its low 8 bits; "^@" to "^_"
// give 0 to 31; any other "\" is dropped, any other "^" kept.
std::vector<std::uint8_t> DecodeText(std::string_view text, std::size_t limit, bool crToCrLfOnSend);

} // namespace kestrelon
