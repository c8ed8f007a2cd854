// CKestronView: hints into the grid, the repaint timer, scroll extent and
// autoscroll, keyboard and mouse selection, clipboard, context menu, printing.
#include "ui/views/KestronView.h"
#include "ui/views/ViewZoom.h"

#include "document/ByteBlock.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"
#include "screens/TextExport.h"
#include "ui/views/AsciiPainter.h"
#include "ui/views/AsciiPrinter.h"
#include "ui/views/CellMetrics.h"
#include "ui/views/FontMapping.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

namespace kestrelon {

namespace {

// Clipboard text ends at its first NUL, as a C string would: what is copied
// and what is pasted both stop there.
QByteArray UpToNul(QByteArray bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes;
}

} // namespace

CKestronView::CKestronView(CKestronDoc& doc, IMessageTarget& frame, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_frame(frame)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent); // the paint fills everything
    // Without a button, Shift held and the mouse moved still extends.
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    m_grid.Resize(m_doc.screenColumns, m_doc.screenLines);
    UpdateMetrics();
    UpdateExtent();
    m_repaintTimer.start(REPAINT_PERIOD_MS, this);
    m_doc.AddView(this);
}

CKestronView::~CKestronView()
{
    m_doc.RemoveView(this);
}

void CKestronView::OnUpdate(const CUpdateHint& hint)
{
    const int usedLines = m_grid.UsedLines();
    switch (m_grid.Apply(hint, m_doc.screenColumns, m_doc.screenLines)) {
    case GridChange::Written:
        if (m_grid.UsedLines() != usedLines)
            UpdateExtent();
        Follow();
        break;
    case GridChange::Cleared:
        UpdateExtent();
        // An empty grid starts at the top left, whatever was scrolled before
        // (a wider screen would otherwise show its empty right-hand part).
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
        viewport()->update();
        NoteSelection();
        break;
    case GridChange::Font:
        UpdateMetrics();
        viewport()->update();
        break;
    case GridChange::None:
        break;
    }
}

void CKestronView::UpdateMetrics()
{
    if (m_fontValid && m_fontZoom == ViewZoom(this) && std::memcmp(&m_fontSource, &m_doc.font, sizeof m_fontSource) == 0)
        return;
    m_fontSource = m_doc.font;
    m_fontZoom = ViewZoom(this);
    m_font = ZoomedFont(this, FontFromLogFont(m_fontSource));
    m_font.setKerning(false); // every character keeps to its cell
    m_fontValid = true;
    const CCellMetrics cells = MeasureCells(m_font);
    if (cells.width != m_cellWidth || cells.height != m_cellHeight) {
        m_cellWidth = cells.width;
        m_cellHeight = cells.height;
        UpdateExtent();
    }
}

void CKestronView::UpdateExtent()
{
    const QSize page = viewport()->size();
    const int width = m_grid.Columns() * m_cellWidth + GutterWidth();
    const int height = m_grid.UsedLines() * m_cellHeight;
    horizontalScrollBar()->setRange(0, std::max(width - page.width(), 0));
    horizontalScrollBar()->setPageStep(page.width());
    horizontalScrollBar()->setSingleStep(m_cellWidth);
    verticalScrollBar()->setRange(0, std::max(height - page.height(), 0));
    verticalScrollBar()->setPageStep(page.height());
    verticalScrollBar()->setSingleStep(m_cellHeight);
    m_visibleRows = page.height() / m_cellHeight;
    m_followed = false;
}

void CKestronView::Follow()
{
    if (!m_grid.IsAutoscroll())
        return;
    const auto y = CAsciiGrid::FollowPosition(m_grid.Caret().row, m_visibleRows, m_cellHeight);
    if (!y || (m_followed && *y == m_followedY))
        return; // the common case while data streams in below a full screen
    m_following = true;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(*y);
    m_following = false;
    m_followed = true;
    m_followedY = *y;
}

void CKestronView::scrollContentsBy(int, int)
{
    // Following new data must not paint per line: the grid is dirty already and
    // the timer shows it. Any other move (the user, a new extent) shows at once
    // and makes the next write follow again.
    if (m_following)
        return;
    m_followed = false;
    viewport()->update();
}

