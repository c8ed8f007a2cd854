// The cells of the Terminal view's model: the main and alternate screens as
// rows reached through a row map (scrolling moves row numbers, not cells), and
// the scrollback as a ring of fixed-width lines that is reused once full. How far
// each row was written is kept, so a scroll moves only the written cells.
#pragma once

#include "screens/TerminalCell.h"

#include <cstdint>
#include <vector>

namespace kestrelon {

class CTerminalGrid {
public:
    CTerminalGrid(int columns, int rows, int scrollbackLimit);

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }

    CTerminalCell* Row(int row) { return m_cells.data() + Offset(row); }
    const CTerminalCell* Row(int row) const { return m_cells.data() + Offset(row); }
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

    int ScrollbackLines() const { return m_historyCount; }
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
    int Physical(int row) const { return m_rowMap[static_cast<std::size_t>(m_base + row)]; }
    std::size_t Offset(int row) const
    {
        return static_cast<std::size_t>(Physical(row)) * static_cast<std::size_t>(m_columns);
    }
    void PushHistory(int row);
    void Relayout(int keep, int columns);
    void MendWide(int row, int column, const CTerminalCell& blank);
    void FillRow(int row, const CTerminalCell& blank);

    int m_columns;
    int m_rows;
    // Both screens' rows: physical rows 0..rows-1 are main, rows..2*rows-1 alternate.
    std::vector<CTerminalCell> m_cells;
    std::vector<std::uint8_t> m_wrapped;
    // Per physical row: cells from here on are default blanks.
    std::vector<int> m_used;
    // Logical row to physical row, per screen: main at 0, alternate at m_rows.
    std::vector<int> m_rowMap;
    int m_base = 0;
    bool m_alternate = false;

    std::vector<CTerminalCell> m_history; // ring of lines of m_columns cells
    std::vector<std::uint8_t> m_historyWrapped;
    std::vector<int> m_historyUsed; // per slot, as m_used
    int m_historyLimit;
    int m_historyFirst = 0;
    int m_historyCount = 0;
    int m_historyCapacity = 0; // lines the ring has room for now; grows up to the limit
    std::uint64_t m_scrolledOff = 0;
};

} // namespace kestrelon
