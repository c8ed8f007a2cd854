// The byte interpreter of the ANSI screen and the screen operations it drives.
// Control sequences put the column first and count from 0 (ESC [col;rowH), and
// the position report answers column first counting from 1: the devices written
// for this terminal depend on both, so neither follows the usual row-first order.
#include "screens/AnsiScreen.h"

#include "screens/ShortRuns.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrelon {

namespace {

constexpr int kLastColumn = CAnsiScreen::COLUMNS - 1;
constexpr int kLastRow = CAnsiScreen::ROWS - 1;

// Bytes the interpreter acts on instead of writing them: BS, HT, LF, VT, FF, CR
// (0x08..0x0D) and ESC (0x1B). Every other byte, NUL and bell included, is written.
constexpr bool IsWritten(std::uint8_t b)
{
    return (b < 0x08 || b > 0x0D) && b != 0x1B;
}

constexpr bool IsLetter(std::uint8_t b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// The decimal number at the start of `text`: an optional sign, then digits, so
// intermediate characters such as "?" give 0. Saturates instead of overflowing.
int LeadingNumber(const char* text, int length)
{
    int i = 0;
    bool negative = false;
    if (i < length && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), CAnsiScreen::MAX_PARAMETER);
    return negative ? -value : value;
}

// Calls `apply(text, length)` for each piece of `text` cut at ';'.
template <typename Apply> void ForEachField(const char* text, int length, Apply apply)
{
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i == length || text[i] == ';') {
            apply(text + start, i - start);
            start = i + 1;
        }
    }
}

// The number of field `index`, or 0 past the last field.
int FieldNumber(const char* text, int length, int index)
{
    int result = 0;
    int current = 0;
    ForEachField(text, length, [&](const char* field, int fieldLength) {
        if (current++ == index)
            result = LeadingNumber(field, fieldLength);
    });
    return result;
}

} // namespace

CAnsiScreen::CAnsiScreen(IAnsiReplyTarget* replies) : m_replies(replies)
{
    Reset();
}

CAnsiScreen::HintEffect CAnsiScreen::ApplyHint(const CUpdateHint& hint)
{
    switch (hint.hint) {
    case HINT_RESET:
        Reset();
        return HintEffect::Reset;
    case HINT_BYTE:
        if (hint.colour != RECEIVE_COLOUR)
            return HintEffect::None;
        ProcessByte(hint.value);
        return HintEffect::Processed;
    case HINT_BLOCK:
    case HINT_TEXT: // the parser takes line ends as it takes them one by one
        if (hint.colour != RECEIVE_COLOUR || hint.data == nullptr || hint.length < 1)
            return HintEffect::None;
        ProcessBlock(hint.data, hint.length);
        return HintEffect::Processed;
    case HINT_SCREEN_SIZE:
    case HINT_FONT:
    case HINT_NEW_SETTINGS:
        return HintEffect::None;
    }
    return HintEffect::None;
}

void CAnsiScreen::ProcessBlock(const std::uint8_t* data, std::int32_t length)
{
    if (data == nullptr || length < 1)
        return;
    std::int32_t i = 0;
    while (i < length) {
        if (!m_inEscape && IsWritten(data[i])) {
            std::int32_t end = i + 1;
            while (end < length && IsWritten(data[end]))
                ++end;
            WriteRun(data + i, end - i);
            i = end;
            continue;
        }
        ProcessByte(data[i++]);
    }
}

void CAnsiScreen::ProcessByte(std::uint8_t b)
{
    // An ESC also marks the screen dirty: clearing the flag here would hold back
    // the repaint of everything that came before it.
    m_dirty = true;
    if (m_inEscape) {
        EscapeByte(b);
    } else {
        switch (b) {
        case 0x08: // BS
            if (m_cursorColumn > 0)
                --m_cursorColumn;
            break;
        case 0x09: // HT: next stop, or the last column when there is none
            while (m_cursorColumn + 1 < COLUMNS) {
                ++m_cursorColumn;
                if (m_tabStops[static_cast<std::size_t>(m_cursorColumn)] != 0)
                    break;
            }
            break;
        case 0x0A: // LF
        case 0x0B: // VT
            ++m_cursorRow;
            break;
        case 0x0C: // FF
            m_cursorColumn = 0;
            m_cursorRow = 0;
            ClearScreen();
            break;
        case 0x0D: // CR
            m_cursorColumn = 0;
            break;
        case 0x1B: // ESC
            m_inEscape = true;
            m_escapeLength = 0;
            break;
        default:
            WriteRun(&b, 1);
            break;
        }
    }
    WrapAndScroll();
}

