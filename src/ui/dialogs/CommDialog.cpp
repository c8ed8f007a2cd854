// CCommDialog: controls, the mode and bridge rules, the port list, validation.
#include "ui/dialogs/CommDialog.h"

#include "document/KestronDoc.h"
#include "document/LocalEndpoint.h"
#include "document/RemoteSerialSetting.h"
#include "ui/widgets/DocText.h"
#include "ui/widgets/RangeSpinBox.h"

#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestrelon {

namespace {
const char* const kNotListed = "Not listed COM (select manual)";

// Radio buttons in a column, their ids their values.
QButtonGroup* RadioGroup(QGroupBox* box, const QStringList& texts, int firstId = 0)
{
    auto* group = new QButtonGroup(box);
    auto* layout = qobject_cast<QVBoxLayout*>(box->layout());
    if (layout == nullptr)
        layout = new QVBoxLayout(box);
    for (int i = 0; i < texts.size(); ++i) {
        auto* radio = new QRadioButton(texts[i], box);
        group->addButton(radio, firstId + i);
        layout->addWidget(radio);
    }
    return group;
}

CRangeSpinBox* PlainNumberEdit(int minimum, int maximum, QWidget* parent)
{
    auto* edit = new CRangeSpinBox(minimum, maximum, parent);
    edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return edit;
}
} // namespace

CCommDialog::CCommDialog(const std::vector<CommPortItem>& ports, QWidget* parent) : QDialog(parent), m_ports(ports)
{
    setWindowTitle(tr("Communication"));
    m_mode = new QComboBox(this);
    for (const char* name : kConnectionModeNames)
        m_mode->addItem(QString::fromLatin1(name));
    m_mode->addItem(tr("Remote serial port (RFC 2217)"));
    auto* modeForm = new QFormLayout;
    modeForm->addRow(tr("Comm. mode:"), m_mode);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCommDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { CManualWindow::ShowTopic(this, QString::fromLatin1(help::CONNECTIONS)); });

    auto* grid = new QGridLayout;
    // Two columns of about equal height, so the dialog fits a laptop screen
    // at large font scaling.
    grid->addWidget(BuildSerialGroup(), 0, 0);
    grid->addWidget(BuildLineGroup(), 0, 1, 3, 1);
    grid->addWidget(BuildIpGroup(), 1, 0);
    grid->addWidget(BuildBridgeGroup(), 2, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modeForm);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    connect(m_mode, &QComboBox::currentIndexChanged, this, [this] { ApplyModeRule(); });
    connect(m_bridgeMode, &QComboBox::currentIndexChanged, this, [this] { ApplyBridgeRule(); });
    connect(m_port, &QComboBox::currentIndexChanged, this, [this] { OnPortChanged(); });
    connect(m_manualPort, &QSpinBox::valueChanged, this, [this](int number) {
        if (m_aliasLookup && number >= 0)
            m_devicePath->setText(m_aliasLookup(static_cast<std::uint32_t>(number)));
    });
    SetSettings(CommSettings{});
}

QWidget* CCommDialog::BuildSerialGroup()
{
    auto* box = new QGroupBox(tr("Serial"), this);
    m_port = new QComboBox(box);
    m_port->setMinimumContentsLength(32);
    m_manualPort = PlainNumberEdit(static_cast<int>(COM_PORT_MIN), static_cast<int>(COM_PORT_MAX), box);
    // On Linux a number alone names only ttyS ports: the path binds it to any
    // device (a pty, a by-id link) for this machine.
    m_devicePath = new QLineEdit(box);
    m_devicePath->setPlaceholderText(tr("/dev/... (device for this number)"));
    m_baud = new QComboBox(box);
    for (std::uint32_t rate : kBaudRates)
        m_baud->addItem(QString::number(rate));
    m_dataBits = new CRangeSpinBox(DATA_BITS_MIN, DATA_BITS_MAX, box);
    // The number and the path together name a device the list does not have.
    auto* device = new QHBoxLayout;
    device->addWidget(m_manualPort);
    device->addWidget(m_devicePath, 1);
    auto* form = new QFormLayout(box);
    form->addRow(tr("COM-Port:"), m_port);
    form->addRow(tr("Device:"), device);
    form->addRow(tr("Baud rate:"), m_baud);
    form->addRow(tr("Data bits:"), m_dataBits);
    return box;
}

