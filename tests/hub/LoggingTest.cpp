// Logging: the log holds exactly what the views were given, and no failure of
// the disk goes unreported or takes data away from the views.
#include "hub/HubFixture.h"

#include <gtest/gtest.h>

namespace kestrelon::test {
namespace {

TEST(Logging, LogHoldsExactlyWhatTheViewsGotEchoIncluded)
{
    HubFixture f;
    f.OpenSerial();
    f.doc.crToCrLfOnReceive = true;
    f.doc.scanCommands = true;
    ASSERT_TRUE(f.hub->StartLogging(f.dir.File("log.txt")));
    f.ReceiveBlock("hello\rworld[KESTRON:NOTHING\r");
    f.doc.localEcho = true;
    f.Deliver(WM_TERMINAL, TC_TYPED_CHAR, 'k');
    f.Deliver(WM_TERMINAL, TC_TYPED_CHAR, 8);
    f.doc.localEcho = false;
    f.Deliver(WM_TERMINAL, TC_TYPED_CHAR, 'q'); // sent, not shown, not logged
    f.Deliver(WM_TERMINAL, TC_LINE_ERRORS, CE_RXPARITY);
    f.ReceiveBlock(std::string(300, 'z'));
    f.Deliver(WM_TERMINAL, TC_SEND_BYTE, 'r'); // raw sends are never echoed
    f.hub->StopLogging();
    const std::string shown =
        "hello\r\nworld" + std::string("k\b \b") + "\r\n\n ***  Receive Parity Error ***\r\n\n" + std::string(300, 'z');
    EXPECT_EQ(Escape(f.view.bytes), Escape(shown));
    EXPECT_EQ(Escape(ReadFileBytes(f.dir.File("log.txt"))), Escape(shown));
}

TEST(Logging, ReapplyingTheConnectionShowsTheLogNameAgain)
{
    HubFixture f;
    ASSERT_TRUE(f.hub->StartLogging(f.dir.File("kept.txt")));
    f.frame.Pump();
    EXPECT_EQ(f.window.Pane(PANE_LOG), "kept.txt");
    f.window.panes.clear();
    f.Deliver(WM_TERMINAL, TC_APPLY_CONNECTION);
    EXPECT_EQ(f.window.Pane(PANE_LOG), "kept.txt");
    EXPECT_TRUE(f.hub->IsLogging());
}

// Clearing the screen keeps the log going; a new document closes it.
TEST(Logging, ResetScreenLeavesTheLogOpenNewDocumentClosesIt)
{
    for (const bool newDocument : {false, true}) {
        HubFixture f;
        ASSERT_TRUE(f.hub->StartLogging(f.dir.File("log.txt")));
        f.Receive("before");
        if (newDocument)
            f.doc.OnNewDocument();
        else
            f.doc.ResetScreen();
        f.Receive("after");
        EXPECT_EQ(f.hub->IsLogging(), !newDocument);
        EXPECT_EQ(f.window.Pane(PANE_LOG), newDocument ? "No log" : "log.txt");
        f.hub->StopLogging();
        EXPECT_EQ(ReadFileBytes(f.dir.File("log.txt")), newDocument ? "before" : "beforeafter");
    }
}

TEST(Logging, FileThatCannotBeCreatedIsReported)
{
    HubFixture f;
    EXPECT_FALSE(f.hub->StartLogging(f.dir.File("missing/dir/log.txt")));
    EXPECT_FALSE(f.hub->IsLogging());
    ASSERT_EQ(f.window.boxes.size(), 1u);
    EXPECT_NE(f.window.boxes[0].find("missing/dir/log.txt"), std::string::npos);
}

// A full disk: the failure is reported once, logging stops, the pane says so,
// and the views still get every byte.
TEST(Logging, FullDiskStopsLoggingWithOneReport)
{
    HubFixture f;
    ASSERT_TRUE(f.hub->StartLogging("/dev/full"));
    const std::string data(64 * 1024, 'd');
    f.Receive(data);
    f.Receive("more");
    EXPECT_FALSE(f.hub->IsLogging());
    EXPECT_EQ(f.window.Pane(PANE_LOG), "No log");
    ASSERT_EQ(f.window.boxes.size(), 1u);
    EXPECT_NE(f.window.boxes[0].find("No space left on device"), std::string::npos) << f.window.boxes[0];
    EXPECT_EQ(f.view.bytes, data + "more");
}

// What still sat in the buffer when the user stopped must reach the disk, or
// the user must hear that it did not.
TEST(Logging, StopReportsBytesThatCouldNotBeFlushed)
{
    HubFixture f;
    ASSERT_TRUE(f.hub->StartLogging("/dev/full"));
    const std::uint8_t unflushed[] = {'s'};
    f.doc.AddBlock(unflushed, 1, RECEIVE_COLOUR); // not a batch of the hub: still buffered
    EXPECT_TRUE(f.window.boxes.empty());
    f.hub->StopLogging();
    f.frame.Pump();
    EXPECT_EQ(f.window.boxes.size(), 1u);
    EXPECT_EQ(f.window.Pane(PANE_LOG), "No log");
}

TEST(Logging, DestroyingTheHubFlushesTheLog)
{
    HubFixture f;
    ASSERT_TRUE(f.hub->StartLogging(f.dir.File("exit.txt")));
    const std::string tail = "unflushed tail";
    f.doc.AddBlock(reinterpret_cast<const std::uint8_t*>(tail.data()), std::int32_t(tail.size()), RECEIVE_COLOUR);
    f.hub.reset();
    EXPECT_EQ(ReadFileBytes(f.dir.File("exit.txt")), "unflushed tail");
    EXPECT_FALSE(f.doc.logging);
}

} // namespace
} // namespace kestrelon::test