void CAnsiScreen::WriteRun(const std::uint8_t* data, int length)
{
    m_dirty = true;
    // Read once: the planes' byte stores could otherwise be taken to change them.
    const std::uint8_t foreground = m_currentForeground;
    const std::uint8_t background = m_currentBackground;
    const std::uint8_t attributes = m_currentAttributes;
    while (length > 0) {
        const int count = std::min(COLUMNS - m_cursorColumn, length);
        const auto offset = static_cast<std::size_t>(RowOffset(m_cursorRow) + m_cursorColumn);
        const auto size = static_cast<std::size_t>(count);
        CopyShortRun(m_chars.data() + offset, data, size);
        FillShortRun(m_foreground.data() + offset, foreground, size);
        FillShortRun(m_background.data() + offset, background, size);
        FillShortRun(m_attributes.data() + offset, attributes, size);
        std::uint8_t& extent = Extent(m_cursorRow);
        extent = static_cast<std::uint8_t>(std::max<int>(extent, m_cursorColumn + count));
        m_cursorColumn += count;
        data += count;
        length -= count;
        WrapAndScroll();
    }
}

void CAnsiScreen::WrapAndScroll()
{
    if (m_cursorColumn >= COLUMNS) {
        m_cursorColumn = 0;
        ++m_cursorRow;
    }
    if (m_cursorRow >= ROWS) {
        ScrollUp();
        m_cursorRow = kLastRow;
    }
}

// Only the row's written extent holds anything: a flood of short lines clears
// a few cells per line instead of the whole width.
void CAnsiScreen::ClearRow(int row)
{
    const auto offset = static_cast<std::size_t>(RowOffset(row));
    std::uint8_t& extent = Extent(row);
    const auto size = static_cast<std::size_t>(extent);
    FillShortRun(m_chars.data() + offset, 0, size);
    FillShortRun(m_foreground.data() + offset, 0, size);
    FillShortRun(m_background.data() + offset, 0, size);
    FillShortRun(m_attributes.data() + offset, 0, size);
    extent = 0;
}

void CAnsiScreen::CopyRow(int from, int to)
{
    const auto source = static_cast<std::size_t>(RowOffset(from));
    const auto target = static_cast<std::size_t>(RowOffset(to));
    std::memcpy(m_chars.data() + target, m_chars.data() + source, COLUMNS);
    std::memcpy(m_foreground.data() + target, m_foreground.data() + source, COLUMNS);
    std::memcpy(m_background.data() + target, m_background.data() + source, COLUMNS);
    std::memcpy(m_attributes.data() + target, m_attributes.data() + source, COLUMNS);
    Extent(to) = Extent(from);
}

void CAnsiScreen::ScrollUp()
{
    // The top row becomes the new, empty bottom row.
    ClearRow(0);
    m_top = (m_top + 1) % ROWS;
}

void CAnsiScreen::ScrollDown()
{
    // The bottom row becomes the new, empty top row.
    m_top = (m_top + kLastRow) % ROWS;
    ClearRow(0);
}

void CAnsiScreen::EscapeByte(std::uint8_t b)
{
    // A control byte or space abandons the sequence and is itself dropped; so is
    // the byte that would carry a sequence past its length limit.
    if (b <= 0x20 || m_escapeLength >= MAX_ESCAPE_LENGTH) {
        m_inEscape = false;
        return;
    }
    m_escape[static_cast<std::size_t>(m_escapeLength++)] = static_cast<char>(b);
    if (IsLetter(b) || (m_escapeLength == 1 && (b == '7' || b == '8'))) {
        m_inEscape = false;
        ExecuteSequence();
    }
}

void CAnsiScreen::ExecuteSequence()
{
    const char final = m_escape[static_cast<std::size_t>(m_escapeLength - 1)];
    if (m_escape[0] == '[')
        ExecuteControl(m_escape.data() + 1, m_escapeLength - 1, final);
    else
        ExecuteEscape(final);
}

