// The Communication dialog: values in and out of the document, which controls
// each mode and bridge mode leaves usable, the port list with and without the
// manual flag, the refused port numbers, and the device alias.
#include "ui/dialogs/CommDialog.h"
#include "document/KestronDoc.h"
#include "document/SettingsStore.h"
#include "serial/ComPortEnumerator.h"
#include "support/DialogTestSupport.h"
#include "support/NamedRows.h"
#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/ManualWindow.h"
#include "ui/widgets/RangeSpinBox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

using test::PrintTo;

const std::vector<CommPortItem> kPorts = {{1, "COM1 - ttyS0"}, {33, "COM33 - ttyUSB0 (FTDI FT232R USB UART)"}};

TEST(CommSettings, RateOutsideTheTableOpensAs9600AndStoresIt)
{
    struct Row {
        std::uint32_t stored;
        int index;
        std::uint32_t confirmed;
    };
    for (const Row& row : {Row{250000, 5, 9600}, Row{300, 0, 300}, Row{921600, 13, 921600}, Row{0, 5, 9600}}) {
        CKestronDoc doc;
        doc.dcb.BaudRate = row.stored;
        const CommSettings s = CommSettings::FromDocument(doc);
        EXPECT_EQ(s.baudIndex, row.index) << row.stored;
        s.ApplyTo(doc);
        EXPECT_EQ(doc.dcb.BaudRate, row.confirmed) << row.stored;
        EXPECT_TRUE(doc.IsModified());
    }
}

// The handshake bits themselves are the document's; here the button clicked must
// reach them. (XON/XOFF is never enabled: see the mode rule.)
TEST(CommDialog, FlowChoiceReachesTheDocument)
{
    for (const int flow : {FLOW_HARDWARE, FLOW_NONE}) {
        CKestronDoc doc;
        doc.SetHardwareHandshake(flow != FLOW_HARDWARE);
        CCommDialog dialog(kPorts);
        dialog.SetSettings(CommSettings::FromDocument(doc));
        dialog.FlowGroup()->button(flow)->click();
        dialog.Settings().ApplyTo(doc);
        EXPECT_EQ(doc.HasHardwareHandshake(), flow == FLOW_HARDWARE);
    }
}

struct ModeCase {
    int mode;
    bool serial; // port list, rate, line settings
    bool host;
    bool port;
};
void PrintTo(const ModeCase& c, std::ostream* os) { *os << "mode " << c.mode; }

class CommModeRule : public ::testing::TestWithParam<ModeCase> {};

TEST_P(CommModeRule, EnablesWhatTheModeUses)
{
    const ModeCase& c = GetParam();
    CCommDialog dialog(kPorts);
    dialog.ModeBox()->setCurrentIndex(c.mode);
    EXPECT_EQ(dialog.PortBox()->isEnabled(), c.serial);
    EXPECT_EQ(dialog.BaudBox()->isEnabled(), c.serial);
    EXPECT_EQ(dialog.DataBitsEdit()->isEnabled(), c.serial);
    for (QButtonGroup* group : {dialog.FlowGroup(), dialog.ParityGroup(), dialog.StopBitsGroup()})
        for (QAbstractButton* button : group->buttons())
            EXPECT_EQ(button->isEnabled(), c.serial) << button->text().toStdString();
    EXPECT_EQ(dialog.HostEdit()->isEnabled(), c.host);
    EXPECT_EQ(dialog.PortEdit()->isEnabled(), c.port);
    EXPECT_FALSE(dialog.XonXoffRadio()->isEnabled());
    EXPECT_EQ(dialog.Settings().commMode, static_cast<std::uint32_t>(c.mode));
}

INSTANTIATE_TEST_SUITE_P(Modes, CommModeRule,
                         ::testing::Values(ModeCase{0, true, false, false}, ModeCase{1, false, true, true},
                                           ModeCase{2, false, false, true}, ModeCase{3, false, true, true},
                                           ModeCase{5, false, false, true}),
                         [](const auto& info) { return "Mode" + std::to_string(info.param.mode); });

TEST(CommDialog, BridgeHostFollowsTheBridgeMode)
{
    CCommDialog dialog(kPorts);
    for (const auto& [mode, hostEnabled] :
         std::vector<std::pair<int, bool>>{{1, false}, {0, true}, {3, false}, {2, true}}) {
        dialog.BridgeModeBox()->setCurrentIndex(mode);
        EXPECT_EQ(dialog.BridgeHostEdit()->isEnabled(), hostEnabled) << mode;
        EXPECT_EQ(dialog.Settings().bridgeMode, static_cast<std::uint32_t>(mode));
    }
}

