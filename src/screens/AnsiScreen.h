// The ANSI view's model: an 80 x 25 screen of characters, colour indices and
// attribute bits, the cursor, tab stops, a saved-cursor stack and the byte
// interpreter for control characters and escape sequences that drives them.
#pragma once

#include "document/DataChannel.h"

#include <array>
#include <cstdint>

namespace kestrelon {

// Where the screen sends its answers to status requests.
class IAnsiReplyTarget {
public:
    virtual ~IAnsiReplyTarget() = default;
    // A fixed answer: a NUL-terminated constant that lives as long as the program.
    virtual void ReplyText(const char* text) = 0;
    // A formatted answer, sent with every one of its `length` bytes; copied by the callee.
    virtual void ReplyBytes(const std::uint8_t* data, std::int32_t length) = 0;
};

enum AnsiAttribute : std::uint8_t {
    ATTR_BOLD = 0x01,
    ATTR_BLINK = 0x02,
    ATTR_UNDERLINE = 0x04,
    ATTR_REVERSE = 0x08,
    ATTR_HIDDEN = 0x10,
};

struct CAnsiCell {
    std::uint8_t character = 0; // 0: empty, never drawn
    std::uint8_t foreground = 0;
    std::uint8_t background = 0;
    std::uint8_t attributes = 0;
    bool operator==(const CAnsiCell&) const = default;
};

class CAnsiScreen {
public:
    static constexpr int COLUMNS = 80;
    static constexpr int ROWS = 25;
    static constexpr int CELLS = COLUMNS * ROWS;
    static constexpr std::uint8_t DEFAULT_FOREGROUND = 2; // green
    static constexpr std::uint8_t DEFAULT_BACKGROUND = 0; // black
    // Longest sequence kept after ESC. Real sequences are a few bytes; a stream
    // that never ends one must not grow memory, so past this it is abandoned.
    static constexpr int MAX_ESCAPE_LENGTH = 256;
    // Saved cursors kept; a device that saves without restoring loses the oldest.
    static constexpr int MAX_SAVED_CURSORS = 64;
    // Parameters saturate here: far beyond the screen, far below integer overflow.
    static constexpr int MAX_PARAMETER = 1000000;

    enum class HintEffect { None, Processed, Reset };

    explicit CAnsiScreen(IAnsiReplyTarget* replies = nullptr);
    void SetReplyTarget(IAnsiReplyTarget* replies) { m_replies = replies; }

    // Hint 0 resets; hints 1 and 2 are interpreted only in the received-data
    // colour, so local echo and error texts never reach the screen.
    HintEffect ApplyHint(const CUpdateHint& hint);

    void ProcessByte(std::uint8_t b);
    void ProcessBlock(const std::uint8_t* data, std::int32_t length);
    // Clear screen, cursor home, default tab stops, attributes off. Saved cursors stay.
    void Reset();
    // All planes to 0, colours to green on black; cursor and attributes stay.
    void ClearScreen();

    CAnsiCell Cell(int column, int row) const;
    // The 80 bytes of one row of a plane, for painting.
    const std::uint8_t* RowChars(int row) const { return m_chars.data() + RowOffset(row); }
    const std::uint8_t* RowForeground(int row) const { return m_foreground.data() + RowOffset(row); }
    const std::uint8_t* RowBackground(int row) const { return m_background.data() + RowOffset(row); }
    const std::uint8_t* RowAttributes(int row) const { return m_attributes.data() + RowOffset(row); }

    int CursorColumn() const { return m_cursorColumn; }
    int CursorRow() const { return m_cursorRow; }
    std::uint8_t CurrentForeground() const { return m_currentForeground; }
    std::uint8_t CurrentBackground() const { return m_currentBackground; }
    std::uint8_t CurrentAttributes() const { return m_currentAttributes; }
    bool TabStop(int column) const { return column >= 0 && column < COLUMNS && m_tabStops[column] != 0; }
    int SavedCursorCount() const { return m_savedCount; }
    bool InEscape() const { return m_inEscape; }
    int EscapeLength() const { return m_escapeLength; }

    bool Dirty() const { return m_dirty; }
    void SetDirty() { m_dirty = true; }
    // Returns the dirty flag and clears it.
    bool TakeDirty();

private:
    struct CSavedCursor {
        int column = 0;
        int row = 0;
        std::uint8_t attributes = 0;
    };

    // Rows are a ring over the planes: scrolling the whole screen moves m_top.
    int PhysicalRow(int row) const { return (m_top + row) % ROWS; }
    int RowOffset(int row) const { return PhysicalRow(row) * COLUMNS; }
    std::uint8_t& Extent(int row) { return m_extent[static_cast<std::size_t>(PhysicalRow(row))]; }
    void ClearRow(int row);
    void CopyRow(int from, int to);
    void WriteRun(const std::uint8_t* data, int length);
    void WrapAndScroll();
    void ScrollUp();
    void ScrollDown();
    void EscapeByte(std::uint8_t b);
    void ExecuteSequence();
    void ExecuteControl(const char* params, int length, char final);
    void ExecuteEscape(char final);
    void EraseDisplay(int mode);
    void EraseLine(int mode);
    void InsertLines(int count);
    void DeleteLines(int count);
    void DeleteCharacters(int count);
    void SelectGraphicRendition(const char* params, int length);
    void ApplyRendition(int value);
    void DeviceStatusReport(const char* params, int length);
    void SaveCursor();
    void RestoreCursor();

    std::array<std::uint8_t, CELLS> m_chars{};
    std::array<std::uint8_t, CELLS> m_foreground{};
    std::array<std::uint8_t, CELLS> m_background{};
    std::array<std::uint8_t, CELLS> m_attributes{};
    // Per physical row: every cell from here on is 0 in all four planes.
    std::array<std::uint8_t, ROWS> m_extent{};
    int m_top = 0;
    std::array<std::uint8_t, COLUMNS> m_tabStops{};
    int m_cursorColumn = 0;
    int m_cursorRow = 0;
    std::uint8_t m_currentForeground = DEFAULT_FOREGROUND;
    std::uint8_t m_currentBackground = DEFAULT_BACKGROUND;
    std::uint8_t m_currentAttributes = 0;
    std::array<CSavedCursor, MAX_SAVED_CURSORS> m_saved{};
    int m_savedFirst = 0;
    int m_savedCount = 0;
    bool m_inEscape = false;
    std::array<char, MAX_ESCAPE_LENGTH> m_escape{};
    int m_escapeLength = 0;
    bool m_dirty = false;
    IAnsiReplyTarget* m_replies = nullptr;
};

} // namespace kestrelon
