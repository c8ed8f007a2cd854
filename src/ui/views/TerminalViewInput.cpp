// CTerminalView's keyboard and mouse: keys as an xterm sends them, the local
// scrollback keys, selection, copy and paste.
#include "ui/views/TerminalView.h"

#include "screens/TerminalKeys.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <optional>

namespace kestrelon {

namespace {

constexpr int kWheelLines = 3;

std::optional<TerminalKey> NamedKey(int key)
{
    static constexpr std::pair<int, TerminalKey> kKeys[] = {
        {Qt::Key_Up, TerminalKey::Up},
        {Qt::Key_Down, TerminalKey::Down},
        {Qt::Key_Right, TerminalKey::Right},
        {Qt::Key_Left, TerminalKey::Left},
        {Qt::Key_Home, TerminalKey::Home},
        {Qt::Key_End, TerminalKey::End},
        {Qt::Key_Insert, TerminalKey::Insert},
        {Qt::Key_Delete, TerminalKey::Delete},
        {Qt::Key_PageUp, TerminalKey::PageUp},
        {Qt::Key_PageDown, TerminalKey::PageDown},
        {Qt::Key_F1, TerminalKey::F1},
        {Qt::Key_F2, TerminalKey::F2},
        {Qt::Key_F3, TerminalKey::F3},
        {Qt::Key_F4, TerminalKey::F4},
        {Qt::Key_F5, TerminalKey::F5},
        {Qt::Key_F6, TerminalKey::F6},
        {Qt::Key_F7, TerminalKey::F7},
        {Qt::Key_F8, TerminalKey::F8},
        {Qt::Key_F9, TerminalKey::F9},
        {Qt::Key_F10, TerminalKey::F10},
        {Qt::Key_F11, TerminalKey::F11},
        {Qt::Key_F12, TerminalKey::F12},
        {Qt::Key_Backspace, TerminalKey::Backspace},
        {Qt::Key_Tab, TerminalKey::Tab},
        {Qt::Key_Backtab, TerminalKey::Tab},
        {Qt::Key_Return, TerminalKey::Enter},
        {Qt::Key_Escape, TerminalKey::Escape},
    };
    for (const auto& [qtKey, terminalKey] : kKeys)
        if (qtKey == key)
            return terminalKey;
    return std::nullopt;
}

unsigned ModifiersOf(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? KEY_SHIFT : 0u) | (modifiers & Qt::AltModifier ? KEY_ALT : 0u) |
           (modifiers & Qt::ControlModifier ? KEY_CTRL : 0u);
}

bool IsCtrlShift(const QKeyEvent& key, int code)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    return key.key() == code && mods == (Qt::ShiftModifier | Qt::ControlModifier);
}

bool IsShift(const QKeyEvent& key, int code)
{
    return key.key() == code &&
           (key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == Qt::ShiftModifier;
}

// The bytes a key press sends; empty when it sends nothing.
std::string KeyBytes(const QKeyEvent& event, const CTerminalKeyModes& modes)
{
    const unsigned modifiers = ModifiersOf(event.modifiers());
    const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
    if (event.key() == Qt::Key_Enter && keypad)
        return modes.applicationKeypad ? std::string("\033OM")
                                       : EncodeTerminalKey(TerminalKey::Enter, modifiers, modes);
    if (const std::optional<TerminalKey> named = NamedKey(event.key())) {
        const unsigned shift = event.key() == Qt::Key_Backtab ? KEY_SHIFT : 0u;
        return EncodeTerminalKey(*named, modifiers | shift, modes);
    }
    // With Ctrl the text is already a control byte, or nothing: the key says which.
    if ((modifiers & KEY_CTRL) && event.key() > 0 && event.key() < 0x80)
        return EncodeTerminalChar(QChar(event.key()).toLower().unicode(), modifiers & ~KEY_SHIFT, keypad, modes);
    std::string bytes;
    for (const char32_t ch : event.text().toUcs4())
        if (ch >= 0x20 && ch != 0x7F)
            bytes += EncodeTerminalChar(ch, modifiers & ~KEY_SHIFT, keypad, modes);
    return bytes;
}

} // namespace

bool CTerminalView::LocalKey(const QKeyEvent& key)
{
    return IsCtrlShift(key, Qt::Key_C) || IsCtrlShift(key, Qt::Key_V) || IsShift(key, Qt::Key_Insert) ||
           IsShift(key, Qt::Key_PageUp) || IsShift(key, Qt::Key_PageDown);
}

