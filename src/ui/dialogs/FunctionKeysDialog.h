// Setup > Function Keys: all hundred keys in one list ("#", title, command),
// titles and commands edited in place, rows' contents moved up and down, a row
// cleared. Works on a FunctionKeyTexts record.
#pragma once

#include "automation/FunctionKeys.h"

#include <QDialog>

class QPushButton;

namespace kestrelon {

class CEditableListCtrl;
class CKestronDoc;

class CFunctionKeysDialog : public QDialog {
    Q_OBJECT
public:
    // List columns: hidden, "#", "Key title", "Command".
    enum Column { COL_HIDDEN = 0, COL_NUMBER = 1, COL_TITLE = 2, COL_COMMAND = 3 };

    explicit CFunctionKeysDialog(QWidget* parent = nullptr);

    void SetTexts(const FunctionKeyTexts& texts);
    // The list as it stands (an edit in progress is finished first).
    FunctionKeyTexts Texts() const;

    int SelectedRow() const { return m_selectedRow; }
    void SelectRow(int row);
    void MoveUp();
    void MoveDown();
    void ClearRow();

    // Refuses texts a configuration file cannot hold, naming the key.
    void accept() override;

    CEditableListCtrl* List() const { return m_list; }
    QPushButton* UpButton() const { return m_up; }
    QPushButton* DownButton() const { return m_down; }
    QPushButton* ClearButton() const { return m_clear; }

private:
    void OnSelectionChanged();
    void UpdateButtons();
    void SwapContents(int row, int other);
    QString CellText(int row, int column) const;

    CEditableListCtrl* m_list;
    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_clear;
    int m_selectedRow = -1;
};

// The Setup > Function Keys command: on OK copies the texts back and marks the
// document modified; the caller then posts TC_REFRESH_FKEYS. True when confirmed.
bool RunFunctionKeysDialog(QWidget* parent, CKestronDoc& doc);

} // namespace kestrelon