struct PortCase {
    const char* name;
    std::uint32_t port;
    bool manual;
    int selectedItem; // -1: none
    bool manualEditEnabled;
    std::uint32_t confirmedPort;
    bool confirmedManual;
};

class CommPortChoice : public ::testing::TestWithParam<PortCase> {};

TEST_P(CommPortChoice, SelectsAndKeepsThePort)
{
    const PortCase& c = GetParam();
    CommSettings s;
    s.comPort = c.port;
    s.comPortManual = c.manual;
    CCommDialog dialog(kPorts);
    dialog.SetSettings(s);
    EXPECT_EQ(dialog.PortBox()->currentIndex(), c.selectedItem);
    EXPECT_EQ(dialog.ManualPortEdit()->isEnabled(), c.manualEditEnabled);
    EXPECT_EQ(dialog.ManualPortEdit()->value(), static_cast<int>(c.port));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Settings().comPort, c.confirmedPort);
    EXPECT_EQ(dialog.Settings().comPortManual, c.confirmedManual);
}

INSTANTIATE_TEST_SUITE_P(Ports, CommPortChoice,
                         ::testing::Values(PortCase{"Listed", 33, false, 2, false, 33, false},
                                           PortCase{"ListedBeatsManualFlag", 33, true, 2, false, 33, false},
                                           PortCase{"UnlistedWithoutFlagKeepsNumber", 7, false, -1, false, 7, false},
                                           PortCase{"UnlistedWithFlagIsManual", 7, true, 0, true, 7, true},
                                           PortCase{"OutOfRangeUntouchedStays", 300, false, -1, false, 300, false}),
                         test::RowName);

TEST(CommDialog, ManualNumberIsTakenOrOutOfRangeKeepsTheDialogOpen)
{
    for (const QString typed : {"0", "256", "", "1", "255"}) {
        const bool accepted = typed == "1" || typed == "255";
        ValidationMessages messages;
        CommSettings s;
        s.comPortManual = true;
        s.comPort = 9;
        CCommDialog dialog(kPorts);
        dialog.SetSettings(s);
        dialog.show();
        TypeNumber(dialog.ManualPortEdit(), typed);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, accepted) << typed.toStdString();
        EXPECT_EQ(dialog.isVisible(), !accepted);
        const std::vector<std::string> expected =
            accepted ? std::vector<std::string>{}
                     : std::vector<std::string>{"Please enter an integer between 1 and 255."};
        EXPECT_EQ(messages.All(), expected);
        if (accepted) {
            EXPECT_EQ(dialog.Settings().comPort, typed.toUInt());
            EXPECT_TRUE(dialog.Settings().comPortManual);
        }
    }
}

// The list: the not-listed item, then the ports.
TEST(CommDialog, ChoosingAListedPortClearsTheManualNumberAndPath)
{
    CommSettings s;
    s.comPort = 7;
    s.comPortManual = true;
    CCommDialog dialog(kPorts);
    ASSERT_EQ(dialog.PortBox()->count(), 3);
    EXPECT_EQ(dialog.PortBox()->itemText(0), "Not listed COM (select manual)");
    EXPECT_EQ(dialog.PortBox()->itemData(0).toUInt(), 0u);
    dialog.SetSettings(s);
    dialog.DevicePathEdit()->setText("/dev/pts/4");
    dialog.PortBox()->setCurrentIndex(1);
    EXPECT_FALSE(dialog.ManualPortEdit()->isEnabled());
    // What was typed for the manual choice no longer shows beside the listed one.
    EXPECT_TRUE(dialog.ManualPortEdit()->text().isEmpty());
    EXPECT_TRUE(dialog.DevicePathEdit()->text().isEmpty());
    EXPECT_EQ(dialog.Settings().comPort, 1u);
    EXPECT_FALSE(dialog.Settings().comPortManual);
}

TEST(CommDialog, IpPortsAreCheckedOnlyWhereUsable)
{
    struct Row {
        int mode;
        QString host;
        QString ipPort;
        bool accepted;
        const char* field; // named by the refusal
    };
    for (const Row& row : {Row{1, "h", "65536", false, "between 0 and 65535"}, Row{1, "h", "65535", true, ""},
                           Row{0, "h", "65536", true, ""}, Row{4, "h", "0", false, "IP-Port"},
                           Row{1, " ", "23", false, "IP-Server"}, Row{2, "", "0", true, ""},
                           Row{3, "h", "0", true, ""}}) {
        ValidationMessages messages;
        CCommDialog dialog(kPorts);
        dialog.ModeBox()->setCurrentIndex(row.mode);
        dialog.HostEdit()->setText(row.host);
        TypeNumber(dialog.PortEdit(), row.ipPort);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, row.accepted) << row.mode;
        ASSERT_EQ(messages.All().size(), row.accepted ? 0u : 1u) << row.mode;
        if (!row.accepted) {
            EXPECT_NE(messages.All()[0].find(row.field), std::string::npos) << messages.All()[0];
        }
        if (row.mode == 0) { // disabled: what it was given stays
            EXPECT_EQ(dialog.Settings().ipPort, 23u);
        }
    }
}

