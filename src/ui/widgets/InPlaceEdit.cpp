// CInPlaceEdit: keys that must not reach the dialog, width fitting, end report.
#include "ui/widgets/InPlaceEdit.h"

#include "ui/widgets/EditableListCtrl.h"

#include <QKeyEvent>

namespace kestrelon {

namespace {
// Room for the frame and the caret beyond the measured text.
constexpr int kTextMargin = 5 + 8;
// Keep the box this far inside the list's right edge.
constexpr int kRightGap = 2;

bool IsEditKey(const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        return true;
    default:
        return (key->modifiers() & Qt::ControlModifier) != 0;
    }
}
} // namespace

CInPlaceEdit::CInPlaceEdit(CEditableListCtrl* list, int item, int subItem, const QString& initialText)
    : QLineEdit(list->viewport()), m_list(list), m_item(item), m_subItem(subItem)
{
    setFont(list->font());
    setText(initialText);
    connect(this, &QLineEdit::textEdited, this, &CInPlaceEdit::FitWidth);
}

bool CInPlaceEdit::event(QEvent* event)
{
    // Tab moves the edit along the list instead of the focus along the dialog.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            const bool forward = key == Qt::Key_Tab && !(static_cast<QKeyEvent*>(event)->modifiers() & Qt::ShiftModifier);
            m_list->EditNextCell(m_item, m_subItem, forward);
            return true;
        }
    }
    // Enter, Escape, Delete and Ctrl combinations belong to the edit: the dialog's
    // default button, Cancel and the window's shortcuts must not take them.
    if (event->type() == QEvent::ShortcutOverride && IsEditKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        m_cancelled = true;
        ReturnFocusToList();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ReturnFocusToList();
        event->accept();
        return;
    default:
        QLineEdit::keyPressEvent(event);
        // Accepting keeps QDialog from seeing keys the line edit passed on.
        event->accept();
        return;
    }
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    Finish();
}

void CInPlaceEdit::ReturnFocusToList()
{
    m_list->setFocus();
    Finish(); // when the window is not active no focus-out arrives
}

void CInPlaceEdit::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    emit EndLabelEdit(m_item, m_subItem, m_cancelled ? QString() : text(), m_cancelled);
}

void CInPlaceEdit::FitWidth()
{
    const int wanted = fontMetrics().horizontalAdvance(text()) + kTextMargin;
    if (wanted <= width())
        return;
    const int limit = parentWidget()->width() - kRightGap;
    const int right = std::min(x() + wanted, limit);
    if (right > x() + width())
        resize(right - x(), height());
}

} // namespace kestrelon