void CAnsiScreen::ExecuteControl(const char* params, int length, char final)
{
    const int number = LeadingNumber(params, length);
    const int atLeastOne = number > 1 ? number : 1;
    // Line and character counts stay inside the screen: 0 and negatives mean 1.
    const int count = number > 0 ? number : 1;
    switch (final) {
    case 'A':
        m_cursorRow = std::max(m_cursorRow - atLeastOne, 0);
        break;
    case 'B':
        m_cursorRow = std::min(m_cursorRow + atLeastOne, kLastRow);
        break;
    case 'C':
        m_cursorColumn = std::min(m_cursorColumn + atLeastOne, kLastColumn);
        break;
    case 'D':
        m_cursorColumn = std::max(m_cursorColumn - atLeastOne, 0);
        break;
    case 'H':
    case 'f':
        m_cursorColumn = std::clamp(FieldNumber(params, length, 0), 0, kLastColumn);
        m_cursorRow = std::clamp(FieldNumber(params, length, 1), 0, kLastRow);
        break;
    case 'J':
        EraseDisplay(number);
        break;
    case 'K':
        EraseLine(number);
        break;
    case 'L':
        InsertLines(count);
        break;
    case 'M':
        DeleteLines(count);
        break;
    case 'P':
        DeleteCharacters(count);
        break;
    case 'g':
        if (number == 3)
            m_tabStops.fill(0);
        else
            m_tabStops[static_cast<std::size_t>(m_cursorColumn)] = 0;
        break;
    case 'm':
        SelectGraphicRendition(params, length);
        break;
    case 'n':
        DeviceStatusReport(params, length);
        break;
    case 's':
        SaveCursor();
        break;
    case 'u':
        RestoreCursor();
        break;
    default: // h, l (modes 4 and 7), r (scrolling region) and the rest: no effect
        break;
    }
}

void CAnsiScreen::ExecuteEscape(char final)
{
    switch (final) {
    case 'D': // index: the wrap-and-scroll step scrolls at the bottom
        ++m_cursorRow;
        break;
    case 'E': // next line
        ++m_cursorRow;
        m_cursorColumn = 0;
        break;
    case 'H':
        m_tabStops[static_cast<std::size_t>(m_cursorColumn)] = 1;
        break;
    case 'M': // reverse index
        if (m_cursorRow > 0)
            --m_cursorRow;
        else
            ScrollDown();
        break;
    case '7':
        SaveCursor();
        break;
    case '8':
        RestoreCursor();
        break;
    default:
        break;
    }
}

void CAnsiScreen::EraseDisplay(int mode)
{
    const auto cursor = static_cast<std::size_t>(m_cursorColumn);
    switch (mode) {
    case 0:
        std::memset(m_chars.data() + RowOffset(m_cursorRow) + cursor, 0, COLUMNS - cursor);
        for (int row = m_cursorRow + 1; row < ROWS; ++row)
            std::memset(m_chars.data() + RowOffset(row), 0, COLUMNS);
        break;
    case 1:
        for (int row = 0; row < m_cursorRow; ++row)
            std::memset(m_chars.data() + RowOffset(row), 0, COLUMNS);
        std::memset(m_chars.data() + RowOffset(m_cursorRow), 0, cursor + 1);
        break;
    case 2:
        ClearScreen();
        break;
    default:
        break;
    }
}

void CAnsiScreen::EraseLine(int mode)
{
    std::uint8_t* row = m_chars.data() + RowOffset(m_cursorRow);
    const auto cursor = static_cast<std::size_t>(m_cursorColumn);
    switch (mode) {
    case 0:
        std::memset(row + cursor, 0, COLUMNS - cursor);
        break;
    case 1:
        std::memset(row, 0, cursor + 1);
        break;
    case 2:
        std::memset(row, 0, COLUMNS);
        break;
    default:
        break;
    }
}

void CAnsiScreen::InsertLines(int count)
{
    count = std::min(count, ROWS - m_cursorRow);
    for (int target = kLastRow; target >= m_cursorRow + count; --target)
        CopyRow(target - count, target);
    for (int row = m_cursorRow; row < m_cursorRow + count; ++row)
        ClearRow(row);
}

void CAnsiScreen::DeleteLines(int count)
{
    count = std::min(count, ROWS - m_cursorRow);
    for (int target = m_cursorRow; target < ROWS - count; ++target)
        CopyRow(target + count, target);
    for (int row = ROWS - count; row < ROWS; ++row)
        ClearRow(row);
}

void CAnsiScreen::DeleteCharacters(int count)
{
    count = std::min(count, COLUMNS - m_cursorColumn);
    const auto offset = static_cast<std::size_t>(RowOffset(m_cursorRow) + m_cursorColumn);
    const auto kept = static_cast<std::size_t>(COLUMNS - m_cursorColumn - count);
    const auto cleared = static_cast<std::size_t>(count);
    for (auto* plane : {&m_chars, &m_foreground, &m_background, &m_attributes}) {
        std::uint8_t* cells = plane->data() + offset;
        std::memmove(cells, cells + count, kept);
        std::memset(cells + kept, 0, cleared);
    }
}

void CAnsiScreen::SelectGraphicRendition(const char* params, int length)
{
    // "ESC [m" is one empty field, which reads as 0: a full reset.
    ForEachField(params, length,
                 [this](const char* field, int fieldLength) { ApplyRendition(LeadingNumber(field, fieldLength)); });
}

