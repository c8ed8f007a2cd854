// Finding text in what a view shows: a byte pattern matched with or without
// case over rows of bytes. The ASCII view searches its grid row by row; the hex
// view searches its bytes as one stream, so "0D 0A" is found across lines.
#pragma once

#include "screens/AsciiGrid.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrelon {

// Compares bytes as they are shown: with matchCase off, A-Z and the Latin-1
// letters À-Þ (but not ×) equal their lower-case forms.
class CByteMatcher {
public:
    static constexpr std::size_t NONE = std::string_view::npos;

    CByteMatcher() = default;
    CByteMatcher(std::string pattern, bool matchCase);

    bool Empty() const { return m_pattern.empty(); }
    int Length() const { return static_cast<int>(m_pattern.size()); }
    // The first match starting at or after `from`, or NONE.
    std::size_t Next(std::string_view text, std::size_t from) const;
    // The last match starting before `before`, or NONE.
    std::size_t Previous(std::string_view text, std::size_t before) const;

private:
    bool MatchesAt(const char* p) const;

    std::string m_pattern; // folded when case does not matter
    bool m_matchCase = true;
};

// "0D 0A", "0d0a", "41 42 43": pairs of hex digits, blanks between pairs
// allowed. Nothing when the text is anything else (then it is searched as
// characters).
std::optional<std::string> ParseHexNotation(std::string_view text);

enum class FindDirection { Forward, Backward };

struct CFindHit {
    int row = 0;
    int column = 0;
    int length = 0;
    friend bool operator==(const CFindHit&, const CFindHit&) = default;
};

// Rows of bytes to search; a match never spans two rows.
class IFindRows {
public:
    virtual ~IFindRows() = default;
    virtual int RowCount() const = 0;
    virtual std::string_view Row(int row) const = 0;
};

// Forward: the first match starting after `from` (or at it when `inclusive`);
// backward: the last match starting before `from`. Both go round the ends
// once, so the only match is found again from itself.
std::optional<CFindHit> FindInRows(const IFindRows& rows, const CByteMatcher& matcher, CCellPos from,
                                   FindDirection direction, bool inclusive);

// The ASCII grid's rows as they are shown, up to each row's written width.
class CGridRows : public IFindRows {
public:
    explicit CGridRows(const CAsciiGrid& grid) : m_grid(grid) {}
    int RowCount() const override { return m_grid.UsedLines(); }
    std::string_view Row(int row) const override
    {
        return {reinterpret_cast<const char*>(m_grid.RowChars(row)), static_cast<std::size_t>(m_grid.RowWidth(row))};
    }

private:
    const CAsciiGrid& m_grid;
};

// The non-overlapping matches of one row, left to right, into `out` (cleared).
void MatchesInRow(std::string_view row, const CByteMatcher& matcher, std::vector<CFindHit>& out, int rowIndex = 0);

} // namespace kestrelon