QWidget* CCommDialog::BuildLineGroup()
{
    auto* panel = new QWidget(this);
    auto* flowBox = new QGroupBox(tr("Flow control"), panel);
    auto* flowLayout = new QVBoxLayout(flowBox);
    // Shown for completeness of the choice, but the line is never driven by
    // software flow control: the terminal must pass every byte through.
    m_xonXoff = new QRadioButton(tr("Xon/Xoff"), flowBox);
    m_xonXoff->setEnabled(false);
    m_xonXoff->setAutoExclusive(false);
    flowLayout->addWidget(m_xonXoff);
    m_flow = RadioGroup(flowBox, {tr("Hardware"), tr("None")});
    auto* parityBox = new QGroupBox(tr("Parity"), panel);
    m_parity = RadioGroup(parityBox, {tr("None"), tr("Odd"), tr("Even"), tr("Mark"), tr("Space")});
    auto* stopBox = new QGroupBox(tr("Stop bits"), panel);
    m_stopBits = RadioGroup(stopBox, {tr("1"), tr("1,5"), tr("2")});
    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(flowBox, 0, 0, 1, 2);
    layout->addWidget(parityBox, 1, 0, Qt::AlignTop);
    layout->addWidget(stopBox, 1, 1, Qt::AlignTop);
    layout->setRowStretch(2, 1);
    return panel;
}

QWidget* CCommDialog::BuildIpGroup()
{
    auto* box = new QGroupBox(tr("IP"), this);
    m_host = new QLineEdit(box);
    m_host->setMaxLength(IP_HOST_MAX_CHARS);
    m_ipPort = PlainNumberEdit(0, 65535, box);
    m_listenAddress = new QLineEdit(box);
    m_listenAddress->setPlaceholderText(tr("all addresses"));
    m_listenAddress->setToolTip(tr("A TCP server listens on this address only, such as 127.0.0.1"));
    m_localPort = PlainNumberEdit(0, 65535, box);
    m_localPort->setToolTip(tr("The port UDP receives on; 0 takes the IP-Port"));
    auto* form = new QFormLayout(box);
    form->addRow(tr("IP-Server:"), m_host);
    form->addRow(tr("IP-Port:"), m_ipPort);
    form->addRow(tr("Listen address:"), m_listenAddress);
    form->addRow(tr("UDP local port:"), m_localPort);
    return box;
}

QWidget* CCommDialog::BuildBridgeGroup()
{
    auto* box = new QGroupBox(tr("Bridge"), this);
    m_bridgeMode = new QComboBox(box);
    for (const char* name : kBridgeModeNames)
        m_bridgeMode->addItem(QString::fromLatin1(name));
    m_bridgeHost = new QLineEdit(box);
    m_bridgeHost->setMaxLength(IP_HOST_MAX_CHARS);
    m_bridgePort = PlainNumberEdit(0, 65535, box);
    auto* form = new QFormLayout(box);
    form->addRow(tr("Mode:"), m_bridgeMode);
    form->addRow(tr("Server:"), m_bridgeHost);
    form->addRow(tr("Port:"), m_bridgePort);
    return box;
}

void CCommDialog::FillPortList(std::uint32_t port, bool manual)
{
    const QSignalBlocker block(m_port);
    m_port->clear();
    m_port->addItem(tr(kNotListed), 0u);
    m_port->setCurrentIndex(manual ? 0 : -1);
    for (const CommPortItem& item : m_ports) {
        m_port->addItem(QString::fromStdString(item.displayName), item.number);
        // A listed port is chosen from the list, even if it was typed in before.
        if (item.number == port)
            m_port->setCurrentIndex(m_port->count() - 1);
    }
}

