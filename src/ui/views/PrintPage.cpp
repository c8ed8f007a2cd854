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

} // namespace kestrelon
