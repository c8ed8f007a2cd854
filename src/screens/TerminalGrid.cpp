// Cells of the Terminal view's model. Scrolling rotates the row map, so a
// scroll costs a few integers plus one row of blanks; the scrollback ring grows
// by doubling up to its limit and then overwrites its oldest line in place.
#include "screens/TerminalGrid.h"

#include <algorithm>

namespace kestrelon {

namespace {

// The ring's first allocation; doubling from here to the limit.
constexpr int FIRST_HISTORY_CAPACITY = 256;
// How far ahead, and how much of a scrollback slot, is fetched before it is written.
constexpr int PREFETCH_LINES_AHEAD = 4;
constexpr int PREFETCH_CELLS = 16;

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
    m_cells.assign(static_cast<std::size_t>(2 * rows * columns), CTerminalCell{});
    m_wrapped.assign(static_cast<std::size_t>(2 * rows), 0);
    m_used.assign(static_cast<std::size_t>(2 * rows), 0);
    m_rowMap.resize(static_cast<std::size_t>(2 * rows));
    for (int i = 0; i < 2 * rows; ++i)
        m_rowMap[static_cast<std::size_t>(i)] = i;
}

const CTerminalCell* CTerminalGrid::ScrollbackRow(int index) const
{
    if (index < 0 || index >= m_historyCount)
        return nullptr;
    const int slot = (m_historyFirst + index) % m_historyCapacity;
    return m_history.data() + static_cast<std::size_t>(slot) * static_cast<std::size_t>(m_columns);
}

const CTerminalCell* CTerminalGrid::LineAt(int line) const
{
    if (line < 0)
        return ScrollbackRow(m_historyCount + line);
    return line < m_rows ? Row(line) : nullptr;
}

bool CTerminalGrid::LineWrapped(int line) const
{
    if (line >= 0)
        return line < m_rows && Wrapped(line);
    const int index = m_historyCount + line;
    if (index < 0)
        return false;
    return m_historyWrapped[static_cast<std::size_t>((m_historyFirst + index) % m_historyCapacity)] != 0;
}

int CTerminalGrid::LineLength(int line) const
{
    if (line >= 0)
        return line < m_rows ? Used(line) : 0;
    const int index = m_historyCount + line;
    if (index < 0)
        return 0;
    return m_historyUsed[static_cast<std::size_t>((m_historyFirst + index) % m_historyCapacity)];
}

// Rebuilds the ring as one straight run of its newest `keep` lines at `columns` width.
void CTerminalGrid::Relayout(int keep, int columns)
{
    keep = std::min(keep, m_historyCount);
    std::vector<CTerminalCell> cells(static_cast<std::size_t>(keep) * static_cast<std::size_t>(columns));
    std::vector<std::uint8_t> wrapped(static_cast<std::size_t>(keep));
    std::vector<int> used(static_cast<std::size_t>(keep));
    for (int i = 0; i < keep; ++i) {
        const int index = m_historyCount - keep + i;
        const std::size_t slot = static_cast<std::size_t>((m_historyFirst + index) % m_historyCapacity);
        const int width = std::min(columns, m_historyUsed[slot]);
        std::copy_n(ScrollbackRow(index), width, cells.begin() + static_cast<std::ptrdiff_t>(i) * columns);
        MendCut(cells.data() + static_cast<std::ptrdiff_t>(i) * columns, std::min(columns, width));
        wrapped[static_cast<std::size_t>(i)] = m_historyWrapped[slot];
        used[static_cast<std::size_t>(i)] = width;
    }
    m_history = std::move(cells);
    m_historyWrapped = std::move(wrapped);
    m_historyUsed = std::move(used);
    m_historyFirst = 0;
    m_historyCount = keep;
    m_historyCapacity = keep;
}

void CTerminalGrid::SetScrollbackLimit(int lines)
{
    m_historyLimit = std::max(0, lines);
    if (m_historyCount > m_historyLimit || m_historyCapacity > m_historyLimit)
        Relayout(m_historyLimit, m_columns);
}

void CTerminalGrid::ClearScrollback()
{
    m_history.clear();
    m_history.shrink_to_fit();
    m_historyWrapped.clear();
    m_historyUsed.clear();
    m_historyFirst = m_historyCount = m_historyCapacity = 0;
}

void CTerminalGrid::PushHistory(int row)
{
    if (m_historyLimit == 0)
        return;
    if (m_historyCount == m_historyCapacity && m_historyCapacity < m_historyLimit) {
        if (m_historyFirst != 0)
            Relayout(m_historyCount, m_columns);
        m_historyCapacity = std::min(m_historyLimit, std::max(FIRST_HISTORY_CAPACITY, 2 * m_historyCapacity));
        m_history.resize(static_cast<std::size_t>(m_historyCapacity) * static_cast<std::size_t>(m_columns));
        m_historyWrapped.resize(static_cast<std::size_t>(m_historyCapacity));
        m_historyUsed.resize(static_cast<std::size_t>(m_historyCapacity));
    }
    int slot;
    if (m_historyCount < m_historyCapacity) {
        // A subtraction, not a division: this runs once per line of a flood.
        slot = m_historyFirst + m_historyCount++;
        if (slot >= m_historyCapacity)
            slot -= m_historyCapacity;
    } else {
        slot = m_historyFirst; // full: the oldest line's place is reused
        if (++m_historyFirst == m_historyCapacity)
            m_historyFirst = 0;
    }
    // Only the written cells move; the slot's old cells past them become blanks.
    const std::size_t physical = static_cast<std::size_t>(Physical(row));
    const int used = m_used[physical];
    int& slotUsed = m_historyUsed[static_cast<std::size_t>(slot)];
    CTerminalCell* line = m_history.data() + static_cast<std::size_t>(slot) * static_cast<std::size_t>(m_columns);
    std::copy_n(Row(row), used, line);
    if (slotUsed > used)
        std::fill(line + used, line + slotUsed, CTerminalCell{});
    slotUsed = used;
    m_historyWrapped[static_cast<std::size_t>(slot)] = m_wrapped[physical];
    // Slots a few lines on are cold memory once the ring is large: asking for the
    // start of one now overlaps its cache misses with the lines in between (a
    // flood of short lines runs about half again as fast).
    int ahead = slot + PREFETCH_LINES_AHEAD;
    if (ahead >= m_historyCapacity)
        ahead %= m_historyCapacity;
    const CTerminalCell* upcoming =
        m_history.data() + static_cast<std::size_t>(ahead) * static_cast<std::size_t>(m_columns);
    for (int cell = 0; cell < std::min(m_columns, PREFETCH_CELLS); cell += 3) // 3 cells: within one cache line
        __builtin_prefetch(upcoming + cell, 1);
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
    if (!m_alternate)
        for (int i = 0; i < shift; ++i)
            PushHistory(i);
    keepRow -= shift;
    std::vector<CTerminalCell> cells(static_cast<std::size_t>(2 * rows * columns));
    std::vector<std::uint8_t> wrapped(static_cast<std::size_t>(2 * rows));
    std::vector<int> used(static_cast<std::size_t>(2 * rows));
    const int width = std::min(columns, m_columns);
    for (int screen = 0; screen < 2; ++screen) {
        const int skip = (screen == 1) == m_alternate ? shift : 0;
        const int base = screen * m_rows;
        for (int row = 0; row < rows && row + skip < m_rows; ++row) {
            const int from = m_rowMap[static_cast<std::size_t>(base + row + skip)];
            const std::size_t to = static_cast<std::size_t>(screen * rows + row);
            std::copy_n(m_cells.begin() + static_cast<std::ptrdiff_t>(from) * m_columns, width,
                        cells.begin() + static_cast<std::ptrdiff_t>(to) * columns);
            MendCut(cells.data() + static_cast<std::ptrdiff_t>(to) * columns, width);
            wrapped[to] = m_wrapped[static_cast<std::size_t>(from)];
            used[to] = std::min(width, m_used[static_cast<std::size_t>(from)]);
        }
    }
    Relayout(m_historyCount, columns);
    m_cells = std::move(cells);
    m_wrapped = std::move(wrapped);
    m_used = std::move(used);
    m_columns = columns;
    m_rows = rows;
    m_base = m_alternate ? rows : 0;
    m_rowMap.resize(static_cast<std::size_t>(2 * rows));
    for (int i = 0; i < 2 * rows; ++i)
        m_rowMap[static_cast<std::size_t>(i)] = i;
}

} // namespace kestrelon
