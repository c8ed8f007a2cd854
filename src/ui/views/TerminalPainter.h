// Draws the Terminal view's lines: cell backgrounds in runs, text in runs of
// one style where the font keeps to its cells, wide characters over two cells,
// underline and strike-through, the selection and the cursor.
#pragma once

#include "screens/TerminalCell.h"
#include "ui/views/CellMetrics.h"

#include <QColor>
#include <QFont>

class QPainter;
class QRect;

namespace kestrelon {

class CTerminalScreen;
class CTerminalSelection;

// The colour a cell's foreground or background is drawn in: the 16 colours of
// the classic palette, the 6 x 6 x 6 cube and the grey ramp, or 24-bit.
QColor TerminalColour(CTerminalColour colour, bool foreground, bool reverseScreen);

class CTerminalPainter {
public:
    // What the view shows: the model line at the top, and the cursor's look.
    struct CFrame {
        int topLine = 0;
        bool cursorVisible = true;
        bool focused = false;
        bool flash = false; // the visible bell
    };

    CTerminalPainter(const CTerminalScreen& screen, const CTerminalSelection& selection, const QFont& font,
                     const CCellMetrics& cells);

    void Paint(QPainter& painter, const QRect& area, const CFrame& frame) const;

private:
    struct CStyle {
        QColor text;
        QColor background;
        std::uint16_t attributes = 0;
    };
    CStyle StyleOf(const CTerminalCell& cell, bool selected) const;
    void PaintLine(QPainter& painter, int row, int line, const CTerminalCell* cells) const;
    // The first `columns` cells of the row.
    void PaintText(QPainter& painter, int row, const CTerminalCell* cells, const CStyle* styles, int columns) const;
    void PaintCursor(QPainter& painter, const CFrame& frame) const;
    const QFont& FontFor(std::uint16_t attributes) const;

    const CTerminalScreen& m_screen;
    const CTerminalSelection& m_selection;
    QFont m_fonts[4]; // plain, bold, italic, bold italic
    CCellMetrics m_cells;
    bool m_runs; // the font keeps to the cells, so a run draws as one text
};

} // namespace kestrelon
