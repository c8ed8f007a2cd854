// CAsciiGrid: writing bytes and runs into the ring of rows, scrolling, the
// selection rules of mouse and keyboard, and the copied text.
#include "screens/AsciiGrid.h"

#include "screens/ShortRuns.h"

#include <algorithm>
#include <cstring>

namespace kestrelon {

namespace {
constexpr std::uint8_t BACKSPACE = 8;
constexpr std::uint8_t LINE_FEED = 10;
constexpr std::uint8_t CARRIAGE_RETURN = 13;
constexpr std::uint8_t BLANK = 0x20;
} // namespace

CAsciiGrid::CAsciiGrid(int columns, int lines)
{
    m_columns = -1; // forces the first layout
    Resize(columns, lines);
    m_dirty = false;
}

GridChange CAsciiGrid::Apply(const CUpdateHint& hint, int docColumns, int docLines)
{
    switch (hint.hint) {
    case HINT_RESET:
        Reset();
        return GridChange::Cleared;
    case HINT_BYTE:
        m_writeTime = hint.time;
        WriteByte(hint.value, hint.colour);
        return GridChange::Written;
    case HINT_BLOCK:
        m_writeTime = hint.time;
        WriteRun(hint.data, hint.length, hint.colour);
        return GridChange::Written;
    case HINT_TEXT:
        m_writeTime = hint.time;
        WriteText(hint.data, hint.length, hint.colour);
        return GridChange::Written;
    case HINT_SCREEN_SIZE:
        Resize(docColumns, docLines);
        return GridChange::Cleared;
    case HINT_FONT:
        return GridChange::Font;
    case HINT_NEW_SETTINGS:
        // A new or loaded document keeps what is shown, unless its screen has
        // another size: rows cut at the old width would not match the receive
        // path, which cuts at the document's width.
        if (std::clamp(docColumns, MIN_COLUMNS, MAX_COLUMNS) == m_columns &&
            std::clamp(docLines, MIN_LINES, MAX_LINES) == m_lines)
            return GridChange::None;
        Resize(docColumns, docLines);
        return GridChange::Cleared;
    default:
        return GridChange::None;
    }
}

void CAsciiGrid::Resize(int columns, int lines)
{
    columns = std::clamp(columns, MIN_COLUMNS, MAX_COLUMNS);
    lines = std::clamp(lines, MIN_LINES, MAX_LINES);
    if (columns != m_columns || lines != m_lines) {
        m_columns = columns;
        m_lines = lines;
        // Nothing is allocated or filled here: blocks come as rows are reached.
        m_cells.Configure(columns, lines + 1);
    }
    Reset();
}

void CAsciiGrid::Reset()
{
    m_cells.Clear();
    m_top = 0;
    m_scrolled = 0;
    m_caret = {};
    m_selStart = {};
    m_selEnd = {};
    m_usedLines = 1;
    m_dirty = true;
}

void CAsciiGrid::WriteByte(std::uint8_t value, COLORREF colour)
{
    switch (value) {
    case BACKSPACE: // moves back without erasing: the echo path erases by overwriting
        if (m_caret.column > 0)
            --m_caret.column;
        break;
    case LINE_FEED: // the column stays: only CR returns to column 0
        ++m_caret.row;
        break;
    case CARRIAGE_RETURN:
        m_caret.column = 0;
        break;
    default:
        PutCells(m_caret.row, m_caret.column, &value, 1, colour);
        ++m_caret.column;
        break;
    }
    const bool wrapped = m_caret.column >= m_columns;
    if (wrapped) {
        m_caret.column = 0;
        ++m_caret.row;
    }
    if (m_caret.row >= m_lines)
        ScrollUp();
    if (wrapped)
        MarkWrapped();
    AfterWrite();
}

void CAsciiGrid::MarkWrapped()
{
    DataTime& time = m_cells.Writable(Physical(m_caret.row)).state->time;
    if (time == 0)
        time = WRAPPED_ROW;
}

void CAsciiGrid::WriteRun(const std::uint8_t* data, int length, COLORREF colour)
{
    if (data == nullptr)
        return;
    while (length > 0) {
        const int piece = std::min(length, m_columns);
        WriteRunPiece(data, piece, colour);
        data += piece;
        length -= piece;
    }
}

void CAsciiGrid::WriteText(const std::uint8_t* data, int length, COLORREF colour)
{
    if (data == nullptr)
        return;
    int run = 0;
    for (int i = 0; i < length; ++i) {
        if (!IsLineControl(data[i]))
            continue;
        WriteRun(data + run, i - run, colour);
        WriteByte(data[i], colour);
        run = i + 1;
    }
    WriteRun(data + run, length - run, colour);
}

void CAsciiGrid::WriteRunPiece(const std::uint8_t* data, int length, COLORREF colour)
{
    // The caret moves first; the run then ends just before it, so a run that
    // crosses the row end continues at column 0 of the next row. A piece is at
    // most one row long, so it crosses at most one row end.
    int row = m_caret.row;
    const int column = m_caret.column;
    m_caret.column += length;
    const bool wrapped = m_caret.column >= m_columns;
    if (wrapped) {
        m_caret.column -= m_columns;
        ++m_caret.row;
    }
    if (m_caret.row >= m_lines) {
        ScrollUp();
        --row; // the run's start moved up with its row
    }
    if (wrapped)
        MarkWrapped();
    const int first = std::min(length, m_columns - column);
    PutCells(row, column, data, first, colour);
    if (first < length)
        PutCells(row + 1, 0, data + first, length - first, colour);
    AfterWrite();
}

void CAsciiGrid::AfterWrite()
{
    if (m_caret.row >= m_usedLines)
        m_usedLines = m_caret.row + 1;
    m_dirty = true;
}

int CAsciiGrid::Physical(int row) const
{
    int physical = m_top + row;
    if (physical > m_lines)
        physical -= m_lines + 1;
    return physical;
}

const CCellBlocks::CRowState* CAsciiGrid::State(int row) const
{
    if (row < 0 || row > m_lines)
        return nullptr;
    return m_cells.State(Physical(row));
}

void CAsciiGrid::PutCells(int row, int column, const std::uint8_t* data, int count, COLORREF colour)
{
    if (row < 0 || row >= m_lines || column < 0 || count <= 0 || column + count > m_columns)
        return; // never reached by the write rules; keeps the spare row blank
    const CCellBlocks::CRow cells = m_cells.Writable(Physical(row));
    CCellBlocks::CRowState& state = *cells.state;
    // Cells between the width and `column` become readable: only what an
    // earlier use left there needs blanking.
    if (column > state.width)
        m_cells.Blank(cells, std::max(state.width, state.staleStart), std::min(column, state.staleEnd));
    if (state.width == 0 || column < state.start)
        state.start = column;
    if (state.time == 0)
        state.time = m_writeTime; // the line's first byte
    const std::uint8_t index = ColourIndex(colour);
    CopyShortRun(cells.chars + column, data, static_cast<std::size_t>(count));
    FillShortRun(cells.colours + column, index, static_cast<std::size_t>(count));
    state.width = std::max(state.width, column + count);
}

std::uint8_t CAsciiGrid::ColourIndex(COLORREF colour)
{
    if (colour == m_lastColour)
        return m_lastIndex; // the common case: a run in the colour of the last one
    int index = 0;
    while (index < m_paletteSize && m_palette[static_cast<std::size_t>(index)] != colour)
        ++index;
    if (index == m_paletteSize) {
        if (m_paletteSize < static_cast<int>(m_palette.size()))
            ++m_paletteSize;
        index = m_paletteSize - 1;
        m_palette[static_cast<std::size_t>(index)] = colour;
    }
    m_lastColour = colour;
    m_lastIndex = static_cast<std::uint8_t>(index);
    return m_lastIndex;
}

void CAsciiGrid::ScrollUp()
{
    // Row 0 becomes the new spare row and is emptied; the old spare row, empty
    // already, becomes the last row.
    m_cells.Recycle(Physical(0));
    m_top = m_top == m_lines ? 0 : m_top + 1;
    m_caret.row = m_lines - 1;
    ++m_scrolled;
    MovePointUp(m_selStart);
    MovePointUp(m_selEnd);
}

void CAsciiGrid::MovePointUp(CCellPos& point) const
{
    // The selection moves with its text; an end that reaches the top row is
    // pinned to its start. The anchor stays where it was.
    if (point.row > 0) {
        --point.row;
        if (point.row == 0)
            point.column = 0;
    }
}

std::uint8_t CAsciiGrid::CharAt(int row, int column) const
{
    if (column < 0 || column >= RowWidth(row))
        return BLANK;
    return RowChars(row)[column];
}

COLORREF CAsciiGrid::ColourAt(int row, int column) const
{
    if (column < 0 || column >= RowWidth(row))
        return 0;
    return m_palette[RowColours(row)[column]];
}

int CAsciiGrid::RowWidth(int row) const
{
    const CCellBlocks::CRowState* state = State(row);
    return state == nullptr ? 0 : state->width;
}

const std::uint8_t* CAsciiGrid::RowChars(int row) const
{
    return row < 0 || row > m_lines ? nullptr : m_cells.Chars(Physical(row));
}

const std::uint8_t* CAsciiGrid::RowColours(int row) const
{
    return row < 0 || row > m_lines ? nullptr : m_cells.Colours(Physical(row));
}

std::string CAsciiGrid::RowText(int row) const
{
    std::string text(static_cast<std::size_t>(m_columns), static_cast<char>(BLANK));
    const int width = RowWidth(row);
    if (width > 0)
        std::memcpy(text.data(), RowChars(row), static_cast<std::size_t>(width));
    return text;
}

DataTime CAsciiGrid::RowTime(int row) const
{
    const CCellBlocks::CRowState* state = State(row);
    if (state == nullptr)
        return 0;
    return state->time == WRAPPED_ROW ? 0 : state->time;
}

bool CAsciiGrid::IsSelected(int row, int column) const
{
    const CCellPos cell{column, row};
    return m_selStart <= cell && cell < m_selEnd;
}

CCellPos CAsciiGrid::Clamped(CCellPos point) const
{
    // A drag may leave the window on any side; a position outside the grid
    // would otherwise reach the copied text as a negative row.
    return {std::clamp(point.column, 0, m_columns), std::clamp(point.row, 0, m_lines)};
}

void CAsciiGrid::PressAt(CCellPos point)
{
    point = Clamped(point);
    if (!(point < m_caret))
        return; // only what has been written can be selected
    if (m_extending) {
        if (point <= m_anchor)
            m_selStart = point;
        else
            m_selEnd = point;
    } else {
        m_anchor = m_selStart = m_selEnd = point;
        m_extending = true;
    }
    m_dirty = true;
}

void CAsciiGrid::DragTo(CCellPos point)
{
    point = Clamped(point);
    if (!m_extending || !(point < m_caret))
        return;
    if (point <= m_anchor) {
        m_selStart = point;
        m_selEnd = m_anchor;
    } else {
        m_selStart = m_anchor;
        m_selEnd = point;
    }
    m_dirty = true;
}

void CAsciiGrid::Release()
{
    m_extending = false;
    m_dirty = true;
}

void CAsciiGrid::ShiftDown()
{
    if (!m_extending)
        m_anchor = m_selStart;
    m_extending = true;
}

void CAsciiGrid::ShiftUp()
{
    m_extending = false;
}

void CAsciiGrid::MoveSelectionPoint(ArrowKey key)
{
    CCellPos& point = m_extending ? m_selEnd : m_selStart;
    switch (key) {
    case ArrowKey::Left:
        if (point.column > 0) {
            --point.column;
        } else if (point.row > 0) {
            --point.row;
            point.column = m_columns;
        }
        break;
    case ArrowKey::Up:
        if (point.row > 0)
            --point.row;
        break;
    case ArrowKey::Right:
        if (point.column < m_columns) {
            ++point.column;
        } else if (point.row < m_lines) {
            ++point.row;
            point.column = 0;
        }
        break;
    case ArrowKey::Down:
        if (point.row < m_lines)
            ++point.row;
        break;
    }
    if (!m_extending)
        m_selEnd = m_selStart;
    m_dirty = true;
}

void CAsciiGrid::SelectAll()
{
    m_selStart = {0, 0};
    m_selEnd = {0, m_usedLines};
    m_dirty = true;
}

void CAsciiGrid::Select(CCellPos start, CCellPos end)
{
    m_selStart = Clamped(start);
    m_selEnd = Clamped(end);
    m_extending = false;
    m_dirty = true;
}

std::string CAsciiGrid::SelectedText() const
{
    std::string text;
    CCellPos pos = Clamped(m_selStart);
    // Every step moves forward, so an end before the start yields nothing.
    while (pos < m_selEnd && pos.row <= m_lines) {
        if (pos.column >= m_columns) {
            pos = {0, pos.row + 1}; // a full row runs on without a break
            continue;
        }
        if (ColourAt(pos.row, pos.column) == 0) {
            text += static_cast<char>(LINE_FEED);
            pos = {0, pos.row + 1};
            continue;
        }
        text += static_cast<char>(CharAt(pos.row, pos.column));
        ++pos.column;
    }
    return text;
}

bool CAsciiGrid::TakeDirty()
{
    const bool was = m_dirty;
    m_dirty = false;
    return was;
}

} // namespace kestrelon