bool CTerminalView::event(QEvent* event)
{
    // Every key goes to the device while this view has the focus: F1, F3 and
    // Ctrl+F are the program's, not the window's. Not the window's own keys,
    // which no view passes on: Ctrl+Shift+F1 to F10 (the function-key bar)
    // and Ctrl+Shift+F (find).
    if (event->type() == QEvent::ShortcutOverride) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const bool barKey = key.key() >= Qt::Key_F1 && key.key() <= Qt::Key_F10;
        if (IsCtrlShift(key, Qt::Key_F) || (barKey && IsCtrlShift(key, key.key())))
            return QAbstractScrollArea::event(event);
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void CTerminalView::keyPressEvent(QKeyEvent* event)
{
    if (LocalKey(*event)) {
        if (IsCtrlShift(*event, Qt::Key_C))
            Copy();
        else if (IsShift(*event, Qt::Key_PageUp))
            ScrollBy(-std::max(1, Screen().Rows() - 1));
        else if (IsShift(*event, Qt::Key_PageDown))
            ScrollBy(std::max(1, Screen().Rows() - 1));
        else
            Paste();
        event->accept();
        return;
    }
    const CTerminalKeyModes modes{Screen().ApplicationCursorKeys(), Screen().ApplicationKeypad(),
                                  m_options.backspaceSendsBs, !m_options.latin1};
    const std::string bytes = KeyBytes(*event, modes);
    if (bytes.empty()) {
        event->ignore();
        return;
    }
    // Typing returns to the output, as in any terminal.
    if (m_reading)
        ScrollBy(Screen().ScrollbackLines());
    PostBytes(bytes, false);
    event->accept();
}

void CTerminalView::Copy()
{
    if (m_selection.IsEmpty())
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdString(m_selection.Text(Screen())));
}

void CTerminalView::Paste()
{
    if (const QClipboard* clipboard = QGuiApplication::clipboard())
        PasteText(clipboard->text());
}

void CTerminalView::PasteText(const QString& text)
{
    if (text.isEmpty())
        return;
    const CTerminalKeyModes modes{false, false, false, !m_options.latin1};
    const QByteArray utf8 = text.toUtf8();
    // Paced like any paste, for devices whose input buffer drops a fast one.
    PostBytes(EncodeTerminalPaste(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                                  Screen().BracketedPaste(), modes),
              true);
}

void CTerminalView::SelectAll()
{
    m_selection.Start({CTerminalSelection::StableLine(Screen(), -Screen().ScrollbackLines()), 0});
    m_selection.Extend({CTerminalSelection::StableLine(Screen(), Screen().Rows() - 1), Screen().Columns()});
    viewport()->update();
}

CTerminalSelection::CPoint CTerminalView::PointAt(const QPoint& position) const
{
    const int row = std::clamp(position.y() / std::max(m_cells.height, 1), 0, Screen().Rows() - 1);
    // A point between cells: the nearer edge of the cell under the mouse.
    const int column =
        std::clamp((position.x() + m_cells.width / 2) / std::max(m_cells.width, 1), 0, Screen().Columns());
    return {CTerminalSelection::StableLine(Screen(), TopLine() + row), column};
}

void CTerminalView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_selection.Start(PointAt(event->position().toPoint()));
        m_selecting = true;
        viewport()->update();
    } else if (event->button() == Qt::MiddleButton) {
        // The X selection, as every terminal on the desktop pastes it.
        if (const QClipboard* clipboard = QGuiApplication::clipboard())
            PasteText(clipboard->text(QClipboard::Selection));
    }
}

void CTerminalView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_selecting)
        return;
    const QPoint position = event->position().toPoint();
    // Dragging past the top or bottom scrolls through the scrollback.
    if (position.y() < 0)
        ScrollBy(-1);
    else if (position.y() >= viewport()->height())
        ScrollBy(1);
    m_selection.Extend(PointAt(position));
    viewport()->update();
}

void CTerminalView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_selecting)
        return;
    m_selecting = false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!m_selection.IsEmpty() && clipboard != nullptr && clipboard->supportsSelection())
        clipboard->setText(QString::fromStdString(m_selection.Text(Screen())), QClipboard::Selection);
}

void CTerminalView::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        ScrollBy(-steps * kWheelLines);
    event->accept();
}

} // namespace kestrelon
