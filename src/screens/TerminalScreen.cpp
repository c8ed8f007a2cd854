// The Terminal view's model: printing with the pending-wrap rule of the last
// column, wide characters and combining marks, C0 controls, ESC sequences,
// resets and the title. Control sequences are in TerminalScreenSequences.
#include "screens/TerminalScreen.h"
#include "screens/TerminalText.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>

namespace kestrelon {

namespace {

constexpr int TAB_WIDTH = 8;

int Clamp(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

} // namespace

CTerminalScreen::CTerminalScreen(int columns, int rows, int scrollbackLimit)
    : m_parser(*this), m_grid(Clamp(columns, MIN_COLUMNS, MAX_COLUMNS), Clamp(rows, MIN_ROWS, MAX_ROWS),
                              Clamp(scrollbackLimit, 0, MAX_SCROLLBACK))
{
    m_bottom = m_grid.Rows() - 1;
    ResetTabStops(0);
    SetScrollbackLimit(scrollbackLimit);
}

void CTerminalScreen::Feed(const std::uint8_t* data, std::size_t length)
{
    if (length == 0)
        return;
    m_parser.Feed(data, length);
    ++m_changeCount;
}

void CTerminalScreen::Resize(int columns, int rows)
{
    columns = Clamp(columns, MIN_COLUMNS, MAX_COLUMNS);
    rows = Clamp(rows, MIN_ROWS, MAX_ROWS);
    if (columns == Columns() && rows == Rows())
        return;
    const int oldColumns = Columns();
    if (columns > oldColumns) // fewer lines fit: the oldest go before the wider copy
        LimitScrollback(columns);
    m_grid.Resize(columns, rows, m_cursorRow);
    LimitScrollback(columns);
    m_cursorColumn = std::min(m_cursorColumn, columns - 1);
    m_pendingWrap = false;
    m_top = 0;
    m_bottom = rows - 1;
    m_tabStops.resize(static_cast<std::size_t>(columns));
    if (columns > oldColumns)
        ResetTabStops(oldColumns);
    for (auto& saved : m_saved) {
        saved.row = std::min(saved.row, rows - 1);
        saved.column = std::min(saved.column, columns - 1);
    }
    ++m_changeCount;
}

void CTerminalScreen::SetScrollbackLimit(int lines)
{
    m_scrollbackAsked = Clamp(lines, 0, MAX_SCROLLBACK);
    LimitScrollback(Columns());
    ++m_changeCount;
}

void CTerminalScreen::LimitScrollback(int columns)
{
    m_grid.SetScrollbackLimit(std::min(m_scrollbackAsked, static_cast<int>(MAX_SCROLLBACK_CELLS / columns)));
}

void CTerminalScreen::ClearScrollback()
{
    m_grid.ClearScrollback();
    ++m_changeCount;
}

void CTerminalScreen::Reset()
{
    SoftReset();
    m_modes = CTerminalModes{};
    m_grid.SetAlternate(false, CTerminalCell{});
    for (int row = 0; row < Rows(); ++row)
        m_grid.Erase(row, 0, Columns(), CTerminalCell{});
    m_saved = {};
    m_cursorRow = m_cursorColumn = 0;
    m_lastPrinted = 0;
    ResetTabStops(0);
    ++m_changeCount;
}

// DECSTR: modes, margins, charsets and pen back to their defaults; the text stays.
void CTerminalScreen::SoftReset()
{
    m_modes.cursorShown = true;
    m_modes.originMode = false;
    m_modes.autoWrap = true;
    m_modes.insertMode = false;
    m_modes.applicationCursorKeys = false;
    m_modes.applicationKeypad = false;
    m_top = 0;
    m_bottom = Rows() - 1;
    m_graphics = {};
    m_shift = 0;
    m_pen = CTerminalCell{};
    m_pendingWrap = false;
    m_saved[m_grid.AlternateActive() ? 1 : 0] = CSavedCursor{};
}

void CTerminalScreen::ResetTabStops(int from)
{
    m_tabStops.resize(static_cast<std::size_t>(Columns()));
    for (int column = from; column < Columns(); ++column)
        m_tabStops[static_cast<std::size_t>(column)] = column % TAB_WIDTH == 0 && column > 0;
}

int CTerminalScreen::NextTab(int column, int count) const
{
    while (count-- > 0 && column < Columns() - 1) {
        ++column;
        while (column < Columns() - 1 && m_tabStops[static_cast<std::size_t>(column)] == 0)
            ++column;
    }
    return column;
}

int CTerminalScreen::PreviousTab(int column, int count) const
{
    while (count-- > 0 && column > 0) {
        --column;
        while (column > 0 && m_tabStops[static_cast<std::size_t>(column)] == 0)
            --column;
    }
    return column;
}

CTerminalCell CTerminalScreen::Blank() const
{
    CTerminalCell blank;
    blank.background = m_pen.background; // erased cells take the current background
    return blank;
}

std::string CTerminalScreen::LineText(int line) const
{
    std::string text;
    if (const CTerminalCell* cells = LineAt(line))
        AppendCellText(text, cells, line, 0, LineLength(line));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string CTerminalScreen::TakeAnswers()
{
    std::string answers;
    answers.swap(m_answers);
    return answers;
}

bool CTerminalScreen::TakeTitleChanged()
{
    return std::exchange(m_titleChanged, false);
}

int CTerminalScreen::TakeBellCount()
{
    return std::exchange(m_bells, 0);
}

bool CTerminalScreen::TakeDirty()
{
    const bool dirty = m_changeCount != m_takenChangeCount;
    m_takenChangeCount = m_changeCount;
    return dirty;
}

void CTerminalScreen::SetEncoding(TerminalEncoding encoding)
{
    m_encoding = encoding;
    m_parser.SetUtf8(encoding == TerminalEncoding::Utf8);
}

void CTerminalScreen::Answer(const char* format, int a, int b)
{
    if (!m_answersEnabled)
        return;
    char text[48];
    const int length = std::snprintf(text, sizeof text, format, a, b);
    if (length > 0 && m_answers.size() + static_cast<std::size_t>(length) <= MAX_PENDING_ANSWERS)
        m_answers.append(text, static_cast<std::size_t>(length));
}

// ---- printing

void CTerminalScreen::WrapIfPending()
{
    if (!m_pendingWrap)
        return;
    m_pendingWrap = false;
    if (!m_modes.autoWrap)
        return;
    m_grid.SetWrapped(m_cursorRow, true);
    m_cursorColumn = 0;
    LineFeed();
}

void CTerminalScreen::PrintAscii(const std::uint8_t* data, std::size_t length)
{
    if (m_graphics[static_cast<std::size_t>(m_shift)] || m_modes.insertMode || !m_modes.autoWrap) {
        for (std::size_t i = 0; i < length; ++i)
            Print(data[i]);
        return;
    }
    const int columns = Columns();
    while (length > 0) {
        WrapIfPending();
        CTerminalCell* row = m_grid.Row(m_cursorRow);
        const int room = columns - m_cursorColumn;
        const int count = static_cast<int>(std::min<std::size_t>(length, static_cast<std::size_t>(room)));
        const int first = m_cursorColumn;
        if (row[first].width == CTerminalCell::CONTINUATION && first > 0)
            row[first - 1] = Blank();
        if (row[first + count - 1].width == CTerminalCell::WIDE && first + count < columns)
            row[first + count] = Blank();
        // The pen first, then the code point over it, the pen read where it lives:
        // a cell built in a local and copied stalls the store buffer (narrow stores
        // read back wide), on every byte or on every run.
        const CTerminalCell& pen = m_pen;
        for (int i = 0; i < count; ++i) {
            row[first + i] = pen;
            row[first + i].codePoint = data[i];
        }
        m_grid.Touch(m_cursorRow, first + count);
        m_lastPrinted = data[count - 1];
        data += count;
        length -= static_cast<std::size_t>(count);
        m_cursorColumn += count;
        if (m_cursorColumn >= columns) {
            m_cursorColumn = columns - 1;
            m_pendingWrap = true;
        }
    }
}

void CTerminalScreen::Print(char32_t c)
{
    if (c < 0x80 && m_graphics[static_cast<std::size_t>(m_shift)])
        c = DecSpecialGraphic(static_cast<std::uint8_t>(c));
    const int width = CodePointWidth(c);
    if (width == 0) {
        Combine(c);
        return;
    }
    const int columns = Columns();
    if (width == 2 && m_cursorColumn == columns - 1 && !m_pendingWrap && m_modes.autoWrap) {
        // A wide character never splits across lines: it wraps whole.
        m_grid.Erase(m_cursorRow, m_cursorColumn, columns, Blank());
        m_pendingWrap = true;
    }
    WrapIfPending();
    if (width == 2 && m_cursorColumn == columns - 1)
        return; // no room without autowrap
    if (m_modes.insertMode)
        m_grid.InsertCells(m_cursorRow, m_cursorColumn, width, Blank());
    CTerminalCell* row = m_grid.Row(m_cursorRow);
    const int first = m_cursorColumn;
    if (row[first].width == CTerminalCell::CONTINUATION && first > 0)
        row[first - 1] = Blank();
    if (row[first + width - 1].width == CTerminalCell::WIDE && first + width < columns)
        row[first + width] = Blank();
    CTerminalCell cell = m_pen;
    cell.codePoint = c;
    cell.width = width == 2 ? CTerminalCell::WIDE : CTerminalCell::NARROW;
    row[first] = cell;
    if (width == 2) {
        cell.codePoint = U' ';
        cell.width = CTerminalCell::CONTINUATION;
        row[first + 1] = cell;
    }
    m_grid.Touch(m_cursorRow, first + width);
    m_lastPrinted = c;
    m_cursorColumn += width;
    if (m_cursorColumn >= columns) {
        m_cursorColumn = columns - 1;
        m_pendingWrap = true;
    }
}

// A combining mark joins the character before the cursor.
void CTerminalScreen::Combine(char32_t mark)
{
    int column = m_pendingWrap ? m_cursorColumn : m_cursorColumn - 1;
    if (column < 0 || mark > 0xFFFF)
        return;
    CTerminalCell* row = m_grid.Row(m_cursorRow);
    if (row[column].width == CTerminalCell::CONTINUATION && column > 0)
        --column;
    for (char16_t& slot : row[column].marks)
        if (slot == 0) {
            slot = static_cast<char16_t>(mark);
            m_grid.Touch(m_cursorRow, column + 1);
            return;
        }
}

// ---- controls

void CTerminalScreen::LineFeed()
{
    if (m_cursorRow == m_bottom)
        m_grid.ScrollUp(m_top, m_bottom, 1, Blank(), true);
    else if (m_cursorRow < Rows() - 1)
        ++m_cursorRow;
}

void CTerminalScreen::ReverseIndex()
{
    m_pendingWrap = false;
    if (m_cursorRow == m_top)
        m_grid.ScrollDown(m_top, m_bottom, 1, Blank());
    else if (m_cursorRow > 0)
        --m_cursorRow;
}

void CTerminalScreen::Execute(std::uint8_t control)
{
    switch (control) {
    case 0x07: // BEL
        ++m_bells;
        break;
    case 0x08: // BS: left without erasing; from a pending wrap to the column before the last
        m_cursorColumn = std::max(0, m_cursorColumn - 1);
        m_pendingWrap = false;
        break;
    case 0x09: // HT
        m_cursorColumn = NextTab(m_cursorColumn, 1);
        break;
    case 0x0A: // LF, VT, FF
    case 0x0B:
    case 0x0C:
        m_pendingWrap = false;
        if (m_modes.newLineMode)
            m_cursorColumn = 0;
        LineFeed();
        break;
    case 0x0D: // CR
        m_cursorColumn = 0;
        m_pendingWrap = false;
        break;
    case 0x0E: // SO
        m_shift = 1;
        break;
    case 0x0F: // SI
        m_shift = 0;
        break;
    default: // NUL and the rest: never drawn
        break;
    }
}

void CTerminalScreen::MoveTo(int row, int column)
{
    m_cursorRow = Clamp(row, 0, Rows() - 1);
    m_cursorColumn = Clamp(column, 0, Columns() - 1);
    m_pendingWrap = false;
}

// Addressing counted from the region's top in origin mode, and held inside it.
void CTerminalScreen::MoveToOrigin(int row, int column)
{
    if (m_modes.originMode)
        row = Clamp(row + m_top, m_top, m_bottom);
    MoveTo(row, column);
}

void CTerminalScreen::SaveCursor()
{
    m_saved[m_grid.AlternateActive() ? 1 : 0] =
        CSavedCursor{m_cursorRow, m_cursorColumn, m_pen, m_modes.originMode, m_pendingWrap, m_graphics, m_shift};
}

void CTerminalScreen::RestoreCursor()
{
    const CSavedCursor& saved = m_saved[m_grid.AlternateActive() ? 1 : 0];
    MoveTo(saved.row, saved.column);
    m_pen = saved.pen;
    m_modes.originMode = saved.originMode;
    m_pendingWrap = saved.pendingWrap && m_cursorColumn == Columns() - 1;
    m_graphics = saved.graphics;
    m_shift = saved.shift;
}

void CTerminalScreen::EscDispatch(const CVtSequence& s)
{
    const char intermediate = s.Intermediate();
    if (intermediate == '(' || intermediate == ')') {
        m_graphics[intermediate == '(' ? 0 : 1] = s.final == '0';
        return;
    }
    if (intermediate == '#' && s.final == '8') { // DECALN: the screen full of E
        CTerminalCell cell;
        cell.codePoint = U'E';
        for (int row = 0; row < Rows(); ++row) {
            std::fill_n(m_grid.Row(row), Columns(), cell);
            m_grid.Touch(row, Columns());
        }
        m_top = 0;
        m_bottom = Rows() - 1;
        MoveTo(0, 0);
        return;
    }
    if (intermediate != 0)
        return;
    switch (s.final) {
    case '7':
        SaveCursor();
        break;
    case '8':
        RestoreCursor();
        break;
    case 'D': // IND
        m_pendingWrap = false;
        LineFeed();
        break;
    case 'E': // NEL
        m_cursorColumn = 0;
        m_pendingWrap = false;
        LineFeed();
        break;
    case 'H':
        m_tabStops[static_cast<std::size_t>(m_cursorColumn)] = 1;
        break;
    case 'M':
        ReverseIndex();
        break;
    case 'c':
        Reset();
        break;
    case '=':
        m_modes.applicationKeypad = true;
        break;
    case '>':
        m_modes.applicationKeypad = false;
        break;
    case 'Z':
        Answer("\x1b[?62;22c");
        break;
    default:
        break;
    }
}

void CTerminalScreen::OscDispatch(const char* text, std::size_t length)
{
    const std::string_view osc(text, length);
    const std::size_t semicolon = osc.find(';');
    if (semicolon == std::string_view::npos)
        return;
    const std::string_view command = osc.substr(0, semicolon);
    if (command != "0" && command != "2")
        return;
    // The title is kept as valid UTF-8 whatever came: Latin-1 bytes converted,
    // malformed UTF-8 replaced.
    std::string title;
    CUtf8Decoder decoder;
    for (const char byte : osc.substr(semicolon + 1)) {
        const auto b = static_cast<std::uint8_t>(byte);
        bool again = b >= 0x80;
        char32_t c = b < 0x80 ? decoder.Interrupt() : CUtf8Decoder::NONE;
        if (c != CUtf8Decoder::NONE)
            AppendUtf8(title, c);
        if (b < 0x80 || m_encoding == TerminalEncoding::Latin1) {
            AppendUtf8(title, b);
            continue;
        }
        while (again) {
            c = decoder.Take(b, again);
            if (c != CUtf8Decoder::NONE)
                AppendUtf8(title, c);
        }
    }
    if (const char32_t c = decoder.Interrupt(); c != CUtf8Decoder::NONE)
        AppendUtf8(title, c);
    if (title != m_title) {
        m_title = std::move(title);
        m_titleChanged = true;
    }
}

} // namespace kestrelon
