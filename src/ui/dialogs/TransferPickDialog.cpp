// CTransferPickDialog: the shared layout and the rule that OK needs a path.
#include "ui/dialogs/TransferPickDialog.h"

#include "transfer/TransferStatus.h"

#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrelon {

CTransferPickDialog::CTransferPickDialog(const QString& title, const QString& pathLabel, const QString& okText,
                                         const QString& path, const std::vector<int>& protocols, int preselect,
                                         int noneChosen, Browser browser, QWidget* parent)
    : QDialog(parent), m_browser(std::move(browser)), m_protocol(noneChosen)
{
    setWindowTitle(title);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(pathLabel, this), 0, 0, 1, 2);
    m_path = new QLineEdit(path, this);
    m_path->setReadOnly(true);
    m_path->setMaxLength(300);
    m_path->setMinimumWidth(m_path->fontMetrics().averageCharWidth() * 45);
    grid->addWidget(m_path, 1, 0);
    m_browse = new QPushButton(tr("Browse..."), this);
    m_browse->setAutoDefault(false);
    grid->addWidget(m_browse, 1, 1);
    grid->addWidget(new QLabel(tr("Protocol:"), this), 2, 0, 1, 2);
    m_list = new QComboBox(this);
    for (int protocol : protocols)
        m_list->addItem(QString::fromStdString(CTransferStatus::ProtocolName(static_cast<std::uint64_t>(protocol))),
                        protocol);
    m_list->setCurrentIndex(std::max(0, m_list->findData(preselect)));
    grid->addWidget(m_list, 3, 0);
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    m_ok->setDefault(true);
    m_ok->setEnabled(!path.isEmpty());
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons->addButton(QDialogButtonBox::Help), &QPushButton::clicked, this,
            [this] { CManualWindow::ShowTopic(this, QString::fromLatin1(help::TRANSFERS)); });
    grid->addWidget(buttons, 4, 0, 1, 2);
    connect(m_browse, &QPushButton::clicked, this, &CTransferPickDialog::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTransferPickDialog::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CTransferPickDialog::Path() const
{
    return m_path->text();
}

void CTransferPickDialog::Browse()
{
    const QString chosen = m_browser ? m_browser(this, m_path->text()) : QString();
    if (chosen.isEmpty())
        return;
    m_path->setText(Normalised(chosen));
    m_ok->setEnabled(true);
}

void CTransferPickDialog::Confirm()
{
    if (m_path->text().isEmpty())
        return;
    if (m_list->currentIndex() >= 0)
        m_protocol = m_list->currentData().toInt();
    accept();
}

} // namespace kestrelon
