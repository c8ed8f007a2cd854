// Hex dump formatting and the bounded line history of the hex view.
// Completed lines live in a ring that is reused in place once full, so a long
// stream costs no allocation per line and dropping the oldest line moves an index.
#include "screens/HexHistory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrelon {

namespace {

// Display text of every byte value, built once: two hex digits and the
// character shown in the ASCII part ('.' for control bytes and DEL).
struct CByteTexts {
    char hex[256][4]; // space, two hex digits, space: one store per byte
    char shown[256];
    CByteTexts()
    {
        constexpr char digits[] = "0123456789ABCDEF";
        for (int b = 0; b < 256; ++b) {
            hex[b][0] = ' ';
            hex[b][1] = digits[b >> 4];
            hex[b][2] = digits[b & 0x0F];
            hex[b][3] = ' ';
            shown[b] = (b >= 0x20 && b != 0x7F) ? static_cast<char>(b) : '.';
        }
    }
};
const CByteTexts kByteTexts;

// Writes the display text of `count` bytes (at most 16) to `out`, which holds at
// least FULL_LINE_LENGTH characters; returns the text length. Each byte's text
// is stored as four characters whose last, a space, the next byte overwrites;
// the last one still ends before the ASCII part.
int FormatInto(const std::uint8_t* bytes, int count, char* out)
{
    char* p = out;
    const int firstHalf = std::min(count, 8);
    for (int i = 0; i < firstHalf; ++i, p += 3)
        std::memcpy(p, kByteTexts.hex[bytes[i]], 4);
    if (count > 8)
        *p++ = ' ';
    for (int i = 8; i < count; ++i, p += 3)
        std::memcpy(p, kByteTexts.hex[bytes[i]], 4);
    char* const ascii = out + CHexHistory::ASCII_COLUMN;
    std::memset(p, ' ', static_cast<std::size_t>(ascii - p));
    for (int i = 0; i < count; ++i)
        ascii[i] = kByteTexts.shown[bytes[i]];
    return CHexHistory::ASCII_COLUMN + count;
}

} // namespace

std::string CHexHistory::FormatLine(const std::uint8_t* bytes, int count)
{
    count = std::clamp(count, 0, BYTES_PER_LINE);
    char text[FULL_LINE_LENGTH];
    const int length = FormatInto(bytes, count, text);
    return std::string(text, static_cast<std::size_t>(length));
}

CHexHistory::HintEffect CHexHistory::ApplyHint(const CUpdateHint& hint)
{
    switch (hint.hint) {
    case HINT_RESET:
        Clear();
        return HintEffect::Cleared;
    case HINT_BYTE:
        AddByte(hint.value, hint.colour, hint.time);
        return HintEffect::Appended;
    case HINT_BLOCK:
    case HINT_TEXT: // line ends are bytes like any other here
        if (hint.data == nullptr || hint.length < 1)
            return HintEffect::None;
        AddBlock(hint.data, hint.length, hint.colour, hint.time);
        return HintEffect::Appended;
    case HINT_SCREEN_SIZE:
    case HINT_NEW_SETTINGS:
        SetMaxLines(hint.lines > 0 ? hint.lines - 1 : 0);
        return HintEffect::Cleared;
    case HINT_FONT:
        return HintEffect::None;
    }
    return HintEffect::None;
}

void CHexHistory::AddByte(std::uint8_t value, COLORREF colour, DataTime time)
{
    AddBlock(&value, 1, colour, time);
}

void CHexHistory::AddBlock(const std::uint8_t* data, std::int32_t length, COLORREF colour, DataTime time)
{
    if (data == nullptr || length < 1)
        return;
    // A line never mixes colours: echo after received data starts a new line.
    if (colour != m_pendingColour) {
        CompleteLine();
        m_pendingColour = colour;
    }
    std::int32_t i = 0;
    while (i < length) {
        if (m_pendingCount == 0 && length - i >= BYTES_PER_LINE) {
            StoreLine(data + i, BYTES_PER_LINE, time);
            i += BYTES_PER_LINE;
            continue;
        }
        if (m_pendingCount == 0)
            m_pendingTime = time;
        const int take = std::min<std::int32_t>(BYTES_PER_LINE - m_pendingCount, length - i);
        std::memcpy(m_pendingBytes.data() + m_pendingCount, data + i, static_cast<std::size_t>(take));
        m_pendingCount += take;
        i += take;
        if (m_pendingCount == BYTES_PER_LINE)
            CompleteLine();
    }
}

void CHexHistory::CompleteLine()
{
    if (m_pendingCount == 0)
        return;
    StoreLine(m_pendingBytes.data(), m_pendingCount, m_pendingTime);
    m_pendingCount = 0;
}

