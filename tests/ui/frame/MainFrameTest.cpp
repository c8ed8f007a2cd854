// The main window: view switching and command states, the message queue pumped
// from the event loop, the status bar driven by the hub, logging from the status
// bar, layout and the GPS bar surviving a restart, dropped files and shutdown.
#include "support/DialogTestSupport.h"
#include "support/EventWait.h"
#include "ui/frame/FrameFixture.h"

#include "ui/frame/FunctionKeyBar.h"

#include "document/Messages.h"
#include "ui/frame/StringTable.h"
#include "ui/widgets/HelpTopics.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/ManualWindow.h"
#include "ui/widgets/SizingDialogBar.h"
#include "ui/gps/GpsStatusBar.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

#include <thread>

namespace kestrelon {
namespace {

using test::FrameFixture;

class MainFrameTest : public FrameFixture {
protected:
    void SetUp() override
    {
        profile = Profile();
        frame = MakeFrame(profile.get());
    }
    void TearDown() override { frame.reset(); }

    std::unique_ptr<QSettings> profile;
    std::unique_ptr<CMainFrame> frame;
};

struct ViewCase {
    int command;
    int view;
};
void PrintTo(const ViewCase& c, std::ostream* os) { *os << "command " << c.command; }

class ViewSwitchTest : public MainFrameTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(ViewSwitchTest, ActiveViewsCommandIsCheckedAndDisabled)
{
    frame->OnCommand(GetParam().command);
    EXPECT_EQ(frame->ActiveView(), GetParam().view);
    const std::array<int, CMainFrame::VIEW_COUNT> commands{ID_VIEW_ASCII, ID_VIEW_HEX, ID_VIEW_ANSI, ID_VIEW_TERMINAL};
    for (int i = 0; i < CMainFrame::VIEW_COUNT; ++i) {
        QAction* action = frame->Action(commands[static_cast<std::size_t>(i)]);
        EXPECT_EQ(action->isChecked(), i == GetParam().view) << "view " << i;
        EXPECT_EQ(action->isEnabled(), i != GetParam().view) << "view " << i;
    }
    EXPECT_TRUE(frame->View(GetParam().view)->isVisibleTo(frame.get()));
}

INSTANTIATE_TEST_SUITE_P(Views, ViewSwitchTest,
                         ::testing::Values(ViewCase{ID_VIEW_ASCII, 0}, ViewCase{ID_VIEW_HEX, 1},
                                           ViewCase{ID_VIEW_ANSI, 2}, ViewCase{ID_VIEW_TERMINAL, 3}));

// F1 (or F5) opens the manual at the active view's section; in the ANSI view
// those keys belong to the device and Help does nothing. Help Topics always
// opens the manual at its beginning.
struct HelpCase {
    int view;
    int command;
    const char* heading; // at the top of the manual's page; null: no manual
};
void PrintTo(const HelpCase& c, std::ostream* os) { *os << "view " << c.view << ", command " << c.command; }

class HelpCommandTest : public MainFrameTest, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(HelpCommandTest, OpensTheManualAtTheRightSection)
{
    frame->SwitchView(GetParam().view);
    frame->OnCommand(GetParam().command);
    const auto* manual = frame->findChild<CManualWindow*>();
    if (GetParam().heading == nullptr) {
        EXPECT_EQ(manual, nullptr);
        return;
    }
    ASSERT_TRUE(manual && manual->isVisible());
    QTextBrowser* browser = manual->Browser();
    const QPoint firstLine(4, browser->fontMetrics().height());
    EXPECT_EQ(browser->cursorForPosition(firstLine).block().text(), QString::fromLatin1(GetParam().heading));
}

INSTANTIATE_TEST_SUITE_P(Views, HelpCommandTest,
                         ::testing::Values(HelpCase{0, ID_HELP, help::ASCII_VIEW}, HelpCase{1, ID_HELP, help::HEX_VIEW},
                                           HelpCase{2, ID_HELP, nullptr}, HelpCase{3, ID_HELP, nullptr},
                                           HelpCase{2, ID_HELP_INDEX, "Kestrelon Manual"}));

TEST_F(MainFrameTest, StartsWithTheAsciiViewActiveAndEveryViewGetsEveryHint)
{
    EXPECT_EQ(frame->ActiveView(), 0);
    std::array<int, 3> before{};
    for (int i = 0; i < 3; ++i)
        before[static_cast<std::size_t>(i)] = View(*frame, i)->HintCount();
    doc.AddByte('x', RECEIVE_COLOUR);
    const std::uint8_t block[] = {'a', 'b'};
    doc.AddBlock(block, 2, SEND_COLOUR);
    frame->OnCommand(ID_EDIT_RESET_SCREEN);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(View(*frame, i)->HintCount(), before[static_cast<std::size_t>(i)] + 3) << "view " << i;
    EXPECT_EQ(View(*frame, 2)->LastHint(), HINT_RESET);
}

TEST_F(MainFrameTest, PortFailureSetupButtonOpensTheCommunicationSettings)
{
    dialogAnswer = QDialog::Accepted; // "Setup Data Communication"
    QString opened;
    // The settings dialog runs modally: note it and close it from inside its loop.
    test::WhenModalShown([&](QDialog* modal) {
        opened = QString::fromLatin1(modal->metaObject()->className());
        modal->close();
    });
    // Posted as a driver thread posts it: the event loop handles it.
    std::thread([this] { frame->Target().Post(MakeMessage(WM_TERMINAL, TC_PORT_FAILED, PF_NOT_OPENED)); }).join();
    ASSERT_TRUE(test::WaitFor([&] { return opened == QStringLiteral("kestrelon::CCommDialog"); }));
    EXPECT_EQ(dialogs, std::vector<QString>{QStringLiteral("kestrelon::CPortFailureDialog")});
    EXPECT_TRUE(test::WaitFor([] { return QApplication::activeModalWidget() == nullptr; }));
}

TEST_F(MainFrameTest, SendFromADriverThreadWaitsForTheHandlerAndShutdownReleasesIt)
{
    std::atomic<bool> returned{false};
    std::thread driver([this, &returned] {
        frame->Target().Send(MakeMessage(WM_TERMINAL, TC_CTS_HOLD, 1));
        returned = true;
    });
    ASSERT_TRUE(test::WaitFor([&] { return returned.load(); })); // handled by the event loop
    EXPECT_EQ(frame->MainStatusBar()->Led(LED_CTS)->State(), 4);

    std::atomic<bool> released{false};
    std::thread blocked([this, &released] {
        frame->Target().Send(MakeMessage(WM_TERMINAL, TC_CTS_HOLD, 0));
        released = true;
    });
    while (frame->Target().Pending() == 0)
        std::this_thread::yield();
    frame.reset(); // never pumped: destruction must release the sender
    blocked.join();
    EXPECT_TRUE(released.load());
    driver.join();
}

TEST_F(MainFrameTest, DoubleClickOnNoLogStartsLoggingLikeTheMenu)
{
    QString proposed;
    const QString path = QString::fromStdString(dir.File("capture"));
    frame->SetSaveFileChooser([&](const QString& name) {
        proposed = name;
        return path;
    });
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    auto* bar = frame->MainStatusBar();
    const int logPane = bar->PaneIndex(PANE_LOG);
    ASSERT_EQ(bar->PaneText(logPane), QStringLiteral("No log"));
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, bar->PaneRect(logPane).center());
    ASSERT_TRUE(test::WaitFor([&] { return frame->Hub()->IsLogging(); }));
    const QFileInfo offered(proposed);
    EXPECT_TRUE(offered.fileName().startsWith(QStringLiteral("Log_")) && proposed.endsWith(QStringLiteral(".txt")));
    EXPECT_EQ(offered.absolutePath(), QDir(QString::fromStdString(CDataLogger::HomeDirectory())).absolutePath());
    EXPECT_EQ(QString::fromStdString(frame->Hub()->LogPath()), path + QStringLiteral(".txt")) << "typed bare";
    EXPECT_TRUE(frame->Action(ID_FILE_LOGGING)->isChecked());
    frame->OnCommand(ID_FILE_LOGGING); // the menu stops it again
    EXPECT_FALSE(frame->Hub()->IsLogging());
    EXPECT_FALSE(frame->Action(ID_FILE_LOGGING)->isChecked());
    // The next start is offered where this log went.
    frame->OnCommand(ID_FILE_LOGGING);
    EXPECT_EQ(QFileInfo(proposed).absolutePath(), QFileInfo(path).absolutePath());
}

TEST_F(MainFrameTest, DroppedLocalFilesAreReported)
{
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QSignalSpy dropped(frame.get(), &CMainFrame::filesDropped);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.kst")), QUrl(QStringLiteral("https://x.example/b"))});
    // As a desktop delivers it: the window accepts the drag, then gets the drop.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &drop);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped[0][0].toStringList(), QStringList{QStringLiteral("/tmp/a.kst")});
}

class FrameRestartTest : public FrameFixture {};

TEST_F(FrameRestartTest, PlacementAndBarLayoutSurviveARestart)
{
    QRect placed;
    {
        auto profile = Profile();
        auto frame = MakeFrame(profile.get());
        frame->setGeometry(120, 140, 820, 560);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_FALSE(frame->IsGpsBarVisible());
        EXPECT_EQ(frame->GpsPanel(), nullptr) << "built when first shown";
        frame->OnCommand(ID_VIEW_TOOLBAR);
        frame->OnCommand(ID_VIEW_GPS_BAR);
        frame->OnCommand(ID_VIEW_STATUS_BAR);
        placed = frame->geometry();
        ASSERT_TRUE(frame->close());
    }
    auto profile = Profile();
    auto frame = MakeFrame(profile.get());
    frame->ShowAsSaved(frame->RestorePlacement());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    // As placed; on a test screen narrower than the frame, within the work area.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    if (placed.width() <= area.width())
        EXPECT_EQ(frame->geometry(), placed);
    else
        EXPECT_TRUE(area.contains(frame->geometry())) << "the frame keeps to the screen";
    EXPECT_TRUE(frame->ToolBar()->isHidden());
    EXPECT_TRUE(frame->IsGpsBarVisible());
    ASSERT_NE(frame->GpsPanel(), nullptr) << "a bar restored open builds its panel";
    EXPECT_EQ(frame->GpsBar()->Panel(), frame->GpsPanel());
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(frame->FunctionKeyBar()->isHidden());
    // The received bytes reach the restored panel.
    for (const char c : std::string("$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68\r\n"))
        frame->FeedGps(static_cast<std::uint8_t>(c));
    EXPECT_EQ(frame->GpsPanel()->ModeLetter()->text(), QStringLiteral("A"));
    EXPECT_EQ(frame->GpsPanel()->FixLamp()->State(), CGpsStatusBar::FIX_LAMP_GREEN);
}

} // namespace
} // namespace kestrelon
