// DecodeText: the escape notation of function-key and answer texts.
#include "document/DecodeText.h"

#include <algorithm>
#include <limits>
#include <string>

namespace kestrelon {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// Reads the number at `pos` (which holds a digit) the way an unsigned
// conversion with automatic base does: "0x1F" hexadecimal, "017" octal, "17"
// decimal, saturating on overflow. Advances `pos` past the digits used.
unsigned long ReadNumber(std::string_view text, std::size_t& pos)
{
    int base = 10;
    if (text[pos] == '0') {
        base = 8;
        const bool hexPrefix =
            pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') && DigitValue(text[pos + 2]) < 16;
        if (hexPrefix) {
            base = 16;
            pos += 2;
        }
    }
    constexpr unsigned long kMax = std::numeric_limits<unsigned long>::max();
    unsigned long value = 0;
    bool overflow = false;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos]);
        if (digit >= base)
            break;
        const auto d = static_cast<unsigned long>(digit);
        if (value > (kMax - d) / static_cast<unsigned long>(base))
            overflow = true;
        else
            value = value * static_cast<unsigned long>(base) + d;
    }
    return overflow ? kMax : value;
}

std::string ExpandLineEnds(std::string_view text, bool crToCrLfOnSend)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] == 'm') {
            out.push_back('\r');
            if (crToCrLfOnSend)
                out.push_back('\n');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

struct LineCommand {
    std::string_view name;
    LineAction action;
};
constexpr LineCommand kLineCommands[] = {
    {"DTR=0", LineAction::DtrLow}, {"DTR=1", LineAction::DtrHigh}, {"RTS=0", LineAction::RtsLow},
    {"RTS=1", LineAction::RtsHigh}, {"BREAK", LineAction::Break},   {"WAIT=", LineAction::Wait},
    {"SCRIPT=", LineAction::Script},
};

// Reads a line command after "\!" at `pos`; advances `pos` past it when known.
std::optional<CSendStep> ReadLineCommand(std::string_view s, std::size_t& pos)
{
    for (const LineCommand& command : kLineCommands) {
        if (s.substr(pos, command.name.size()) != command.name)
            continue;
        std::size_t end = pos + command.name.size();
        CSendStep step;
        step.action = command.action;
        if (command.action == LineAction::Script) {
            if (end >= s.size())
                return std::nullopt;
            step.script = std::string(s.substr(end));
            end = s.size();
        } else if (command.action == LineAction::Wait) {
            if (end >= s.size() || !IsDigit(s[end]))
                return std::nullopt;
            long ms = 0;
            for (; end < s.size() && IsDigit(s[end]); ++end)
                ms = std::min<long>(ms * 10 + (s[end] - '0'), LINE_WAIT_MAX_MS);
            step.waitMs = static_cast<int>(ms);
        }
        pos = end;
        return step;
    }
    return std::nullopt;
}

} // namespace

std::vector<CSendStep> DecodeSendSteps(std::string_view text, std::size_t limit, bool crToCrLfOnSend)
{
    std::vector<CSendStep> steps;
    if (text.empty() || text.size() >= DECODE_TEXT_MAX_CHARS)
        return steps;
    // The line end is expanded first, so a "^m" never takes part in a caret or
    // backslash sequence of its neighbours.
    const std::string expanded = ExpandLineEnds(text, crToCrLfOnSend);
    const std::string_view s = expanded;
    std::size_t produced = 0;
    auto put = [&](std::uint8_t byte) {
        if (steps.empty() || steps.back().action)
            steps.emplace_back();
        steps.back().bytes.push_back(byte);
        ++produced;
    };
    std::size_t pos = 0;
    while (pos < s.size() && produced < limit) {
        const char c = s[pos];
        const char next = pos + 1 < s.size() ? s[pos + 1] : '\0';
        const bool hasNext = pos + 1 < s.size();
        if (c == '\\' && hasNext && next == '\\') {
            put('\\');
            pos += 2;
        } else if (c == '\\' && hasNext && IsDigit(next)) {
            ++pos;
            put(static_cast<std::uint8_t>(ReadNumber(s, pos) & 0xFF));
        } else if (c == '\\' && next == '!') {
            std::size_t at = pos + 2;
            if (auto step = ReadLineCommand(s, at)) {
                steps.push_back(std::move(*step));
                pos = at;
            } else {
                ++pos; // an unknown command is an unknown escape
            }
        } else if (c == '\\') {
            ++pos; // an unknown escape is dropped, the next character stands
        } else if (c == '^' && hasNext && next >= 0x40 && next <= 0x5F) {
            put(static_cast<std::uint8_t>(next - 0x40));
            pos += 2;
        } else {
            put(static_cast<std::uint8_t>(c));
            ++pos;
        }
    }
    return steps;
}

std::vector<std::uint8_t> DecodeText(std::string_view text, std::size_t limit, bool crToCrLfOnSend)
{
    std::vector<std::uint8_t> bytes;
    for (const CSendStep& step : DecodeSendSteps(text, limit, crToCrLfOnSend))
        bytes.insert(bytes.end(), step.bytes.begin(), step.bytes.end());
    return bytes;
}

} // namespace kestrelon
