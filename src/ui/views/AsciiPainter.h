// Draws the visible part of an ASCII grid: coloured characters on the window
// colour, selected cells inverted, blanks skipped. Neighbouring cells of one
// colour go out as one text run spaced to the cell width.
#pragma once

#include "screens/AsciiGrid.h"
#include "screens/TextFinder.h"

#include <QColor>
#include <QFont>
#include <QRect>

class QPainter;

namespace kestrelon {

QColor ColourFromColorref(COLORREF colour);

class CAsciiPainter {
public:
    // font: the view's font; cellWidth/cellHeight: its cell, at least the
    // glyph advance so text runs can be spaced out to it.
    CAsciiPainter(const CAsciiGrid& grid, const QFont& font, int cellWidth, int cellHeight, QColor window);

    // Each row starts with its time stamp in grey, the cells moved right by
    // the stamp's width.
    void ShowTimestamps(bool on) { m_gutter = on ? TIME_STAMP_LENGTH : 0; }
    // Every match of `matcher` gets a marked background (none when empty).
    void MarkMatches(const CByteMatcher* matcher) { m_matcher = matcher; }
    // Where column 0 of the cells starts, in pixels.
    int Left() const { return 1 + m_gutter * m_cellWidth; }

    // Paints the rows and columns that meet `area` (content coordinates, the
    // painter already translated by the scroll position).
    void Paint(QPainter& painter, const QRect& area) const;

private:
    struct Run {
        int row = 0;
        int column = 0;
        int count = 0;
        std::uint8_t colour = 0; // index into the grid's palette
        bool selected = false;
    };

    void PaintRow(QPainter& painter, int row, int firstColumn, int endColumn) const;
    void PaintStamp(QPainter& painter, int row) const;
    void PaintMatches(QPainter& painter, int row) const;
    void Flush(QPainter& painter, const Run& run) const;

    const CAsciiGrid& m_grid;
    QFont m_font;
    int m_cellWidth;
    int m_cellHeight;
    int m_ascent;
    QColor m_window;
    int m_gutter = 0;
    const CByteMatcher* m_matcher = nullptr;
};

// The background of found text, and the grey of time stamps.
QColor MatchBackground();
QColor StampColour();

} // namespace kestrelon
