// Keys of the main window that no view passes on: zoom, paste in every view,
// the function keys from the keyboard; and the line-end toggles with their pane.
#include "ui/frame/FrameFixture.h"

#include "document/Messages.h"
#include "ui/frame/FrameLineEnds.h"
#include "ui/frame/FrameZoom.h"
#include "ui/views/ViewZoom.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace kestrelon {
namespace {

struct KeyCase {
    const char* name;
    int view; // in front
    std::vector<QKeySequence> keys;
    int zoom;            // the views' zoom afterwards
    const char* written; // what went to the open port
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class WindowKeysTest : public test::FrameFixture, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(WindowKeysTest, ActOnTheWindowWhateverViewIsInFront)
{
    const KeyCase& c = GetParam();
    auto profile = Profile();
    auto frame = MakeFrame(profile.get());
    doc.fkeyCommand[0] = "AT^m";
    frame->SwitchView(c.view);
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    frame->Target().Post(MakeMessage(WM_TERMINAL, TC_APPLY_CONNECTION));
    QTest::qWait(20);
    frame->EnableFunctionKeys(true);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    for (const QKeySequence& keys : c.keys)
        QTest::keySequence(frame->View(c.view), keys);
    QTest::qWait(20);
    EXPECT_EQ(frame->Zoom()->Percent(), c.zoom);
    for (int view = 0; view < CMainFrame::VIEW_COUNT; ++view)
        if (frame->View(view)) {
            EXPECT_EQ(ViewZoom(frame->View(view)), c.zoom) << view;
        }
    EXPECT_EQ(store.Read("Zoom", "(untitled)").value_or("100"), std::to_string(c.zoom));
    EXPECT_EQ(serial->written, c.written);
}

const KeyCase kKeyCases[] = {
    {"ZoomInTwice", 0, {QKeySequence("Ctrl+="), QKeySequence("Ctrl++")}, 125, ""},
    {"ZoomOutInTheAnsiView", 2, {QKeySequence("Ctrl+-")}, 90, ""},
    {"ActualSizeForgetsTheZoom", 1, {QKeySequence("Ctrl+="), QKeySequence("Ctrl+0")}, 100, ""},
    {"ShiftInsertPastesInTheHexView", 1, {QKeySequence("Shift+Ins")}, 100, "pasted"},
    {"CtrlShiftVPastesInTheAnsiView", 2, {QKeySequence("Ctrl+Shift+V")}, 100, "pasted"},
    {"CtrlShiftF1SendsKeyOne", 2, {QKeySequence("Ctrl+Shift+F1")}, 100, "AT\r"},
};

INSTANTIATE_TEST_SUITE_P(Keys, WindowKeysTest, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

using LineEndsTest = test::FrameFixture;

TEST_F(LineEndsTest, TogglesMarkTheFileModifiedAndShowInThePane)
{
    auto profile = Profile();
    auto frame = MakeFrame(profile.get());
    auto* pane = frame->findChild<QLabel*>(QStringLiteral("lineEnds"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(), QStringLiteral("Line ends as is"));
    frame->findChild<QAction*>(QStringLiteral("lfToCrLfOnReceive"))->trigger();
    frame->findChild<QAction*>(QStringLiteral("crToCrLfOnSend"))->trigger();
    EXPECT_TRUE(doc.lfToCrLfOnReceive && doc.crToCrLfOnSend && !doc.crToCrLfOnReceive);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(pane->text(), QStringLiteral("LF\u2192CRLF, Send CR\u2192CRLF"));
    QSignalSpy setup(frame->LineEnds(), &CFrameLineEnds::setupRequested);
    QTest::mouseDClick(pane, Qt::LeftButton);
    EXPECT_EQ(setup.count(), 1);
}

} // namespace
} // namespace kestrelon
