// Page geometry shared by the views' printouts: the 10-point fixed print font
// (a metric-compatible face stands in where "Courier New" is missing), a text
// block of a given number of columns centred on the page, and the header line
// with the rule under it, and the pages of views that print lines of text.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <functional>

class QPainter;
class QPrinter;

namespace kestrelon {

QFont PrintFont();
// "Page n", right-aligned in a line of `columns` characters.
QString PageHeader(int page, int columns);
// Characters of the print font that fit across the printer's page.
int PrintColumnsFitting(const QPrinter& printer);

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

// Prints `count` lines on as many pages as they need, or on the range the user
// chose: each page a "Page n" header and its rule over `columns` characters,
// then its lines, in black.
void PrintLinePages(QPrinter& printer, int columns, int count, const std::function<QString(int)>& line);

} // namespace kestrelon
