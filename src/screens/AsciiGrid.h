// The ASCII view's content without any window: a grid of coloured character
// cells written by the data channel, the caret where the next byte lands, the
// selection the user drags or extends with Shift, and the autoscroll switch.
// The rows form a ring, so scrolling one line moves an index instead of memory;
// the ring's storage grows in blocks as rows are first reached.
#pragma once

#include "document/DataChannel.h"
#include "document/TimeStamp.h"
#include "screens/CellBlocks.h"

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrelon {

// A cell position; positions compare in reading order (row first, then column).
struct CCellPos {
    int column = 0;
    int row = 0;

    friend bool operator==(const CCellPos&, const CCellPos&) = default;
    friend std::strong_ordering operator<=>(const CCellPos& a, const CCellPos& b)
    {
        if (auto byRow = a.row <=> b.row; byRow != 0)
            return byRow;
        return a.column <=> b.column;
    }
};

enum class ArrowKey { Left, Up, Right, Down };

// What a hint did, so the widget knows what to invalidate.
enum class GridChange {
    None,    // nothing to show
    Written, // bytes landed: the repaint timer shows them
    Cleared, // the grid was rebuilt empty: repaint everything now
    Font,    // the document's font changed: repaint everything now
};

class CAsciiGrid {
public:
    // The terminal dialog offers 40..999 columns and 25..1 000 000 lines; a .kst
    // file may carry anything, so the grid holds to the same range. Storage is
    // taken only for the rows reached, so the line count costs nothing up front.
    static constexpr int MIN_COLUMNS = 40;
    static constexpr int MAX_COLUMNS = 999;
    static constexpr int MIN_LINES = 25;
    static constexpr int MAX_LINES = 1000000;
    // Autoscroll leaves the view alone while the newest row is still on the
    // first screen.
    static constexpr int FOLLOW_THRESHOLD_PIXELS = 15;

    CAsciiGrid(int columns = 80, int lines = 1000);

    // --- Data channel ------------------------------------------------------------
    // Applies one document hint; docColumns/docLines are the document's current
    // screen size, read for HINT_SCREEN_SIZE and HINT_NEW_SETTINGS.
    GridChange Apply(const CUpdateHint& hint, int docColumns, int docLines);
    // Keeps the size (raised or lowered into range) and clears everything.
    void Resize(int columns, int lines);
    void Reset();
    void WriteByte(std::uint8_t value, COLORREF colour);
    // A run without backspace, LF or CR; longer runs than a row are taken in
    // row-sized pieces.
    void WriteRun(const std::uint8_t* data, int length, COLORREF colour);
    // Runs and line-end bytes (backspace, LF, CR) in one go: as WriteRun for
    // each run between them and WriteByte for each of them.
    void WriteText(const std::uint8_t* data, int length, COLORREF colour);
    // The arrival time that the next written bytes carry (Apply takes it
    // from each hint).
    void SetWriteTime(DataTime time) { m_writeTime = time; }

    // --- Content ---------------------------------------------------------------------
    int Columns() const { return m_columns; }
    int Lines() const { return m_lines; }
    int UsedLines() const { return m_usedLines; }
    CCellPos Caret() const { return m_caret; }
    // Cells past a row's written width read as a never-written space.
    std::uint8_t CharAt(int row, int column) const;
    COLORREF ColourAt(int row, int column) const;
    // Leading cells of the row that may hold something other than blanks; the
    // pointers address that many cells.
    int RowWidth(int row) const;
    const std::uint8_t* RowChars(int row) const;
    // Colour indexes: PaletteColour turns one into its colour; 0 is a
    // never-written cell (colour 0).
    const std::uint8_t* RowColours(int row) const;
    COLORREF PaletteColour(std::uint8_t index) const { return m_palette[index]; }
    // All `columns` characters of a row, blanks included (the printed form).
    std::string RowText(int row) const;
    // Arrival time of the row's first byte; 0 for an empty row and for a row
    // that continues a line wrapped at the screen width.
    DataTime RowTime(int row) const;
    // Rows scrolled off the top since the grid was last cleared: a row index
    // plus this count names the same row across scrolling.
    std::int64_t ScrolledRows() const { return m_scrolled; }
    // Bytes the rows' storage holds now: grows with the rows reached, not with
    // the line count.
    std::size_t BytesAllocated() const { return m_cells.BytesAllocated(); }

    // --- Selection -------------------------------------------------------------------
    CCellPos SelStart() const { return m_selStart; }
    CCellPos SelEnd() const { return m_selEnd; }
    CCellPos Anchor() const { return m_anchor; }
    bool HasSelection() const { return m_selStart < m_selEnd; }
    bool IsSelected(int row, int column) const;
    bool IsExtending() const { return m_extending; }
    // Mouse: only cells before the caret can be picked.
    void PressAt(CCellPos point);
    void DragTo(CCellPos point);
    void Release();
    void ShiftDown();
    void ShiftUp();
    void MoveSelectionPoint(ArrowKey key);
    void SelectAll();
    // Selects [start, end) directly (a found text), clamped to the grid.
    void Select(CCellPos start, CCellPos end);
    // The selected text: a never-written cell ends its row with one LF; a fully
    // written row runs on into the next one; no CR is ever produced.
    std::string SelectedText() const;

    // --- Repaint and follow ------------------------------------------------------------
    bool IsDirty() const { return m_dirty; }
    bool TakeDirty();
    bool IsAutoscroll() const { return m_autoscroll; }
    void SetAutoscroll(bool on) { m_autoscroll = on; }
    void ToggleAutoscroll() { m_autoscroll = !m_autoscroll; }
    // Where autoscroll puts the top of the view showing `visibleRows` whole rows
    // (client height / cell height), or nothing when the newest row is still on
    // the first screen. Asked on every write, so kept free of divisions.
    static std::optional<int> FollowPosition(int caretRow, int visibleRows, int cellHeight)
    {
        const int y = (caretRow - visibleRows + 1) * cellHeight;
        if (y > FOLLOW_THRESHOLD_PIXELS)
            return y;
        return std::nullopt;
    }

private:
    int Physical(int row) const;
    const CCellBlocks::CRowState* State(int row) const;
    void PutCells(int row, int column, const std::uint8_t* data, int count, COLORREF colour);
    void ScrollUp();
    void MovePointUp(CCellPos& point) const;
    void AfterWrite();
    CCellPos Clamped(CCellPos point) const;
    void WriteRunPiece(const std::uint8_t* data, int length, COLORREF colour);
    std::uint8_t ColourIndex(COLORREF colour);
    // The caret moved to a new row by wrapping: that row gets no stamp.
    void MarkWrapped();

    int m_columns = 80;
    int m_lines = 1000;
    // (lines + 1) physical rows: the spare row below the last one is always
    // empty and becomes the last row when the grid scrolls. Emptying a row
    // keeps what it held as stale cells that are blanked only where a later
    // write leaves a gap over them, so blanking costs what was written, never
    // the screen width.
    CCellBlocks m_cells;
    int m_top = 0; // physical row of row 0
    // A row's time: the first byte's arrival, 0 while empty, or WRAPPED_ROW for
    // a row that continues the line above it.
    static constexpr DataTime WRAPPED_ROW = -1;
    DataTime m_writeTime = 0;
    std::int64_t m_scrolled = 0;
    // The colours cells were written in. A stream uses a handful (received,
    // sent, errors, events); should 255 ever be used, the last entry takes
    // each further colour in turn.
    std::array<COLORREF, 256> m_palette{};
    int m_paletteSize = 1; // entry 0 is colour 0, a never-written cell
    COLORREF m_lastColour = 0;
    std::uint8_t m_lastIndex = 0;

    CCellPos m_caret;
    CCellPos m_anchor;
    CCellPos m_selStart;
    CCellPos m_selEnd;
    int m_usedLines = 1;
    bool m_dirty = false;
    bool m_extending = false;
    bool m_autoscroll = true;
};

} // namespace kestrelon
