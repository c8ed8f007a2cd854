// CTransferStatusDialog: a form of labelled texts above the progress bar, a
// one-second timer for the running duration.
#include "ui/dialogs/TransferStatusDialog.h"

#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <limits>

namespace kestrelon {
namespace {

constexpr int kTickMs = 1000;
// The labels in the order of the fields.
constexpr std::array<const char*, CTransferStatusDialog::FIELD_COUNT> kLabels = {
    "File name:",   "Protocol:",          "Error checking:", "Repetitions:", "Repetitions (total):",
    "Transferred:", "Duration till now:", "Rest duration:",  "Throughput:"};

// A QProgressBar counts in int: sizes beyond that are shown in KBytes.
int BarUnits(std::uint64_t bytes, std::uint64_t total)
{
    const std::uint64_t divisor = total > static_cast<std::uint64_t>(std::numeric_limits<int>::max()) ? 1024 : 1;
    return static_cast<int>(std::min<std::uint64_t>(bytes / divisor, std::numeric_limits<int>::max()));
}

} // namespace

CTransferStatusDialog::CTransferStatusDialog(CTransferStatus& status, std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent), m_status(status), m_onCancel(std::move(onCancel))
{
    setWindowTitle(tr("Transfer Status"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    form->addRow(tr("Transfer progress:"), m_progress);
    for (int i = 0; i < FIELD_COUNT; ++i) {
        m_fields[i] = new QLabel(this);
        m_fields[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromLatin1(kLabels[i]), m_fields[i]);
    }
    // A long path must not widen the dialog beyond the screen.
    m_fields[FileName]->setWordWrap(true);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons->addButton(QDialogButtonBox::Help), &QPushButton::clicked, this,
            [this] { CManualWindow::ShowTopic(this, QString::fromLatin1(help::TRANSFERS)); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_progress->setRange(0, 1);
    Refresh();
    m_timer = startTimer(kTickMs);
}

void CTransferStatusDialog::Refresh()
{
    const CTransferFields& fields = m_status.Fields();
    const std::array<const std::string*, FIELD_COUNT> texts = {
        &fields.fileName,    &fields.protocol, &fields.errorChecking, &fields.repetitions, &fields.repetitionsTotal,
        &fields.transferred, &fields.duration, &fields.restDuration,  &fields.throughput};
    for (int i = 0; i < FIELD_COUNT; ++i)
        m_fields[i]->setText(QString::fromStdString(*texts[i]));
    const std::uint64_t total = m_status.TotalSize();
    m_progress->setRange(0, std::max(1, BarUnits(total, total)));
    m_progress->setValue(BarUnits(std::min(m_status.Position(), total), total));
}

void CTransferStatusDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer)
        return QDialog::timerEvent(event);
    m_status.Tick();
    Refresh();
}

void CTransferStatusDialog::reject()
{
    if (m_onCancel)
        m_onCancel();
    hide();
}

} // namespace kestrelon
