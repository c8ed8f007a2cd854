// In-band commands: what each collected text asks for, and what the hub does
// about it on the connection and the log.
#include "hub/InbandCommands.h"
#include "hub/HubFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace kestrelon::test {
namespace {

struct ParseCase {
    const char* name;
    std::string text;
    CInbandCommand command;
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class ParseInbandTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseInbandTest, RecognisesTheCommand)
{
    std::string text = GetParam().text;
    EXPECT_EQ(ParseInbandCommand(text), GetParam().command);
}

using A = InbandAction;
const ParseCase kParseCases[] = {
    {"SpeedDecimal", "KESTRON:COMSPEED=115200", {A::SetComSpeed, 115200}},
    {"SpeedHex", "KESTRON:COMSPEED=0x1C200", {A::SetComSpeed, 115200}},
    {"SpeedHexUpperCasedPrefix", "kestron:comspeed=0x1c200", {A::SetComSpeed, 115200}},
    {"SpeedOctal", "KESTRON:COMSPEED=022600", {A::SetComSpeed, 9600}},
    {"SpeedStopsAtJunk", "KESTRON:COMSPEED=9600baud", {A::SetComSpeed, 9600}},
    {"SpeedNotInTable", "KESTRON:COMSPEED=115201", {}},
    {"SpeedMissing", "KESTRON:COMSPEED=", {}},
    {"SpeedNegativeWraps", "KESTRON:COMSPEED=-9600", {}},
    {"SpeedOverflows", "KESTRON:COMSPEED=99999999999999999999999", {}},
    {"LogStartLowerCase", "kestron:log_start", {A::LogStart}},
    {"LogStartTrailingBlank", "KESTRON:LOG_START ", {}},
    {"LogStop", "KESTRON:LOG_STOP", {A::LogStop}},
    {"TimeUtc", "KESTRON:TIME_UTC", {A::TimeUtc}},
    {"LeadingBlank", " KESTRON:TIME_UTC", {}},
    {"Empty", "", {}},
    {"Unknown", "KESTRON:REBOOT", {}},
};

INSTANTIATE_TEST_SUITE_P(Texts, ParseInbandTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InbandScanner, KeepsAtMostTheLimitWhateverArrives)
{
    CInbandScanner scanner;
    scanner.Begin();
    for (int i = 0; i < 100000; ++i)
        scanner.Collect('7');
    EXPECT_EQ(scanner.Text().size(), MAX_INBAND_TEXT);
    EXPECT_TRUE(scanner.Overflowed());
    scanner.Collect('['); // a new command starts clean
    EXPECT_FALSE(scanner.Overflowed());
    EXPECT_EQ(scanner.Text(), "");
}

TEST(InbandHub, SpeedCommandDoesNothingInIpModesOrForOddRates)
{
    HubFixture f;
    f.doc.scanCommands = true;
    f.OpenSerial();
    f.Receive("[KESTRON:COMSPEED=115201\r");
    f.doc.commMode = 1;
    f.Receive("[KESTRON:COMSPEED=115200\r");
    EXPECT_EQ(f.serial->calls, (std::vector<std::string>{"open 1 9600"}));
}

TEST(InbandHub, TimeRequestIsAnsweredOnTheActiveConnectionWithEcho)
{
    HubFixture f;
    f.doc.scanCommands = true;
    f.doc.localEcho = true;
    f.doc.commMode = 1;
    f.ip->connected = true;
    f.Receive("x[junk[KESTRON:TIME_UTC\ny");
    EXPECT_EQ(f.ip->sent, "2018-09-26 11:33:33");
    EXPECT_EQ(f.view.bytes, "x2018-09-26 11:33:33y");
    std::vector<COLORREF> colours(21, SEND_COLOUR);
    colours.front() = colours.back() = RECEIVE_COLOUR;
    EXPECT_EQ(f.view.colours, colours);
}

// Without a log chosen by the user the device's start goes to the home
// directory, never to whatever the working directory is.
TEST(InbandHub, StartSplitOverBlocksLogsInTheHomeDirectory)
{
    HubFixture f;
    f.doc.scanCommands = true;
    f.hub->SetLogDirectory("");
    const std::filesystem::path home = f.dir.Path() / "home";
    std::filesystem::create_directory(home);
    const char* previousHome = std::getenv("HOME");
    const std::string savedHome = previousHome != nullptr ? previousHome : "";
    setenv("HOME", home.c_str(), 1);
    f.Receive("abc[KESTRON:LOG");
    f.Receive("_START\rdef");
    setenv("HOME", savedHome.c_str(), 1);
    ASSERT_TRUE(f.hub->IsLogging());
    f.hub->StopLogging();
    EXPECT_EQ(ReadFileBytes((home / CDataLogger::DefaultFileName(kFixedNow)).string()), "def");
    EXPECT_EQ(f.view.events, "[abc][def]");
}

TEST(InbandHub, StartWhileLoggingKeepsTheOpenLog)
{
    HubFixture f;
    f.doc.scanCommands = true;
    f.Receive("[KESTRON:LOG_START\rone");
    const std::string first = f.hub->LogPath();
    EXPECT_EQ(f.window.statusMessage, "The device started logging to " + first);
    f.Receive("[KESTRON:LOG_START\rtwo");
    EXPECT_EQ(f.hub->LogPath(), first);
    f.Receive("[KESTRON:LOG_STOP\r[KESTRON:LOG_STOP\r");
    EXPECT_EQ(ReadFileBytes(first), "onetwo");
    EXPECT_EQ(f.window.statusMessage, "The device stopped logging; the log is " + first);
}

// A device that stops and restarts its log within one second must not lose
// the log it just closed: the second start gets a name of its own.
TEST(InbandHub, RestartWithinTheSameSecondKeepsTheFirstFile)
{
    HubFixture f;
    f.doc.scanCommands = true;
    f.Receive("[KESTRON:LOG_START\rfirst[KESTRON:LOG_STOP\r");
    f.Receive("[KESTRON:LOG_START\rsecond[KESTRON:LOG_STOP\r");
    f.Receive("[KESTRON:LOG_START\rthird[KESTRON:LOG_STOP\r");
    const std::string base = f.dir.File(CDataLogger::DefaultFileName(kFixedNow));
    const std::string numbered = base.substr(0, base.size() - 4);
    EXPECT_EQ(ReadFileBytes(base), "first");
    EXPECT_EQ(ReadFileBytes(numbered + "1.txt"), "second");
    EXPECT_EQ(ReadFileBytes(numbered + "2.txt"), "third");
}

} // namespace
} // namespace kestrelon::test