void CCommDialog::SetSettings(const CommSettings& s)
{
    m_given = s;
    m_manualPort->setValue(static_cast<int>(s.comPort));
    FillPortList(s.comPort, s.comPortManual);
    m_baud->setCurrentIndex(s.baudIndex >= 0 && s.baudIndex < BAUD_TABLE_SIZE ? s.baudIndex : DEFAULT_BAUD_INDEX);
    for (QButtonGroup* group : {m_flow, m_parity, m_stopBits}) {
        group->setExclusive(false);
        for (QAbstractButton* button : group->buttons())
            button->setChecked(false);
        group->setExclusive(true);
    }
    if (QAbstractButton* flow = m_flow->button(s.flowControl))
        flow->setChecked(true);
    if (QAbstractButton* parity = m_parity->button(s.parity))
        parity->setChecked(true);
    if (QAbstractButton* stop = m_stopBits->button(s.stopBits))
        stop->setChecked(true);
    m_dataBits->setValue(s.dataBits);
    m_host->setText(FromDocText(s.ipServer));
    m_ipPort->setValue(static_cast<int>(s.ipPort));
    m_listenAddress->setText(QString::fromStdString(s.listenAddress));
    m_localPort->setValue(static_cast<int>(s.udpLocalPort));
    {
        const QSignalBlocker blockMode(m_mode);
        const QSignalBlocker blockBridge(m_bridgeMode);
        m_mode->setCurrentIndex(s.remoteSerial                            ? REMOTE_SERIAL_KIND
                                : s.commMode < kConnectionModeNames.size() ? static_cast<int>(s.commMode)
                                                                           : 0);
        m_bridgeMode->setCurrentIndex(s.bridgeMode < kBridgeModeNames.size() ? static_cast<int>(s.bridgeMode) : 0);
    }
    m_bridgeHost->setText(FromDocText(s.bridgeServer));
    m_bridgePort->setValue(static_cast<int>(s.bridgePort));
    ApplyModeRule();
    ApplyBridgeRule();
}

bool CCommDialog::IsManual() const { return m_port->currentIndex() == 0; }

void CCommDialog::SetSerialEnabled(bool enabled, bool local)
{
    m_port->setEnabled(enabled && local);
    m_baud->setEnabled(enabled);
    for (QButtonGroup* group : {m_flow, m_parity, m_stopBits})
        for (QAbstractButton* button : group->buttons())
            button->setEnabled(enabled);
    m_dataBits->setEnabled(enabled);
    m_manualPort->setEnabled(enabled && local && IsManual());
    m_devicePath->setEnabled(enabled && local && IsManual());
}

void CCommDialog::ApplyModeRule()
{
    const auto mode = static_cast<std::uint32_t>(m_mode->currentIndex());
    const bool serial = mode == 0;
    // A remote port has the line settings of a local one and the host and
    // port of a TCP client.
    const bool remote = mode == REMOTE_SERIAL_KIND;
    SetSerialEnabled(serial || remote, serial);
    m_host->setEnabled(!serial && !IsServerMode(mode));
    m_ipPort->setEnabled(!serial);
    m_listenAddress->setEnabled(IsServerMode(mode));
    m_localPort->setEnabled(mode == 3 || mode == 6); // the UDP modes
}

void CCommDialog::ApplyBridgeRule()
{
    m_bridgeHost->setEnabled(IsBridgeClientMode(static_cast<std::uint32_t>(m_bridgeMode->currentIndex())));
}

void CCommDialog::OnPortChanged()
{
    const bool enabled = m_mode->currentIndex() == 0 && IsManual();
    m_manualPort->setEnabled(enabled);
    m_devicePath->setEnabled(enabled);
    ClearManualFieldsIfListed();
}

void CCommDialog::ClearManualFieldsIfListed()
{
    if (m_port->currentIndex() <= 0)
        return;
    m_manualPort->clear();
    m_devicePath->clear();
}

void CCommDialog::SetAliasPath(const QString& path) { m_devicePath->setText(path); }

