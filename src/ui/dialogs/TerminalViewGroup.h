// The "Terminal view" group of Setup > Terminal: answers to the device's
// queries, the encoding, the scrollback length and what Backspace sends.
#pragma once

#include "document/TerminalViewOptions.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;

namespace kestrelon {

class CRangeSpinBox;

class CTerminalViewGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit CTerminalViewGroup(QWidget* parent = nullptr);

    void SetOptions(const CTerminalViewOptions& options);
    CTerminalViewOptions Options() const;
    // A scrollback length out of range: the message naming the range, and false.
    bool Validate(QWidget* dialog);

private:
    QCheckBox* m_answers;
    QComboBox* m_encoding;
    CRangeSpinBox* m_scrollback;
    QComboBox* m_backspace;
};

} // namespace kestrelon
