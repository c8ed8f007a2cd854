// CAutoAnswerDialog: rule list, New/Copy/Delete, exchange with the record.
#include "ui/dialogs/AutoAnswerDialog.h"

#include "document/KestronDoc.h"
#include "ui/widgets/DocText.h"
#include "ui/widgets/EditableListCtrl.h"
#include "ui/widgets/RangeSpinBox.h"

#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrelon {

CAutoAnswerDialog::CAutoAnswerDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Auto Answer"));
    m_triggerByte = new CRangeSpinBox(0, 255, this);
    m_echo = new QCheckBox(tr("Echo"), this);

    m_list = new CEditableListCtrl(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setColumnCount(3);
    m_list->setHorizontalHeaderLabels({QString(), tr("Trigger Text"), tr("Answer Text")});
    m_list->setColumnWidth(COL_HIDDEN, 0);
    m_list->setColumnWidth(COL_TRIGGER, 250);
    m_list->setColumnWidth(COL_ANSWER, 480);
    m_list->horizontalHeader()->setStretchLastSection(false);
    connect(m_list, &CEditableListCtrl::BeginLabelEdit, this, [this](int row, int column, const QString&) {
        if (column == COL_TRIGGER || column == COL_ANSWER)
            m_list->EditCell(row, column);
    });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &CAutoAnswerDialog::OnSelectionChanged);
    connect(m_list, &QTableWidget::itemChanged, this, &CAutoAnswerDialog::UpdateNote);
    connect(m_triggerByte, &QSpinBox::valueChanged, this, &CAutoAnswerDialog::UpdateNote);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    m_note->hide();

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_new = buttons->addButton(tr("New"), QDialogButtonBox::ActionRole);
    m_copy = buttons->addButton(tr("Copy"), QDialogButtonBox::ActionRole);
    m_delete = buttons->addButton(tr("Delete"), QDialogButtonBox::ActionRole);
    for (QPushButton* button : {m_new, m_copy, m_delete})
        button->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAutoAnswerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { CManualWindow::ShowTopic(this, QString::fromLatin1(help::AUTO_ANSWERS)); });
    connect(m_new, &QPushButton::clicked, this, &CAutoAnswerDialog::NewRule);
    connect(m_copy, &QPushButton::clicked, this, &CAutoAnswerDialog::CopyRule);
    connect(m_delete, &QPushButton::clicked, this, &CAutoAnswerDialog::DeleteRule);
    m_copy->setEnabled(false);
    m_delete->setEnabled(false);

    auto* top = new QFormLayout;
    top->addRow(tr("Trigger byte:"), m_triggerByte);
    top->addRow(QString(), m_echo);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_note);
    layout->addWidget(buttons);
    resize(780, 420);
}

void CAutoAnswerDialog::SetSettings(const AutoAnswerSettings& s)
{
    m_triggerByte->setValue(s.triggerByte);
    m_echo->setChecked(s.echo);
    m_list->setRowCount(0);
    // Entries pair up as trigger, answer; a trigger left without an answer is dropped.
    for (std::size_t i = 0; i + 1 < s.rules.size(); i += 2)
        AppendRow(FromDocText(s.rules[i]), FromDocText(s.rules[i + 1]));
    UpdateNote();
}

void CAutoAnswerDialog::SetContext(bool answersOn, bool crToCrLfOnSend)
{
    m_answersOn = answersOn;
    m_crToCrLfOnSend = crToCrLfOnSend;
    UpdateNote();
}

