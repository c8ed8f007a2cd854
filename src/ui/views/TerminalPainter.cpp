// CTerminalPainter: colours, runs and the cursor of the Terminal view.
#include "ui/views/TerminalPainter.h"

#include "screens/TerminalScreen.h"
#include "ui/views/TerminalSelection.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <array>
#include <vector>

namespace kestrelon {

namespace {

constexpr std::array<QRgb, 16> kClassic{
    0x000000, 0xcd0000, 0x00cd00, 0xcdcd00, 0x0000ee, 0xcd00cd, 0x00cdcd, 0xe5e5e5,
    0x7f7f7f, 0xff0000, 0x00ff00, 0xffff00, 0x5c5cff, 0xff00ff, 0x00ffff, 0xffffff,
};
constexpr QRgb kDefaultText = 0xd3d7cf;
constexpr QRgb kDefaultBackground = 0x000000;

QColor Indexed(int index)
{
    if (index < 16)
        return QColor(kClassic[static_cast<std::size_t>(index)]);
    if (index < 232) {
        static constexpr int kLevels[6] = {0, 95, 135, 175, 215, 255};
        const int cube = index - 16;
        return QColor(kLevels[cube / 36], kLevels[(cube / 6) % 6], kLevels[cube % 6]);
    }
    const int grey = 8 + 10 * (index - 232);
    return QColor(grey, grey, grey);
}

// Characters a monospace font draws within one cell, so runs of them stay aligned.
bool InRun(const CTerminalCell& cell)
{
    return cell.width == CTerminalCell::NARROW && cell.marks[0] == 0 && cell.codePoint < 0x250;
}

// Box-drawing characters drawn as lines through the cell's middle, so that
// frames join without the gaps a font's glyphs leave. Arms: 1 left, 2 right,
// 4 up, 8 down; 16 for the heavy weight.
struct CBoxGlyph {
    char32_t ch;
    int arms;
};

// Double and rounded forms are drawn as the single ones.
constexpr CBoxGlyph kBoxGlyphs[] = {
    {U'\u2500', 3},  {U'\u2550', 3},  {U'\u2501', 19}, {U'\u2502', 12}, {U'\u2551', 12}, {U'\u2503', 28},
    {U'\u250c', 10}, {U'\u2554', 10}, {U'\u256d', 10}, {U'\u250f', 26}, {U'\u2510', 9},  {U'\u2557', 9},
    {U'\u256e', 9},  {U'\u2513', 25}, {U'\u2514', 6},  {U'\u255a', 6},  {U'\u2570', 6},  {U'\u2517', 22},
    {U'\u2518', 5},  {U'\u255d', 5},  {U'\u256f', 5},  {U'\u251b', 21}, {U'\u251c', 14}, {U'\u2560', 14},
    {U'\u2523', 30}, {U'\u2524', 13}, {U'\u2563', 13}, {U'\u252b', 29}, {U'\u252c', 11}, {U'\u2566', 11},
    {U'\u2533', 27}, {U'\u2534', 7},  {U'\u2569', 7},  {U'\u253b', 23}, {U'\u253c', 15}, {U'\u256c', 15},
    {U'\u254b', 31},
};

int BoxArms(char32_t ch)
{
    if (ch < U'\u2500' || ch > U'\u2570')
        return 0;
    for (const CBoxGlyph& glyph : kBoxGlyphs)
        if (glyph.ch == ch)
            return glyph.arms;
    return 0;
}

void DrawBox(QPainter& painter, const QRect& cell, int arms, const QColor& colour)
{
    const int weight = (arms & 16) ? std::max(2, cell.height() / 8) : std::max(1, cell.height() / 16);
    const int midX = cell.left() + (cell.width() - weight) / 2;
    const int midY = cell.top() + (cell.height() - weight) / 2;
    if (arms & 1)
        painter.fillRect(cell.left(), midY, midX - cell.left() + weight, weight, colour);
    if (arms & 2)
        painter.fillRect(midX, midY, cell.right() + 1 - midX, weight, colour);
    if (arms & 4)
        painter.fillRect(midX, cell.top(), weight, midY - cell.top() + weight, colour);
    if (arms & 8)
        painter.fillRect(midX, midY, weight, cell.bottom() + 1 - midY, colour);
}

QString CellText(const CTerminalCell& cell)
{
    const char32_t codePoint = cell.codePoint;
    QString text = QString::fromUcs4(&codePoint, 1);
    for (const char16_t mark : cell.marks)
        if (mark != 0)
            text += QChar(mark);
    return text;
}

} // namespace

QColor TerminalColour(CTerminalColour colour, bool foreground, bool reverseScreen)
{
    switch (colour.GetKind()) {
    case CTerminalColour::Kind::Indexed:
        return Indexed(colour.Index());
    case CTerminalColour::Kind::Rgb:
        return QColor(colour.Red(), colour.Green(), colour.Blue());
    case CTerminalColour::Kind::Default:
        break;
    }
    return QColor(foreground != reverseScreen ? kDefaultText : kDefaultBackground);
}

CTerminalPainter::CTerminalPainter(const CTerminalScreen& screen, const CTerminalSelection& selection,
                                   const QFont& font, const CCellMetrics& cells)
    : m_screen(screen), m_selection(selection), m_cells(cells)
{
    for (int i = 0; i < 4; ++i) {
        QFont variant = font;
        variant.setKerning(false);
        variant.setBold(i & 1);
        variant.setItalic(i & 2);
        // Spacing that makes every character advance exactly one cell.
        const qreal advance = QFontMetricsF(variant).horizontalAdvance(QLatin1Char('M'));
        variant.setLetterSpacing(QFont::AbsoluteSpacing, cells.width - advance);
        m_fonts[i] = variant;
    }
    m_runs = QFontInfo(font).fixedPitch();
}

const QFont& CTerminalPainter::FontFor(std::uint16_t attributes) const
{
    return m_fonts[((attributes & TATTR_BOLD) ? 1 : 0) | ((attributes & TATTR_ITALIC) ? 2 : 0)];
}

CTerminalPainter::CStyle CTerminalPainter::StyleOf(const CTerminalCell& cell, bool selected) const
{
    const bool reverseScreen = m_screen.ReverseVideo();
    CTerminalColour foreground = cell.foreground;
    // Bold text in one of the eight colours shows in its bright form.
    if ((cell.attributes & TATTR_BOLD) && foreground.GetKind() == CTerminalColour::Kind::Indexed &&
        foreground.Index() < 8)
        foreground = CTerminalColour::Indexed(foreground.Index() + 8);
    CStyle style{TerminalColour(foreground, true, reverseScreen), TerminalColour(cell.background, false, reverseScreen),
                 static_cast<std::uint16_t>(cell.attributes)};
    if (cell.attributes & TATTR_FAINT)
        style.text =
            QColor((style.text.red() + style.background.red()) / 2, (style.text.green() + style.background.green()) / 2,
                   (style.text.blue() + style.background.blue()) / 2);
    if (((cell.attributes & TATTR_REVERSE) != 0) != selected)
        std::swap(style.text, style.background);
    if (cell.attributes & TATTR_HIDDEN)
        style.text = style.background;
    return style;
}

void CTerminalPainter::Paint(QPainter& painter, const QRect& area, const CFrame& frame) const
{
    const QColor screenBackground = TerminalColour({}, false, m_screen.ReverseVideo());
    painter.fillRect(area, screenBackground);
    const int firstRow = std::max(0, area.top() / m_cells.height);
    const int lastRow = std::min(m_screen.Rows() - 1, area.bottom() / m_cells.height);
    for (int row = firstRow; row <= lastRow; ++row) {
        const int line = frame.topLine + row;
        if (line >= m_screen.Rows() || line < -m_screen.ScrollbackLines())
            continue;
        if (const CTerminalCell* cells = m_screen.LineAt(line))
            PaintLine(painter, row, line, cells);
    }
    PaintCursor(painter, frame);
    if (frame.flash)
        painter.fillRect(area, QColor(255, 255, 255, 90));
}

void CTerminalPainter::PaintLine(QPainter& painter, int row, int line, const CTerminalCell* cells) const
{
    const std::int64_t stable = CTerminalSelection::StableLine(m_screen, line);
    // Past the written part of a screen row every cell is a plain blank, which
    // the background fill has drawn already.
    const int columns =
        line >= 0 && !m_selection.CoversLine(stable) ? m_screen.ScreenRowLength(line) : m_screen.Columns();
    // One style per cell; a wide character's right half takes its left half's.
    std::vector<CStyle> styles(static_cast<std::size_t>(columns));
    for (int column = 0; column < columns; ++column)
        styles[std::size_t(column)] = StyleOf(cells[column], m_selection.Contains(stable, column));
    const int top = row * m_cells.height;
    for (int column = 0; column < columns;) {
        int end = column + 1;
        while (end < columns && styles[std::size_t(end)].background == styles[std::size_t(column)].background)
            ++end;
        painter.fillRect(column * m_cells.width, top, (end - column) * m_cells.width, m_cells.height,
                         styles[std::size_t(column)].background);
        column = end;
    }
    PaintText(painter, row, cells, styles.data(), columns);
}

void CTerminalPainter::PaintText(QPainter& painter, int row, const CTerminalCell* cells, const CStyle* styles,
                                 int columns) const
{
    const int top = row * m_cells.height;
    const int baseline = top + m_cells.ascent;
    QString run;
    for (int column = 0; column < columns;) {
        const CTerminalCell& cell = cells[column];
        const CStyle& style = styles[column];
        int end = column + 1;
        const bool blank = cell.codePoint == U' ' || cell.codePoint == 0 || cell.width == CTerminalCell::CONTINUATION;
        if (!blank) {
            painter.setPen(style.text);
            painter.setFont(FontFor(style.attributes));
            if (m_runs && InRun(cell)) {
                run.clear();
                run += QChar(static_cast<char16_t>(cell.codePoint));
                while (end < columns && InRun(cells[end]) && styles[end].text == style.text &&
                       styles[end].attributes == style.attributes) {
                    run += QChar(static_cast<char16_t>(cells[end].codePoint));
                    ++end;
                }
                painter.drawText(QPointF(column * m_cells.width, baseline), run);
            } else if (const int arms = BoxArms(cell.codePoint)) {
                DrawBox(painter, QRect(column * m_cells.width, top, m_cells.width, m_cells.height), arms, style.text);
            } else {
                const int width = cell.width == CTerminalCell::WIDE ? 2 : 1;
                painter.drawText(QPointF(column * m_cells.width, baseline), CellText(cell));
                end = column + width;
            }
        }
        const int left = column * m_cells.width;
        const int width = (end - column) * m_cells.width;
        if (style.attributes & TATTR_UNDERLINE)
            painter.fillRect(left, top + m_cells.height - 2, width, 1, style.text);
        if (style.attributes & TATTR_STRIKE)
            painter.fillRect(left, top + m_cells.height / 2, width, 1, style.text);
        column = std::min(end, columns);
    }
}

void CTerminalPainter::PaintCursor(QPainter& painter, const CFrame& frame) const
{
    const int row = m_screen.CursorRow() - frame.topLine;
    if (!frame.cursorVisible || !m_screen.CursorShown() || row < 0 || row >= m_screen.Rows())
        return;
    const QRect cell(m_screen.CursorColumn() * m_cells.width, row * m_cells.height, m_cells.width, m_cells.height);
    const QColor colour = TerminalColour({}, true, m_screen.ReverseVideo());
    if (!frame.focused) {
        painter.setPen(colour);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
        return;
    }
    // A block that inverts the cell under it, so the character stays readable.
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(cell, Qt::white);
    painter.restore();
}

} // namespace kestrelon
