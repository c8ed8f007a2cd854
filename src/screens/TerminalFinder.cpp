// The search over the Terminal view's lines: wrapped rows joined, each joined
// line built when the search reaches it, bytes mapped back to cells.
#include "screens/TerminalFinder.h"

#include "screens/TerminalScreen.h"

#include <algorithm>
#include <vector>

namespace kestrelon {

namespace {

// Lower case for A-Z and for the Latin-1 capitals U+00C0 to U+00DE (but not
// U+00D7), in place in UTF-8: both keep their length, so the byte to cell map holds.
void FoldCase(std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if (b >= 'A' && b <= 'Z') {
            text[i] = static_cast<char>(b + 0x20);
        } else if (b == 0xC3 && i + 1 < text.size()) {
            const auto next = static_cast<std::uint8_t>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                text[i + 1] = static_cast<char>(next + 0x20);
            ++i;
        }
    }
}

// The model's lines with wrapped rows joined, as rows for FindInRows. Row()
// builds the joined line it is asked for into one buffer, valid until the
// next call: the search looks at one row at a time.
class CJoinedLines : public IFindRows {
public:
    CJoinedLines(const CTerminalScreen& screen, bool fold) : m_screen(screen), m_fold(fold)
    {
        for (int line = -screen.ScrollbackLines(); line < screen.Rows(); ++line)
            if (line == -screen.ScrollbackLines() || !screen.LineWrapped(line - 1))
                m_starts.push_back(line);
    }

    int RowCount() const override { return static_cast<int>(m_starts.size()); }
    std::string_view Row(int row) const override
    {
        Build(row, false);
        return m_text;
    }

    // The byte of the joined line at or after `place`.
    CCellPos Locate(CTerminalPlace place) const
    {
        const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), place.line);
        const int row = next == m_starts.begin() ? 0 : static_cast<int>(next - m_starts.begin()) - 1;
        Build(row, true);
        const auto at = std::lower_bound(m_places.begin(), m_places.end(), place);
        return {static_cast<int>(at - m_places.begin()), row};
    }

    CTerminalFinder::CMatch Match(const CFindHit& hit) const
    {
        Build(hit.row, true);
        const CTerminalPlace first = m_places[static_cast<std::size_t>(hit.column)];
        const CTerminalPlace end = m_places[static_cast<std::size_t>(hit.column + hit.length - 1)];
        const bool wide = m_screen.LineAt(end.line)[end.column].width == CTerminalCell::WIDE;
        return {first, {end.line, end.column + (wide ? 2 : 1)}};
    }

private:
    // The cells of each byte are only worked out for the rows a match or the
    // start lies on: the search itself needs the text alone.
    void Build(int row, bool places) const
    {
        if (row == m_built && (m_builtPlaces || !places))
            return;
        m_built = row;
        m_builtPlaces = places;
        m_text.clear();
        m_places.clear();
        const std::size_t next = static_cast<std::size_t>(row) + 1;
        const int end = next < m_starts.size() ? m_starts[next] : m_screen.Rows();
        for (int line = m_starts[static_cast<std::size_t>(row)]; line < end; ++line)
            AppendCellText(m_text, m_screen.LineAt(line), line, 0, m_screen.LineLength(line),
                           places ? &m_places : nullptr);
        // The blanks after the text would only slow the search.
        m_text.erase(m_text.find_last_not_of(' ') + 1);
        if (places)
            m_places.resize(m_text.size());
        if (m_fold)
            FoldCase(m_text);
    }

    const CTerminalScreen& m_screen;
    bool m_fold;
    std::vector<int> m_starts; // the first model line of each joined line
    mutable int m_built = -1;
    mutable bool m_builtPlaces = false;
    mutable std::string m_text;
    mutable std::vector<CTerminalPlace> m_places; // per byte of m_text
};

} // namespace

void CTerminalFinder::SetPattern(std::string_view utf8, bool matchCase)
{
    std::string pattern(utf8);
    if (!matchCase)
        FoldCase(pattern);
    m_matcher = CByteMatcher(std::move(pattern), true);
    m_matchCase = matchCase;
}

std::optional<CTerminalFinder::CMatch> CTerminalFinder::Find(const CTerminalScreen& screen,
                                                             std::optional<CTerminalPlace> from,
                                                             FindDirection direction, bool inclusive) const
{
    if (m_matcher.Empty())
        return std::nullopt;
    const CJoinedLines lines(screen, !m_matchCase);
    CCellPos start{0, 0};
    if (from)
        start = lines.Locate(*from);
    else if (direction == FindDirection::Backward)
        start = {0, lines.RowCount()}; // past the end: the last match overall
    const std::optional<CFindHit> hit = FindInRows(lines, m_matcher, start, direction, inclusive || !from);
    if (!hit)
        return std::nullopt;
    return lines.Match(*hit);
}

} // namespace kestrelon