void CAutoAnswerDialog::UpdateNote()
{
    QStringList lines;
    if (!m_answersOn)
        lines << tr("Automatic answers are off: Toggle > Auto Answer switches them on.");
    const int triggerByte = m_triggerByte->value();
    for (int row = 0; row < m_list->rowCount(); ++row) {
        const QTableWidgetItem* cell = m_list->item(row, COL_TRIGGER);
        if (cell == nullptr || !IsDocText(cell->text()))
            continue;
        const std::string trigger = ToDocText(cell->text());
        switch (CheckTrigger(trigger, static_cast<std::uint8_t>(triggerByte), m_crToCrLfOnSend)) {
        case ETriggerFault::HoldsTriggerByte:
            lines << tr("Rule %1 (\"%2\") never matches: it holds the trigger byte %3, which ends the text compared. "
                        "End the trigger text before that byte.")
                         .arg(row + 1)
                         .arg(cell->text())
                         .arg(triggerByte);
            break;
        case ETriggerFault::TooLong:
            lines << tr("Rule %1 never matches: its trigger text is longer than %2 bytes.")
                         .arg(row + 1)
                         .arg(MATCH_HISTORY_LIMIT / 2);
            break;
        case ETriggerFault::None:
            break;
        }
    }
    m_note->setText(lines.join(QLatin1Char('\n')));
    m_note->setVisible(!lines.isEmpty());
}

AutoAnswerSettings CAutoAnswerDialog::Settings() const
{
    m_list->FinishEdit();
    AutoAnswerSettings s;
    s.triggerByte = static_cast<std::uint8_t>(m_triggerByte->Checked().value_or(13));
    s.echo = m_echo->isChecked();
    for (int row = 0; row < m_list->rowCount(); ++row) {
        s.rules.push_back(ToDocText(m_list->item(row, COL_TRIGGER)->text()));
        s.rules.push_back(ToDocText(m_list->item(row, COL_ANSWER)->text()));
    }
    return s;
}

void CAutoAnswerDialog::AppendRow(const QString& trigger, const QString& answer)
{
    const int row = m_list->rowCount();
    m_list->insertRow(row);
    m_list->setItem(row, COL_HIDDEN, new QTableWidgetItem);
    m_list->setItem(row, COL_TRIGGER, new QTableWidgetItem(trigger));
    m_list->setItem(row, COL_ANSWER, new QTableWidgetItem(answer));
}

int CAutoAnswerDialog::FirstSelectedRow() const
{
    int first = -1;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

void CAutoAnswerDialog::NewRule()
{
    m_list->FinishEdit();
    AppendRow(tr("Text"), tr("Answer"));
    const int row = m_list->rowCount() - 1;
    m_list->setCurrentCell(row, COL_TRIGGER, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->scrollToItem(m_list->item(row, COL_TRIGGER));
}

void CAutoAnswerDialog::CopyRule()
{
    m_list->FinishEdit();
    const int source = FirstSelectedRow();
    if (source < 0)
        return;
    AppendRow(m_list->item(source, COL_TRIGGER)->text(), m_list->item(source, COL_ANSWER)->text());
    const int row = m_list->rowCount() - 1;
    m_list->setCurrentCell(row, COL_TRIGGER, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->scrollToItem(m_list->item(row, COL_TRIGGER));
}

void CAutoAnswerDialog::DeleteRule()
{
    m_list->FinishEdit();
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    m_list->removeRow(row);
    UpdateNote();
    m_delete->setEnabled(false);
    // The pressed Delete button would otherwise stay the default: Enter goes to OK.
    m_delete->setDefault(false);
    m_ok->setDefault(true);
    m_ok->setFocus();
}

void CAutoAnswerDialog::OnSelectionChanged()
{
    const bool any = FirstSelectedRow() >= 0;
    m_copy->setEnabled(any);
    m_delete->setEnabled(any);
}

void CAutoAnswerDialog::accept()
{
    if (!m_triggerByte->Validate(this))
        return;
    m_list->FinishEdit();
    for (int row = 0; row < m_list->rowCount(); ++row)
        for (int column : {COL_TRIGGER, COL_ANSWER})
            if (!IsDocText(m_list->item(row, column)->text())) {
                CRangeSpinBox::Report(this, UnstorableTextMessage(QStringLiteral("rule %1").arg(row + 1)));
                m_list->setCurrentCell(row, column);
                return;
            }
    QDialog::accept();
}

bool RunAutoAnswerDialog(QWidget* parent, CKestronDoc& doc)
{
    CAutoAnswerDialog dialog(parent);
    dialog.SetSettings(AutoAnswerSettings::FromDocument(doc));
    dialog.SetContext(doc.autoAnswerOn, doc.crToCrLfOnSend != 0);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Settings().ApplyTo(doc);
    return true;
}

} // namespace kestrelon
