// Setup > Auto Answer: the trigger byte, echo, and the rules (trigger text and
// answer text per row) edited in place, with New, Copy and Delete. Works on an
// AutoAnswerSettings record.
#pragma once

#include "automation/AutoAnswer.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kestrelon {

class CEditableListCtrl;
class CKestronDoc;
class CRangeSpinBox;

class CAutoAnswerDialog : public QDialog {
    Q_OBJECT
public:
    // List columns: hidden, "Trigger Text", "Answer Text".
    enum Column { COL_HIDDEN = 0, COL_TRIGGER = 1, COL_ANSWER = 2 };

    explicit CAutoAnswerDialog(QWidget* parent = nullptr);

    void SetSettings(const AutoAnswerSettings& settings);
    // What the note above the buttons needs: whether the rules are switched on,
    // and how "^m" decodes in a trigger.
    void SetContext(bool answersOn, bool crToCrLfOnSend);
    AutoAnswerSettings Settings() const;

    void NewRule();
    void CopyRule();
    void DeleteRule();

    // OK: a trigger byte outside 0 to 255 keeps the dialog open.
    void accept() override;

    CEditableListCtrl* List() const { return m_list; }
    CRangeSpinBox* TriggerByteEdit() const { return m_triggerByte; }
    QCheckBox* EchoBox() const { return m_echo; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CopyButton() const { return m_copy; }
    QPushButton* DeleteButton() const { return m_delete; }
    // The rules switched off, and triggers that can never match; hidden when all is well.
    QLabel* Note() const { return m_note; }

private:
    void AppendRow(const QString& trigger, const QString& answer);
    int FirstSelectedRow() const;
    void OnSelectionChanged();
    void UpdateNote();

    CRangeSpinBox* m_triggerByte;
    QCheckBox* m_echo;
    CEditableListCtrl* m_list;
    QPushButton* m_ok;
    QPushButton* m_new;
    QPushButton* m_copy;
    QPushButton* m_delete;
    QLabel* m_note;
    bool m_answersOn = true;
    bool m_crToCrLfOnSend = false;
};

// The Setup > Auto Answer command: on OK stores the values, replaces the rules,
// rebuilds the trigger table and marks the document modified.
bool RunAutoAnswerDialog(QWidget* parent, CKestronDoc& doc);

} // namespace kestrelon
