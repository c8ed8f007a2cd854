// The Send File and Receive File dialogs: the protocol preselected from the
// document's, the OK button that needs a path, and typed paths checked on OK.
#include "transfer/TransferCodes.h"
#include "ui/dialogs/ReceiveFileDialog.h"
#include "ui/dialogs/SendFileDialog.h"
#include "support/DialogTestSupport.h"
#include "support/TempDir.h"

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
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path().string());
    CReceiveFileDialog dialog(QString(), PROTOCOL_YMODEM);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.SetBrowser([](QWidget*, const QString&) { return QString(); });
    dialog.BrowseButton()->click(); // cancelled browser: nothing changes
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.SetBrowser([&folder](QWidget*, const QString&) { return folder; });
    dialog.BrowseButton()->click();
    EXPECT_EQ(dialog.Path(), folder + "/");
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Protocol(), PROTOCOL_YMODEM);
}

TEST(SendFileDialog, ListsAlphabeticallyAndSendsWithTheChosenProtocol)
{
    test::TempDir dir;
    test::WriteFileBytes(dir.File("fw.bin"), "firmware");
    const QString file = QString::fromStdString(dir.File("fw.bin"));
    CSendFileDialog dialog(QString(), kAll, PROTOCOL_XMODEM_ZIM);
    QStringList names;
    for (int i = 0; i < dialog.ProtocolList()->count(); ++i)
        names << dialog.ProtocolList()->itemText(i);
    EXPECT_EQ(names, (QStringList{"None", "XModem", "XModem 1K", "XModem ZIM", "YModem"}));
    EXPECT_EQ(dialog.ProtocolList()->currentData().toInt(), PROTOCOL_XMODEM_ZIM);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.OkButton()->click(); // disabled: nothing happens
    EXPECT_EQ(dialog.Protocol(), PROTOCOL_XMODEM_ZIM + 1);
    dialog.SetBrowser([&file](QWidget*, const QString&) { return file; });
    dialog.BrowseButton()->click();
    dialog.ProtocolList()->setCurrentIndex(dialog.ProtocolList()->findData(PROTOCOL_XMODEM_1K));
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.Protocol(), PROTOCOL_XMODEM_1K);
    EXPECT_EQ(dialog.Path(), file);
}

// What a user types or pastes, and whether OK takes it; a refusal keeps the
// dialog open with a message.
TEST(TransferPickDialog, TypedPathsAreCheckedOnOk)
{
    test::TempDir dir;
    test::WriteFileBytes(dir.File("fw.bin"), "firmware");
    const QString folder = QString::fromStdString(dir.Path().string());
    struct Row {
        bool receive;
        QString typed;
        QString fileName;
        int protocol;
        const char* refusal; // part of the message, or "" when OK takes it
        QString path;
    };
    const Row rows[] = {
        {false, folder + "/fw.bin", "", PROTOCOL_XMODEM, "", folder + "/fw.bin"},
        {false, " file://" + folder + "/fw.bin ", "", PROTOCOL_XMODEM, "", folder + "/fw.bin"},
        {false, folder + "/missing.bin", "", PROTOCOL_XMODEM, "There is no file", ""},
        {false, folder, "", PROTOCOL_XMODEM, "is not a file", ""},
        {true, folder, "data.bin", PROTOCOL_XMODEM_1K, "", folder + "/"},
        {true, folder + "/", "", PROTOCOL_YMODEM, "", folder + "/"},
        {true, folder, "", PROTOCOL_XMODEM, "enter the name of the file", ""},
        {true, folder, "../data.bin", PROTOCOL_XMODEM, "is not a file name", ""},
    };
    for (const Row& row : rows) {
        test::ValidationMessages messages;
        std::unique_ptr<CTransferPickDialog> dialog;
        if (row.receive) {
            auto receive = std::make_unique<CReceiveFileDialog>(QString(), row.protocol);
            receive->FileNameEdit()->setText(row.fileName);
            dialog = std::move(receive);
        } else {
            dialog = std::make_unique<CSendFileDialog>(QString(), kAll, row.protocol);
        }
        dialog->PathEdit()->setText(row.typed);
        ASSERT_TRUE(dialog->OkButton()->isEnabled()) << row.typed.toStdString();
        dialog->OkButton()->click();
        const bool taken = !*row.refusal;
        EXPECT_EQ(dialog->result(), taken ? QDialog::Accepted : QDialog::Rejected) << row.typed.toStdString();
        if (taken)
            EXPECT_EQ(dialog->Path(), row.path);
        else
            EXPECT_NE(messages.All().empty() ? std::string::npos : messages.All()[0].find(row.refusal),
                      std::string::npos)
                << row.typed.toStdString();
    }
}

} // namespace
} // namespace kestrelon
