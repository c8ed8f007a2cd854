// A report-style list whose cells are edited in place: a second click on a cell
// of the focused row, in the same column as the click before, or a double-click
// on any cell, asks the owning dialog (BeginLabelEdit) to edit it; the dialog
// accepts with EditCell. Tab and Shift+Tab in an edit go on to the next cell.
#pragma once

#include "ui/widgets/InPlaceEdit.h"

#include <QPointer>
#include <QTableWidget>

namespace kestrelon {

class CEditableListCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit CEditableListCtrl(QWidget* parent = nullptr);

    // Display position of the column last clicked, -1 when the click hit none.
    int CurrentColumn() const { return m_currentColumn; }
    // Lays `edit` over the cell; false (and nothing done) when the row or the
    // column does not exist or the column is narrower than 5 pixels.
    bool EditSubLabel(CInPlaceEdit* edit, int item, int column);
    // Creates the editor over a cell, which stores the typed text in the cell
    // when it ends without Escape and then goes away; null when not editable.
    CInPlaceEdit* EditCell(int item, int column);
    CInPlaceEdit* ActiveEdit() const { return m_edit; }
    // Ends an edit in progress as a focus loss would.
    void FinishEdit();
    // Ends the edit of (item, column) and asks for the next (or previous) cell
    // that the dialog lets edit, row by row; at either end of the list the edit
    // just ends.
    void EditNextCell(int item, int column, bool forward);

    // Columns narrower than this are hidden ones: never edited.
    static constexpr int kMinEditableWidth = 5;

signals:
    void BeginLabelEdit(int item, int column, const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void TakeFocusBeforeScroll();
    void ScrollColumnIntoView(int logicalColumn);

    int m_currentColumn = 0;
    QPointer<CInPlaceEdit> m_edit;
};

} // namespace kestrelon