void CHexHistory::StoreLine(const std::uint8_t* bytes, int count, DataTime time)
{
    if (m_maxLines <= 0)
        return;
    CStoredLine* slot = nullptr;
    if (m_count < m_maxLines) {
        slot = &Slot(m_count);
        ++m_count;
    } else {
        // Full: the oldest slot becomes the newest line.
        slot = &Slot(m_first);
        m_first = m_first + 1 == m_maxLines ? 0 : m_first + 1;
        ++m_dropped;
    }
    slot->time = time;
    slot->colour = m_pendingColour;
    slot->count = count;
    std::memcpy(slot->bytes.data(), bytes, static_cast<std::size_t>(count));
}

void CHexHistory::MakeChunk(int slot)
{
    // The last chunk holds only the slots below the limit.
    const int first = slot & ~(CHUNK_LINES - 1);
    m_chunks[static_cast<std::size_t>(slot >> CHUNK_SHIFT)] =
        std::make_unique_for_overwrite<CStoredLine[]>(static_cast<std::size_t>(std::min(CHUNK_LINES, m_maxLines - first)));
}

void CHexHistory::Clear()
{
    DropChunks(1); // a cleared history starts in its first chunk again
    m_first = 0;
    m_count = 0;
    m_pendingColour = 0;
    m_pendingCount = 0;
    m_dropped = 0;
}

void CHexHistory::DropChunks(std::size_t keep)
{
    for (std::size_t chunk = keep; chunk < m_chunks.size(); ++chunk)
        m_chunks[chunk].reset();
}

void CHexHistory::SetMaxLines(int maxLines)
{
    m_maxLines = std::max(maxLines, 0);
    Clear();
    DropChunks(0);
    m_chunks.resize(static_cast<std::size_t>((m_maxLines + CHUNK_LINES - 1) >> CHUNK_SHIFT));
    m_chunks.shrink_to_fit();
}

std::size_t CHexHistory::BytesAllocated() const
{
    std::size_t bytes = m_chunks.capacity() * sizeof(m_chunks[0]);
    for (std::size_t chunk = 0; chunk < m_chunks.size(); ++chunk) {
        if (m_chunks[chunk] != nullptr) {
            const int first = static_cast<int>(chunk) << CHUNK_SHIFT;
            bytes += static_cast<std::size_t>(std::min(CHUNK_LINES, m_maxLines - first)) * sizeof(CStoredLine);
        }
    }
    return bytes;
}

const CHexHistory::CStoredLine& CHexHistory::Stored(int index) const
{
    int slot = m_first + index;
    if (slot >= m_maxLines)
        slot -= m_maxLines;
    return m_chunks[static_cast<std::size_t>(slot >> CHUNK_SHIFT)][static_cast<std::size_t>(slot & (CHUNK_LINES - 1))];
}

CKestronLineItem CHexHistory::Line(int index) const
{
    const CStoredLine& line = Stored(index);
    CKestronLineItem item(line.colour, FormatLine(line.bytes.data(), line.count));
    item.time = line.time;
    return item;
}

std::string CHexHistory::RowText(int row) const
{
    if (row >= 0 && row < m_count) {
        const CStoredLine& line = Stored(row);
        return FormatLine(line.bytes.data(), line.count);
    }
    if (row == m_count && m_pendingCount > 0)
        return PendingText();
    return {};
}

COLORREF CHexHistory::RowColour(int row) const
{
    if (row >= 0 && row < m_count)
        return Stored(row).colour;
    return m_pendingColour;
}

DataTime CHexHistory::RowTime(int row) const
{
    if (row >= 0 && row < m_count)
        return Stored(row).time;
    return row == m_count && m_pendingCount > 0 ? m_pendingTime : 0;
}

int CHexHistory::RowBytes(int row, std::uint8_t (&bytes)[BYTES_PER_LINE]) const
{
    if (row == m_count && m_pendingCount > 0) {
        std::memcpy(bytes, m_pendingBytes.data(), static_cast<std::size_t>(m_pendingCount));
        return m_pendingCount;
    }
    if (row < 0 || row >= m_count)
        return 0;
    const CStoredLine& line = Stored(row);
    std::memcpy(bytes, line.bytes.data(), static_cast<std::size_t>(line.count));
    return line.count;
}

int CHexHistory::ExtentHeight(int cellHeight) const
{
    return std::max(RowCount() * cellHeight, MIN_EXTENT_HEIGHT);
}

int CHexHistory::FollowPosition(int extentHeight, int clientHeight, int cellHeight)
{
    const int hidden = extentHeight - clientHeight;
    if (hidden < cellHeight)
        return -1;
    return hidden + cellHeight;
}

int CHexHistory::PageCount(int linesPerPage) const
{
    if (linesPerPage < 1)
        return 1;
    const int rows = RowCount();
    return std::max(1, (rows + linesPerPage - 1) / linesPerPage);
}

std::string CHexHistory::PrintedRow(int row) const
{
    char number[16];
    std::snprintf(number, sizeof number, "%04d  ", row);
    return number + RowText(row);
}

} // namespace kestrelon
