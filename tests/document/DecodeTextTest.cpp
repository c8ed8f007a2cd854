// The escape notation of function-key and answer texts, case by case.
#include "document/DecodeText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrelon;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct DecodeCase {
    const char* name;
    std::string text;
    Bytes expected;
    std::size_t limit = 2048;
    bool crToCrLfOnSend = false;
};

std::ostream& operator<<(std::ostream& os, const DecodeCase& c)
{
    return os << c.name;
}

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
    {"NumbersBackToBack", "\\1\\2\\3", {1, 2, 3}},
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
    {"LimitZeroGivesNothing", "ABC", {}, 0},
    {"LongestAcceptedText", std::string(1023, 'x'), Bytes(1023, 'x')},
    {"TextOf1024CharactersGivesNothing", std::string(1024, 'x'), {}},
    // The length is that of the text as written, before "^m" is replaced.
    {"LengthIsCheckedBeforeLineEndsAreReplaced", std::string(1022, ' ') + "^m", {}},
};

INSTANTIATE_TEST_SUITE_P(Notation, DecodeTextTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
