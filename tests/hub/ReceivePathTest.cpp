// The receive path as the views see it: which bytes arrive, cut how, in which
// order, for each combination of the receive options.
#include "automation/AutoAnswer.h"
#include "hub/HubFixture.h"

#include <gtest/gtest.h>

namespace kestrelon::test {
namespace {

enum Option : unsigned { NONE = 0, SCAN = 1, CR_LF = 2, LF_CRLF = 4 };

struct ReceiveCase {
    const char* name;
    unsigned options;
    std::int32_t columns;
    std::vector<std::string> blocks;
    std::string events; // blocks as [..], single bytes as <n>
};
void PrintTo(const ReceiveCase& c, std::ostream* os) { *os << c.name; }

class ReceivePathTest : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceivePathTest, ViewsGetTheExpectedPieces)
{
    const ReceiveCase& c = GetParam();
    HubFixture f;
    f.doc.scanCommands = c.options & SCAN;
    f.doc.crToCrLfOnReceive = c.options & CR_LF;
    f.doc.lfToCrLfOnReceive = c.options & LF_CRLF;
    f.doc.screenColumns = c.columns;
    for (const std::string& block : c.blocks)
        f.Receive(block);
    EXPECT_EQ(f.view.events, c.events);
}

const ReceiveCase kReceiveCases[] = {
    {"BracketIsDataWhileScanningIsOff", NONE, 80, {"a[b"}, "[a<91>b]"},
    {"CommandIsTakenOut", SCAN, 80, {"abc[KESTRON:LOG_STOP\r"}, "[abc]"},
    {"CommandEndsAtLf", SCAN, 80, {"ab[x\ncd"}, "[ab][cd]"},
    {"BracketInsideCommandRestartsIt", SCAN, 80, {"a[x[y\rb"}, "[a][b]"},
    {"CommandSplitOverBlocks", SCAN, 80, {"ab[KEST", "RON:LOG_STOP\rcd"}, "[ab][cd]"},
    {"UnendedCommandHidesLaterData", SCAN, 80, {"x[abc", "more data", "still"}, "[x]"},
    {"DataReturnsAfterTheCommandEnds", SCAN, 80, {"x[abc", "more", "\ny"}, "[x][y]"},
    {"CrBecomesCrLfAndLfStaysAlone", CR_LF | LF_CRLF, 80, {"A\rB"}, "[A]<13><10>[B]"},
    {"LfBecomesCrLf", LF_CRLF, 80, {"\n"}, "<13><10>"},
    {"CrLfWithoutConversionsIsTwoBytes", NONE, 80, {"\r\n"}, "<13><10>"},
    {"CrConversionLeavesLfAlone", CR_LF, 80, {"\n"}, "<10>"},
    {"LfConversionLeavesCrAlone", LF_CRLF, 80, {"\r"}, "<13>"},
    {"CrLfWithBothConversions", CR_LF | LF_CRLF, 80, {"\r\n"}, "<13><10><13><10>"},
    {"BackspaceArrivesAlone", NONE, 80, {"ab\bc"}, "[ab]<8>[c]"},
    {"BellStaysInTheRun", NONE, 80, {"a\ab"}, "[a<7>b]"},
    {"EscapeAndHighBytesStayInTheRun", NONE, 80, {"\x1b[1m\xe9"}, "[<27><91>1m<233>]"},
    {"RunIsCutAtTheScreenWidth", NONE, 4, {"abcdefghij\r"}, "[abcd][efgh][ij]<13>"},
    {"RunCutRestartsAfterControlByte", NONE, 4, {"abc\rdefgh"}, "[abc]<13>[defg][h]"},
    {"ZeroColumnsCutsEveryByte", NONE, 0, {"abc"}, "[a][b][c]"},
    {"EmptyBlockShowsNothing", SCAN, 80, {""}, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReceivePathTest, ::testing::ValuesIn(kReceiveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReceivePath, BellBeepsOncePerBellByteUnlessBeepIsOff)
{
    for (const bool beep : {true, false}) {
        HubFixture f;
        f.doc.beep = beep;
        f.Receive("\a\a x");
        EXPECT_EQ(f.window.beeps, beep ? 2 : 0);
        EXPECT_EQ(f.view.events, "[<7><7> x]");
    }
}

// The matcher, the GPS bar and the bridge see the block as it came, command
// bytes included; only the views do not. A hidden GPS bar and answers that are
// off get nothing.
TEST(ReceivePath, HooksGetTheWholeBlockCommandIncluded)
{
    for (const bool on : {true, false}) {
        HubFixture f;
        f.doc.scanCommands = true;
        f.doc.autoAnswerOn = on;
        f.window.gpsVisible = on;
        std::string matched, bridged;
        f.hub->SetAnswerMatcher([&](const std::uint8_t* d, std::size_t n) { matched.append((const char*)d, n); });
        f.hub->SetBridgeForward([&](const std::uint8_t* d, std::size_t n) { bridged.append((const char*)d, n); });
        const std::string block = "ab[KESTRON:LOG_STOP\rc";
        f.Receive(block);
        EXPECT_EQ(matched, on ? block : "") << "answers on: " << on;
        EXPECT_EQ(f.window.gps, on ? block : "") << "GPS bar visible: " << on;
        EXPECT_EQ(bridged, block);
        EXPECT_EQ(f.view.events, "[ab][c]");
    }
}

// The matcher may switch answers off (a rule that ends them): no echo then.
TEST(ReceivePath, AnswerEchoSendsTheBlockBackUnlessTheMatcherSwitchesAnswersOff)
{
    for (const bool switchOff : {false, true}) {
        HubFixture f;
        f.OpenSerial();
        f.doc.autoAnswerOn = true;
        f.doc.autoAnswerEcho = 1;
        if (switchOff)
            f.hub->SetAnswerMatcher([&](const std::uint8_t*, std::size_t) { f.doc.autoAnswerOn = false; });
        f.Receive("ping\r");
        EXPECT_EQ(f.serial->written, switchOff ? "" : "ping\r") << "switched off: " << switchOff;
    }
}

// The matcher's answer goes out after the whole block is shown, and its echo
// follows every received byte.
TEST(ReceivePath, AnswerFollowsTheWholeBlock)
{
    HubFixture f;
    f.OpenSerial();
    f.doc.autoAnswerOn = true;
    f.doc.triggerByte = 32;
    f.doc.localEcho = true;
    f.doc.SetAutoAnswers({"login:", "GUEST^M"});
    CAutoAnswer matcher(f.doc);
    f.hub->SetAnswerMatcher([&](const std::uint8_t* d, std::size_t n) { matcher.MatchBlock(d, n); });
    f.Receive("login: rest of block");
    EXPECT_EQ(f.serial->written, "GUEST\r");
    EXPECT_EQ(f.view.bytes, "login: rest of blockGUEST\r");
}

// A rate padded with zeros past the command limit is junk, not a command.
TEST(ReceivePath, OverlongCommandIsDroppedAndDataReturns)
{
    HubFixture f;
    f.OpenSerial();
    f.doc.scanCommands = true;
    f.Receive("[KESTRON:COMSPEED=" + std::string(100000, '0'));
    f.Receive("115200\rok");
    EXPECT_EQ(std::uint32_t{f.serial->state.BaudRate}, 9600u);
    EXPECT_EQ(f.view.events, "[ok]");
}

} // namespace
} // namespace kestrelon::test
