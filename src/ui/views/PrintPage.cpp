// CPrintPage: print font, centred text block and page header.
#include "ui/views/PrintPage.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace kestrelon {

namespace {
constexpr int PRINT_POINT_SIZE = 10;
constexpr int HEADER_LINE = 2;
// Lines of a page above its text (margin, header, rule) and below it.
constexpr int FIRST_TEXT_LINE = 5;
constexpr int LINES_AROUND_TEXT = 7;
} // namespace

QFont PrintFont()
{
    QFont font(QStringLiteral("Courier New"), PRINT_POINT_SIZE);
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    return font;
}

QString PageHeader(int page, int columns)
{
    return QStringLiteral("Page %1").arg(page).rightJustified(columns, QLatin1Char(' '));
}

int PrintColumnsFitting(const QPrinter& printer)
{
    const QFontMetrics metrics(PrintFont(), &printer);
    const int width = printer.pageLayout().paintRectPixels(printer.resolution()).width();
    return std::max(1, width / std::max(1, metrics.horizontalAdvance(QLatin1Char('-'))));
}

CPrintPage CPrintPage::Begin(QPainter& painter, const QPrinter& printer, int columns)
{
    painter.setFont(PrintFont());
    const QFontMetrics metrics = painter.fontMetrics();
    CPrintPage layout;
    layout.page = printer.pageLayout().paintRectPixels(printer.resolution());
    layout.lineWidth = metrics.horizontalAdvance(QString(columns, QLatin1Char('-')));
    layout.lineHeight = metrics.height() + std::max(metrics.leading(), 0);
    layout.leftMargin = std::max(0, (layout.page.width() - layout.lineWidth) / 2);
    return layout;
}

void CPrintPage::DrawHeader(QPainter& painter, const QString& text) const
{
    painter.drawText(QRect(leftMargin, HEADER_LINE * lineHeight, lineWidth, lineHeight), Qt::AlignLeft | Qt::AlignTop,
                     text);
    const int ruleY = HEADER_LINE * lineHeight + (3 * lineHeight) / 2;
    painter.drawLine(leftMargin, ruleY, leftMargin + lineWidth, ruleY);
}

void PrintLinePages(QPrinter& printer, int columns, int count, const std::function<QString(int)>& line)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const CPrintPage layout = CPrintPage::Begin(painter, printer, columns);
    const int lineHeight = std::max(layout.lineHeight, 1);
    const int linesPerPage = std::max(1, (layout.page.height() - LINES_AROUND_TEXT * lineHeight) / lineHeight);
    const int pages = std::max(1, (count + linesPerPage - 1) / linesPerPage);
    const int firstPage = printer.fromPage() > 0 ? std::min(printer.fromPage(), pages) : 1;
    const int lastPage = printer.toPage() > 0 ? std::min(printer.toPage(), pages) : pages;

    painter.setPen(Qt::black);
    for (int page = firstPage; page <= lastPage; ++page) {
        if (page > firstPage)
            printer.newPage();
        layout.DrawHeader(painter, PageHeader(page, columns));
        const int first = (page - 1) * linesPerPage;
        const int end = std::min(first + linesPerPage, count);
        for (int index = first; index < end; ++index) {
            const int y = (FIRST_TEXT_LINE + index - first) * lineHeight;
            painter.drawText(QRect(layout.leftMargin, y, layout.page.width() - layout.leftMargin, lineHeight),
                             Qt::AlignLeft | Qt::AlignTop, line(index));
        }
    }
}

} // namespace kestrelon
