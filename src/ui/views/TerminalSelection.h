// The mouse selection of the Terminal view, in line numbers that survive
// scrolling (lines scrolled off so far plus the screen line), and its text.
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

class CTerminalScreen;

class CTerminalSelection {
public:
    // A point between cells: `column` 0 is left of the first cell.
    struct CPoint {
        std::int64_t line = 0;
        int column = 0;
        auto operator<=>(const CPoint&) const = default;
    };

    // The stable number of the model's `line` (-scrollback .. rows - 1).
    static std::int64_t StableLine(const CTerminalScreen& screen, int line);

    void Start(CPoint point) { m_anchor = m_extent = point; }
    void Extend(CPoint point) { m_extent = point; }
    void Clear() { m_anchor = m_extent = {}; }
    bool IsEmpty() const { return m_anchor == m_extent; }
    // The cell `column` of stable line `line` lies inside the selection.
    bool Contains(std::int64_t line, int column) const;
    // Some cell of stable line `line` may lie inside the selection.
    bool CoversLine(std::int64_t line) const { return !IsEmpty() && First().line <= line && line <= Last().line; }
    // The selected text as UTF-8: wide halves and marks joined, trailing blanks
    // of each line dropped, a line break where a line did not wrap.
    std::string Text(const CTerminalScreen& screen) const;
    // The ends in text order, whichever way the mouse went.
    CPoint First() const { return m_anchor < m_extent ? m_anchor : m_extent; }
    CPoint Last() const { return m_anchor < m_extent ? m_extent : m_anchor; }

private:
    CPoint m_anchor;
    CPoint m_extent;
};

} // namespace kestrelon
