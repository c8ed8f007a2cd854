#include "ui/views/CellMetrics.h"

#include <QFontMetrics>
#include <QFontMetricsF>

#include <algorithm>

namespace kestrelon {

CCellMetrics MeasureCells(const QFont& font)
{
    const QFontMetrics metrics(font);
    CCellMetrics cells;
    cells.width = std::max(metrics.averageCharWidth() + 1, 1);
    cells.height = std::max(metrics.height() + std::max(metrics.leading(), 0), 1);
    cells.ascent = metrics.ascent();
    cells.advance = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
    return cells;
}

} // namespace kestrelon
