// CTerminalViewGroup: the Terminal view's options as four controls.
#include "ui/dialogs/TerminalViewGroup.h"

#include "ui/widgets/RangeSpinBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>

namespace kestrelon {

CTerminalViewGroup::CTerminalViewGroup(QWidget* parent) : QGroupBox(tr("Terminal view"), parent)
{
    setObjectName(QStringLiteral("terminalView"));
    m_answers = new QCheckBox(tr("Answer status and size queries"), this);
    m_answers->setObjectName(QStringLiteral("terminalAnswers"));
    m_answers->setToolTip(tr("Reply to the device's terminal, cursor and size queries"));
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("terminalEncoding"));
    m_encoding->addItems({QStringLiteral("UTF-8"), QStringLiteral("Latin-1")});
    m_scrollback = new CRangeSpinBox(SCROLLBACK_LINES_MIN, SCROLLBACK_LINES_MAX, this);
    m_scrollback->setObjectName(QStringLiteral("scrollbackLines"));
    m_backspace = new QComboBox(this);
    m_backspace->setObjectName(QStringLiteral("terminalBackspace"));
    m_backspace->addItems({tr("DEL (127)"), tr("BS (8)")});

    auto* form = new QFormLayout(this);
    form->addRow(m_answers);
    form->addRow(tr("Encoding:"), m_encoding);
    form->addRow(tr("Scrollback lines:"), m_scrollback);
    form->addRow(tr("Backspace sends:"), m_backspace);
}

void CTerminalViewGroup::SetOptions(const CTerminalViewOptions& options)
{
    m_answers->setChecked(options.answers);
    m_encoding->setCurrentIndex(options.latin1 ? 1 : 0);
    m_scrollback->setValue(options.scrollbackLines);
    m_backspace->setCurrentIndex(options.backspaceSendsBs ? 1 : 0);
}

CTerminalViewOptions CTerminalViewGroup::Options() const
{
    CTerminalViewOptions options;
    options.answers = m_answers->isChecked();
    options.latin1 = m_encoding->currentIndex() == 1;
    options.scrollbackLines = m_scrollback->Checked().value_or(m_scrollback->value());
    options.backspaceSendsBs = m_backspace->currentIndex() == 1;
    return options;
}

bool CTerminalViewGroup::Validate(QWidget* dialog)
{
    return m_scrollback->Validate(dialog);
}

} // namespace kestrelon
