// CAsciiPrinter: measures the print font on the printer and draws the pages
// that CAsciiPrintLayout places.
#include "ui/views/AsciiPrinter.h"

#include "ui/widgets/DocText.h"
#include "ui/views/PrintPage.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QString>

#include <algorithm>

namespace kestrelon {

CAsciiPrinter::CAsciiPrinter(const CAsciiGrid& grid) : m_grid(grid), m_font(PrintFont())
{
}

CAsciiPrintLayout CAsciiPrinter::Layout(QPrinter& printer) const
{
    const QFontMetrics metrics(m_font, &printer);
    const int lineWidth = metrics.horizontalAdvance(QString(CAsciiPrintLayout::PRINT_COLUMNS, QLatin1Char('-')));
    const int lineHeight = metrics.height() + std::max(metrics.leading(), 0);
    const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
    return CAsciiPrintLayout(m_grid.UsedLines(), printable.width(), printable.height(), lineWidth, lineHeight);
}

int CAsciiPrinter::PageCount(QPrinter& printer) const
{
    return Layout(printer).PageCount();
}

bool CAsciiPrinter::Print(QPrinter& printer)
{
    const CAsciiPrintLayout layout = Layout(printer);
    int first = 1;
    int last = layout.PageCount();
    if (printer.fromPage() > 0) {
        first = std::max(printer.fromPage(), 1);
        last = std::min(printer.toPage() > 0 ? printer.toPage() : last, last);
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(m_font);
    painter.setPen(Qt::black);
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer.newPage();
        PrintPage(painter, layout, page);
    }
    painter.end();
    return true;
}

void CAsciiPrinter::PrintPage(QPainter& painter, const CAsciiPrintLayout& layout, int page) const
{
    // Texts are placed by their top-left corner, as on screen.
    const int ascent = QFontMetrics(painter.font(), painter.device()).ascent();
    const int left = layout.LeftMargin();
    painter.drawText(QPoint(left, layout.HeaderY() + ascent), QString::fromLatin1(CAsciiPrintLayout::Header(page)));
    painter.drawLine(left, layout.RuleY(), left + layout.LineWidth(), layout.RuleY());
    for (int row = layout.FirstRow(page); row <= layout.LastRow(page); ++row) {
        const std::string text = m_grid.RowText(row);
        painter.drawText(QPoint(left, layout.RowY(page, row) + ascent),
                         FromDocText(text));
    }
}

} // namespace kestrelon
