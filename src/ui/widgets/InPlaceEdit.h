// The edit box that a list dialog lays over one cell of a CEditableListCtrl.
// It ends when it loses the focus for any reason (Enter, Escape, a click
// elsewhere, scrolling) and reports the text, or a cancellation, exactly once.
#pragma once

#include <QLineEdit>

namespace kestrelon {

class CEditableListCtrl;

class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    CInPlaceEdit(CEditableListCtrl* list, int item, int subItem, const QString& initialText);

    int Item() const { return m_item; }
    int SubItem() const { return m_subItem; }
    bool IsCancelled() const { return m_cancelled; }
    // Ends the edit (once): reports EndLabelEdit. Focus loss calls it; the list
    // calls it too before scrolling, in case the window does not have the focus.
    void Finish();
    // Widens the box to the text, up to the list's right edge.
    void FitWidth();

signals:
    // `cancelled` true (Escape): the cell keeps its text and `text` is empty.
    void EndLabelEdit(int item, int subItem, const QString& text, bool cancelled);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ReturnFocusToList();

    CEditableListCtrl* m_list;
    int m_item;
    int m_subItem;
    bool m_cancelled = false;
    bool m_finished = false;
};

} // namespace kestrelon
