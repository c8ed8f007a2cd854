// Byte matching with case folding, the hex notation, and the search that goes
// round the rows once.
#include "screens/TextFinder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kestrelon {

namespace {

struct CFoldTable {
    std::array<char, 256> lower{};
    CFoldTable()
    {
        for (int b = 0; b < 256; ++b) {
            const bool upper = (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7);
            lower[static_cast<std::size_t>(b)] = static_cast<char>(upper ? b + 0x20 : b);
        }
    }
    char operator()(char c) const { return lower[static_cast<std::uint8_t>(c)]; }
};
const CFoldTable kFold;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

CByteMatcher::CByteMatcher(std::string pattern, bool matchCase) : m_pattern(std::move(pattern)), m_matchCase(matchCase)
{
    if (!m_matchCase)
        for (char& c : m_pattern)
            c = kFold(c);
}

bool CByteMatcher::MatchesAt(const char* p) const
{
    if (m_matchCase)
        return std::memcmp(p, m_pattern.data(), m_pattern.size()) == 0;
    for (std::size_t i = 0; i < m_pattern.size(); ++i)
        if (kFold(p[i]) != m_pattern[i])
            return false;
    return true;
}

std::size_t CByteMatcher::Next(std::string_view text, std::size_t from) const
{
    const std::size_t length = m_pattern.size();
    if (length == 0 || text.size() < length || from > text.size() - length)
        return NONE;
    const char* const begin = text.data();
    const char* const last = begin + (text.size() - length); // last possible start
    const char first = m_pattern[0];
    if (m_matchCase) {
        // memchr finds the candidates at memory speed: a full history is
        // millions of cells and the window waits for the answer.
        for (const char* p = begin + from; p <= last;) {
            const auto* hit = static_cast<const char*>(std::memchr(p, first, static_cast<std::size_t>(last - p) + 1));
            if (hit == nullptr)
                return NONE;
            if (MatchesAt(hit))
                return static_cast<std::size_t>(hit - begin);
            p = hit + 1;
        }
        return NONE;
    }
    for (const char* p = begin + from; p <= last; ++p)
        if (kFold(*p) == first && MatchesAt(p))
            return static_cast<std::size_t>(p - begin);
    return NONE;
}

std::size_t CByteMatcher::Previous(std::string_view text, std::size_t before) const
{
    const std::size_t length = m_pattern.size();
    if (length == 0 || text.size() < length || before == 0)
        return NONE;
    std::size_t start = std::min(before - 1, text.size() - length);
    for (;; --start) {
        if (MatchesAt(text.data() + start))
            return start;
        if (start == 0)
            return NONE;
    }
}

std::optional<std::string> ParseHexNotation(std::string_view text)
{
    std::string bytes;
    int high = -1; // the first digit of a pair being read
    for (const char c : text) {
        if (c == ' ') {
            if (high >= 0)
                return std::nullopt; // a blank inside a pair
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty())
        return std::nullopt;
    return bytes;
}

std::optional<CFindHit> FindInRows(const IFindRows& rows, const CByteMatcher& matcher, CCellPos from,
                                   FindDirection direction, bool inclusive)
{
    const int count = rows.RowCount();
    if (matcher.Empty() || count <= 0)
        return std::nullopt;
    const int startRow = std::clamp(from.row, 0, count - 1);
    const auto column = static_cast<std::size_t>(std::max(from.column, 0));
    auto hit = [&](int row, std::size_t at) { return CFindHit{row, static_cast<int>(at), matcher.Length()}; };

    if (direction == FindDirection::Forward) {
        const std::size_t first = inclusive ? column : column + 1;
        if (std::size_t at = matcher.Next(rows.Row(startRow), from.row == startRow ? first : 0); at != CByteMatcher::NONE)
            return hit(startRow, at);
        // Round the end once, back to the start row's beginning.
        for (int step = 1; step <= count; ++step) {
            const int row = (startRow + step) % count;
            if (std::size_t at = matcher.Next(rows.Row(row), 0); at != CByteMatcher::NONE)
                return hit(row, at);
        }
        return std::nullopt;
    }
    if (std::size_t at = matcher.Previous(rows.Row(startRow), from.row == startRow ? column : CByteMatcher::NONE);
        at != CByteMatcher::NONE)
        return hit(startRow, at);
    for (int step = 1; step <= count; ++step) {
        const int row = ((startRow - step) % count + count) % count;
        if (std::size_t at = matcher.Previous(rows.Row(row), CByteMatcher::NONE); at != CByteMatcher::NONE)
            return hit(row, at);
    }
    return std::nullopt;
}

void MatchesInRow(std::string_view row, const CByteMatcher& matcher, std::vector<CFindHit>& out, int rowIndex)
{
    out.clear();
    for (std::size_t at = matcher.Next(row, 0); at != CByteMatcher::NONE;
         at = matcher.Next(row, at + static_cast<std::size_t>(matcher.Length())))
        out.push_back(CFindHit{rowIndex, static_cast<int>(at), matcher.Length()});
}

} // namespace kestrelon
