// The send path: what leaves on the wire and what the local echo shows, for
// typed characters, key texts and raw bytes, in every connection mode.
#include "hub/HubFixture.h"
#include "support/NamedRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace kestrelon::test {
namespace {

using test::PrintTo;

struct TypedCase {
    const char* name;
    bool echo;
    bool crLf;
    std::uint8_t typed;
    std::string sent;
    std::string shown; // view events
};

class TypedCharacterTest : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypedCharacterTest, SendsAndEchoes)
{
    const TypedCase& c = GetParam();
    HubFixture f;
    f.OpenSerial();
    f.doc.localEcho = c.echo;
    f.doc.crToCrLfOnSend = c.crLf;
    f.Deliver(WM_TERMINAL, TC_TYPED_CHAR, c.typed);
    EXPECT_EQ(Escape(f.serial->written), Escape(c.sent));
    EXPECT_EQ(f.view.events, c.shown);
    EXPECT_EQ(f.view.colours, std::vector<COLORREF>(f.view.bytes.size(), SEND_COLOUR));
}

const TypedCase kTypedCases[] = {
    {"BackspaceErasesOnScreenSendsOneByte", true, false, 8, "\b", "<8><32><8>"},
    {"CrWithConversionSendsAndShowsCrLf", true, true, 13, "\r\n", "<13><10>"},
    {"CrWithoutConversion", true, false, 13, "\r", "<13>"},
    {"CrConversionWithoutEcho", false, true, 13, "\r\n", ""},
    {"LetterWithEcho", true, true, 'a', "a", "<97>"},
    {"LetterWithoutEcho", false, false, 'a', "a", ""},
    {"LfIsNotConverted", true, true, 10, "\n", "<10>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, TypedCharacterTest, ::testing::ValuesIn(kTypedCases), test::RowName);

// The echo of a text is byte for byte: no backspace or CR treatment. A text
// of 1024 bytes or more, or an empty one, sends and shows nothing.
TEST(SendText, DecodesEchoesAndSendsUpTo1023Bytes)
{
    HubFixture f;
    f.OpenSerial();
    f.doc.localEcho = true;
    f.hub->SendText(std::string(1024, 'x'));
    f.hub->SendText("");
    f.hub->SendText("AT\\13\\10");
    EXPECT_EQ(f.serial->written, "AT\r\n");
    EXPECT_EQ(f.view.events, "<65><84><13><10>");
    f.doc.localEcho = false;
    f.hub->SendText(std::string(1023, 'x'));
    EXPECT_EQ(f.serial->written, "AT\r\n" + std::string(1023, 'x'));
}

TEST(SendText, AutoAnswerNotificationSendsTheListEntry)
{
    HubFixture f;
    f.OpenSerial();
    f.doc.autoAnswers = {"OK", "answer^m"};
    f.Deliver(WM_TERMINAL, TC_AUTO_ANSWER, 1);
    f.Deliver(WM_TERMINAL, TC_AUTO_ANSWER, 7); // past the end: nothing
    EXPECT_EQ(f.serial->written, "answer\r");
}

TEST(RawSend, CodesFourFiveSixSendWithoutEcho)
{
    HubFixture f;
    f.OpenSerial();
    f.doc.localEcho = true;
    f.doc.crToCrLfOnSend = true;
    static const char kKey[] = "\x1b[A";
    f.Deliver(WM_TERMINAL, TC_SEND_BYTE, 0x10D); // only the low byte counts
    f.Deliver(WM_TERMINAL, TC_SEND_STRING, reinterpret_cast<std::intptr_t>(kKey));
    f.Deliver(WM_TERMINAL, TC_SEND_BLOCK, 0, std::make_unique<CByteBlock>("\r\0x", 3));
    f.Deliver(WM_TERMINAL, TC_SEND_STRING, 0); // no string: nothing
    EXPECT_EQ(Escape(f.serial->written), Escape(std::string("\r\x1b[A\r\0x", 7)));
    EXPECT_EQ(f.view.events, "");
}

struct DropCase {
    const char* name;
    std::uint32_t mode;
    bool listening;
    bool connected;
    bool delivered;
};

class SendDispatchTest : public ::testing::TestWithParam<DropCase> {};

// A send goes to the mode's connection; without one nothing is echoed as if
// sent, and one notice covers the whole burst.
TEST_P(SendDispatchTest, GoesToTheModesConnectionOrNowhere)
{
    const DropCase& c = GetParam();
    HubFixture f;
    f.doc.commMode = c.mode;
    f.doc.localEcho = true;
    f.ip->listening = c.listening;
    f.ip->connected = c.connected;
    f.serial->open = c.mode == 0 && c.connected;
    f.hub->SendText("hi");
    f.Deliver(WM_TERMINAL, TC_TYPED_CHAR, '!');
    f.hub->Paste(reinterpret_cast<const std::uint8_t*>("?"), 1);
    const std::string expected = c.delivered ? "hi!?" : "";
    EXPECT_EQ(f.serial->written + f.ip->sent, expected);
    EXPECT_TRUE(f.window.boxes.empty());
    EXPECT_EQ(f.view.bytes, expected);
    const auto& calls = f.window.calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "status Not sent: not connected"), c.delivered ? 0 : 1);
}

