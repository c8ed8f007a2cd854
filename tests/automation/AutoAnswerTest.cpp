// The answer matcher: which received byte sequences answer with which rule, and
// how the history behaves at its limit, across toggling and repeated triggers.
#include "automation/AutoAnswer.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace kestrelon;

namespace {

class MatcherFixture {
public:
    // Rules as (trigger text, answer text) in the key notation; the document
    // builds its trigger table from them.
    explicit MatcherFixture(const std::vector<std::pair<std::string, std::string>>& rules = {},
                            std::uint8_t triggerByte = 13)
    {
        doc.SetFrameTarget(&frame);
        doc.autoAnswerOn = true;
        doc.triggerByte = triggerByte;
        std::vector<std::string> entries;
        for (const auto& [trigger, answer] : rules) {
            entries.push_back(trigger);
            entries.push_back(answer);
        }
        doc.SetAutoAnswers(entries);
    }
    void Receive(const std::string& bytes)
    {
        matcher.MatchBlock(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    // Answer positions posted so far, in order.
    std::vector<std::intptr_t> Answers()
    {
        std::vector<std::intptr_t> posted;
        frame.SetHandler([&](CMessage& m) {
            if (m.message == WM_TERMINAL && m.wParam == TC_AUTO_ANSWER)
                posted.push_back(m.lParam);
            return 0;
        });
        frame.Pump();
        return posted;
    }

    CPumpedTarget frame;
    CKestronDoc doc;
    CAutoAnswer matcher{doc};
};

struct MatchCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> rules;
    std::uint8_t triggerByte;
    std::string received;
    std::vector<std::intptr_t> answers;
};
void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

class AutoAnswerMatch : public ::testing::TestWithParam<MatchCase> {};

// The answers of the data whole, byte by byte and cut at every point.
TEST_P(AutoAnswerMatch, SameAnswersHoweverTheDataIsSplit)
{
    const MatchCase& c = GetParam();
    MatcherFixture whole(c.rules, c.triggerByte);
    whole.Receive(c.received);
    EXPECT_EQ(whole.Answers(), c.answers);

    MatcherFixture single(c.rules, c.triggerByte);
    for (char byte : c.received)
        single.matcher.MatchAutoAnswer(static_cast<std::uint8_t>(byte));
    EXPECT_EQ(single.Answers(), c.answers) << "byte by byte";
    EXPECT_EQ(single.doc.matchHistory, whole.doc.matchHistory) << "byte by byte";

    for (std::size_t split = 1; split < c.received.size(); ++split) {
        MatcherFixture f(c.rules, c.triggerByte);
        f.Receive(c.received.substr(0, split));
        f.Receive(c.received.substr(split));
        ASSERT_EQ(f.Answers(), c.answers) << "split at " << split;
        ASSERT_EQ(f.doc.matchHistory, whole.doc.matchHistory) << "split at " << split;
    }
}

const std::string k300(300, 'x');
const std::string k200(200, 'y');

INSTANTIATE_TEST_SUITE_P(
    Rules, AutoAnswerMatch,
    ::testing::Values(MatchCase{"LoginWithSpaceTrigger", {{"login:", "guest^M"}}, 32, "login: ", {1}},
                      MatchCase{"OnlyEndOfDataMatters", {{"OK", "x"}}, 13, "garbage OK\r", {1}},
                      MatchCase{"NoTriggerByteNoAnswer", {{"OK", "x"}}, 13, "OK", {}},
                      MatchCase{"TriggerMustEndTheData", {{"OK", "x"}}, 13, "OK!\r", {}},
                      MatchCase{"CaseMatters", {{"OK", "x"}}, 13, "ok\r", {}},
                      MatchCase{"FirstOfTwoMatchingRules", {{"K", "a"}, {"OK", "b"}}, 13, "OK\r", {1}},
                      MatchCase{"SecondRuleWhenFirstFails", {{"NO", "a"}, {"OK", "b"}}, 13, "OK\r", {3}},
                      MatchCase{"RepeatedTriggerAnswersAgain", {{"OK", "x"}}, 13, "OK\r\r", {1, 1}},
                      MatchCase{"EmptyTriggerMatchesEveryTriggerByte", {{"", "x"}}, 13, "a\rb\r", {1, 1}},
                      MatchCase{"TriggerEndingInCaretMNeverMatchesCr", {{"A^M", "x"}}, 13, "A\r\r", {}},
                      MatchCase{"CaretMMatchesWithOtherTriggerByte", {{"A^M", "x"}}, 10, "A\r\n", {1}},
                      MatchCase{"LongDataBeforeShortTrigger", {{"OK", "x"}}, 13, k300 + "OK\r", {1}},
                      MatchCase{"Trigger128BytesMatches",
                                {{std::string(126, 'y') + "OK", "x"}},
                                13,
                                k300 + std::string(126, 'y') + "OK\r",
                                {1}},
                      MatchCase{"TriggerLongerThan128NeverMatchesAtAll", {{k200, "x"}}, 13, k300 + k200 + "\r", {}},
                      MatchCase{"NumberedNulAndHighBytes", {{"\\0\\255", "x"}}, 13, std::string("\x00\xFF\r", 3), {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AutoAnswer, HistoryKeepsNewest128BytesReversed)
{
    MatcherFixture f;
    // Bytes 0x80 to 0xFF and on, never the trigger byte 13.
    const auto byteAt = [](int i) { return 0x80 + i % 0x80; };
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += static_cast<char>(byteAt(i));
    f.Receive(data);
    // Newest first: byte 299 down to byte 172.
    std::string expected;
    char pair[3];
    for (int i = 299; i >= 172; --i) {
        std::snprintf(pair, sizeof pair, "%02X", byteAt(i));
        expected += pair;
    }
    EXPECT_EQ(f.doc.matchHistory, expected);
    EXPECT_EQ(f.doc.matchHistory.size(), MATCH_HISTORY_LIMIT);
}

TEST(AutoAnswer, OffIgnoresBytesAndTogglingKeepsHistory)
{
    MatcherFixture f({{"OK", "x"}}, 13);
    f.Receive("O");
    f.doc.SetModifiedFlag(false);
    f.doc.ToggleAutoAnswer();
    EXPECT_FALSE(f.doc.autoAnswerOn);
    f.Receive("zz\r");
    EXPECT_EQ(f.doc.matchHistory, "4F");
    f.doc.ToggleAutoAnswer();
    f.Receive("K\r");
    EXPECT_EQ(f.Answers(), std::vector<std::intptr_t>{1});
    EXPECT_FALSE(f.doc.IsModified());
}

TEST(AutoAnswer, EchoOnlyWhileAnswersAndEchoAreOn)
{
    MatcherFixture f;
    struct Row {
        bool on;
        std::uint32_t echo;
        bool wanted;
    };
    for (const Row& row : {Row{false, 1, false}, Row{true, 0, false}, Row{true, 1, true}}) {
        f.doc.autoAnswerOn = row.on;
        f.doc.autoAnswerEcho = row.echo;
        EXPECT_EQ(f.matcher.WantsEcho(), row.wanted) << row.on << row.echo;
    }
}

} // namespace

TEST(AutoAnswer, TriggersThatCanNeverMatchAreNamed)
{
    const struct {
        std::string trigger;
        std::uint8_t triggerByte;
        ETriggerFault fault;
    } rows[] = {{"login: ", 32, ETriggerFault::HoldsTriggerByte}, {"login:", 32, ETriggerFault::None},
                {"A^M", 13, ETriggerFault::HoldsTriggerByte},     {"A^m", 10, ETriggerFault::None},
                {k200, 13, ETriggerFault::TooLong},                {"", 13, ETriggerFault::None}};
    for (const auto& row : rows)
        EXPECT_EQ(CheckTrigger(row.trigger, row.triggerByte, false), row.fault) << row.trigger;
    EXPECT_EQ(CheckTrigger("A^m", 10, true), ETriggerFault::HoldsTriggerByte) << "CR LF on send";
}
