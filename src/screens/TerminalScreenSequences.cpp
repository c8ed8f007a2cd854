// The Terminal view model's control sequences (CSI): cursor addressing,
// erasing, inserting and deleting, scrolling, modes, tab stops and the answers
// to status requests.
#include "screens/TerminalScreen.h"

#include "screens/TerminalRendition.h"

#include <algorithm>

namespace kestrelon {

void CTerminalScreen::EraseDisplay(int mode)
{
    const CTerminalCell blank = Blank();
    int from = 0, to = Rows();
    if (mode == 0) {
        m_grid.Erase(m_cursorRow, m_cursorColumn, Columns(), blank);
        from = m_cursorRow + 1;
    } else if (mode == 1) {
        m_grid.Erase(m_cursorRow, 0, m_cursorColumn + 1, blank);
        to = m_cursorRow;
    } else if (mode == 3) {
        m_grid.ClearScrollback();
        return;
    } else if (mode != 2) {
        return;
    }
    for (int row = from; row < to; ++row) {
        m_grid.Erase(row, 0, Columns(), blank);
        m_grid.SetWrapped(row, false);
    }
}

void CTerminalScreen::EraseLine(int mode)
{
    const int from = mode == 0 ? m_cursorColumn : 0;
    const int to = mode == 1 ? m_cursorColumn + 1 : Columns();
    if (mode <= 2)
        m_grid.Erase(m_cursorRow, from, to, Blank());
}

void CTerminalScreen::AnsiMode(int mode, bool set)
{
    if (mode == 4)
        m_modes.insertMode = set;
    else if (mode == 20)
        m_modes.newLineMode = set;
}

void CTerminalScreen::PrivateMode(int mode, bool set)
{
    switch (mode) {
    case 1:
        m_modes.applicationCursorKeys = set;
        break;
    case 5:
        m_modes.reverseVideo = set;
        break;
    case 6:
        m_modes.originMode = set;
        MoveToOrigin(0, 0);
        break;
    case 7:
        m_modes.autoWrap = set;
        if (!set)
            m_pendingWrap = false;
        break;
    case 25:
        m_modes.cursorShown = set;
        break;
    case 47:
    case 1047:
        m_grid.SetAlternate(set, Blank());
        break;
    case 1048:
        if (set)
            SaveCursor();
        else
            RestoreCursor();
        break;
    case 1049:
        if (set) {
            if (m_grid.AlternateActive())
                break;
            SaveCursor();
            m_grid.SetAlternate(true, Blank());
        } else if (m_grid.AlternateActive()) {
            m_grid.SetAlternate(false, Blank());
            RestoreCursor();
        }
        break;
    case 2004:
        m_modes.bracketedPaste = set;
        break;
    default:
        break;
    }
}

void CTerminalScreen::CsiDispatch(const CVtSequence& s)
{
    const int n = s.Param(0, 1);
    const int rows = Rows(), columns = Columns();
    if (s.marker == '?') {
        if (s.final == 'h' || s.final == 'l')
            for (int i = 0; i < s.count; ++i)
                PrivateMode(s.Param(i, 0, false), s.final == 'h');
        else if (s.final == 'J')
            EraseDisplay(s.Param(0, 0, false));
        else if (s.final == 'K')
            EraseLine(s.Param(0, 0, false));
        return;
    }
    if (s.marker == '>') {
        if (s.final == 'c' && s.Param(0, 0, false) == 0)
            Answer("\x1b[>1;10;0c");
        return;
    }
    if (s.marker != 0)
        return;
    if (s.intermediateCount != 0) {
        if (s.Intermediate() == '!' && s.final == 'p')
            SoftReset();
        return;
    }
    switch (s.final) {
    case '@':
        m_grid.InsertCells(m_cursorRow, m_cursorColumn, n, Blank());
        m_pendingWrap = false;
        break;
    case 'A':
        MoveTo(std::max(m_cursorRow - n, m_cursorRow >= m_top ? m_top : 0), m_cursorColumn);
        break;
    case 'B':
    case 'e':
        MoveTo(std::min(m_cursorRow + n, m_cursorRow <= m_bottom ? m_bottom : rows - 1), m_cursorColumn);
        break;
    case 'C':
    case 'a':
        MoveTo(m_cursorRow, m_cursorColumn + n);
        break;
    case 'D':
        MoveTo(m_cursorRow, m_cursorColumn - n);
        break;
    case 'E':
        MoveTo(std::min(m_cursorRow + n, m_cursorRow <= m_bottom ? m_bottom : rows - 1), 0);
        break;
    case 'F':
        MoveTo(std::max(m_cursorRow - n, m_cursorRow >= m_top ? m_top : 0), 0);
        break;
    case 'G':
    case '`':
        MoveTo(m_cursorRow, n - 1);
        break;
    case 'H':
    case 'f':
        MoveToOrigin(n - 1, s.Param(1, 1) - 1);
        break;
    case 'd':
        MoveToOrigin(n - 1, m_cursorColumn);
        break;
    case 'I':
        MoveTo(m_cursorRow, NextTab(m_cursorColumn, n));
        break;
    case 'Z':
        MoveTo(m_cursorRow, PreviousTab(m_cursorColumn, n));
        break;
    case 'J':
        EraseDisplay(s.Param(0, 0, false));
        break;
    case 'K':
        EraseLine(s.Param(0, 0, false));
        break;
    case 'L':
    case 'M':
        if (CursorInRegion()) {
            if (s.final == 'L')
                m_grid.ScrollDown(m_cursorRow, m_bottom, n, Blank());
            else
                m_grid.ScrollUp(m_cursorRow, m_bottom, n, Blank());
            MoveTo(m_cursorRow, 0);
        }
        break;
    case 'P':
        m_grid.DeleteCells(m_cursorRow, m_cursorColumn, n, Blank());
        m_pendingWrap = false;
        break;
    case 'X':
        m_grid.Erase(m_cursorRow, m_cursorColumn, m_cursorColumn + n, Blank());
        m_pendingWrap = false;
        break;
    case 'S':
        m_grid.ScrollUp(m_top, m_bottom, n, Blank());
        break;
    case 'T':
        if (s.count <= 1)
            m_grid.ScrollDown(m_top, m_bottom, n, Blank());
        break;
    case 'b': // REP, bounded by the screen: more would only overwrite itself
        for (int i = std::min(n, rows * columns); m_lastPrinted != 0 && i > 0; --i)
            Print(m_lastPrinted);
        break;
    case 'c':
        if (s.Param(0, 0, false) == 0)
            Answer("\x1b[?62;22c");
        break;
    case 'g':
        if (s.Param(0, 0, false) == 0)
            m_tabStops[static_cast<std::size_t>(m_cursorColumn)] = 0;
        else if (s.Param(0, 0, false) == 3)
            std::fill(m_tabStops.begin(), m_tabStops.end(), 0);
        break;
    case 'h':
    case 'l':
        for (int i = 0; i < s.count; ++i)
            AnsiMode(s.Param(i, 0, false), s.final == 'h');
        break;
    case 'm':
        ApplyRendition(s, m_pen);
        break;
    case 'n':
        if (s.Param(0, 0, false) == 5)
            Answer("\x1b[0n");
        else if (s.Param(0, 0, false) == 6)
            Answer("\x1b[%d;%dR", m_cursorRow - (m_modes.originMode ? m_top : 0) + 1, m_cursorColumn + 1);
        break;
    case 'r': {
        const int top = s.Param(0, 1) - 1, bottom = std::min(s.Param(1, rows), rows) - 1;
        if (top < bottom) {
            m_top = top;
            m_bottom = bottom;
            MoveToOrigin(0, 0);
        }
        break;
    }
    case 's':
        SaveCursor();
        break;
    case 'u':
        RestoreCursor();
        break;
    case 't':
        if (s.Param(0, 0, false) == 18)
            Answer("\x1b[8;%d;%dt", rows, columns);
        break;
    default:
        break;
    }
}

} // namespace kestrelon
