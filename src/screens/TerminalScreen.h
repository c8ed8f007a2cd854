// The Terminal view's model: a VT100/VT220/xterm screen of a size the view
// chooses, with scrollback, fed received bytes. Owns the escape parser and the
// grid; the view reads cells, cursor and modes, and takes answers, title and bells.
#pragma once

#include "screens/TerminalCell.h"
#include "screens/TerminalGrid.h"
#include "screens/TerminalModes.h"
#include "screens/VtParser.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

enum class TerminalEncoding : std::uint8_t { Utf8, Latin1 };

class CTerminalScreen : private IVtDispatch {
public:
    static constexpr int MIN_COLUMNS = 20;
    static constexpr int MIN_ROWS = 5;
    // Far beyond any window; keeps a hostile size request from taking the memory.
    static constexpr int MAX_COLUMNS = 1000;
    static constexpr int MAX_ROWS = 500;
    static constexpr int DEFAULT_SCROLLBACK = 10000;
    static constexpr int MAX_SCROLLBACK = 100000;
    // Bounds the scrollback's memory (cells x sizeof(CTerminalCell), 128 MiB):
    // on wide screens fewer lines are kept than asked for.
    static constexpr std::int64_t MAX_SCROLLBACK_CELLS = 8 * 1000 * 1000;
    // Answers not yet taken are dropped past this: a device that floods requests
    // while nobody takes the answers must not grow memory.
    static constexpr std::size_t MAX_PENDING_ANSWERS = 4096;

    // Sizes are clamped to the limits above.
    CTerminalScreen(int columns = 80, int rows = 24, int scrollbackLimit = DEFAULT_SCROLLBACK);

    // Received bytes, in any cuts: the result is the same however they are split.
    void Feed(const std::uint8_t* data, std::size_t length);
    // Keeps the content top-left; when rows shrink below the cursor, the top rows
    // go to the scrollback so the cursor's line stays on screen. Clamped to the limits.
    void Resize(int columns, int rows);
    // Power-on state (RIS): screen cleared, modes, tab stops and charsets to their
    // defaults; title and scrollback kept.
    void Reset();

    int Columns() const { return m_grid.Columns(); }
    int Rows() const { return m_grid.Rows(); }

    // Rows of the shown screen, 0 at the top; Columns() cells each.
    const CTerminalCell* ScreenRow(int row) const { return m_grid.Row(row); }
    // Cells of a screen row from this column on are all plain blanks (space,
    // default colours, no attributes): a painter may skip them.
    int ScreenRowLength(int row) const { return m_grid.Used(row); }
    // Lines of the scrollback, 0 the oldest, ScrollbackLines() - 1 just above row 0.
    int ScrollbackLines() const { return m_grid.ScrollbackLines(); }
    const CTerminalCell* ScrollbackRow(int index) const { return m_grid.ScrollbackRow(index); }
    // Both in one numbering: -ScrollbackLines() .. -1 the scrollback, 0 .. Rows()-1 the screen.
    const CTerminalCell* LineAt(int line) const { return m_grid.LineAt(line); }
    // True when the line continues on the next one because the text wrapped there.
    bool LineWrapped(int line) const { return m_grid.LineWrapped(line); }
    // Cells of a line from this column on are plain blanks: a row wrapped at
    // a narrower width ends here, not at the present edge.
    int LineLength(int line) const { return m_grid.LineLength(line); }
    // The text of a line as UTF-8, wide halves and marks joined, trailing blanks dropped.
    std::string LineText(int line) const;
    // The lines kept at the present width (see MAX_SCROLLBACK_CELLS).
    int ScrollbackLimit() const { return m_grid.ScrollbackLimit(); }
    // Clamped to 0 .. MAX_SCROLLBACK; the oldest lines go when it shrinks.
    void SetScrollbackLimit(int lines);
    void ClearScrollback();
    // Lines ever pushed into the scrollback: lets a reader keep its place.
    std::uint64_t LinesScrolledOff() const { return m_grid.LinesScrolledOff(); }

    int CursorRow() const { return m_cursorRow; }
    int CursorColumn() const { return m_cursorColumn; }
    bool CursorShown() const { return m_modes.cursorShown; }

