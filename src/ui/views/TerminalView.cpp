// CTerminalView: feeding the model, answers, the repaint tick, size and scrollback.
#include "ui/views/TerminalView.h"
#include "ui/views/ViewZoom.h"

#include "document/ByteBlock.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"
#include "ui/views/FontMapping.h"
#include "ui/views/TerminalPainter.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <memory>

namespace kestrelon {

CTerminalView::CTerminalView(CKestronDoc& doc, IMessageTarget& frame, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_frame(frame)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CTerminalView::OnTimer);
    SetOptions(m_options);
    ApplyFont();
    m_doc.AddView(this);
    m_flashTimer.setSingleShot(true);
    connect(&m_flashTimer, &QTimer::timeout, this, [this] {
        m_flash = false;
        viewport()->update();
    });
}

CTerminalView::~CTerminalView()
{
    m_doc.RemoveView(this);
}

void CTerminalView::OnUpdate(const CUpdateHint& hint)
{
    switch (hint.hint) {
    case HINT_RESET:
        Model().Reset();
        Model().ClearScrollback();
        m_selection.Clear();
        m_reading = false;
        ScheduleRepaint();
        break;
    case HINT_BYTE:
    case HINT_BLOCK:
    case HINT_TEXT:
        // Received data only: the echo of what was sent and error texts are
        // no part of what the device drew.
        if (hint.colour == RECEIVE_COLOUR && hint.data != nullptr && hint.length > 0)
            Feed(hint.data, hint.length);
        break;
    case HINT_FONT:
        ApplyFont();
        break;
    default:
        break;
    }
}

void CTerminalView::Feed(const std::uint8_t* data, std::int32_t length)
{
    // Answers, title and bells are taken on the repaint tick, once the worker
    // has parsed what came.
    m_feed.Post(data, static_cast<std::size_t>(length));
    ScheduleRepaint();
}

void CTerminalView::ScheduleRepaint()
{
    // A burst of data becomes one repaint when the timer runs out.
    if (m_timer.isActive())
        return;
    const bool busy = m_sincePaint.isValid() && m_sincePaint.elapsed() < BUSY_REPAINT_DELAY_MS;
    m_timer.start(busy ? BUSY_REPAINT_DELAY_MS : REPAINT_DELAY_MS);
}

void CTerminalView::SendAnswers()
{
    const std::string answers = Model().TakeAnswers();
    // Only the view the user sees answers, as a terminal would: a hidden one
    // answering too would double every reply.
    if (m_active && !answers.empty())
        PostBytes(answers, false);
}

void CTerminalView::PostBytes(const std::string& bytes, bool paced)
{
    if (bytes.empty())
        return;
    auto block = std::make_unique<CByteBlock>(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                              static_cast<std::int32_t>(bytes.size()));
    m_frame.Post(MakeMessage(WM_TERMINAL, paced ? TC_SEND_PACED : TC_SEND_BLOCK, 0, std::move(block)));
}

void CTerminalView::SetActive(bool active)
{
    m_active = active;
    emit DeviceTitleChanged(active ? QString::fromStdString(Screen().Title()) : QString());
}

void CTerminalView::SetOptions(const CTerminalViewOptions& options)
{
    m_options = options;
    Model().SetAnswersEnabled(options.answers);
    Model().SetEncoding(options.latin1 ? TerminalEncoding::Latin1 : TerminalEncoding::Utf8);
    Model().SetScrollbackLimit(options.scrollbackLines);
    ScheduleRepaint();
}

void CTerminalView::ApplyFont()
{
    const LOGFONTA& record = m_doc.font;
    m_font = FontFromLogFont(record);
    if (record.lfFaceName[0] == '\0') {
        m_font.setFamily(QStringLiteral("Monospace"));
        m_font.setStyleHint(QFont::TypeWriter);
    }
    if (record.lfHeight == 0)
        m_font.setPixelSize(16);
    m_font = ZoomedFont(this, m_font);
    m_cells = MeasureCells(m_font);
    FitScreen();
    viewport()->update();
}

void CTerminalView::FitScreen()
{
    const QSize client = viewport()->size();
    const int columns = std::clamp(client.width() / std::max(m_cells.width, 1), CTerminalScreen::MIN_COLUMNS,
                                   CTerminalScreen::MAX_COLUMNS);
    const int rows =
        std::clamp(client.height() / std::max(m_cells.height, 1), CTerminalScreen::MIN_ROWS, CTerminalScreen::MAX_ROWS);
    if (columns != Screen().Columns() || rows != Screen().Rows()) {
        Model().Resize(columns, rows);
        m_selection.Clear();
    }
    UpdateScrollBar();
}

int CTerminalView::TopLine() const
{
    if (!m_reading)
        return 0;
    const auto top = m_readingTop - static_cast<std::int64_t>(Screen().LinesScrolledOff());
    return static_cast<int>(std::clamp<std::int64_t>(top, -Screen().ScrollbackLines(), 0));
}

int CTerminalView::ScrolledBack() const
{
    return -TopLine();
}

void CTerminalView::ScrollBy(int lines)
{
    const int top = std::clamp(TopLine() + lines, -Screen().ScrollbackLines(), 0);
    m_reading = top < 0;
    m_readingTop = CTerminalSelection::StableLine(Screen(), top);
    UpdateScrollBar();
    viewport()->update();
}

void CTerminalView::UpdateScrollBar()
{
    // The bar's value is the top line counted from the oldest scrollback line.
    m_updatingScrollBar = true;
    QScrollBar* bar = verticalScrollBar();
    const int history = Screen().ScrollbackLines();
    bar->setRange(0, history);
    bar->setPageStep(Screen().Rows());
    bar->setSingleStep(1);
    bar->setValue(history + TopLine());
    m_updatingScrollBar = false;
}

void CTerminalView::scrollContentsBy(int, int)
{
    if (m_updatingScrollBar)
        return;
    ScrollBy(verticalScrollBar()->value() - Screen().ScrollbackLines() - TopLine());
}

void CTerminalView::OnTimer()
{
    if (Screen().HasAnswers())
        SendAnswers();
    if (Model().TakeTitleChanged() && m_active)
        emit DeviceTitleChanged(QString::fromStdString(Screen().Title()));
    // One bell per burst, and only when the user wants to hear it.
    if (Model().TakeBellCount() > 0 && m_active && m_doc.beep) {
        QApplication::beep();
        m_flash = true;
        m_flashTimer.start(FLASH_MS);
    }
    if (Model().TakeDirty() || m_flash) {
        UpdateScrollBar();
        viewport()->update();
    }
}

void CTerminalView::paintEvent(QPaintEvent* event)
{
    m_sincePaint.start();
    QPainter painter(viewport());
    CTerminalPainter::CFrame frame;
    frame.topLine = TopLine();
    frame.focused = hasFocus();
    frame.flash = m_flash;
    CTerminalPainter(Screen(), m_selection, m_font, m_cells).Paint(painter, event->rect(), frame);
}

void CTerminalView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    FitScreen();
}

void CTerminalView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CTerminalView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// Tab is terminal input here, not a move to the next widget.
bool CTerminalView::focusNextPrevChild(bool)
{
    return false;
}

} // namespace kestrelon
