// CAsciiPainter: visible rows only, runs of one colour and selection state per
// text draw, control characters and blanks cell by cell.
#include "ui/views/AsciiPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <vector>

namespace kestrelon {

namespace {

// Characters whose glyph advances by exactly one cell; anything else (C0 and C1
// controls, DEL, the soft hyphen) may draw with no width and would shift the
// rest of a run, so it is drawn in its own cell.
bool AdvancesOneCell(std::uint8_t c)
{
    return (c >= 0x21 && c <= 0x7E) || (c >= 0xA0 && c != 0xAD);
}

constexpr std::uint8_t BLANK = 0x20;

} // namespace

QColor ColourFromColorref(COLORREF colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QColor MatchBackground()
{
    return QColor(255, 230, 80);
}

QColor StampColour()
{
    return QColor(128, 128, 128);
}

CAsciiPainter::CAsciiPainter(const CAsciiGrid& grid, const QFont& font, int cellWidth, int cellHeight, QColor window)
    : m_grid(grid), m_font(font), m_cellWidth(std::max(cellWidth, 1)), m_cellHeight(std::max(cellHeight, 1)),
      m_window(window)
{
    const QFontMetricsF metrics(m_font);
    m_font.setLetterSpacing(QFont::AbsoluteSpacing, m_cellWidth - metrics.horizontalAdvance(QLatin1Char('M')));
    m_ascent = static_cast<int>(metrics.ascent() + 0.5);
}

void CAsciiPainter::Paint(QPainter& painter, const QRect& area) const
{
    const int firstRow = std::max(area.top() / m_cellHeight - 1, 0);
    const int endRow = std::min(area.bottom() / m_cellHeight + 1, m_grid.UsedLines());
    const int firstColumn = std::max((area.left() - Left()) / m_cellWidth - 1, 0);
    const int endColumn = std::min((area.right() - Left()) / m_cellWidth + 2, m_grid.Columns());
    painter.setFont(m_font);
    for (int row = firstRow; row < endRow; ++row) {
        if (m_gutter > 0 && area.left() < Left())
            PaintStamp(painter, row);
        if (m_matcher != nullptr && !m_matcher->Empty())
            PaintMatches(painter, row);
        PaintRow(painter, row, firstColumn, endColumn);
    }
}

void CAsciiPainter::PaintStamp(QPainter& painter, int row) const
{
    const DataTime time = m_grid.RowTime(row);
    if (time == 0)
        return; // empty, or the continuation of a wrapped line
    char stamp[TIME_STAMP_LENGTH];
    FormatTimeStamp(time, stamp);
    painter.setPen(StampColour());
    painter.drawText(QPoint(1, row * m_cellHeight + m_ascent), QString::fromLatin1(stamp, TIME_STAMP_LENGTH - 1));
}

void CAsciiPainter::PaintMatches(QPainter& painter, int row) const
{
    thread_local std::vector<CFindHit> hits; // painting allocates once, not per row
    MatchesInRow(CGridRows(m_grid).Row(row), *m_matcher, hits, row);
    for (const CFindHit& hit : hits)
        painter.fillRect(QRect(Left() + hit.column * m_cellWidth, row * m_cellHeight, hit.length * m_cellWidth,
                               m_cellHeight),
                         MatchBackground());
}

void CAsciiPainter::PaintRow(QPainter& painter, int row, int firstColumn, int endColumn) const
{
    const int end = std::min(endColumn, m_grid.RowWidth(row));
    if (firstColumn >= end)
        return;
    const std::uint8_t* chars = m_grid.RowChars(row);
    const std::uint8_t* colours = m_grid.RowColours(row);
    Run run;
    for (int column = firstColumn; column < end; ++column) {
        const std::uint8_t c = chars[column];
        const bool selected = m_grid.IsSelected(row, column);
        const bool joins = run.count > 0 && run.column + run.count == column && colours[column] == run.colour &&
                           selected == run.selected && AdvancesOneCell(c) && AdvancesOneCell(chars[run.column]);
        if (!joins && run.count > 0) {
            Flush(painter, run);
            run.count = 0;
        }
        if (c == BLANK)
            continue; // a blank cell is not drawn, selected or not
        if (run.count == 0)
            run = Run{row, column, 0, colours[column], selected};
        ++run.count;
    }
    if (run.count > 0)
        Flush(painter, run);
}

void CAsciiPainter::Flush(QPainter& painter, const Run& run) const
{
    const int x = Left() + run.column * m_cellWidth;
    const int y = run.row * m_cellHeight;
    const QColor colour = ColourFromColorref(m_grid.PaletteColour(run.colour));
    if (run.selected) {
        painter.fillRect(QRect(x, y, run.count * m_cellWidth, m_cellHeight), run.colour == 0 ? m_window : colour);
        painter.setPen(m_window);
    } else {
        painter.setPen(colour);
    }
    const auto* chars = reinterpret_cast<const char*>(m_grid.RowChars(run.row) + run.column);
    painter.drawText(QPoint(x, y + m_ascent), QString::fromLatin1(chars, run.count));
}

} // namespace kestrelon