    const CTerminalModes& Modes() const { return m_modes; }
    bool ApplicationCursorKeys() const { return m_modes.applicationCursorKeys; }
    bool ApplicationKeypad() const { return m_modes.applicationKeypad; }
    bool BracketedPaste() const { return m_modes.bracketedPaste; }
    bool AlternateScreenActive() const { return m_grid.AlternateActive(); }
    bool ReverseVideo() const { return m_modes.reverseVideo; }

    // Bytes to send to the device (answers to DA1, DA2, DSR, CSI 18 t); cleared by taking.
    std::string TakeAnswers();
    bool HasAnswers() const { return !m_answers.empty(); }
    // With answers off the model stays silent (a device that echoes them would loop).
    void SetAnswersEnabled(bool enabled) { m_answersEnabled = enabled; }

    // From OSC 0 and 2.
    const std::string& Title() const { return m_title; }
    // True once after each title change.
    bool TakeTitleChanged();
    // BEL bytes since the last call.
    int TakeBellCount();

    // Grows with every fed block and every change made from outside (size,
    // scrollback); a view compares it with the value it last painted.
    std::uint64_t ChangeCount() const { return m_changeCount; }
    // True when something changed since the last call.
    bool TakeDirty();

    TerminalEncoding Encoding() const { return m_encoding; }
    void SetEncoding(TerminalEncoding encoding);

private:
    // What ESC 7 / CSI s keep, one per screen.
    struct CSavedCursor {
        int row = 0;
        int column = 0;
        CTerminalCell pen;
        bool originMode = false;
        bool pendingWrap = false;
        std::array<bool, 2> graphics{};
        int shift = 0;
    };

    // IVtDispatch
    void Print(char32_t codePoint) override;
    void PrintAscii(const std::uint8_t* data, std::size_t length) override;
    void Execute(std::uint8_t control) override;
    void EscDispatch(const CVtSequence& sequence) override;
    void CsiDispatch(const CVtSequence& sequence) override;
    void OscDispatch(const char* text, std::size_t length) override;

    void PrivateMode(int mode, bool set);
    void AnsiMode(int mode, bool set);
    void EraseDisplay(int mode);
    void EraseLine(int mode);
    void Answer(const char* format, int a = 0, int b = 0);
    void Combine(char32_t mark);
    void WrapIfPending();
    void LineFeed();
    void ReverseIndex();
    void MoveTo(int row, int column);
    void MoveToOrigin(int row, int column);
    void SaveCursor();
    void RestoreCursor();
    void SoftReset();
    void LimitScrollback(int columns);
    void ResetTabStops(int from);
    int NextTab(int column, int count) const;
    int PreviousTab(int column, int count) const;
    bool CursorInRegion() const { return m_cursorRow >= m_top && m_cursorRow <= m_bottom; }
    CTerminalCell Blank() const;

    CVtParser m_parser;
    CTerminalGrid m_grid;
    CTerminalModes m_modes;
    CTerminalCell m_pen;
    int m_cursorRow = 0;
    int m_cursorColumn = 0;
    // The last column was written: the next character wraps first (if autowrap is on).
    bool m_pendingWrap = false;
    int m_top = 0; // scroll region, inclusive
    int m_bottom = 0;
    std::vector<std::uint8_t> m_tabStops;
    std::array<bool, 2> m_graphics{};      // G0, G1: DEC special graphics instead of ASCII
    int m_shift = 0;                       // SO selects G1, SI G0
    std::array<CSavedCursor, 2> m_saved{}; // main, alternate
    char32_t m_lastPrinted = 0;            // for REP
    std::string m_answers;
    bool m_answersEnabled = true;
    std::string m_title;
    bool m_titleChanged = false;
    int m_bells = 0;
    int m_scrollbackAsked = DEFAULT_SCROLLBACK; // before the bound of MAX_SCROLLBACK_CELLS
    std::uint64_t m_changeCount = 0;
    std::uint64_t m_takenChangeCount = 0;
    TerminalEncoding m_encoding = TerminalEncoding::Utf8;
};

} // namespace kestrelon
