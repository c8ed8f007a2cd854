// CEditableListCtrl: the click-twice rule, scrolling ends edits, cell geometry.
#include "ui/widgets/EditableListCtrl.h"

#include "ui/widgets/InPlaceEdit.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

namespace kestrelon {

CEditableListCtrl::CEditableListCtrl(QWidget* parent) : QTableWidget(parent)
{
    // The list never edits by itself: the dialogs decide which cells may change.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setShowGrid(false);
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setHighlightSections(false);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { TakeFocusBeforeScroll(); });
}

void CEditableListCtrl::TakeFocusBeforeScroll()
{
    if (!hasFocus())
        setFocus();
    FinishEdit();
}

void CEditableListCtrl::FinishEdit()
{
    if (m_edit)
        m_edit->Finish();
}

void CEditableListCtrl::wheelEvent(QWheelEvent* event)
{
    TakeFocusBeforeScroll();
    QTableWidget::wheelEvent(event);
}

void CEditableListCtrl::ScrollColumnIntoView(int logicalColumn)
{
    const int left = columnViewportPosition(logicalColumn);
    const int right = left + columnWidth(logicalColumn);
    if (left < 0 || right > viewport()->width())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + left);
}

void CEditableListCtrl::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex hit = indexAt(event->position().toPoint());
    const int previousColumn = m_currentColumn;
    m_currentColumn = hit.isValid() ? horizontalHeader()->visualIndex(hit.column()) : -1;
    if (hit.isValid())
        ScrollColumnIntoView(hit.column());
    // The row already holding the focus mark before this click.
    const bool rowHadFocus = hit.isValid() && currentIndex().isValid() && currentIndex().row() == hit.row();
    QTableWidget::mousePressEvent(event);
    if (rowHadFocus && event->button() == Qt::LeftButton && m_currentColumn == previousColumn) {
        const QTableWidgetItem* cell = item(hit.row(), hit.column());
        emit BeginLabelEdit(hit.row(), hit.column(), cell != nullptr ? cell->text() : QString());
    }
}

void CEditableListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (!hit.isValid() || event->button() != Qt::LeftButton || m_edit)
        return; // the second press may already have started the edit
    m_currentColumn = horizontalHeader()->visualIndex(hit.column());
    const QTableWidgetItem* cell = item(hit.row(), hit.column());
    emit BeginLabelEdit(hit.row(), hit.column(), cell != nullptr ? cell->text() : QString());
}

void CEditableListCtrl::EditNextCell(int item, int column, bool forward)
{
    FinishEdit();
    const int columns = columnCount();
    int cell = item * columns + column;
    for (;;) {
        cell += forward ? 1 : -1;
        if (cell < 0 || cell >= rowCount() * columns)
            return;
        const int row = cell / columns;
        const int col = cell % columns;
        if (columnWidth(col) < kMinEditableWidth || isColumnHidden(col))
            continue;
        setCurrentCell(row, col, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_currentColumn = horizontalHeader()->visualIndex(col);
        emit BeginLabelEdit(row, col, this->item(row, col) != nullptr ? this->item(row, col)->text() : QString());
        if (m_edit)
            return;
    }
}

bool CEditableListCtrl::EditSubLabel(CInPlaceEdit* edit, int item, int column)
{
    if (edit == nullptr || item < 0 || item >= rowCount() || column < 0 || column >= columnCount())
        return false;
    if (columnWidth(column) < kMinEditableWidth || isColumnHidden(column))
        return false;
    scrollTo(model()->index(item, column), QAbstractItemView::EnsureVisible);
    ScrollColumnIntoView(column);
    const QRect cell = visualRect(model()->index(item, column));
    const int right = std::min(cell.left() + columnWidth(column), viewport()->width());
    edit->setGeometry(cell.left(), cell.top(), std::max(right - cell.left(), 1), cell.height());
    edit->show();
    edit->update();
    return true;
}

CInPlaceEdit* CEditableListCtrl::EditCell(int item, int column)
{
    FinishEdit();
    const QTableWidgetItem* cell = this->item(item, column);
    auto* edit = new CInPlaceEdit(this, item, column, cell != nullptr ? cell->text() : QString());
    if (!EditSubLabel(edit, item, column)) {
        delete edit;
        return nullptr;
    }
    m_edit = edit;
    connect(edit, &CInPlaceEdit::EndLabelEdit, this,
            [this, edit](int row, int col, const QString& text, bool cancelled) {
                if (!cancelled) {
                    if (QTableWidgetItem* target = this->item(row, col))
                        target->setText(text);
                    else
                        setItem(row, col, new QTableWidgetItem(text));
                }
                if (m_edit == edit)
                    m_edit = nullptr;
                edit->hide();
                edit->deleteLater();
            });
    edit->setFocus();
    edit->selectAll();
    edit->FitWidth();
    return edit;
}

} // namespace kestrelon