void CAnsiScreen::ApplyRendition(int value)
{
    switch (value) {
    case 0:
        m_currentAttributes = 0;
        m_currentForeground = DEFAULT_FOREGROUND;
        m_currentBackground = DEFAULT_BACKGROUND;
        return;
    case 1:
        m_currentAttributes |= ATTR_BOLD;
        return;
    case 4:
        m_currentAttributes |= ATTR_UNDERLINE;
        return;
    case 5:
        m_currentAttributes |= ATTR_BLINK;
        return;
    case 7:
        m_currentAttributes |= ATTR_REVERSE;
        return;
    case 8:
        m_currentAttributes |= ATTR_HIDDEN;
        return;
    case 22:
        m_currentAttributes &= static_cast<std::uint8_t>(~ATTR_BOLD);
        return;
    case 24:
        m_currentAttributes &= static_cast<std::uint8_t>(~ATTR_UNDERLINE);
        return;
    case 25:
        m_currentAttributes &= static_cast<std::uint8_t>(~ATTR_BLINK);
        return;
    case 27:
        m_currentAttributes &= static_cast<std::uint8_t>(~ATTR_REVERSE);
        return;
    case 28:
        m_currentAttributes &= static_cast<std::uint8_t>(~ATTR_HIDDEN);
        return;
    case 39:
        m_currentForeground = DEFAULT_FOREGROUND;
        return;
    case 49:
        m_currentBackground = DEFAULT_BACKGROUND;
        return;
    default:
        break;
    }
    if (value >= 30 && value <= 37)
        m_currentForeground = static_cast<std::uint8_t>(value - 30);
    else if (value >= 40 && value <= 47)
        m_currentBackground = static_cast<std::uint8_t>(value - 40);
}

void CAnsiScreen::DeviceStatusReport(const char* params, int length)
{
    if (m_replies == nullptr)
        return;
    if (length > 0 && params[0] == '?') {
        const int request = LeadingNumber(params + 1, length - 1);
        if (request == 25)
            m_replies->ReplyText("\x1b[?20n");
        else if (request == 26)
            m_replies->ReplyText("\x1b[?27;1n");
        return;
    }
    const int request = LeadingNumber(params, length);
    if (request == 5) {
        m_replies->ReplyText("\x1b[?0n");
    } else if (request == 6) {
        // Column first, counted from 1, and a NUL that devices expect after it.
        char report[32];
        const int textLength = std::snprintf(report, sizeof report, "\x1b[%d;%dR", m_cursorColumn + 1, m_cursorRow + 1);
        m_replies->ReplyBytes(reinterpret_cast<const std::uint8_t*>(report), textLength + 1);
    }
}

void CAnsiScreen::SaveCursor()
{
    if (m_savedCount == MAX_SAVED_CURSORS) {
        m_savedFirst = (m_savedFirst + 1) % MAX_SAVED_CURSORS;
        --m_savedCount;
    }
    const auto slot = static_cast<std::size_t>((m_savedFirst + m_savedCount) % MAX_SAVED_CURSORS);
    m_saved[slot] = {m_cursorColumn, m_cursorRow, m_currentAttributes};
    ++m_savedCount;
}

void CAnsiScreen::RestoreCursor()
{
    if (m_savedCount == 0)
        return;
    --m_savedCount;
    const CSavedCursor& saved = m_saved[static_cast<std::size_t>((m_savedFirst + m_savedCount) % MAX_SAVED_CURSORS)];
    m_cursorColumn = saved.column;
    m_cursorRow = saved.row;
    m_currentAttributes = saved.attributes;
}

void CAnsiScreen::Reset()
{
    ClearScreen();
    m_cursorColumn = 0;
    m_cursorRow = 0;
    m_tabStops.fill(0);
    for (int column = 8; column < COLUMNS; column += 8)
        m_tabStops[static_cast<std::size_t>(column)] = 1;
    m_currentAttributes = 0;
    m_dirty = true;
}

void CAnsiScreen::ClearScreen()
{
    m_chars.fill(0);
    m_foreground.fill(0);
    m_background.fill(0);
    m_attributes.fill(0);
    m_extent.fill(0);
    m_top = 0;
    m_currentForeground = DEFAULT_FOREGROUND;
    m_currentBackground = DEFAULT_BACKGROUND;
}

CAnsiCell CAnsiScreen::Cell(int column, int row) const
{
    if (column < 0 || column >= COLUMNS || row < 0 || row >= ROWS)
        return {};
    const auto index = static_cast<std::size_t>(RowOffset(row) + column);
    return {m_chars[index], m_foreground[index], m_background[index], m_attributes[index]};
}

bool CAnsiScreen::TakeDirty()
{
    const bool dirty = m_dirty;
    m_dirty = false;
    return dirty;
}

} // namespace kestrelon
