// Find over rows cut from fuzzed text and over the hex history's byte stream:
// stepping forward or backward from any place visits exactly the places where
// the pattern matches (Latin-1 case folding when case does not matter), in
// order and round the ends, and the hex stream is the history's newest bytes.
#include "screens/HexStream.h"
#include "screens/TextFinder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kestrelon;

class CLines : public IFindRows {
public:
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string_view Row(int row) const override { return rows.at(static_cast<std::size_t>(row)); }
    std::vector<std::string> rows;
};

std::uint8_t Fold(std::uint8_t b)
{
    const bool upper = (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7);
    return upper ? static_cast<std::uint8_t>(b + 0x20) : b;
}

std::vector<CFindHit> AllMatches(const IFindRows& rows, std::string_view pattern, bool matchCase)
{
    std::vector<CFindHit> hits;
    for (int r = 0; r < rows.RowCount(); ++r) {
        const std::string_view row = rows.Row(r);
        for (std::size_t at = 0; !pattern.empty() && at + pattern.size() <= row.size(); ++at) {
            bool same = true;
            for (std::size_t i = 0; same && i < pattern.size(); ++i) {
                const auto a = static_cast<std::uint8_t>(row[at + i]), b = static_cast<std::uint8_t>(pattern[i]);
                same = matchCase ? a == b : Fold(a) == Fold(b);
            }
            if (same)
                hits.push_back({r, static_cast<int>(at), static_cast<int>(pattern.size())});
        }
    }
    return hits;
}

bool Before(const CFindHit& a, CCellPos b)
{
    return a.row < b.row || (a.row == b.row && a.column < b.column);
}

// From `from` in both directions, then up to 40 steps on from each hit found.
void CheckSteps(const IFindRows& rows, const CByteMatcher& matcher, const std::vector<CFindHit>& all, CCellPos start)
{
    for (const auto direction : {FindDirection::Forward, FindDirection::Backward}) {
        const bool forward = direction == FindDirection::Forward;
        CCellPos from = start;
        std::size_t expected = 0; // the first match at or after `from`
        while (expected < all.size() && Before(all[expected], from))
            ++expected;
        for (int step = 0; step < 40; ++step) {
            const auto hit = FindInRows(rows, matcher, from, direction, step == 0);
            if (all.empty()) {
                if (hit)
                    std::abort();
                return;
            }
            if (forward)
                expected = expected % all.size();
            else
                expected = (expected + all.size() - 1) % all.size();
            if (!hit || !(*hit == all[expected]))
                std::abort();
            from = {hit->column, hit->row};
            if (forward)
                ++expected;
        }
    }
}

void CheckRowMatches(const IFindRows& rows, const CByteMatcher& matcher, const std::vector<CFindHit>& all)
{
    std::vector<CFindHit> inRow;
    std::size_t next = 0;
    for (int r = 0; r < rows.RowCount(); ++r) {
        MatchesInRow(rows.Row(r), matcher, inRow, r);
        int end = 0; // matches in a row do not overlap: each is the first after the one before
        for (const CFindHit& hit : inRow) {
            while (next < all.size() && (all[next].row < r || (all[next].row == r && all[next].column < end)))
                ++next;
            if (next == all.size() || !(all[next] == hit))
                std::abort();
            end = hit.column + hit.length;
        }
        while (next < all.size() && all[next].row == r && all[next].column < end)
            ++next;
        if (next < all.size() && all[next].row == r)
            std::abort(); // a match left out after the last one given
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const bool matchCase = data[0] & 1;
    const std::size_t queryLength = std::min<std::size_t>(data[0] >> 1 & 15, size - 4);
    const std::uint8_t place = data[1], maxLines = data[2] & 7;
    const std::size_t cut = 1 + data[3] % 40;
    const std::string query(reinterpret_cast<const char*>(data + 4), queryLength);
    const std::string_view text(reinterpret_cast<const char*>(data + 4 + queryLength), size - 4 - queryLength);

    // Two single bytes, so every pair of the fold table is tried soon.
    const std::string one(1, static_cast<char>(data[1])), other(1, static_cast<char>(data[2]));
    if ((CByteMatcher(one, false).Next(other, 0) == 0) != (Fold(data[1]) == Fold(data[2])))
        std::abort();

    // Text rows, as the ASCII view's lines: a match never spans two.
    CLines lines;
    lines.rows.emplace_back();
    for (const char c : text) {
        if (c == '\n')
            lines.rows.emplace_back();
        else
            lines.rows.back().push_back(c);
    }
    const CByteMatcher textMatcher(query, matchCase);
    const auto textHits = AllMatches(lines, query, matchCase);
    const int row = place % lines.RowCount();
    const int column = place / 8 % (static_cast<int>(lines.rows[static_cast<std::size_t>(row)].size()) + 2);
    CheckSteps(lines, textMatcher, textHits, {column, row});
    CheckRowMatches(lines, textMatcher, textHits);

    // The hex history, fed in blocks that alternate colour, so lines are short.
    CHexHistory history;
    history.SetMaxLines(maxLines);
    for (std::size_t at = 0; at < text.size(); at += cut)
        history.AddBlock(reinterpret_cast<const std::uint8_t*>(text.data() + at),
                         static_cast<std::int32_t>(std::min(cut, text.size() - at)),
                         at / cut % 2 ? RECEIVE_COLOUR : SEND_COLOUR);
    CHexStream stream;
    stream.Build(history);
    const std::string_view bytes = stream.RowCount() ? stream.Row(0) : std::string_view();
    if (bytes.size() > text.size() || text.substr(text.size() - bytes.size()) != bytes)
        std::abort(); // only whole oldest lines are dropped
    for (int r = 0; r < history.RowCount(); ++r)
        for (std::size_t at = stream.RowStart(r); at < stream.RowStart(r + 1); ++at) {
            const CCellPos cell = stream.Position(at);
            if (cell.row != r || stream.Offset(r, cell.column) != at)
                std::abort();
        }
    const auto hex = ParseHexNotation(query);
    const CByteMatcher hexMatcher = hex ? CByteMatcher(*hex, true) : textMatcher;
    const auto hexHits = AllMatches(stream, hex ? *hex : query, hex || matchCase);
    CheckSteps(stream, hexMatcher, hexHits, {static_cast<int>(bytes.empty() ? 0 : place % (bytes.size() + 1)), 0});
    return 0;
}