const DropCase kDropCases[] = {
    {"SerialClosed", 0, false, false, false},
    {"SerialOpen", 0, false, true, true},
    {"TcpClientUnconnected", 1, false, false, false},
    {"TcpClientConnected", 1, false, true, true},
    {"TcpServerWithoutPeer", 2, true, false, false},
    {"TcpServerWithPeer", 2, true, true, true},
    {"UdpClosed", 3, false, false, false},
    {"UdpOpen", 3, true, false, true},
    {"UnknownMode", 9, true, true, false},
};

INSTANTIATE_TEST_SUITE_P(Modes, SendDispatchTest, ::testing::ValuesIn(kDropCases), test::RowName);

// Keys, answers and pastes on a serial line: line actions in order with the
// bytes, all of it paced, and Escape cancelling a paste that is still going out.
struct PacedCase {
    const char* name;
    bool ctsFlow;              // the kernel's handshake owns RTS
    std::size_t pacedLeft;     // paced bytes still queued when the input comes
    std::function<void(CDataHub&)> input;
    std::string written;       // bytes and [actions] in order
    std::string paced;         // the bytes that went paced
    bool cancelled;
};

class PacedSendTest : public ::testing::TestWithParam<PacedCase> {};

TEST_P(PacedSendTest, OrdersPacesAndCancels)
{
    const PacedCase& c = GetParam();
    HubFixture f;
    f.doc.dcb.flags = DcbFlag::fBinary | (c.ctsFlow ? DcbFlag::fOutxCtsFlow : 0);
    f.doc.crToCrLfOnSend = true;
    f.OpenSerial();
    f.serial->pacedLeft = c.pacedLeft;
    c.input(*f.hub);
    EXPECT_EQ(Escape(f.serial->written), Escape(c.written));
    EXPECT_EQ(Escape(f.serial->paced), Escape(c.paced));
    const auto& calls = f.serial->calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "cancel"), c.cancelled ? 1 : 0);
}

auto Text(std::string text)
{
    return [text](CDataHub& hub) { hub.SendText(text); };
}
auto Paste(std::string text)
{
    return [text](CDataHub& hub) { hub.Paste(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()); };
}
auto Typed(std::uint8_t c)
{
    return [c](CDataHub& hub) { hub.TypedCharacter(c); };
}

const PacedCase kPacedCases[] = {
    {"BootSequenceKeepsOrder", false, 0, Text("\\!DTR=0\\!RTS=1\\!WAIT=100\\!DTR=1x^m"),
     "[DTR=0][RTS=1][WAIT=100][DTR=1]x\r\n", "x\r\n", false},
    {"BreakBetweenBytes", false, 0, Text("a\\!BREAKb"), "a[BREAK]b", "ab", false},
    {"RtsOwnedByHandshakeIsLeftAlone", true, 0, Text("\\!RTS=0\\!DTR=0x"), "[DTR=0]x", "x", false},
    {"PasteConvertsCrAndIsPaced", false, 0, Paste("a\rb"), "a\r\nb", "a\r\nb", false},
    {"EscapeCancelsARunningPaste", false, 5, Typed(27), "", "", true},
    {"EscapeWithoutPasteIsSent", false, 0, Typed(27), "\x1b", "", false},
    {"TypedKeyIsNotPaced", false, 5, Typed('k'), "k", "", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, PacedSendTest, ::testing::ValuesIn(kPacedCases), test::RowName);

// Key texts with line actions on each kind of connection: a socket keeps the
// waits in place, drops DTR, RTS and break, and says so once per text.
struct LineActionCase {
    const char* name;
    std::uint32_t mode;
    std::string text;
    std::string sent; // serial and IP, actions in brackets
    int notices;
};

class LineActionTest : public ::testing::TestWithParam<LineActionCase> {};

TEST_P(LineActionTest, SocketsKeepWaitsAndTellOfTheRest)
{
    const LineActionCase& c = GetParam();
    HubFixture f;
    f.doc.commMode = c.mode;
    f.ip->connected = f.ip->listening = true;
    if (c.mode == 0)
        f.OpenSerial();
    f.hub->SendText(c.text);
    EXPECT_EQ(Escape(f.serial->written + f.ip->sent), Escape(c.sent));
    const auto& calls = f.window.calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "status Line actions ignored over the network"),
              c.notices);
}

const LineActionCase kLineActionCases[] = {
    {"TcpWaitKeepsItsPlace", 1, "a\\!WAIT=50b", "a[WAIT=50]b", 0},
    {"TcpResetSequenceToldOnce", 1, "\\!DTR=0\\!RTS=1\\!BREAK\\!DTR=1x", "x", 1},
    {"UdpDropsBreakKeepsWait", 3, "\\!BREAK\\!WAIT=20y", "[WAIT=20]y", 1},
    {"PlainTextSaysNothing", 2, "z", "z", 0},
    {"SerialActsOnTheLine", 0, "\\!DTR=0x", "[DTR=0]x", 0},
};

INSTANTIATE_TEST_SUITE_P(Modes, LineActionTest, ::testing::ValuesIn(kLineActionCases), test::RowName);

} // namespace
} // namespace kestrelon::test
