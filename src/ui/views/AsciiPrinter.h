// Prints an ASCII grid: on each page a right-aligned "Page n" header, a rule
// under it and the page's rows in the 10-point print font, all in black.
#pragma once

#include "screens/AsciiGrid.h"
#include "screens/AsciiPrintLayout.h"

#include <QFont>

class QPainter;
class QPrinter;

namespace kestrelon {

class CAsciiPrinter {
public:
    explicit CAsciiPrinter(const CAsciiGrid& grid);

    // Every page, or the printer's chosen range; false when the printer could not
    // be started.
    bool Print(QPrinter& printer);
    // The page count for this printer's paper and resolution.
    int PageCount(QPrinter& printer) const;

private:
    CAsciiPrintLayout Layout(QPrinter& printer) const;
    void PrintPage(QPainter& painter, const CAsciiPrintLayout& layout, int page) const;

    const CAsciiGrid& m_grid;
    QFont m_font;
};

} // namespace kestrelon
