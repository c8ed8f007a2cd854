// Main status bar: the pane set and LED layout of every connection mode, panes
// that fit their text with the LEDs following, and the double-click actions.
#include "ui/frame/MainStatusBar.h"

#include "document/Messages.h"
#include "ui/widgets/Lamp.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <map>

namespace kestrelon {
namespace {

struct PaneSetCase {
    std::uint32_t mode;
    QStringList texts;           // panes 1 to last
    std::map<int, int> ledPanes; // shown LEDs by role -> pane index
};
void PrintTo(const PaneSetCase& c, std::ostream* os) { *os << "mode " << c.mode; }

const QStringList kSerial{"No log", "No COM opened", "     CTS", "     DSR", "     CD", "     Bridge", "CAP",
                          "NUM",    "Varnoth"};
const QStringList kServer{"No log", "No COM opened", "     Data", "     Server", "     Bridge", "CAP", "NUM",
                          "Varnoth"};
const QStringList kClient{"No log", "No COM opened", "     Data", "     Bridge", "CAP", "NUM", "Varnoth"};
const QStringList kUdp{"No log", "No COM opened", "Peer", "     Data", "     Bridge", "CAP", "NUM", "Varnoth"};

class MainStatusBarTest : public ::testing::Test {
protected:
    void Show(int width)
    {
        bar.resize(width, 24);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    void ExpectLedsOnTheirPanes()
    {
        for (int role = 0; role < CMainStatusBar::LED_COUNT; ++role) {
            if (!bar.Led(role)->isHidden()) {
                EXPECT_EQ(bar.Led(role)->x(), bar.PaneRect(bar.LedPane(role)).left()) << "LED " << role;
            }
        }
    }
    CMainStatusBar bar;
};

class PaneSetTest : public MainStatusBarTest, public ::testing::WithParamInterface<PaneSetCase> {};

TEST_P(PaneSetTest, ModeShowsItsPanesAndLedsAtThePanesLeftEdges)
{
    Show(1000);
    bar.SetPaneSetForMode(5); // start from another set: nothing may linger
    bar.SetPaneSetForMode(GetParam().mode);
    QStringList texts;
    for (int i = 1; i < bar.PaneCount(); ++i)
        texts << bar.PaneText(i);
    EXPECT_EQ(texts, GetParam().texts);
    std::map<int, int> shown;
    for (int role = 0; role < CMainStatusBar::LED_COUNT; ++role)
        if (!bar.Led(role)->isHidden())
            shown[role] = bar.LedPane(role);
    EXPECT_EQ(shown, GetParam().ledPanes);
    for (const auto& [role, pane] : shown) {
        const QRect rect = bar.PaneRect(pane);
        EXPECT_EQ(bar.Led(role)->geometry(), QRect(rect.left(), rect.top(), 16, rect.height())) << "LED " << role;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PaneSetTest,
                         ::testing::Values(PaneSetCase{0, kSerial, {{0, 3}, {1, 4}, {2, 5}, {5, 6}}},
                                           PaneSetCase{1, kClient, {{3, 3}, {5, 4}}},
                                           PaneSetCase{2, kServer, {{3, 3}, {4, 4}, {5, 5}}},
                                           PaneSetCase{3, kUdp, {{3, 4}, {5, 5}}},
                                           PaneSetCase{4, kClient, {{3, 3}, {5, 4}}},
                                           PaneSetCase{5, kServer, {{3, 3}, {4, 4}, {5, 5}}},
                                           PaneSetCase{6, kUdp, {{3, 4}, {5, 5}}}));

TEST_F(MainStatusBarTest, LongTextWidensItsPaneWithTheLedsFollowingAndAMissingPaneRefusesIt)
{
    Show(700);
    const QString name = QStringLiteral("Log_261206_101500.txt in /home/someone/projects/device/logs");
    const int ctsBefore = bar.Led(LED_CTS)->x();
    ASSERT_TRUE(bar.SetPaneTextFit(1, name));
    EXPECT_EQ(bar.PaneText(1), name);
    EXPECT_EQ(bar.PaneWidth(1), bar.TextWidth(name));
    ExpectLedsOnTheirPanes();
    // The message pane gives way first; once it is gone the panes right of the
    // log pane are pushed along, LEDs with them.
    Show(400);
    ASSERT_TRUE(bar.SetPaneTextFit(1, name + name));
    ExpectLedsOnTheirPanes();
    EXPECT_NE(bar.Led(LED_CTS)->x(), ctsBefore);
    // Text for a missing pane is refused.
    EXPECT_FALSE(bar.SetPaneTextFit(10, QStringLiteral("x")));
    EXPECT_FALSE(bar.SetPaneTextFitById(PANE_PEER, QStringLiteral("x"))); // no peer pane in serial mode
}

struct DoubleClickCase {
    int paneId;
    int command; // 0: none
    bool opensPage;
};
void PrintTo(const DoubleClickCase& c, std::ostream* os) { *os << "pane " << c.paneId; }

class DoubleClickTest : public MainStatusBarTest, public ::testing::WithParamInterface<DoubleClickCase> {};

TEST_P(DoubleClickTest, PaneStartsItsAction)
{
    Show(1000);
    std::vector<QUrl> opened;
    bar.SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });
    QSignalSpy commands(&bar, &CMainStatusBar::commandRequested);
    QTest::mouseDClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.PaneRect(bar.PaneIndex(GetParam().paneId)).center());
    ASSERT_EQ(commands.count(), GetParam().command ? 1 : 0);
    if (GetParam().command) {
        EXPECT_EQ(commands[0][0].toInt(), GetParam().command);
    }
    EXPECT_EQ(opened, GetParam().opensPage ? std::vector<QUrl>{CMainStatusBar::MakerPage()} : std::vector<QUrl>{});
}

INSTANTIATE_TEST_SUITE_P(Panes, DoubleClickTest,
                         ::testing::Values(DoubleClickCase{PANE_LOG, ID_FILE_LOGGING, false},
                                           DoubleClickCase{PANE_CONNECTION, ID_SETUP_COMMUNICATION, false},
                                           DoubleClickCase{PANE_MAKER, 0, true},
                                           DoubleClickCase{PANE_CTS, 0, false}));

} // namespace
} // namespace kestrelon