TEST(RunCommunicationDialog, BindsTheManualNumberToADevicePath)
{
    struct Row {
        const char* name;
        bool ok;
        QString path;
        std::optional<std::string> alias;
    };
    for (const Row& row : {Row{"Cancel", false, "/dev/pts/77", std::nullopt},
                           Row{"Bind", true, "/dev/pts/77", "/dev/pts/77"}, Row{"Empty", true, "", std::nullopt}}) {
        CMemorySettingsStore store;
        CKestronDoc doc;
        doc.SetModifiedFlag(false);
        WhenModalShown([&row](QDialog* dialog) {
            auto* comm = static_cast<CCommDialog*>(dialog);
            comm->PortBox()->setCurrentIndex(0);
            TypeNumber(comm->ManualPortEdit(), "231");
            comm->DevicePathEdit()->setText(row.path);
            row.ok ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(RunCommunicationDialog(nullptr, doc, store, ""), row.ok) << row.name;
        EXPECT_EQ(store.Read(kPortAliasGroup, "COM231"), row.alias) << row.name;
        EXPECT_EQ(doc.comPort, row.ok ? 231u : 1u) << row.name;
        EXPECT_EQ(doc.comPortManual, row.ok) << row.name;
        EXPECT_EQ(doc.IsModified(), row.ok) << row.name;
    }
}

TEST(RunCommunicationDialog, ShowsTheAliasOfTheManualNumber)
{
    CMemorySettingsStore store;
    store.Write(kPortAliasGroup, "COM240", "/dev/pts/9");
    CKestronDoc doc;
    doc.comPort = 240;
    doc.comPortManual = true;
    QString shown;
    WhenModalShown([&shown](QDialog* dialog) {
        shown = static_cast<CCommDialog*>(dialog)->DevicePathEdit()->text();
        dialog->reject();
    });
    RunCommunicationDialog(nullptr, doc, store, "");
    EXPECT_EQ(shown, "/dev/pts/9");
}

// The listen address and the UDP local port are kept per configuration in the
// store; an address of the other family keeps the dialog open.
TEST(RunCommunicationDialog, KeepsTheLocalEndpointPerConfiguration)
{
    struct Row {
        int mode;
        const char* address;
        const char* port;
        bool accepted;
        std::optional<std::string> storedAddress, storedPort;
    };
    const Row rows[] = {{2, "127.0.0.1", "0", true, "127.0.0.1", std::nullopt},
                        {5, "127.0.0.1", "0", false, std::nullopt, std::nullopt},
                        {3, "", "6001", true, std::nullopt, "6001"}};
    for (const Row& row : rows) {
        CMemorySettingsStore store;
        CKestronDoc doc;
        ValidationMessages messages;
        WhenModalShown([&row](QDialog* dialog) {
            auto* comm = static_cast<CCommDialog*>(dialog);
            comm->ModeBox()->setCurrentIndex(row.mode);
            comm->ListenAddressEdit()->setText(QString::fromLatin1(row.address));
            TypeNumber(comm->LocalPortEdit(), QString::fromLatin1(row.port));
            comm->accept();
            if (dialog->isVisible())
                dialog->reject();
        });
        EXPECT_EQ(RunCommunicationDialog(nullptr, doc, store, "/cfg/a.kst"), row.accepted) << row.mode;
        EXPECT_EQ(store.Read("ListenAddress", "%2Fcfg%2Fa.kst"), row.storedAddress) << row.mode;
        EXPECT_EQ(store.Read("UdpLocalPort", "%2Fcfg%2Fa.kst"), row.storedPort) << row.mode;
        EXPECT_EQ(messages.All().size(), row.accepted ? 0u : 1u) << row.mode;
    }
}

TEST(CommDialogHelp, HelpButtonOpensTheManualAtConnections)
{
    CCommDialog dialog(kPorts);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help), Qt::LeftButton);
    // The manual belongs to the dialog, so it answers while the dialog is modal.
    const auto* manual = dialog.findChild<CManualWindow*>();
    ASSERT_TRUE(manual && manual->isVisible());
    QTextBrowser* browser = manual->Browser();
    const QPoint firstLine(4, browser->fontMetrics().height());
    EXPECT_EQ(browser->cursorForPosition(firstLine).block().text(), QString::fromLatin1(help::CONNECTIONS));
}

} // namespace
