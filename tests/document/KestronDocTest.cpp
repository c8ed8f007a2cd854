// The terminal document: new-document defaults, the data channel to the views,
// the trigger table and the setup operations that tell the views.
#include "document/ChangedSettings.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrelon;
using kestrelon::test::ReadFileBytes;
using kestrelon::test::TempDir;

namespace {

// What a view saw of one hint, with the bytes copied as a view must.
struct Seen {
    Hint hint;
    std::string bytes;
    COLORREF colour;
    std::int32_t lines;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s)
{
    return os << "{hint " << s.hint << ", bytes \"" << s.bytes << "\", colour " << s.colour << ", lines " << s.lines
              << "}";
}

class RecordingView : public IDocumentView {
public:
    void OnUpdate(const CUpdateHint& h) override
    {
        std::string bytes = h.data ? std::string(reinterpret_cast<const char*>(h.data), std::size_t(h.length)) : "";
        if (h.hint == HINT_BYTE && bytes != std::string(1, char(h.value)))
            bytes = "value and data disagree";
        seen.push_back({h.hint, bytes, h.colour, h.lines});
    }
    std::vector<Seen> seen;
};

struct Posted {
    std::uint32_t message;
    std::uintptr_t code;
    std::intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Posted& p)
{
    return os << "{" << p.message << ", code " << p.code << ", " << p.lParam << "}";
}

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest()
    {
        doc.SetFrameTarget(&frame);
        doc.AddView(&first);
        doc.AddView(&second);
    }
    std::vector<Posted> Pumped()
    {
        frame.Pump();
        return posted;
    }

    std::vector<Posted> posted;
    CPumpedTarget frame{[this](CMessage& m) {
        posted.push_back({m.message, m.wParam, m.lParam});
        return std::intptr_t(0);
    }};
    CKestronDoc doc;
    RecordingView first;
    RecordingView second;
};

TEST_F(DocumentTest, DataChannelReachesEveryViewWithHintBytesAndColour)
{
    const std::uint8_t run[] = {'a', 7, 27, 0xFF};
    doc.AddByte(13, RECEIVE_COLOUR);
    doc.AddBlock(run, 4, SEND_COLOUR);
    doc.AddByte(0, ERROR_COLOUR);
    doc.ResetScreen();
    const std::vector<Seen> expected = {
        {HINT_BYTE, "\r", RECEIVE_COLOUR, 0},
        {HINT_BLOCK, std::string("a\a\x1b\xff"), SEND_COLOUR, 0},
        {HINT_BYTE, std::string(1, '\0'), ERROR_COLOUR, 0},
        {HINT_RESET, "", 0, 0},
    };
    EXPECT_EQ(first.seen, expected);
    EXPECT_EQ(second.seen, expected);
}

// A view that takes text gets each text whole; the others get the runs of at
// most a screen row and the single line-end bytes it stands for.
TEST_F(DocumentTest, TextReachesOtherViewsAsRunsAndLineEnds)
{
    struct TextView : RecordingView {
        bool TakesText() const override { return true; }
    } whole;
    doc.AddView(&whole);
    doc.screenColumns = 3;
    const std::string text = "abcdefg\r\n\b\x07z";
    doc.AddText(reinterpret_cast<const std::uint8_t*>(text.data()), std::int32_t(text.size()), RECEIVE_COLOUR);
    const std::vector<Seen> pieces = {
        {HINT_BLOCK, "abc", RECEIVE_COLOUR, 0},   {HINT_BLOCK, "def", RECEIVE_COLOUR, 0},
        {HINT_BLOCK, "g", RECEIVE_COLOUR, 0},     {HINT_BYTE, "\r", RECEIVE_COLOUR, 0},
        {HINT_BYTE, "\n", RECEIVE_COLOUR, 0},     {HINT_BYTE, "\b", RECEIVE_COLOUR, 0},
        {HINT_BLOCK, "\x07z", RECEIVE_COLOUR, 0},
    };
    EXPECT_EQ(first.seen, pieces);
    EXPECT_EQ(whole.seen, (std::vector<Seen>{{HINT_TEXT, text, RECEIVE_COLOUR, 0}}));
    doc.RemoveView(&whole);
}

struct NewDocumentCase {
    const char* name;
    bool hasFinder;
    std::uint32_t firstPort;
    std::uint32_t expectedPort;
};
void PrintTo(const NewDocumentCase& c, std::ostream* os) { *os << c.name; }

class NewDocumentTest : public DocumentTest, public ::testing::WithParamInterface<NewDocumentCase> {};