void CKestronView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_repaintTimer.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    if (m_grid.TakeDirty())
        viewport()->update();
    NoteSelection();
}

void CKestronView::NoteSelection()
{
    const bool has = m_grid.HasSelection();
    if (has != m_hadSelection) {
        m_hadSelection = has;
        emit copyAvailable(has);
    }
}

void CKestronView::paintEvent(QPaintEvent* event)
{
    UpdateMetrics(); // the document's font may have changed without a hint
    QPainter painter(viewport());
    const QColor window = palette().color(QPalette::Base);
    painter.fillRect(event->rect(), window);
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-scroll);
    CAsciiPainter cells(m_grid, m_font, m_cellWidth, m_cellHeight, window);
    cells.ShowTimestamps(m_timestamps);
    cells.MarkMatches(&m_matcher);
    cells.Paint(painter, event->rect().translated(scroll));
    if (hasFocus()) {
        // A solid caret inverts what is under it.
        const CCellPos caret = m_grid.Caret();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(QRect(cells.Left() + caret.column * m_cellWidth, caret.row * m_cellHeight, m_cellWidth,
                               m_cellHeight),
                         Qt::white);
    }
}

void CKestronView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateExtent();
}

CCellPos CKestronView::CellAt(QPoint viewportPos) const
{
    // A press on a stamp picks the row's first cell.
    const int x = std::max(viewportPos.x() + horizontalScrollBar()->value() - GutterWidth(), 0);
    const int y = viewportPos.y() + verticalScrollBar()->value();
    return {x / m_cellWidth, y / m_cellHeight};
}

void CKestronView::PostTyped(std::uint8_t character)
{
    m_frame.Post(MakeMessage(WM_TERMINAL, TC_TYPED_CHAR, character));
}

void CKestronView::keyPressEvent(QKeyEvent* event)
{
    ArrowKey arrow{};
    switch (event->key()) {
    case Qt::Key_Shift:
        m_grid.ShiftDown();
        return;
    case Qt::Key_Left:
        arrow = ArrowKey::Left;
        break;
    case Qt::Key_Up:
        arrow = ArrowKey::Up;
        break;
    case Qt::Key_Right:
        arrow = ArrowKey::Right;
        break;
    case Qt::Key_Down:
        arrow = ArrowKey::Down;
        break;
    case Qt::Key_Delete: // moves nothing and types nothing
        return;
    default: {
        const QString text = event->text();
        if (text.isEmpty() || (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) != 0) {
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        for (const QChar c : text) {
            if (c.unicode() <= 0xFF)
                PostTyped(static_cast<std::uint8_t>(c.unicode()));
        }
        return;
    }
    }
    // Arrow keys select; they never send anything.
    if (m_doc.arrowKeysMoveCaret) {
        m_grid.MoveSelectionPoint(arrow);
        NoteSelection();
    }
}

void CKestronView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Shift && !event->isAutoRepeat())
        m_grid.ShiftUp();
    QAbstractScrollArea::keyReleaseEvent(event);
}

void CKestronView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    // A Shift pressed before the view had the focus still extends.
    if ((event->modifiers() & Qt::ShiftModifier) != 0 && !m_grid.IsExtending())
        m_grid.ShiftDown();
    m_grid.PressAt(CellAt(event->position().toPoint()));
    NoteSelection();
}

void CKestronView::mouseMoveEvent(QMouseEvent* event)
{
    m_grid.DragTo(CellAt(event->position().toPoint()));
    NoteSelection();
}

void CKestronView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_grid.Release();
}

void CKestronView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CKestronView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

bool CKestronView::focusNextPrevChild(bool)
{
    return false; // Tab is a character to send, not a focus move
}

bool CKestronView::CanPaste()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    return data != nullptr && data->hasText();
}

void CKestronView::Copy()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return;
    const std::string text = m_grid.SelectedText();
    const QByteArray bytes = UpToNul(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    clipboard->setText(QString::fromLatin1(bytes));
}

void CKestronView::Paste()
{
    PostClipboard(m_frame);
}

