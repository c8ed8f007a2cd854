// CFunctionKeysDialog: list filling, in-place editing, moving and clearing.
#include "ui/dialogs/FunctionKeysDialog.h"

#include "document/KestronDoc.h"
#include "ui/widgets/DocText.h"
#include "ui/widgets/RangeSpinBox.h"
#include "ui/widgets/EditableListCtrl.h"

#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kestrelon {

CFunctionKeysDialog::CFunctionKeysDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Function Keys"));
    m_list = new CEditableListCtrl(this);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setColumnCount(4);
    m_list->setHorizontalHeaderLabels({QString(), tr("#"), tr("Key title"), tr("Command")});
    m_list->setColumnWidth(COL_HIDDEN, 0);
    m_list->setColumnWidth(COL_NUMBER, 30);
    m_list->setColumnWidth(COL_TITLE, 200);
    m_list->setColumnWidth(COL_COMMAND, 420);
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_list->setRowCount(FKEY_COUNT);
    for (int row = 0; row < FKEY_COUNT; ++row) {
        for (int column = 0; column < 4; ++column)
            m_list->setItem(row, column, new QTableWidgetItem);
        m_list->item(row, COL_NUMBER)->setText(QString::fromStdString(FkeyNumberText(row)));
        m_list->item(row, COL_NUMBER)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    connect(m_list, &CEditableListCtrl::BeginLabelEdit, this, [this](int row, int column, const QString&) {
        if (column == COL_TITLE || column == COL_COMMAND)
            m_list->EditCell(row, column);
    });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &CFunctionKeysDialog::OnSelectionChanged);

    m_up = new QPushButton(style()->standardIcon(QStyle::SP_ArrowUp), QString(), this);
    m_down = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), QString(), this);
    m_clear = new QPushButton(tr("Clear"), this);
    m_up->setToolTip(tr("Move up"));
    m_down->setToolTip(tr("Move down"));
    for (QPushButton* button : {m_up, m_down, m_clear})
        button->setAutoDefault(false);
    connect(m_up, &QPushButton::clicked, this, &CFunctionKeysDialog::MoveUp);
    connect(m_down, &QPushButton::clicked, this, &CFunctionKeysDialog::MoveDown);
    connect(m_clear, &QPushButton::clicked, this, &CFunctionKeysDialog::ClearRow);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFunctionKeysDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { CManualWindow::ShowTopic(this, QString::fromLatin1(help::FUNCTION_KEYS)); });

    auto* side = new QVBoxLayout;
    side->addWidget(m_up);
    side->addWidget(m_down);
    side->addWidget(m_clear);
    side->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    resize(760, 480);
    UpdateButtons();
}

void CFunctionKeysDialog::SetTexts(const FunctionKeyTexts& texts)
{
    for (int row = 0; row < FKEY_COUNT; ++row) {
        const auto i = static_cast<std::size_t>(row);
        m_list->item(row, COL_TITLE)->setText(FromDocText(texts.labels[i]));
        m_list->item(row, COL_COMMAND)->setText(FromDocText(texts.commands[i]));
    }
}

QString CFunctionKeysDialog::CellText(int row, int column) const
{
    return m_list->item(row, column)->text();
}

FunctionKeyTexts CFunctionKeysDialog::Texts() const
{
    m_list->FinishEdit();
    FunctionKeyTexts texts;
    for (int row = 0; row < FKEY_COUNT; ++row) {
        const auto i = static_cast<std::size_t>(row);
        texts.labels[i] = ToDocText(CellText(row, COL_TITLE));
        texts.commands[i] = ToDocText(CellText(row, COL_COMMAND));
    }
    return texts;
}

void CFunctionKeysDialog::accept()
{
    m_list->FinishEdit();
    for (int row = 0; row < FKEY_COUNT; ++row)
        for (int column : {COL_TITLE, COL_COMMAND})
            if (!IsDocText(CellText(row, column))) {
                CRangeSpinBox::Report(this, UnstorableTextMessage(QStringLiteral("key %1").arg(m_list->item(row, COL_NUMBER)->text())));
                m_list->setCurrentCell(row, column);
                return;
            }
    QDialog::accept();
}

void CFunctionKeysDialog::SelectRow(int row)
{
    if (row < 0 || row >= FKEY_COUNT) {
        m_list->clearSelection();
        return;
    }
    m_list->setCurrentCell(row, COL_TITLE, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->scrollToItem(m_list->item(row, COL_TITLE));
}

void CFunctionKeysDialog::OnSelectionChanged()
{
    const QList<QTableWidgetItem*> selected = m_list->selectedItems();
    m_selectedRow = selected.isEmpty() ? -1 : selected.first()->row();
    UpdateButtons();
}

void CFunctionKeysDialog::UpdateButtons()
{
    m_up->setEnabled(m_selectedRow > 0);
    m_down->setEnabled(m_selectedRow >= 0 && m_selectedRow < FKEY_COUNT - 1);
    m_clear->setEnabled(m_selectedRow >= 0);
}

void CFunctionKeysDialog::SwapContents(int row, int other)
{
    // The keys stay where they are ("#" column); only what they hold moves.
    m_list->FinishEdit();
    for (int column : {COL_TITLE, COL_COMMAND}) {
        const QString text = CellText(row, column);
        m_list->item(row, column)->setText(CellText(other, column));
        m_list->item(other, column)->setText(text);
    }
    SelectRow(other);
}

void CFunctionKeysDialog::MoveUp()
{
    if (m_selectedRow > 0)
        SwapContents(m_selectedRow, m_selectedRow - 1);
}

void CFunctionKeysDialog::MoveDown()
{
    if (m_selectedRow >= 0 && m_selectedRow < FKEY_COUNT - 1)
        SwapContents(m_selectedRow, m_selectedRow + 1);
}

void CFunctionKeysDialog::ClearRow()
{
    if (m_selectedRow < 0)
        return;
    m_list->FinishEdit();
    m_list->item(m_selectedRow, COL_TITLE)->setText(QString());
    m_list->item(m_selectedRow, COL_COMMAND)->setText(QString());
}

bool RunFunctionKeysDialog(QWidget* parent, CKestronDoc& doc)
{
    CFunctionKeysDialog dialog(parent);
    dialog.SetTexts(FunctionKeyTexts::FromDocument(doc));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Texts().ApplyTo(doc);
    return true;
}

} // namespace kestrelon
