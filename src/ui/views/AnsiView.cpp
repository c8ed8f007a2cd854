// The ANSI view widget: paints the screen model, blinks, draws the caret, sends
// keys and status replies to the frame, and prints the screen.
#include "ui/views/AnsiView.h"
#include "ui/views/ViewZoom.h"

#include "document/ByteBlock.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"
#include "screens/AnsiPalette.h"
#include "ui/views/CellMetrics.h"
#include "ui/views/FontMapping.h"
#include "ui/views/PrintPage.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>
#include <memory>

namespace kestrelon {

namespace {

constexpr int kColumns = CAnsiScreen::COLUMNS;
constexpr int kRows = CAnsiScreen::ROWS;
constexpr int kPrintFirstRowLine = 6;
constexpr std::uint8_t kDeleteByte = 0x7F;

struct CKeyString {
    int key;
    const char* bytes; // lives for the whole run: the frame sends it after we return
};

// Cursor and function keys send the strings a device expects from this terminal.
constexpr CKeyString kKeyStrings[] = {
    {Qt::Key_Up, "\033[A"},   {Qt::Key_Down, "\033[B"}, {Qt::Key_Right, "\033[C"}, {Qt::Key_Left, "\033[D"},
    {Qt::Key_Home, "\033[H"}, {Qt::Key_End, "\033[K"},  {Qt::Key_F1, "\033OP"},    {Qt::Key_F2, "\033OQ"},
    {Qt::Key_F3, "\033OR"},   {Qt::Key_F4, "\033OS"},
};

const char* KeyString(int key)
{
    for (const CKeyString& entry : kKeyStrings)
        if (entry.key == key)
            return entry.bytes;
    return nullptr;
}

// Keys that produce a single control byte whatever the line-end settings say.
int ControlByte(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: // Shift+Tab still types a tab
        return 9;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Delete:
        return kDeleteByte;
    default:
        return -1;
    }
}

QColor ToQColor(COLORREF colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

} // namespace

CANSI_View::CANSI_View(CKestronDoc& doc, IMessageTarget& frame, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_frame(frame)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    m_screen.SetReplyTarget(this);
    ApplyFont();
    m_doc.AddView(this);
    connect(&m_timer, &QTimer::timeout, this, &CANSI_View::OnTimer);
    m_timer.start(REPAINT_INTERVAL_MS);
}

CANSI_View::~CANSI_View()
{
    m_doc.RemoveView(this);
}

void CANSI_View::OnUpdate(const CUpdateHint& hint)
{
    if (hint.hint == HINT_FONT) {
        ApplyFont();
        viewport()->update();
        return;
    }
    // Received bytes only mark the screen dirty; the timer repaints.
    if (m_screen.ApplyHint(hint) == CAnsiScreen::HintEffect::Reset)
        viewport()->update();
}

void CANSI_View::ApplyFont()
{
    const LOGFONTA& record = m_doc.font;
    m_font = FontFromLogFont(record);
    if (record.lfFaceName[0] == '\0')
        m_font.setFamily(QStringLiteral("Courier New"));
    if (record.lfHeight == 0)
        m_font.setPixelSize(16);
    m_font = ZoomedFont(this, m_font);
    const CCellMetrics cells = MeasureCells(m_font);
    m_cellWidth = cells.width;
    m_cellHeight = cells.height;
    m_ascent = cells.ascent;
    UpdateExtent();
}

void CANSI_View::UpdateExtent()
{
    const QSize client = viewport()->size();
    const int width = kColumns * m_cellWidth;
    const int height = kRows * m_cellHeight;
    horizontalScrollBar()->setRange(0, std::max(0, width - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    horizontalScrollBar()->setSingleStep(m_cellWidth);
    verticalScrollBar()->setRange(0, std::max(0, height - client.height()));
    verticalScrollBar()->setPageStep(client.height());
    verticalScrollBar()->setSingleStep(m_cellHeight);
}

QRect CANSI_View::ScreenRect() const
{
    const QSize client = viewport()->size();
    const int width = kColumns * m_cellWidth;
    const int height = kRows * m_cellHeight;
    const int left = client.width() > width ? (client.width() - width) / 2 : -horizontalScrollBar()->value();
    const int top = client.height() > height ? (client.height() - height) / 2 : -verticalScrollBar()->value();
    return {left, top, width, height};
}

void CANSI_View::OnTimer()
{
    // Blinking cells are hidden for ticks 6 to 9 of every 10: 400 ms of each second.
    if (++m_blinkTicks == BLINK_HIDE_TICK) {
        m_blinkPhase = false;
        m_screen.SetDirty();
    } else if (m_blinkTicks >= BLINK_CYCLE_TICKS) {
        m_blinkTicks = 0;
        m_blinkPhase = true;
        m_screen.SetDirty();
    }
    if (m_screen.TakeDirty())
        viewport()->update();
}

void CANSI_View::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, palette().color(QPalette::Button));
    const QRect screen = ScreenRect();
    painter.fillRect(screen.intersected(area), ToQColor(ANSI_SCREEN_COLOUR));
    painter.setFont(m_font);
    const int firstRow = std::max(0, (area.top() - screen.top()) / m_cellHeight);
    const int lastRow = std::min(kRows - 1, (area.bottom() - screen.top()) / m_cellHeight);
    for (int row = firstRow; row <= lastRow; ++row)
        PaintRow(painter, screen, row);
    if (hasFocus()) {
        // A solid caret that inverts the cell under it.
        const QRect caret(screen.left() + m_screen.CursorColumn() * m_cellWidth,
                          screen.top() + m_screen.CursorRow() * m_cellHeight, m_cellWidth, m_cellHeight);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(caret, Qt::white);
    }
}

void CANSI_View::PaintRow(QPainter& painter, const QRect& screen, int row)
{
    const std::uint8_t* chars = m_screen.RowChars(row);
    const std::uint8_t* foreground = m_screen.RowForeground(row);
    const std::uint8_t* background = m_screen.RowBackground(row);
    const std::uint8_t* attributes = m_screen.RowAttributes(row);
    const int top = screen.top() + row * m_cellHeight;
    for (int column = 0; column < kColumns; ++column) {
        // Empty cells show the black screen whatever their colours.
        if (chars[column] == 0)
            continue;
        const CAnsiCell cell{chars[column], foreground[column], background[column], attributes[column]};
        if ((cell.attributes & ATTR_BLINK) && !m_blinkPhase)
            continue;
        const CCellColours colours = CellColours(cell);
        const QRect rect(screen.left() + column * m_cellWidth, top, m_cellWidth, m_cellHeight);
        painter.fillRect(rect, ToQColor(colours.background));
        const QColor text = ToQColor(colours.text);
        painter.setPen(text);
        painter.drawText(QPoint(rect.left(), top + m_ascent), QString(QChar(static_cast<char16_t>(cell.character))));
        if (cell.attributes & ATTR_UNDERLINE)
            painter.fillRect(QRect(rect.left(), rect.bottom(), m_cellWidth, 1), text);
    }
}

void CANSI_View::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateExtent();
}

