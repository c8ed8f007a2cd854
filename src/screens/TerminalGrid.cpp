// Cells of the Terminal view's model. Scrolling rotates the row map, and a line
// scrolled off hands its row to the scrollback ring instead of being copied, so
// a flood costs a few integers per line plus blanking the written cells of the
// row that comes back from the ring's far end.
#include "screens/TerminalGrid.h"

#include <algorithm>

namespace kestrelon {

namespace {

// A row cut to `width` cells must not end in the left half of a wide character.
void MendCut(CTerminalCell* cells, int width)
{
    if (width > 0 && cells[width - 1].width == CTerminalCell::WIDE)
        cells[width - 1] = CTerminalCell{};
}

} // namespace

CTerminalGrid::CTerminalGrid(int columns, int rows, int scrollbackLimit)
    : m_columns(columns), m_rows(rows), m_historyLimit(std::max(0, scrollbackLimit))
{
    m_rowMap.resize(static_cast<std::size_t>(2 * rows));
    for (int& physical : m_rowMap)
        physical = NewRow();
}

int CTerminalGrid::NewRow()
{
    if ((m_poolRows & (CHUNK_ROWS - 1)) == 0)
        m_chunks.push_back(std::make_unique<CTerminalCell[]>(static_cast<std::size_t>(CHUNK_ROWS) *
                                                             static_cast<std::size_t>(m_columns)));
    m_used.push_back(0);
    m_wrapped.push_back(0);
    return m_poolRows++;
}

int CTerminalGrid::HistoryPhysical(int index) const
{
    std::size_t slot = static_cast<std::size_t>(m_historyFirst + index);
    if (slot >= m_history.size())
        slot -= m_history.size();
    return m_history[slot];
}

std::vector<int> CTerminalGrid::HistoryInOrder() const
{
    std::vector<int> rows(m_history.size());
    for (int index = 0; index < ScrollbackLines(); ++index)
        rows[static_cast<std::size_t>(index)] = HistoryPhysical(index);
    return rows;
}

const CTerminalCell* CTerminalGrid::ScrollbackRow(int index) const
{
    if (index < 0 || index >= ScrollbackLines())
        return nullptr;
    return Cells(HistoryPhysical(index));
}

const CTerminalCell* CTerminalGrid::LineAt(int line) const
{
    if (line < 0)
        return ScrollbackRow(ScrollbackLines() + line);
    return line < m_rows ? Row(line) : nullptr;
}

bool CTerminalGrid::LineWrapped(int line) const
{
    if (line >= 0)
        return line < m_rows && Wrapped(line);
    const int index = ScrollbackLines() + line;
    return index >= 0 && m_wrapped[static_cast<std::size_t>(HistoryPhysical(index))] != 0;
}

int CTerminalGrid::LineLength(int line) const
{
    if (line >= 0)
        return line < m_rows ? Used(line) : 0;
    const int index = ScrollbackLines() + line;
    return index < 0 ? 0 : m_used[static_cast<std::size_t>(HistoryPhysical(index))];
}

void CTerminalGrid::Rebuild(int columns, int rows, const std::vector<int>& history, int skip)
{
    CTerminalGrid fresh(columns, rows, m_historyLimit);
    const int width = std::min(columns, m_columns);
    auto copy = [&](int from, int to) {
        const int length = std::min(width, m_used[static_cast<std::size_t>(from)]);
        std::copy_n(Cells(from), length, fresh.Cells(to));
        MendCut(fresh.Cells(to), length);
        fresh.m_used[static_cast<std::size_t>(to)] = length;
        fresh.m_wrapped[static_cast<std::size_t>(to)] = m_wrapped[static_cast<std::size_t>(from)];
    };
    fresh.m_history.reserve(history.size());
    for (const int from : history) {
        fresh.m_history.push_back(fresh.NewRow());
        copy(from, fresh.m_history.back());
    }
    for (int screen = 0; screen < 2; ++screen) {
        const int rowSkip = (screen == 1) == m_alternate ? skip : 0;
        for (int row = 0; row < rows && row + rowSkip < m_rows; ++row)
            copy(m_rowMap[static_cast<std::size_t>(screen * m_rows + row + rowSkip)],
                 fresh.m_rowMap[static_cast<std::size_t>(screen * rows + row)]);
    }
    fresh.m_alternate = m_alternate;
    fresh.m_base = m_alternate ? rows : 0;
    fresh.m_scrolledOff = m_scrolledOff;
    *this = std::move(fresh);
}

void CTerminalGrid::SetScrollbackLimit(int lines)
{
    m_historyLimit = std::max(0, lines);
    if (ScrollbackLines() > m_historyLimit) {
        // The oldest lines go, and their rows' memory with them.
        std::vector<int> history = HistoryInOrder();
        history.erase(history.begin(), history.end() - m_historyLimit);
        Rebuild(m_columns, m_rows, history, 0);
    } else if (m_historyFirst != 0) {
        // The ring grows again from its newest end.
        std::rotate(m_history.begin(), m_history.begin() + m_historyFirst, m_history.end());
        m_historyFirst = 0;
    }
}

void CTerminalGrid::ClearScrollback()
{
    Rebuild(m_columns, m_rows, {}, 0);
}

// The screen row joins the scrollback as it is, and the screen takes a new row
// in its place: a fresh one while the ring grows, the oldest line's once it is
// full (ScrollUp blanks it).
void CTerminalGrid::PushHistory(int row)
{
    if (m_historyLimit == 0)
        return;
    int& mapped = m_rowMap[static_cast<std::size_t>(m_base + row)];
    const int leaving = mapped;
    if (ScrollbackLines() < m_historyLimit) {
        mapped = NewRow();
        m_history.push_back(leaving);
    } else {
        int& oldest = m_history[static_cast<std::size_t>(m_historyFirst)];
        mapped = oldest;
        oldest = leaving;
        if (++m_historyFirst == ScrollbackLines())
            m_historyFirst = 0;
    }
    ++m_scrolledOff;
}

void CTerminalGrid::FillRow(int row, const CTerminalCell& blank)
{
    int& used = m_used[static_cast<std::size_t>(Physical(row))];
    const bool plain = blank.IsPlainBlank();
    std::fill_n(Row(row), plain ? used : m_columns, blank);
    used = plain ? 0 : m_columns;
    SetWrapped(row, false);
}

void CTerminalGrid::ScrollUp(int top, int bottom, int count, const CTerminalCell& blank, bool keep)
{
    count = std::min(count, bottom - top + 1);
    if (count <= 0)
        return;
    if (keep && top == 0 && !m_alternate)
        for (int i = 0; i < count; ++i)
            PushHistory(i);
    auto first = m_rowMap.begin() + m_base + top;
    std::rotate(first, first + count, m_rowMap.begin() + m_base + bottom + 1);
    for (int row = bottom - count + 1; row <= bottom; ++row)
        FillRow(row, blank);
}

void CTerminalGrid::ScrollDown(int top, int bottom, int count, const CTerminalCell& blank)
{
    count = std::min(count, bottom - top + 1);
    if (count <= 0)
        return;
    auto first = m_rowMap.begin() + m_base + top;
    auto last = m_rowMap.begin() + m_base + bottom + 1;
    std::rotate(first, last - count, last);
    for (int row = top; row < top + count; ++row)
        FillRow(row, blank);
}

// A wide character cut in half by an edit loses both halves.
void CTerminalGrid::MendWide(int row, int column, const CTerminalCell& blank)
{
    CTerminalCell* cells = Row(row);
    if (column < 0 || column >= m_columns)
        return;
    if (cells[column].width == CTerminalCell::CONTINUATION) {
        cells[column] = blank;
        if (column > 0 && cells[column - 1].width == CTerminalCell::WIDE)
            cells[column - 1] = blank;
    } else if (cells[column].width == CTerminalCell::WIDE &&
               (column + 1 >= m_columns || cells[column + 1].width != CTerminalCell::CONTINUATION)) {
        cells[column] = blank;
    }
}

void CTerminalGrid::Erase(int row, int from, int to, const CTerminalCell& blank)
{
    from = std::clamp(from, 0, m_columns);
    to = std::clamp(to, from, m_columns);
    if (from == to)
        return;
    CTerminalCell* cells = Row(row);
    int& used = m_used[static_cast<std::size_t>(Physical(row))];
    if (blank.IsPlainBlank()) {
        to = std::min(to, std::max(used, from));
        if (to >= used)
            used = std::min(used, from);
    } else {
        used = std::max(used, to);
    }
    std::fill(cells + from, cells + to, blank);
    MendWide(row, from - 1, blank);
    MendWide(row, to, blank);
}

void CTerminalGrid::InsertCells(int row, int column, int count, const CTerminalCell& blank)
{
    if (column < 0 || column >= m_columns)
        return;
    count = std::min(count, m_columns - column);
    CTerminalCell* cells = Row(row);
    MendWide(row, column, blank);
    std::copy_backward(cells + column, cells + m_columns - count, cells + m_columns);
    std::fill_n(cells + column, count, blank);
    MendWide(row, m_columns - 1, blank);
    Touch(row, std::min(m_columns, m_used[static_cast<std::size_t>(Physical(row))] + count));
    if (!blank.IsPlainBlank())
        Touch(row, column + count);
}

void CTerminalGrid::DeleteCells(int row, int column, int count, const CTerminalCell& blank)
{
    if (column < 0 || column >= m_columns)
        return;
    count = std::min(count, m_columns - column);
    CTerminalCell* cells = Row(row);
    MendWide(row, column, blank);
    MendWide(row, column + count, blank);
    std::copy(cells + column + count, cells + m_columns, cells + column);
    std::fill(cells + m_columns - count, cells + m_columns, blank);
    if (!blank.IsPlainBlank())
        Touch(row, m_columns);
}

void CTerminalGrid::SetAlternate(bool on, const CTerminalCell& blank)
{
    if (on == m_alternate)
        return;
    m_alternate = on;
    m_base = on ? m_rows : 0;
    if (on)
        for (int row = 0; row < m_rows; ++row)
            FillRow(row, blank);
}

void CTerminalGrid::Resize(int columns, int rows, int& keepRow)
{
    if (columns == m_columns && rows == m_rows)
        return;
    // The active screen drops rows above the one kept; on the main screen they
    // go to the scrollback first.
    const int shift = std::max(0, keepRow - rows + 1);
    keepRow -= shift;
    std::vector<int> history = HistoryInOrder();
    if (!m_alternate && m_historyLimit > 0) {
        for (int row = 0; row < shift; ++row)
            history.push_back(Physical(row));
        m_scrolledOff += static_cast<std::uint64_t>(shift);
        if (history.size() > static_cast<std::size_t>(m_historyLimit))
            history.erase(history.begin(), history.end() - m_historyLimit);
    }
    Rebuild(columns, rows, history, shift);
}

} // namespace kestrelon
