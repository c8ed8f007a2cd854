// CTransferPickDialog: the shared layout and the rule that OK needs a path.
#include "ui/dialogs/TransferPickDialog.h"

#include "transfer/TransferStatus.h"

#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"
#include "ui/widgets/RangeSpinBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

namespace kestrelon {

namespace {
// Rows of the grid: path label and field, protocol label and list, then the
// fields of a subclass, the buttons last.
constexpr int kFirstFieldRow = 4;
constexpr int kButtonRow = 20;

// A path pasted from a file manager comes as a file:// address.
QString LocalPath(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.startsWith(QLatin1String("file://")))
        return QUrl(text).toLocalFile();
    return text;
}
} // namespace

CTransferPickDialog::CTransferPickDialog(const QString& title, const QString& pathLabel, const QString& okText,
                                         const QString& path, const std::vector<int>& protocols, int preselect,
                                         int noneChosen, Browser browser, QWidget* parent)
    : QDialog(parent), m_browser(std::move(browser)), m_protocol(noneChosen)
{
    setWindowTitle(title);
    auto* grid = m_grid = new QGridLayout(this);
    grid->addWidget(new QLabel(pathLabel, this), 0, 0, 1, 2);
    m_path = new QLineEdit(path, this);
    m_path->setClearButtonEnabled(true);
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
    grid->addWidget(buttons, kButtonRow, 0, 1, 2);
    connect(m_path, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_ok->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_browse, &QPushButton::clicked, this, &CTransferPickDialog::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTransferPickDialog::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CTransferPickDialog::Path() const
{
    return Normalised(LocalPath(m_path->text()));
}

void CTransferPickDialog::AddField(const QString& label, QWidget* field)
{
    const int row = kFirstFieldRow + m_fieldRows;
    m_grid->addWidget(new QLabel(label, this), row, 0, 1, 2);
    m_grid->addWidget(field, row + 1, 0);
    m_fieldRows += 2;
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
    if (LocalPath(m_path->text()).isEmpty())
        return;
    if (const QString refusal = Refusal(Path()); !refusal.isEmpty()) {
        CRangeSpinBox::Report(this, refusal);
        m_path->setFocus();
        return;
    }
    if (m_list->currentIndex() >= 0)
        m_protocol = m_list->currentData().toInt();
    accept();
}

} // namespace kestrelon