void CKestronView::PostClipboard(IMessageTarget& frame)
{
    if (!CanPaste())
        return;
    // One block, sent as if typed (the send conversions apply) but paced, and
    // cancelled by Escape while it goes out.
    const QByteArray bytes = UpToNul(QGuiApplication::clipboard()->text().toLatin1());
    if (bytes.isEmpty())
        return;
    auto block = std::make_unique<CByteBlock>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                              static_cast<std::int32_t>(bytes.size()));
    frame.Post(MakeMessage(WM_TERMINAL, TC_PASTE, 0, std::move(block)));
}

void CKestronView::SelectAll()
{
    m_grid.SelectAll();
    viewport()->update();
    NoteSelection();
}

void CKestronView::ToggleAutoscroll()
{
    m_grid.ToggleAutoscroll();
}

std::unique_ptr<QMenu> CKestronView::CreateContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    QAction* copy = menu->addAction(tr("&Copy"), this, &CKestronView::Copy);
    copy->setEnabled(CanCopy());
    QAction* paste = menu->addAction(tr("&Paste"), this, &CKestronView::Paste);
    paste->setEnabled(CanPaste());
    return menu;
}

void CKestronView::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    menu->exec(event->globalPos());
}

bool CKestronView::Print(QPrinter& printer)
{
    return CAsciiPrinter(m_grid).Print(printer);
}

void CKestronView::SetTimestamps(bool on)
{
    if (on == m_timestamps)
        return;
    m_timestamps = on;
    UpdateExtent();
    viewport()->update();
}

void CKestronView::SetFindText(const std::string& text, bool matchCase)
{
    m_matcher = CByteMatcher(text, matchCase);
    viewport()->update();
}

bool CKestronView::FindStep(FindDirection direction, bool inclusive)
{
    const std::int64_t row = m_currentRow - m_grid.ScrolledRows();
    const bool fromCurrent = m_hasCurrent && row >= 0 && row < m_grid.UsedLines();
    CCellPos from{0, 0};
    if (fromCurrent)
        from = {m_currentColumn, static_cast<int>(row)};
    else if (direction == FindDirection::Backward)
        from = {0, m_grid.UsedLines()}; // past the end: the last match overall
    const auto hit = FindInRows(CGridRows(m_grid), m_matcher, from, direction, inclusive || !fromCurrent);
    if (!hit) {
        if (m_hasCurrent) // the last match is not selected any more
            m_grid.Select({}, {});
        m_hasCurrent = false;
        NoteSelection();
        viewport()->update();
        return false;
    }
    m_hasCurrent = true;
    m_currentRow = hit->row + m_grid.ScrolledRows();
    m_currentColumn = hit->column;
    m_grid.Select({hit->column, hit->row}, {hit->column + hit->length, hit->row});
    NoteSelection();
    ScrollIntoView(*hit);
    viewport()->update();
    return true;
}

void CKestronView::ScrollIntoView(const CFindHit& hit)
{
    const QSize page = viewport()->size();
    const int top = hit.row * m_cellHeight;
    if (top < verticalScrollBar()->value() || top + m_cellHeight > verticalScrollBar()->value() + page.height())
        verticalScrollBar()->setValue(top - (page.height() - m_cellHeight) / 2);
    const int left = GutterWidth() + hit.column * m_cellWidth;
    const int right = left + hit.length * m_cellWidth;
    // The least horizontal move that shows the match, so the stamps stay in
    // view whenever the match allows it.
    if (right > horizontalScrollBar()->value() + page.width())
        horizontalScrollBar()->setValue(right - page.width() + m_cellWidth);
    if (left < horizontalScrollBar()->value())
        horizontalScrollBar()->setValue(right <= page.width() ? 0 : left);
}

std::string CKestronView::ShownText() const
{
    return AsciiGridText(m_grid, m_timestamps);
}

void CKestronView::FilePrint(QPrinter& printer, const std::function<int(QDialog&)>& runDialog)
{
    printer.setFromTo(0, 0);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, CAsciiPrinter(m_grid).PageCount(printer));
    if (runDialog(dialog) == QDialog::Accepted)
        Print(printer);
}

void CKestronView::FilePrintPreview(QPrinter& printer, const std::function<int(QDialog&)>& runDialog)
{
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { Print(*target); });
    runDialog(preview);
}

} // namespace kestrelon
