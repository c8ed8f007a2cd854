// The cells of the Terminal view's model: one pool of rows, reached through a
// row map for the main and alternate screens and through a ring for the
// scrollback. Scrolling moves row numbers, not cells: a line leaving the top
// joins the ring as it is, and once the ring is full the oldest line's row
// becomes the new bottom row. How far each row was written is kept, so blanking
// a recycled row touches only its written cells.
#pragma once

#include "screens/TerminalCell.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrelon {

class CTerminalGrid {
public:
    CTerminalGrid(int columns, int rows, int scrollbackLimit);

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }

    CTerminalCell* Row(int row) { return Cells(Physical(row)); }
    const CTerminalCell* Row(int row) const { return Cells(Physical(row)); }
    // Who writes cells through Row() tells the grid how far: cells from `end`
    // on are known blank, so scrolls copy and clear only the written part.
    void Touch(int row, int end)
    {
        int& used = m_used[static_cast<std::size_t>(Physical(row))];
        used = end > used ? end : used;
    }
    int Used(int row) const { return m_used[static_cast<std::size_t>(Physical(row))]; }
    bool Wrapped(int row) const { return m_wrapped[Physical(row)] != 0; }
    void SetWrapped(int row, bool wrapped) { m_wrapped[Physical(row)] = wrapped ? 1 : 0; }

    int ScrollbackLines() const { return static_cast<int>(m_history.size()); }
    const CTerminalCell* ScrollbackRow(int index) const;
    // -ScrollbackLines() .. -1 the scrollback, 0 .. Rows() - 1 the screen; null outside.
    const CTerminalCell* LineAt(int line) const;
    bool LineWrapped(int line) const;
    // Cells of the line from this column on are plain blanks (0 outside).
    int LineLength(int line) const;
    int ScrollbackLimit() const { return m_historyLimit; }
    void SetScrollbackLimit(int lines);
    void ClearScrollback();
    std::uint64_t LinesScrolledOff() const { return m_scrolledOff; }

    // Rows top..bottom (inclusive) move up by count; with `keep`, the rows that
    // leave at the top go to the scrollback when top is 0 on the main screen.
    void ScrollUp(int top, int bottom, int count, const CTerminalCell& blank, bool keep = false);
    void ScrollDown(int top, int bottom, int count, const CTerminalCell& blank);
    // Cells from `from` to before `to` of a row become blank.
    void Erase(int row, int from, int to, const CTerminalCell& blank);
    void InsertCells(int row, int column, int count, const CTerminalCell& blank);
    void DeleteCells(int row, int column, int count, const CTerminalCell& blank);

    bool AlternateActive() const { return m_alternate; }
    // Entering clears the alternate screen; leaving shows the main one as it was.
    void SetAlternate(bool on, const CTerminalCell& blank);

    // Content stays top-left. When rows shrink below `keepRow`, the rows above
    // go to the scrollback (main screen) so that row stays shown; keepRow is
    // moved with them.
    void Resize(int columns, int rows, int& keepRow);

private:
    // Rows live in chunks that never move while the pool grows.
    static constexpr int CHUNK_SHIFT = 6;
    static constexpr int CHUNK_ROWS = 1 << CHUNK_SHIFT;

    int Physical(int row) const { return m_rowMap[static_cast<std::size_t>(m_base + row)]; }
    CTerminalCell* Cells(int physical) const
    {
        return m_chunks[static_cast<std::size_t>(physical >> CHUNK_SHIFT)].get() +
               static_cast<std::size_t>(physical & (CHUNK_ROWS - 1)) * static_cast<std::size_t>(m_columns);
    }
    // Index 0 is the oldest line.
    int HistoryPhysical(int index) const;
    std::vector<int> HistoryInOrder() const;
    // A blank row added to the pool.
    int NewRow();
    void PushHistory(int row);
    // The grid at a new size holding these rows' cells: `history` (oldest first)
    // as the scrollback, and each screen from its row `skip` on for the active one.
    void Rebuild(int columns, int rows, const std::vector<int>& history, int skip);
    void MendWide(int row, int column, const CTerminalCell& blank);
    void FillRow(int row, const CTerminalCell& blank);

    int m_columns;
    int m_rows;
    std::vector<std::unique_ptr<CTerminalCell[]>> m_chunks;
    int m_poolRows = 0;
    // Per physical row: continues on the next line; cells from here on are default blanks.
    std::vector<std::uint8_t> m_wrapped;
    std::vector<int> m_used;
    // Logical row to physical row, per screen: main at 0, alternate at m_rows.
    std::vector<int> m_rowMap;
    int m_base = 0;
    bool m_alternate = false;

    // Physical rows of the scrollback: grows to the limit, then a ring whose
    // oldest line is at m_historyFirst.
    std::vector<int> m_history;
    int m_historyFirst = 0;
    int m_historyLimit;
    std::uint64_t m_scrolledOff = 0;
};

} // namespace kestrelon