TEST_P(NewDocumentTest, EveryFieldTakesItsDefault)
{
    const NewDocumentCase& c = GetParam();
    if (c.hasFinder)
        doc.SetFirstPortFinder([&] { return c.firstPort; });
    doc.AdoptLoadedSettings(test::EverythingChanged(2));
    doc.triggerByte = 10;
    doc.matchHistory = "0D";
    doc.SetModifiedFlag();
    Pumped();
    first.seen.clear();
    posted.clear();

    EXPECT_TRUE(doc.OnNewDocument());

    EXPECT_EQ(doc.SavedSettings(), CSavedSettings::Defaults(c.expectedPort));
    EXPECT_EQ(doc.triggerByte, 13);
    EXPECT_EQ(doc.matchHistory, "");
    EXPECT_TRUE(doc.autoAnswerTriggers.empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(first.seen, (std::vector<Seen>{{HINT_NEW_SETTINGS, "", 0, 1000}}));
    EXPECT_EQ(Pumped(), (std::vector<Posted>{{WM_TERMINAL, TC_NEW_SETTINGS, 0}}));
}

INSTANTIATE_TEST_SUITE_P(Ports, NewDocumentTest,
                         ::testing::Values(NewDocumentCase{"NoEnumeration", false, 0, 1},
                                           NewDocumentCase{"NoPortPresent", true, 0, 1},
                                           NewDocumentCase{"FirstPortFound", true, 7, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentTest, NewDocumentStopsLoggingAndSaysSoBeforeTheNewSettings)
{
    TempDir dir;
    ASSERT_TRUE(doc.logFile.Open(dir.File("log.txt")));
    doc.logging = true;
    doc.OnNewDocument();
    EXPECT_FALSE(doc.logging);
    EXPECT_FALSE(doc.logFile.IsOpen());
    EXPECT_EQ(Pumped(), (std::vector<Posted>{{WM_TERMINAL, TC_LOGGING, 0}, {WM_TERMINAL, TC_NEW_SETTINGS, 0}}));
    doc.AddByte('x', RECEIVE_COLOUR); // nothing may be written to a closed log
    EXPECT_EQ(ReadFileBytes(dir.File("log.txt")), "");
}

struct HandshakeCase {
    const char* name;
    std::uint32_t before;
    bool on;
    std::uint32_t after;
};
void PrintTo(const HandshakeCase& c, std::ostream* os) { *os << c.name; }

class HandshakeTest : public ::testing::TestWithParam<HandshakeCase> {};

TEST_P(HandshakeTest, SwitchesOnlyTheFlowControlBits)
{
    CKestronDoc doc;
    doc.dcb.flags = GetParam().before;
    doc.SetHardwareHandshake(GetParam().on);
    EXPECT_EQ(doc.dcb.flags, GetParam().after);
    EXPECT_EQ(doc.HasHardwareHandshake(), GetParam().on);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, HandshakeTest,
    ::testing::Values(HandshakeCase{"DefaultOffKeepsReservedBits", 0x0008A025, false, 0x00088001},
                      HandshakeCase{"OffClearsDsrFlowAndSensitivity", 0xFFFFFFFF, false, 0xFFFFCF83},
                      HandshakeCase{"OnFromNothing", 0x00000000, true, 0x00002004},
                      HandshakeCase{"OnReplacesRtsEnableWithHandshake", 0x00001001, true, 0x00002005},
                      HandshakeCase{"OnTurnsRtsToggleIntoHandshake", 0x00003000, true, 0x00002004},
                      HandshakeCase{"OnKeepsDtrAsItWas", 0x00000010, true, 0x00002014}),
    [](const auto& info) { return std::string(info.param.name); });

struct TriggerCase {
    const char* name;
    std::vector<std::string> rules;
    bool crToCrLfOnSend;
    std::vector<std::string> triggers;
};
void PrintTo(const TriggerCase& c, std::ostream* os) { *os << c.name; }

class TriggerTest : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(TriggerTest, TriggersAreDecodedHexNewestByteFirst)
{
    CKestronDoc doc;
    doc.crToCrLfOnSend = GetParam().crToCrLfOnSend;
    doc.SetAutoAnswers(GetParam().rules);
    EXPECT_EQ(doc.autoAnswerTriggers, GetParam().triggers);
    EXPECT_TRUE(doc.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TriggerTest,
    ::testing::Values(TriggerCase{"NoRules", {}, false, {}}, TriggerCase{"OkReversed", {"OK", "ATH"}, false, {"4B4F"}},
                      TriggerCase{"OnePerRuleAnswersIgnored", {"a", "b", "c", "d"}, false, {"61", "63"}},
                      TriggerCase{"TrailingTriggerWithoutAnswer", {"A", "1", "B"}, false, {"41", "42"}},
                      TriggerCase{"EmptyTrigger", {"", "x"}, false, {""}},
                      TriggerCase{"HighBytesUpperCaseHex", {"\\0xab\\255", ""}, false, {"FFAB"}},
                      TriggerCase{"LineEndFollowsSendSetting", {"a^m", ""}, false, {"0D61"}},
                      TriggerCase{"LineEndAsCrLf", {"a^m", ""}, true, {"0A0D61"}},
                      TriggerCase{"LongTriggerKeepsFirst128Bytes",
                                  {std::string(127, 'D') + "BC", ""},
                                  false,
                                  {"42" + std::string(2 * 127, '4')}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentAccessors, AnswerOutsideTheListIsEmpty)
{
    CKestronDoc doc;
    doc.autoAnswers = {"t0", "a0"};
    const std::vector<std::string> answers = {doc.GetAutoAnswer(-1), doc.GetAutoAnswer(0), doc.GetAutoAnswer(1),
                                              doc.GetAutoAnswer(2)};
    EXPECT_EQ(answers, (std::vector<std::string>{"", "t0", "a0", ""}));
}

TEST_F(DocumentTest, ScreenSizeTellsViewsOnlyWhenSomethingChanged)
{
    doc.SetScreenSize(80, 1000);
    EXPECT_FALSE(doc.IsModified());
    doc.SetScreenSize(132, 1000);
    doc.SetScreenSize(132, 60);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(first.seen, (std::vector<Seen>{{HINT_SCREEN_SIZE, "", 0, 1000}, {HINT_SCREEN_SIZE, "", 0, 60}}));
    EXPECT_EQ(doc.screenColumns, 132);
}

} // namespace
