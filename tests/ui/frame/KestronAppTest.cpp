// The application: command line, recent files, opening files (from the command
// line, the menu and by dropping), the prompt to save changes, and the settings
// store kept in the profile file.
#include "ui/frame/FrameFixture.h"

#include "ui/frame/KestronApp.h"
#include "document/KstArchive.h"
#include "document/ConfigSettings.h"
#include "ui/frame/FrameZoom.h"
#include "ui/frame/QtSettingsStore.h"
#include "ui/views/KestronView.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>

namespace kestrelon {
namespace {

TEST(KestronApp, FileArgumentIsTheFirstNonOption)
{
    const std::pair<QStringList, QString> rows[] = {{{}, {}},
                                                    {{"lab.kst"}, "lab.kst"},
                                                    {{"--print-config", "lab.kst"}, "lab.kst"},
                                                    {{"/tmp/a b.kst", "second.kst"}, "/tmp/a b.kst"}};
    for (const auto& [arguments, file] : rows)
        EXPECT_EQ(CKestronApp::FileArgument(arguments), file) << arguments.join(' ').toStdString();
}

class KestronAppTest : public ::testing::Test {
protected:
    std::unique_ptr<QSettings> Profile() const
    {
        return std::make_unique<QSettings>(QString::fromStdString(dir.File("profile.ini")), QSettings::IniFormat);
    }

    // An application on recording connections whose dialogs answer `answer`.
    // `realViews`: the program's own views instead of placeholders.
    std::unique_ptr<CKestronApp> Start(const QStringList& arguments, bool* started = nullptr, bool realViews = false)
    {
        auto app = std::make_unique<CKestronApp>(Profile());
        app->SetFileChooser([this](bool save, const QString&) { return save ? saveAs : openPath; });
        CMainFrame::HubFactory hub = [this, realViews, raw = app.get()](CMainFrame& frame) {
            frame.SetDialogRunner([this](QDialog& dialog) {
                dialogs << QString::fromLatin1(dialog.metaObject()->className());
                return answer;
            });
            if (!realViews)
                test::UsePlaceholderViews(frame);
            return std::make_unique<CDataHub>(raw->Document(), frame, frame.Target(),
                                              std::make_unique<test::CRecordingSerialLink>(),
                                              std::make_unique<test::CRecordingIpLink>());
        };
        const bool ok = app->InitInstance(arguments, hub);
        if (started)
            *started = ok;
        return app;
    }

    QString WriteConfiguration(const std::string& name, std::uint32_t port, std::int32_t columns = 80,
                               std::int32_t lines = 1000)
    {
        CKestronDoc source;
        source.OnNewDocument();
        source.screenColumns = columns;
        source.screenLines = lines;
        source.commMode = 1;
        source.ipServer = "127.0.0.1";
        source.ipPort = port;
        CKstError error;
        const std::string path = dir.File(name);
        EXPECT_TRUE(CKstArchive::Save(source, path, error)) << error.Describe();
        return QString::fromStdString(path);
    }

