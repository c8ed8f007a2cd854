// Scripts in the main window offscreen, over a recording TCP connection: what
// the script sends, how it is started (menu or key text) and stopped (Escape,
// closing the connection), and the state its status pane ends in.
#include "ui/frame/FrameScripts.h"
#include "support/EventWait.h"
#include "support/NamedRows.h"
#include "ui/frame/FrameFixture.h"

#include <QLabel>
#include <QTest>

namespace kestrelon::test {
namespace {

using test::PrintTo;

enum class EAction { None, Escape, CloseConnection, StartFromKey };

struct CWindowScriptCase {
    const char* name;
    const char* script;
    EAction action;
    const char* received; // fed once the script waits
    std::string sent;     // what the connection got
    const char* state;    // the pane's last text after "t.lua: "
};

// clang-format off
const CWindowScriptCase kCases[] = {
    {"SendsAndExpects", "sendline('hi') local _, v = expect('v(%d)\\n') send('got ' .. v)", EAction::None, "v7\n",
     "hi\rgot 7", "ended"},
    {"EscapeStopsAWaitAndIsNotSent", "expect('never', 60000)", EAction::Escape, "", "", "stopped"},
    {"ClosingTheConnectionStopsASleep", "sleep(60000)", EAction::CloseConnection, "", "", "stopped"},
    {"KeyTextStartsAScript", "send('from key')", EAction::StartFromKey, "", "from key", "ended"},
    {"ErrorEndsIt", "send(nil)", EAction::None, "", "", "error"},
    {"ExitCodeIsShown", "exit(4)", EAction::None, "", "", "ended (exit 4)"},
    {"ATightLoopLosesNothing", "for i = 1, 1000 do send('x') end", EAction::None, "", std::string(1000, 'x'),
     "ended"},
    {"NoControlLinesOnTcp", "send('a') dtr(true) send('b')", EAction::None, "", "a", "error"},
};
// clang-format on

class FrameScriptsTest : public FrameFixture, public ::testing::WithParamInterface<CWindowScriptCase> {};

TEST_P(FrameScriptsTest, RunsOnTheOpenConnection)
{
    const CWindowScriptCase& row = GetParam();
    const std::string path = dir.File("t.lua");
    WriteFileBytes(path, row.script);
    doc.commMode = 1;
    auto settings = Profile();
    auto frame = MakeFrame(settings.get());
    ip->connected = true;
    CFrameScripts& scripts = *frame->Scripts();
    if (row.action == EAction::StartFromKey)
        frame->Hub()->SendText("\\!SCRIPT=" + path);
    else
        ASSERT_TRUE(scripts.Start(QString::fromStdString(path)));
    const auto paneSays = [&](const char* text) { return scripts.StatusLabel()->text().endsWith(text); };
    if (*row.received || row.action == EAction::Escape || row.action == EAction::CloseConnection) {
        ASSERT_TRUE(WaitFor([&] { return paneSays("waiting for data") || paneSays("sleeping"); }));
    }
    const std::string received = row.received;
    frame->Hub()->ProcessReceived(reinterpret_cast<const std::uint8_t*>(received.data()), received.size(),
                                  doc.receiveColour);
    if (row.action == EAction::Escape)
        QTest::keyClick(View(*frame, 0), Qt::Key_Escape);
    if (row.action == EAction::CloseConnection)
        frame->Hub()->ToggleConnection();
    // A stop is at once: a wait of 60 s must not hold the script past the deadline.
    EXPECT_TRUE(WaitFor([&] { return !scripts.IsRunning() && paneSays(row.state); }, 2000));
    EXPECT_EQ(scripts.StatusLabel()->text().toStdString(), std::string("t.lua: ") + row.state);
    EXPECT_EQ(ip->sent, row.sent);
    EXPECT_EQ(scripts.RecentScripts().value(0).toStdString(), path);
}

INSTANTIATE_TEST_SUITE_P(Window, FrameScriptsTest, ::testing::ValuesIn(kCases), test::RowName);

} // namespace
} // namespace kestrelon::test
