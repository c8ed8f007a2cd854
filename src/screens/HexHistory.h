// The hex view's model: received and echoed bytes formatted as hex dump lines of
// 16 bytes, one colour per line, kept in a bounded history ring, plus the view's
// own autoscroll flag and the arithmetic of following and printing. The ring
// keeps the bytes; a line is formatted only when it is shown or printed, so a
// flood pays nothing for the lines that scroll away unseen. The ring grows in
// chunks as lines arrive, so a long history costs only the lines it holds.
#pragma once

#include "document/DataChannel.h"
#include "document/KestronLineItem.h"
#include "document/TimeStamp.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

class CHexHistory {
public:
    static constexpr int BYTES_PER_LINE = 16;
    static constexpr int ASCII_COLUMN = 50;     // the ASCII part starts here, short line or full
    static constexpr int FULL_LINE_LENGTH = 66; // 49 hex characters, 1 space, 16 characters
    static constexpr int EXTENT_COLUMNS = 67;   // scroll extent width in character cells
    // With time stamps shown, each row's stamp starts here, right of the line.
    static constexpr int TIME_COLUMN = 68;
    static constexpr int STAMPED_EXTENT_COLUMNS = TIME_COLUMN + TIME_STAMP_LENGTH;
    static constexpr int MIN_EXTENT_HEIGHT = 100;
    static constexpr int DEFAULT_MAX_LINES = 1000;
    // Lines per chunk of the ring: 128 KiB of stored lines.
    static constexpr int CHUNK_SHIFT = 12;
    static constexpr int CHUNK_LINES = 1 << CHUNK_SHIFT;

    enum class HintEffect { None, Appended, Cleared };

    CHexHistory() { SetMaxLines(DEFAULT_MAX_LINES); }

    // Formats up to 16 bytes as one display line (count is clamped to 0..16).
    static std::string FormatLine(const std::uint8_t* bytes, int count);

    // Hint 0 clears; hints 1 and 2 append bytes; hints 5 and 7 keep lines - 1
    // completed lines from now on and clear. Everything else changes nothing.
    HintEffect ApplyHint(const CUpdateHint& hint);

    // `time`: the arrival time of the bytes; a line keeps its first byte's.
    void AddByte(std::uint8_t value, COLORREF colour, DataTime time = 0);
    void AddBlock(const std::uint8_t* data, std::int32_t length, COLORREF colour, DataTime time = 0);
    // Turns the pending bytes, if any, into a completed line.
    void CompleteLine();
    void Clear();
    // Number of completed lines kept; negative counts keep none. Clears.
    void SetMaxLines(int maxLines);
    int MaxLines() const { return m_maxLines; }

    int LineCount() const { return m_count; }
    // Completed line `index`, 0 being the oldest kept.
    CKestronLineItem Line(int index) const;
    int PendingCount() const { return m_pendingCount; }
    COLORREF PendingColour() const { return m_pendingColour; }
    std::string PendingText() const { return FormatLine(m_pendingBytes.data(), m_pendingCount); }

    // Display rows: the completed lines, oldest first, then the pending line.
    int RowCount() const { return m_count + (m_pendingCount > 0 ? 1 : 0); }
    std::string RowText(int row) const;
    COLORREF RowColour(int row) const;
    DataTime RowTime(int row) const;
    // The bytes of a display row, read back from its hex part.
    int RowBytes(int row, std::uint8_t (&bytes)[BYTES_PER_LINE]) const;
    // Character column of byte `index` (0..15) of a row in the hex part.
    static int HexColumn(int index) { return 1 + 3 * index + (index >= 8 ? 1 : 0); }
    // Lines dropped from the front since the history was last cleared: a row
    // index plus this count names the same line as the history moves on.
    std::int64_t DroppedLines() const { return m_dropped; }
    // Bytes the ring's chunks hold now.
    std::size_t BytesAllocated() const;

    bool Autoscroll() const { return m_autoscroll; }
    void SetAutoscroll(bool on) { m_autoscroll = on; }
    void ToggleAutoscroll() { m_autoscroll = !m_autoscroll; }

    // Height in pixels of the scrolled content.
    int ExtentHeight(int cellHeight) const;
    // Where to scroll to keep the newest line in view, or -1 when the content
    // already fits the window (less than one line hidden).
    static int FollowPosition(int extentHeight, int clientHeight, int cellHeight);

    // Printing: pages needed at `linesPerPage` (at least 1), and the numbered text
    // of display row `row` as it is printed.
    int PageCount(int linesPerPage) const;
    std::string PrintedRow(int row) const;

private:
    // Written whole when stored (bytes up to count), so a chunk is never filled
    // in advance.
    struct CStoredLine {
        COLORREF colour;
        int count;
        DataTime time; // arrival of the first byte
        std::array<std::uint8_t, BYTES_PER_LINE> bytes;
    };
    void StoreLine(const std::uint8_t* bytes, int count, DataTime time);
    // Ring slot `slot`, its chunk made when the ring first reaches it.
    CStoredLine& Slot(int slot)
    {
        std::unique_ptr<CStoredLine[]>& chunk = m_chunks[static_cast<std::size_t>(slot >> CHUNK_SHIFT)];
        if (chunk == nullptr) [[unlikely]]
            MakeChunk(slot);
        return chunk[static_cast<std::size_t>(slot & (CHUNK_LINES - 1))];
    }
    void MakeChunk(int slot);
    const CStoredLine& Stored(int index) const;
    void DropChunks(std::size_t keep);

    // Slots 0 .. m_maxLines - 1 in chunks of CHUNK_LINES, made as the ring first
    // reaches them and reused in place once it is full.
    std::vector<std::unique_ptr<CStoredLine[]>> m_chunks;
    int m_first = 0; // ring slot of the oldest line
    int m_count = 0;
    int m_maxLines = DEFAULT_MAX_LINES;
    COLORREF m_pendingColour = 0;
    int m_pendingCount = 0;
    DataTime m_pendingTime = 0;
    std::int64_t m_dropped = 0;
    std::array<std::uint8_t, BYTES_PER_LINE> m_pendingBytes{};
    bool m_autoscroll = true;
};

} // namespace kestrelon
