// The hex view widget: paints the visible rows of the hex history, follows new
// data when autoscroll is on, and prints the history with line numbers.
#include "ui/views/HexView.h"
#include "ui/views/ViewZoom.h"

#include "document/KestronDoc.h"
#include "ui/widgets/DocText.h"
#include "ui/views/PrintPage.h"
#include "ui/views/AsciiPainter.h"
#include "screens/TextExport.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>

namespace kestrelon {

namespace {

constexpr int kPrintColumns = 72;

QColor ToQColor(COLORREF colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

// The display font is fixed: a bold 16-pixel Courier.
QFont DisplayFont()
{
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

} // namespace

CHexView::CHexView(CKestronDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc), m_font(DisplayFont())
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_doc.AddView(this);
    connect(&m_timer, &QTimer::timeout, this, &CHexView::OnTimer);
    m_timer.start(REPAINT_INTERVAL_MS);
}

CHexView::~CHexView()
{
    m_doc.RemoveView(this);
}

void CHexView::OnUpdate(const CUpdateHint& hint)
{
    if (hint.hint == HINT_FONT) { // the font is fixed; only the zoom changes it
        m_font = CLazyCellFont(ZoomedFont(this, DisplayFont()));
        UpdateExtent();
        if (m_history.Autoscroll())
            Follow();
        viewport()->update();
        return;
    }
    switch (m_history.ApplyHint(hint)) {
    case CHexHistory::HintEffect::Appended:
        // Data never paints: the timer follows and repaints once per burst.
        m_dirty = true;
        break;
    case CHexHistory::HintEffect::Cleared:
        UpdateExtent();
        viewport()->update();
        break;
    case CHexHistory::HintEffect::None:
        break;
    }
}

void CHexView::OnTimer()
{
    // A hidden view catches up when it is shown.
    if (!m_dirty || !isVisible())
        return;
    m_dirty = false;
    UpdateExtent();
    if (m_history.Autoscroll())
        Follow();
    viewport()->update();
}

void CHexView::UpdateExtent()
{
    if (!isVisible())
        return; // the ranges are set when the view is shown
    const CCellMetrics& cells = m_font.Cells();
    const int width = (m_timestamps ? CHexHistory::STAMPED_EXTENT_COLUMNS : CHexHistory::EXTENT_COLUMNS) * cells.width;
    const int height = m_history.ExtentHeight(cells.height);
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, width - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    horizontalScrollBar()->setSingleStep(cells.width);
    verticalScrollBar()->setRange(0, std::max(0, height - client.height()));
    verticalScrollBar()->setPageStep(client.height());
    verticalScrollBar()->setSingleStep(cells.height);
}

void CHexView::Follow()
{
    const CCellMetrics& cells = m_font.Cells();
    const int position =
        CHexHistory::FollowPosition(m_history.ExtentHeight(cells.height), viewport()->height(), cells.height);
    if (position >= 0)
        verticalScrollBar()->setValue(position); // clamped to the end of the content
}

void CHexView::paintEvent(QPaintEvent* event)
{
    const CCellMetrics& cells = m_font.Cells();
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    painter.setFont(m_font.Font());
    const int top = verticalScrollBar()->value();
    const int left = horizontalScrollBar()->value();
    const QRect area = event->rect();
    const int first = std::max(0, (top + area.top()) / cells.height);
    const int last = std::min(m_history.RowCount() - 1, (top + area.bottom()) / cells.height);
    if (!m_matcher.Empty())
        PaintMatches(painter, first, last, left, top);
    char stamp[TIME_STAMP_LENGTH];
    for (int row = first; row <= last; ++row) {
        const std::string text = m_history.RowText(row);
        const int y = row * cells.height - top + cells.ascent;
        painter.setPen(ToQColor(m_history.RowColour(row)));
        painter.drawText(QPoint(-left, y), FromDocText(text));
        if (m_timestamps) {
            FormatTimeStamp(m_history.RowTime(row), stamp);
            painter.setPen(StampColour());
            painter.drawText(QPointF(CHexHistory::TIME_COLUMN * cells.advance - left, y),
                             QString::fromLatin1(stamp, TIME_STAMP_LENGTH - 1));
        }
    }
}

void CHexView::PaintMatches(QPainter& painter, int firstRow, int lastRow, int left, int top)
{
    const CCellMetrics& cells = m_font.Cells();
    const std::size_t length = static_cast<std::size_t>(m_matcher.Length());
    // The rows shown and those a match may reach in from, before or after.
    const int reach = static_cast<int>(length / CHexHistory::BYTES_PER_LINE) + 2;
    m_stream.Build(m_history, firstRow - reach, lastRow + 1 + reach);
    const std::string_view bytes = m_stream.Row(0);
    const std::size_t begin = m_stream.RowStart(firstRow);
    const std::size_t end = m_stream.RowStart(lastRow + 1);
    const std::int64_t currentRow = m_currentRow - m_history.DroppedLines();
    const bool currentShown = m_hasCurrent && currentRow >= 0 && m_stream.HoldsRow(static_cast<int>(currentRow));
    const std::size_t current =
        currentShown ? m_stream.Offset(static_cast<int>(currentRow), m_currentIndex) : std::string::npos;
    // Matches that start up to one pattern before the first visible byte may
    // reach into it.
    std::size_t at = m_matcher.Next(bytes, begin >= length ? begin - length + 1 : 0);
    for (; at != CByteMatcher::NONE && at < end; at = m_matcher.Next(bytes, at + length)) {
        const QColor colour = at == current ? QColor(255, 150, 40) : MatchBackground();
        for (std::size_t offset = at; offset < at + length; ++offset) {
            const CCellPos cell = m_stream.Position(offset);
            const int y = cell.row * cells.height - top;
            const double hexX = CHexHistory::HexColumn(cell.column) * cells.advance - left;
            const double asciiX = (CHexHistory::ASCII_COLUMN + cell.column) * cells.advance - left;
            painter.fillRect(QRectF(hexX, y, 2 * cells.advance, cells.height), colour);
            painter.fillRect(QRectF(asciiX, y, cells.advance, cells.height), colour);
        }
    }
}

void CHexView::SetTimestamps(bool on)
{
    if (on == m_timestamps)
        return;
    m_timestamps = on;
    UpdateExtent();
    viewport()->update();
}

void CHexView::SetFindText(const std::string& text, bool matchCase)
{
    if (const auto bytes = ParseHexNotation(text))
        m_matcher = CByteMatcher(*bytes, true);
    else
        m_matcher = CByteMatcher(text, matchCase);
    viewport()->update();
}

bool CHexView::FindStep(FindDirection direction, bool inclusive)
{
    m_stream.Build(m_history);
    const std::int64_t row = m_currentRow - m_history.DroppedLines();
    const bool fromCurrent = m_hasCurrent && row >= 0 && row < m_history.RowCount();
    CCellPos from{0, 0};
    if (fromCurrent)
        from.column = static_cast<int>(m_stream.Offset(static_cast<int>(row), m_currentIndex));
    else if (direction == FindDirection::Backward)
        from.column = static_cast<int>(m_stream.Row(0).size());
    const auto hit = FindInRows(m_stream, m_matcher, from, direction, inclusive || !fromCurrent);
    m_hasCurrent = hit.has_value();
    if (hit) {
        const CCellPos cell = m_stream.Position(static_cast<std::size_t>(hit->column));
        m_currentRow = cell.row + m_history.DroppedLines();
        m_currentIndex = cell.column;
        const CCellMetrics& cells = m_font.Cells();
        const int y = cell.row * cells.height;
        const int page = viewport()->height();
        if (y < verticalScrollBar()->value() || y + cells.height > verticalScrollBar()->value() + page)
            verticalScrollBar()->setValue(y - (page - cells.height) / 2);
    }
    viewport()->update();
    return hit.has_value();
}

std::string CHexView::ShownText() const
{
    return HexHistoryText(m_history, m_timestamps);
}

void CHexView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateExtent();
}

void CHexView::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    UpdateExtent();
    OnTimer();
}

void CHexView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CHexView::Print(QPrinter& printer)
{
    PrintLinePages(printer, kPrintColumns, m_history.RowCount(),
                   [this](int row) { return FromDocText(m_history.PrintedRow(row)); });
}

} // namespace kestrelon