void CANSI_View::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CANSI_View::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CANSI_View::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// Tab is terminal input here, not a move to the next widget.
bool CANSI_View::focusNextPrevChild(bool)
{
    return false;
}

bool CANSI_View::event(QEvent* event)
{
    // The keys of the terminal win over window shortcuts while this view has the
    // focus: F1 sends its string and never opens help.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (KeyString(key->key()) != nullptr || ControlByte(key->key()) >= 0)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void CANSI_View::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (const char* bytes = KeyString(key)) {
        PostString(bytes);
    } else if (const int control = ControlByte(key); control >= 0) {
        PostByte(static_cast<std::uint8_t>(control));
    } else if ((event->modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
        PostByte(static_cast<std::uint8_t>(key - Qt::Key_A + 1));
    } else if (!event->text().isEmpty()) {
        // Characters go out as single Latin-1 bytes, the encoding every text of
        // the terminal uses; characters outside it have no byte to send.
        for (const QChar ch : event->text())
            if (ch.unicode() > 0 && ch.unicode() < 0x100)
                PostByte(static_cast<std::uint8_t>(ch.unicode()));
    } else {
        event->ignore();
        return;
    }
    event->accept();
}

void CANSI_View::PostByte(std::uint8_t byte)
{
    m_frame.Post(MakeMessage(WM_TERMINAL, TC_SEND_BYTE, byte));
}

void CANSI_View::PostString(const char* text)
{
    m_frame.Post(MakeMessage(WM_TERMINAL, TC_SEND_STRING, reinterpret_cast<std::intptr_t>(text)));
}

void CANSI_View::ReplyText(const char* text)
{
    if (m_active)
        PostString(text);
}

void CANSI_View::ReplyBytes(const std::uint8_t* data, std::int32_t length)
{
    if (m_active)
        m_frame.Post(MakeMessage(WM_TERMINAL, TC_SEND_BLOCK, 0, std::make_unique<CByteBlock>(data, length)));
}

void CANSI_View::Print(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const CPrintPage layout = CPrintPage::Begin(painter, printer, kColumns);
    const int lineHeight = layout.lineHeight;
    const int leftMargin = layout.leftMargin;
    const int cellWidth = layout.lineWidth / kColumns;
    const bool inColour = printer.colorMode() == QPrinter::Color;

    painter.setPen(Qt::black);
    layout.DrawHeader(painter, PageHeader(1, kColumns));

    // Blinking is ignored on paper; hidden text still takes its background colour.
    for (int row = 0; row < kRows; ++row) {
        const int y = (kPrintFirstRowLine + row) * lineHeight;
        for (int column = 0; column < kColumns; ++column) {
            const CAnsiCell cell = m_screen.Cell(column, row);
            if (cell.character == 0)
                continue;
            const CCellColours colours = CellColours(cell, inColour);
            const QRect rect(leftMargin + column * cellWidth, y, cellWidth, lineHeight);
            painter.fillRect(rect, ToQColor(colours.background));
            painter.setPen(ToQColor(colours.text));
            painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop, QString(QChar(static_cast<char16_t>(cell.character))));
            if (cell.attributes & ATTR_UNDERLINE)
                painter.fillRect(QRect(rect.left(), y + lineHeight - 1, cellWidth, 1), ToQColor(colours.text));
        }
    }
}

} // namespace kestrelon
