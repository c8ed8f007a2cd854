// The escape notation of function-key and answer texts: "^m" for the line end,
// caret letters for control bytes, backslash numbers for any byte, a doubled
// backslash for the backslash itself, and "\!" commands that act on the serial
// line between the bytes (for reset and boot-mode sequences of boards).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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

// What a "\!" command asks of the serial line: "\!DTR=0", "\!DTR=1",
// "\!RTS=0", "\!RTS=1", "\!BREAK" and "\!WAIT=<ms>"; "\!SCRIPT=<path>" starts
// a script, its path running to the end of the text. An unknown command is an
// unknown escape: the backslash is dropped and the rest stays text.
enum class LineAction : std::uint8_t { DtrLow, DtrHigh, RtsLow, RtsHigh, Break, Wait, Script };

// The longest "\!WAIT=": a longer wait is cut to it, so a slip of the keyboard
// cannot hold the line for hours.
constexpr int LINE_WAIT_MAX_MS = 10000;

// One step of a decoded text: bytes, or a line action (with its wait for Wait).
struct CSendStep {
    std::vector<std::uint8_t> bytes; // empty for a line action
    std::optional<LineAction> action;
    int waitMs = 0;
    std::string script; // the path of Script
    bool operator==(const CSendStep&) const = default;
};

// Decodes `text` like DecodeText, keeping the line actions in order between
// the bytes. `limit` counts bytes only; DecodeText is the bytes of these steps.
std::vector<CSendStep> DecodeSendSteps(std::string_view text, std::size_t limit, bool crToCrLfOnSend);

} // namespace kestrelon