QString CCommDialog::AliasPath() const { return m_devicePath->text().trimmed(); }

void CCommDialog::SetAliasLookup(std::function<QString(std::uint32_t)> lookup)
{
    m_aliasLookup = std::move(lookup);
    if (m_aliasLookup)
        m_devicePath->setText(m_aliasLookup(static_cast<std::uint32_t>(m_manualPort->value())));
}

CommSettings CCommDialog::Settings() const
{
    CommSettings s = m_given;
    s.commMode = static_cast<std::uint32_t>(std::max(m_mode->currentIndex(), 0));
    s.remoteSerial = m_mode->currentIndex() == REMOTE_SERIAL_KIND;
    if (s.remoteSerial)
        s.commMode = RemoteSerialMode(m_host->text().trimmed().toStdString());
    if (IsManual()) {
        s.comPortManual = true;
        s.comPort = static_cast<std::uint32_t>(m_manualPort->Checked().value_or(static_cast<int>(m_given.comPort)));
    } else if (m_port->currentIndex() > 0) {
        s.comPortManual = false;
        s.comPort = m_port->currentData().toUInt();
    } // nothing chosen: the stored port stays as it was
    s.baudIndex = std::max(m_baud->currentIndex(), 0);
    if (m_flow->checkedId() >= 0)
        s.flowControl = m_flow->checkedId();
    if (m_parity->checkedId() >= 0)
        s.parity = m_parity->checkedId();
    if (m_stopBits->checkedId() >= 0)
        s.stopBits = m_stopBits->checkedId();
    s.dataBits = m_dataBits->Checked().value_or(m_given.dataBits);
    s.ipServer = ToDocText(m_host->text());
    s.ipPort = static_cast<std::uint32_t>(m_ipPort->Checked().value_or(static_cast<int>(m_given.ipPort)));
    s.listenAddress = m_listenAddress->text().trimmed().toStdString();
    s.udpLocalPort =
        static_cast<std::uint32_t>(m_localPort->Checked().value_or(static_cast<int>(m_given.udpLocalPort)));
    s.bridgeMode = static_cast<std::uint32_t>(std::max(m_bridgeMode->currentIndex(), 0));
    s.bridgeServer = ToDocText(m_bridgeHost->text());
    s.bridgePort = static_cast<std::uint32_t>(m_bridgePort->Checked().value_or(static_cast<int>(m_given.bridgePort)));
    return s;
}

void CCommDialog::accept()
{
    // Only what the user can change is checked: a disabled field keeps the value
    // it came with, even one out of range, instead of locking the dialog.
    for (CRangeSpinBox* edit : {m_manualPort, m_dataBits, m_ipPort, m_localPort, m_bridgePort})
        if (edit->isEnabled() && !edit->Validate(this))
            return;
    const bool ipv6 = m_mode->currentIndex() >= 4;
    if (m_listenAddress->isEnabled() && !IsListenAddress(m_listenAddress->text().trimmed().toStdString(), ipv6)) {
        CRangeSpinBox::Report(this, ipv6 ? tr("The listen address must be an IPv6 address, such as ::1, or empty.")
                                         : tr("The listen address must be an IPv4 address, such as 127.0.0.1, or empty."));
        m_listenAddress->setFocus();
        return;
    }
    // A client needs somewhere to connect to; 0 would be refused by every peer.
    const auto mode = static_cast<std::uint32_t>(m_mode->currentIndex());
    if (mode == 1 || mode == 4 || mode == REMOTE_SERIAL_KIND) { // the TCP clients
        if (m_host->text().trimmed().isEmpty()) {
            CRangeSpinBox::Report(this, tr("Please enter the IP-Server to connect to."));
            m_host->setFocus();
            return;
        }
        if (m_ipPort->Checked() == 0) {
            CRangeSpinBox::Report(this, tr("Please enter an IP-Port between 1 and 65535 to connect to."));
            m_ipPort->setFocus();
            return;
        }
    }
    QDialog::accept();
}

} // namespace kestrelon
