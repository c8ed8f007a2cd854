// CTerminalDialog: controls, exchange and validation of the terminal options.
#include "ui/dialogs/TerminalDialog.h"

#include "ui/dialogs/TerminalViewGroup.h"
#include "ui/widgets/RangeSpinBox.h"

#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kestrelon {

namespace {
QCheckBox* NamedCheckBox(const QString& text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}
} // namespace

CTerminalDialog::CTerminalDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Terminal"));
    m_localEcho = NamedCheckBox(QString(), "localEcho", this);
    m_beep = NamedCheckBox(QString(), "beep", this);
    m_columns = new CRangeSpinBox(SCREEN_COLUMNS_MIN, SCREEN_COLUMNS_MAX, this);
    m_columns->setObjectName(QStringLiteral("screenColumns"));
    m_lines = new CRangeSpinBox(SCREEN_LINES_MIN, SCREEN_LINES_MAX, this);
    m_lines->setObjectName(QStringLiteral("screenLines"));
    m_lines->setGroupSeparatorShown(false);
    m_charDelay = new CRangeSpinBox(PACING_DELAY_MIN_MS, PACING_DELAY_MAX_MS, this);
    m_charDelay->setObjectName(QStringLiteral("charDelay"));
    m_charDelay->setToolTip(tr("Pause after each byte of a paste, a function key or an answer"));
    m_lineDelay = new CRangeSpinBox(PACING_DELAY_MIN_MS, PACING_DELAY_MAX_MS, this);
    m_lineDelay->setObjectName(QStringLiteral("lineDelay"));
    m_lineDelay->setToolTip(tr("Further pause after each line end of a paste, a function key or an answer"));

    auto* form = new QFormLayout;
    form->addRow(tr("Local echo:"), m_localEcho);
    form->addRow(tr("Beep:"), m_beep);
    form->addRow(tr("Screen columns:"), m_columns);
    form->addRow(tr("Screen lines:"), m_lines);
    form->addRow(tr("Character delay (ms)"), m_charDelay);
    form->addRow(tr("Line delay (ms)"), m_lineDelay);

    auto* crGroup = new QGroupBox(tr("CR -> CR/LF"), this);
    m_crOnSend = NamedCheckBox(tr("On send"), "crToCrLfOnSend", crGroup);
    m_crOnReceive = NamedCheckBox(tr("On receive"), "crToCrLfOnReceive", crGroup);
    auto* crLayout = new QVBoxLayout(crGroup);
    crLayout->addWidget(m_crOnSend);
    crLayout->addWidget(m_crOnReceive);

    // LF is converted only on receive: a typed LF goes out as it is.
    auto* lfGroup = new QGroupBox(tr("LF -> CR/LF"), this);
    m_lfOnReceive = NamedCheckBox(tr("On receive"), "lfToCrLfOnReceive", lfGroup);
    auto* lfLayout = new QVBoxLayout(lfGroup);
    lfLayout->addWidget(m_lfOnReceive);
    lfLayout->addStretch();

    m_scanCommands = NamedCheckBox(tr("Scan commands"), "scanCommands", this);
    m_viewGroup = new CTerminalViewGroup(this);
    m_viewGroup->hide();

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTerminalDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTerminalDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { CManualWindow::ShowTopic(this, QString::fromLatin1(help::TERMINAL)); });

    auto* groups = new QHBoxLayout;
    groups->addWidget(crGroup);
    groups->addWidget(lfGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(groups);
    layout->addWidget(m_scanCommands);
    layout->addWidget(m_viewGroup);
    layout->addWidget(buttons);
}

void CTerminalDialog::SetSettings(const TerminalSettings& s)
{
    m_localEcho->setChecked(s.localEcho);
    m_beep->setChecked(s.beep);
    m_crOnSend->setChecked(s.crToCrLfOnSend);
    m_crOnReceive->setChecked(s.crToCrLfOnReceive);
    m_lfOnReceive->setChecked(s.lfToCrLfOnReceive);
    m_scanCommands->setChecked(s.scanCommands);
    m_columns->setValue(s.screenColumns);
    m_lines->setValue(s.screenLines);
}

TerminalSettings CTerminalDialog::Settings() const
{
    TerminalSettings s;
    s.localEcho = m_localEcho->isChecked();
    s.beep = m_beep->isChecked();
    s.crToCrLfOnSend = m_crOnSend->isChecked();
    s.crToCrLfOnReceive = m_crOnReceive->isChecked();
    s.lfToCrLfOnReceive = m_lfOnReceive->isChecked();
    s.scanCommands = m_scanCommands->isChecked();
    s.screenColumns = m_columns->Checked().value_or(m_columns->value());
    s.screenLines = m_lines->Checked().value_or(m_lines->value());
    return s;
}

void CTerminalDialog::SetPacing(const CPacing& pacing)
{
    m_charDelay->setValue(pacing.charDelayMs);
    m_lineDelay->setValue(pacing.lineDelayMs);
}

CPacing CTerminalDialog::Pacing() const
{
    return {m_charDelay->Checked().value_or(m_charDelay->value()), m_lineDelay->Checked().value_or(m_lineDelay->value())};
}

void CTerminalDialog::SetViewOptions(const CTerminalViewOptions& options)
{
    m_viewGroup->SetOptions(options);
    m_viewGroup->show();
}

CTerminalViewOptions CTerminalDialog::ViewOptions() const
{
    return m_viewGroup->Options();
}

void CTerminalDialog::accept()
{
    // Same order as the fields are exchanged: columns first, then lines.
    if (!m_columns->Validate(this) || !m_lines->Validate(this) || !m_charDelay->Validate(this) ||
        !m_lineDelay->Validate(this) || (!m_viewGroup->isHidden() && !m_viewGroup->Validate(this)))
        return;
    QDialog::accept();
}

bool RunTerminalDialog(QWidget* parent, CKestronDoc& doc, CPacing* pacing, CTerminalViewOptions* viewOptions)
{
    CTerminalDialog dialog(parent);
    dialog.SetSettings(TerminalSettings::FromDocument(doc));
    if (pacing)
        dialog.SetPacing(*pacing);
    if (viewOptions)
        dialog.SetViewOptions(*viewOptions);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Settings().ApplyTo(doc);
    if (pacing)
        *pacing = dialog.Pacing();
    if (viewOptions)
        *viewOptions = dialog.ViewOptions();
    return true;
}

} // namespace kestrelon
