// The escape notation of function-key and answer texts, case by case.
#include "document/DecodeText.h"
#include "support/NamedRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrelon;

namespace {

using Bytes = std::vector<std::uint8_t>;
using test::PrintTo;

struct DecodeCase {
    const char* name;
    std::string text;
    Bytes expected;
    std::size_t limit = 2048;
    bool crToCrLfOnSend = false;
};

class DecodeTextTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTextTest, GivesExactBytes)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DecodeText(c.text, c.limit, c.crToCrLfOnSend), c.expected);
}

const DecodeCase kCases[] = {
    {"ModemCommandWithDecimalLineEnd", "AT\\13\\10", {'A', 'T', 13, 10}},
    {"CaretBracketIsEscape", "^[[2J", {27, '[', '2', 'J'}},
    {"DoubledBackslashIsOne", "\\\\", {'\\'}},
    {"DoubledBackslashBeforeDigitsIsNoNumber", "\\\\13", {'\\', '1', '3'}},
    {"CaretLowerCaseLetterStaysText", "^a", {'^', 'a'}},
    {"HexadecimalNumber", "\\0x41", {'A'}},
    {"HexadecimalUpperCasePrefix", "\\0X4a", {'J'}},
    {"LeadingZeroIsOctal", "\\0101", {'A'}},
    {"NoLeadingZeroIsDecimal", "\\101", {'e'}},
    {"NumberKeepsLowEightBits", "\\321", {65}},
    {"HugeNumberSaturates", "\\99999999999999999999999", {0xFF}},
    {"NumberEndsAtFirstNonDigit", "\\65x", {'A', 'x'}},
    {"OctalEndsAtEight", "\\018", {1, '8'}},
    {"HexPrefixWithoutDigitsIsZero", "\\0xg", {0, 'x', 'g'}},
    {"UnknownEscapeIsDropped", "\\q", {'q'}},
    {"TrailingBackslashIsDropped", "ab\\", {'a', 'b'}},
    {"TrailingCaretStays", "ab^", {'a', 'b', '^'}},
    {"CaretAtAndUnderscoreBoundaries", "^@^_", {0, 31}},
    {"CaretBacktickIsOutsideRange", "^`", {'^', '`'}},
    {"CaretQuestionMarkIsOutsideRange", "^?", {'^', '?'}},
    {"CaretUpperMIsAlwaysCr", "^M", {13}, 2048, true},
    {"CaretLowerMIsCr", "^m", {13}},
    {"CaretLowerMIsCrLfWhenSendConverts", "^m", {13, 10}, 2048, true},
    {"CaretLowerMExpandsBeforeCaretPairs", "^^m", {'^', 13}},
    {"BackslashBeforeCaretLowerMIsDropped", "\\^m", {13}},
    {"BytesAbove127PassThrough", "\xE9\xFF", {0xE9, 0xFF}},
    {"EmbeddedZeroCharacter", std::string("a\0b", 3), {'a', 0, 'b'}},
    {"EmptyTextGivesNothing", "", {}},
    {"LimitCutsText", "ABCDEF", {'A', 'B', 'C'}, 3},
    {"LimitCutsInsideLineEnd", "^m^m", {13, 10, 13}, 3, true},
    {"LongestAcceptedText", std::string(1023, 'x'), Bytes(1023, 'x')},
    {"TextOf1024CharactersGivesNothing", std::string(1024, 'x'), {}},
    // The length is that of the text as written, before "^m" is replaced.
    {"LengthIsCheckedBeforeLineEndsAreReplaced", std::string(1022, ' ') + "^m", {}},
};

INSTANTIATE_TEST_SUITE_P(Notation, DecodeTextTest, ::testing::ValuesIn(kCases), test::RowName);

// Steps written compactly: bytes as text, line actions in brackets.
std::string Describe(const std::vector<CSendStep>& steps)
{
    static const char* const kNames[] = {"DTR=0", "DTR=1", "RTS=0", "RTS=1", "BREAK", "WAIT=", "SCRIPT="};
    std::string out;
    for (const CSendStep& step : steps) {
        if (!step.action) {
            out.append(step.bytes.begin(), step.bytes.end());
            continue;
        }
        out += std::string("[") + kNames[static_cast<int>(*step.action)];
        if (*step.action == LineAction::Wait)
            out += std::to_string(step.waitMs);
        out += step.script + "]";
    }
    return out;
}

struct StepCase {
    const char* name;
    std::string text;
    std::string expected;
    std::size_t limit = 2048;
};

class SendStepsTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(SendStepsTest, KeepsLineActionsBetweenBytes)
{
    const StepCase& c = GetParam();
    EXPECT_EQ(Describe(DecodeSendSteps(c.text, c.limit, false)), c.expected);
    // The bytes alone are what DecodeText gives.
    std::string bytes;
    for (const CSendStep& step : DecodeSendSteps(c.text, c.limit, false))
        bytes.append(step.bytes.begin(), step.bytes.end());
    const auto plain = DecodeText(c.text, c.limit, false);
    EXPECT_EQ(bytes, std::string(plain.begin(), plain.end()));
}

const StepCase kStepCases[] = {
    {"BootModeSequence", "\\!DTR=0\\!RTS=1\\!WAIT=100\\!DTR=1\\!RTS=0", "[DTR=0][RTS=1][WAIT=100][DTR=1][RTS=0]"},
    {"BytesAroundBreak", "AT\\!BREAK^M", "AT[BREAK]\r"},
    {"CommandThenDigitsStayText", "\\!DTR=12", "[DTR=1]2"},
    {"WaitIsCutAtTenSeconds", "\\!WAIT=99999999999", "[WAIT=10000]"},
    {"WaitOfZero", "x\\!WAIT=0y", "x[WAIT=0]y"},
    {"ScriptPathRunsToTheEnd", "reset^m\\!SCRIPT=/home/me/boot me.lua", "reset\r[SCRIPT=/home/me/boot me.lua]"},
    {"ScriptWithoutPathIsText", "\\!SCRIPT=", "!SCRIPT="},
    {"WaitWithoutNumberIsText", "\\!WAIT=x", "!WAIT=x"},
    {"UnknownCommandIsText", "\\!DTR=2", "!DTR=2"},
    {"LowerCaseIsNotACommand", "\\!break", "!break"},
    {"DoubledBackslashBeforeBangIsText", "\\\\!BREAK", "\\!BREAK"},
    {"NumberThenCommand", "\\65\\!RTS=0\\66", "A[RTS=0]B"},
    {"TrailingBackslashBang", "a\\!", "a!"},
    {"NoActionsAfterTheLimit", "AB\\!BREAK", "AB", 2},
};

INSTANTIATE_TEST_SUITE_P(LineCommands, SendStepsTest, ::testing::ValuesIn(kStepCases), test::RowName);

} // namespace
