// Page geometry shared by the views' printouts: the 10-point fixed print font
// (a metric-compatible face stands in where "Courier New" is missing), a text
// block of a given number of columns centred on the page, and the header line
// with the rule under it.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;
class QPrinter;

namespace kestrelon {

QFont PrintFont();

struct CPrintPage {
    QRect page;         // printable area in device pixels
    int lineWidth = 0;  // width of the text block
    int lineHeight = 0; // one printed line, leading included
    int leftMargin = 0; // left edge of the centred text block

    // Sets the print font on `painter` and measures a block of `columns` characters.
    static CPrintPage Begin(QPainter& painter, const QPrinter& printer, int columns);
    // The header text on line 2 and the rule half a line below it.
    void DrawHeader(QPainter& painter, const QString& text) const;
};

} // namespace kestrelon
