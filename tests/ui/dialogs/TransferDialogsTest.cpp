// The Send File and Receive File dialogs: the protocol preselected from the
// document's, the OK button that needs a path, and a path only Browse changes.
#include "transfer/TransferCodes.h"
#include "ui/dialogs/ReceiveFileDialog.h"
#include "ui/dialogs/SendFileDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace kestrelon {
namespace {

const std::vector<int> kAll = {PROTOCOL_NONE, PROTOCOL_XMODEM, PROTOCOL_XMODEM_1K, PROTOCOL_XMODEM_ZIM,
                               PROTOCOL_YMODEM};

TEST(ReceiveFileDialog, PreselectsWhatCanReceiveOrElseXModem)
{
    std::vector<int> shown;
    for (int documentProtocol :
         {PROTOCOL_XMODEM, PROTOCOL_XMODEM_1K, PROTOCOL_YMODEM, PROTOCOL_NONE, PROTOCOL_XMODEM_ZIM, 99}) {
        CReceiveFileDialog dialog(QStringLiteral("/tmp/"), documentProtocol);
        shown.push_back(dialog.ProtocolList()->currentData().toInt());
    }
    EXPECT_EQ(shown, (std::vector<int>{PROTOCOL_XMODEM, PROTOCOL_XMODEM_1K, PROTOCOL_YMODEM, PROTOCOL_XMODEM,
                                       PROTOCOL_XMODEM, PROTOCOL_XMODEM}));
}

TEST(ReceiveFileDialog, ReceiveWaitsForAFolderThatBrowseGivesWithItsSlash)
{
    CReceiveFileDialog dialog(QString(), PROTOCOL_YMODEM);
    EXPECT_TRUE(dialog.PathEdit()->isReadOnly());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.SetBrowser([](QWidget*, const QString&) { return QString(); });
    dialog.BrowseButton()->click(); // cancelled browser: nothing changes
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.SetBrowser([](QWidget*, const QString&) { return QStringLiteral("/data/in"); });
    dialog.BrowseButton()->click();
    EXPECT_EQ(dialog.Path(), QStringLiteral("/data/in/"));
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Protocol(), PROTOCOL_YMODEM);
}

TEST(SendFileDialog, ListsAlphabeticallyAndSendsWithTheChosenProtocol)
{
    CSendFileDialog dialog(QString(), kAll, PROTOCOL_XMODEM_ZIM);
    QStringList names;
    for (int i = 0; i < dialog.ProtocolList()->count(); ++i)
        names << dialog.ProtocolList()->itemText(i);
    EXPECT_EQ(names, (QStringList{"None", "XModem", "XModem 1K", "XModem ZIM", "YModem"}));
    EXPECT_EQ(dialog.ProtocolList()->currentData().toInt(), PROTOCOL_XMODEM_ZIM);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.OkButton()->click(); // disabled: nothing happens
    EXPECT_EQ(dialog.Protocol(), PROTOCOL_XMODEM_ZIM + 1);
    dialog.SetBrowser([](QWidget*, const QString&) { return QStringLiteral("/data/fw.bin"); });
    dialog.BrowseButton()->click();
    dialog.ProtocolList()->setCurrentIndex(dialog.ProtocolList()->findData(PROTOCOL_XMODEM_1K));
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.Protocol(), PROTOCOL_XMODEM_1K);
    EXPECT_EQ(dialog.Path(), QStringLiteral("/data/fw.bin"));
}

} // namespace
} // namespace kestrelon