    test::TempDir dir;
    QStringList dialogs;
    int answer = QMessageBox::Cancel;
    QString saveAs;
    QString openPath;
};

TEST_F(KestronAppTest, NamedFileIsOpenedAtStartUp)
{
    const QString path = WriteConfiguration("bench.kst", 4321);
    bool started = false;
    auto app = Start({path}, &started);
    ASSERT_TRUE(started);
    EXPECT_EQ(app->Document().commMode, 1u);
    EXPECT_EQ(app->Document().ipPort, 4321u);
    // The title carries the version as --version prints it: three numbers.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^bench - Kestrelon \\d+\\.\\d+\\.\\d+$"))
                    .match(app->MainFrame()->windowTitle())
                    .hasMatch())
        << app->MainFrame()->windowTitle().toStdString();
    EXPECT_EQ(app->RecentFiles(), QStringList{path});
    EXPECT_EQ(app->MainFrame()->ActiveView(), 0);
    EXPECT_TRUE(app->MainFrame()->isVisible());
}

TEST_F(KestronAppTest, UnreadableFileFailsStartUpWithAMessage)
{
    test::WriteFileBytes(dir.File("broken.kst"), "not a configuration");
    bool started = true;
    auto app = Start({QString::fromStdString(dir.File("broken.kst"))}, &started);
    EXPECT_FALSE(started);
    EXPECT_EQ(dialogs, QStringList{QStringLiteral("QMessageBox")});
}

TEST_F(KestronAppTest, RecentFilesKeepTenNewestFirstWithoutDuplicates)
{
    {
        auto app = Start({});
        for (int i = 0; i < 12; ++i)
            app->AddToRecentFiles(QString::fromStdString(dir.File("f" + std::to_string(i) + ".kst")));
        app->AddToRecentFiles(QString::fromStdString(dir.File("f5.kst")));
    }
    auto app = Start({}); // a second run reads the same profile
    QStringList expected;
    for (int i : {5, 11, 10, 9, 8, 7, 6, 4, 3, 2})
        expected << QString::fromStdString(dir.File("f" + std::to_string(i) + ".kst"));
    EXPECT_EQ(app->RecentFiles(), expected);
}

struct PromptCase {
    const char* name;
    int answer;
    bool newDocument; // the document was replaced
    bool saved;       // the old one was written first
};
void PrintTo(const PromptCase& c, std::ostream* os) { *os << c.name; }

class SavePromptTest : public KestronAppTest, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(SavePromptTest, NewAndCloseOnAModifiedDocumentAskFirst)
{
    auto app = Start({});
    saveAs = QString::fromStdString(dir.File("kept.kst"));
    answer = GetParam().answer;
    app->Document().ipPort = 9999;
    app->Document().SetModifiedFlag(true);
    app->MainFrame()->OnCommand(ID_FILE_NEW);
    EXPECT_EQ(dialogs, QStringList{QStringLiteral("QMessageBox")});
    EXPECT_EQ(app->Document().ipPort == 9999, !GetParam().newDocument);
    EXPECT_EQ(QFile::exists(saveAs), GetParam().saved);
    // Closing the window asks the same way; Cancel keeps it open.
    app->Document().SetModifiedFlag(true);
    EXPECT_EQ(app->MainFrame()->close(), GetParam().newDocument);
    EXPECT_EQ(dialogs.size(), 2);
    EXPECT_EQ(app->MainFrame()->isVisible(), !GetParam().newDocument);
}

INSTANTIATE_TEST_SUITE_P(Answers, SavePromptTest,
                         ::testing::Values(PromptCase{"Cancel", QMessageBox::Cancel, false, false},
                                           PromptCase{"No", QMessageBox::No, true, false},
                                           PromptCase{"Yes", QMessageBox::Yes, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a file a new untitled document is made; unmodified, it is replaced
// without asking.
TEST_F(KestronAppTest, UntitledDocumentIsReplacedWithoutAskingFromTheMenuOrADrop)
{
    openPath = WriteConfiguration("other.kst", 2000);
    const QString dropped = WriteConfiguration("dropped.kst", 3000);
    auto app = Start({});
    EXPECT_TRUE(app->MainFrame()->windowTitle().startsWith(QStringLiteral("Untitled - Kestrelon ")));
    EXPECT_EQ(app->Document().commMode, 0u);
    EXPECT_FALSE(app->Document().IsModified());
    app->MainFrame()->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(app->Document().ipPort, 2000u);
    EXPECT_EQ(app->PathName(), openPath);
    emit app->MainFrame()->filesDropped({dropped});
    EXPECT_EQ(app->Document().ipPort, 3000u);
    EXPECT_EQ(app->PathName(), dropped);
    EXPECT_TRUE(dialogs.isEmpty());
}

TEST_F(KestronAppTest, RecentFileMenuOpensTheChosenFile)
{
    const QString first = WriteConfiguration("first.kst", 1001);
    const QString second = WriteConfiguration("second.kst", 1002);
    auto app = Start({first});
    ASSERT_TRUE(app->OpenDocumentFile(second));
    QStringList texts;
    QAction* older = nullptr;
    for (QAction* action : app->MainFrame()->RecentFileMenuAnchor()->actions()) {
        if (action->text().startsWith(QLatin1Char('&')) && action->text().at(1).isDigit()) {
            texts << action->text();
            if (action->text().endsWith(QStringLiteral("first.kst")))
                older = action;
        }
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&1 second.kst"), QStringLiteral("&2 first.kst")}));
    ASSERT_NE(older, nullptr);
    older->trigger();
    EXPECT_EQ(app->Document().ipPort, 1001u);
    EXPECT_EQ(app->PathName(), first);
}

// The ASCII view takes a file's screen size when the file is opened from the
// command line or the menu, and the default again with File > New, so its rows
// are as wide as the pieces the receive path cuts.
class ScreenSizeTest : public KestronAppTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ScreenSizeTest, AsciiViewWrapsAtTheFilesWidth)
{
    const bool fromCommandLine = GetParam();
    const QString wide = WriteConfiguration("wide.kst", 23, 132, 50);
    openPath = wide;
    auto app = Start(fromCommandLine ? QStringList{wide} : QStringList{}, nullptr, true);
    if (!fromCommandLine)
        app->MainFrame()->OnCommand(ID_FILE_OPEN);
    const auto* view = dynamic_cast<CKestronView*>(app->MainFrame()->View(0));
    ASSERT_NE(view, nullptr);
    const std::string line(140, 'w');
    app->MainFrame()->Hub()->ProcessReceived(reinterpret_cast<const std::uint8_t*>(line.data()), line.size(),
                                             RECEIVE_COLOUR);
    EXPECT_EQ(view->Grid().Lines(), 50);
    EXPECT_EQ(view->Grid().RowText(0), std::string(132, 'w'));
    EXPECT_EQ(view->Grid().RowText(1).substr(0, 9), std::string(8, 'w') + ' ');
    app->MainFrame()->OnCommand(ID_FILE_NEW);
    EXPECT_EQ(view->Grid().Columns(), 80);
}

INSTANTIATE_TEST_SUITE_P(OpenedFrom, ScreenSizeTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "CommandLine" : "FileOpen"; });

// The menu names the find key that works in the view in front: the Terminal
// view gives Ctrl+F to the device.
TEST_F(KestronAppTest, FindMenuNamesTheKeyOfTheViewInFront)
{
    auto app = Start({}, nullptr, true);
    for (const int view : {3, 0}) {
        app->MainFrame()->SwitchView(view);
        EXPECT_EQ(app->MainFrame()->Action(ID_EDIT_FIND)->shortcut(),
                  QKeySequence(view == 3 ? "Ctrl+Shift+F" : "Ctrl+F"));
    }
}

// Saved under a new name, the file keeps what the store held for it: the zoom
// on screen stays, and the pacing is there for the next run.
TEST_F(KestronAppTest, SaveAsKeepsThePerFileSettings)
{
    CQtSettingsStore(*Profile()).Write("Pacing", "(untitled)", "5,20");
    auto app = Start({});
    app->MainFrame()->findChild<QAction*>(QStringLiteral("zoomZoomIn"))->trigger();
    const int zoom = app->MainFrame()->Zoom()->Percent();
    ASSERT_NE(zoom, 100);
    saveAs = QString::fromStdString(dir.File("kept.kst"));
    app->MainFrame()->OnCommand(ID_FILE_SAVE_AS);
    EXPECT_EQ(app->MainFrame()->Zoom()->Percent(), zoom);
    const std::string key = ConfigSettingsKey(QFile::encodeName(QFileInfo(saveAs).absoluteFilePath()).toStdString());
    EXPECT_EQ(CQtSettingsStore(*Profile()).Read("Pacing", key), std::optional<std::string>("5,20"));
}

TEST_F(KestronAppTest, SettingsStoreSharesTheProfileFile)
{
    auto profile = Profile();
    CQtSettingsStore store(*profile);
    store.Write("Ports", "COM7", "/dev/pts/9");
    store.Write("Internet Settings", "ProxyServer", "socks=127.0.0.1:1080");
    profile->setValue("Ports/COM8", "/tmp/link");
    profile->sync();
    EXPECT_EQ(store.Read("Ports", "COM7"), std::optional<std::string>("/dev/pts/9"));
    EXPECT_EQ(store.Read("Ports", "COM8"), std::optional<std::string>("/tmp/link"));
    EXPECT_EQ(store.Read("Internet Settings", "ProxyServer"), std::optional<std::string>("socks=127.0.0.1:1080"));
    EXPECT_EQ(store.Keys("Ports"), (std::vector<std::string>{"COM7", "COM8"}));
    store.Remove("Ports", "COM7");
    EXPECT_EQ(store.Read("Ports", "COM7"), std::nullopt);
    profile->sync();
    EXPECT_FALSE(profile->contains("Ports/COM7"));
}

} // namespace
} // namespace kestrelon
