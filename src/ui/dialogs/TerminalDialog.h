// Setup > Terminal: local echo, beep, screen size, line-end conversions and
// in-band command scanning. Works on a TerminalSettings record.
#pragma once

#include "document/Pacing.h"
#include "document/TerminalViewOptions.h"
#include "ui/dialogs/TerminalSettings.h"

#include <QDialog>

class QCheckBox;

namespace kestrelon {

class CRangeSpinBox;
class CTerminalViewGroup;

class CTerminalDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTerminalDialog(QWidget* parent = nullptr);

    void SetSettings(const TerminalSettings& settings);
    TerminalSettings Settings() const;
    // The pauses of paced sending, kept beside the document (not in it).
    void SetPacing(const CPacing& pacing);
    CPacing Pacing() const;
    // The Terminal view's options, also kept beside the document; the group
    // shows only once they are set.
    void SetViewOptions(const CTerminalViewOptions& options);
    CTerminalViewOptions ViewOptions() const;

    // OK: a screen size out of range keeps the dialog open with a message that
    // names the range, the offending edit focused.
    void accept() override;

private:
    QCheckBox* m_localEcho;
    QCheckBox* m_beep;
    QCheckBox* m_crOnSend;
    QCheckBox* m_crOnReceive;
    QCheckBox* m_lfOnReceive;
    QCheckBox* m_scanCommands;
    CRangeSpinBox* m_columns;
    CRangeSpinBox* m_lines;
    CRangeSpinBox* m_charDelay;
    CRangeSpinBox* m_lineDelay;
    CTerminalViewGroup* m_viewGroup;
};

// The Setup > Terminal command: runs the dialog on the document's values and, on
// OK, writes them back (see TerminalSettings::ApplyTo) and, when given, the
// pacing and the Terminal view's options. True when confirmed.
bool RunTerminalDialog(QWidget* parent, CKestronDoc& doc, CPacing* pacing = nullptr,
                       CTerminalViewOptions* viewOptions = nullptr);

} // namespace kestrelon
