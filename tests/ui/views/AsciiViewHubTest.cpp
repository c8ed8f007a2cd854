// The ASCII view joined to a data hub over recording connections: what the user
// types or pastes leaves only through the frame's send path, converted there,
// and comes back as the red local echo.
#include "hub/HubFixture.h"
#include "ui/views/KestronView.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

class AsciiViewHub : public ::testing::Test, public test::HubFixture {
protected:
    AsciiViewHub() : asciiView(doc, frame) { OpenSerial(); }
    CKestronView asciiView;
};

TEST_F(AsciiViewHub, PastedCrLfIsSentWithCrExpandedAndEchoedInRed)
{
    doc.crToCrLfOnSend = true;
    doc.localEcho = true;
    QGuiApplication::clipboard()->setText("A\r\n");
    asciiView.Paste();
    frame.Pump();
    EXPECT_EQ(test::Escape(serial->written), "A<13><10><10>");
    EXPECT_EQ(asciiView.Grid().CharAt(0, 0), 'A');
    EXPECT_EQ(asciiView.Grid().ColourAt(0, 0), SEND_COLOUR);
}

TEST_F(AsciiViewHub, TypedKeysGoOutAsTheyAre)
{
    QTest::keyClicks(&asciiView, "hi");
    QTest::keyClick(&asciiView, Qt::Key_Return);
    QTest::keyClick(&asciiView, Qt::Key_Right); // selects, sends nothing
    frame.Pump();
    EXPECT_EQ(test::Escape(serial->written), "hi<13>");
    EXPECT_EQ(asciiView.Grid().CharAt(0, 0), ' '); // no local echo
}

TEST_F(AsciiViewHub, ReceivedDataIsBlue)
{
    Receive("ok\r\n");
    EXPECT_EQ(asciiView.Grid().RowText(0).substr(0, 2), "ok");
    EXPECT_EQ(asciiView.Grid().ColourAt(0, 1), RECEIVE_COLOUR);
    EXPECT_EQ(asciiView.Grid().Caret(), (CCellPos{0, 1}));
}

} // namespace
} // namespace kestrelon
