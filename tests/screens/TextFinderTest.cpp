// Searches over the ASCII grid's ring and the hex history's byte stream: first
// and last line, across the ring's wrap, case, wrap-around and hex notation.
#include "screens/HexStream.h"
#include "screens/TextFinder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kestrelon {
namespace {

void WriteLine(CAsciiGrid& grid, const std::string& text)
{
    grid.WriteRun(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()), RECEIVE_COLOUR);
    grid.WriteByte(13, RECEIVE_COLOUR);
    grid.WriteByte(10, RECEIVE_COLOUR);
}

// 40 x 25 grid after 60 lines: the ring has gone round twice, so row 0 lies in
// the middle of the storage and the rows cross its end. Kept: lines 36..59
// (rows 0..23); row 24 is the empty caret row.
CAsciiGrid MakeGrid()
{
    CAsciiGrid grid(40, 25);
    for (int i = 0; i < 60; ++i) {
        std::string line = "line " + std::to_string(i);
        if (i == 36)
            line += " Alpha first";
        if (i == 47)
            line += " \xC4pfel"; // Latin-1 A umlaut
        if (i == 59)
            line += " omega last omega";
        WriteLine(grid, line);
    }
    return grid;
}

struct GridCase {
    const char* name;
    const char* pattern;
    bool matchCase;
    CCellPos from;
    FindDirection direction;
    bool inclusive;
    std::optional<CFindHit> expected;
};
void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class GridFindTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridFindTest, FindsTheExpectedMatch)
{
    const GridCase& c = GetParam();
    const CAsciiGrid grid = MakeGrid();
    const CGridRows rows(grid);
    const auto hit = FindInRows(rows, CByteMatcher(c.pattern, c.matchCase), c.from, c.direction, c.inclusive);
    ASSERT_EQ(hit.has_value(), c.expected.has_value());
    if (hit) {
        EXPECT_EQ(*hit, *c.expected) << hit->row << "," << hit->column;
    }
}

constexpr auto F = FindDirection::Forward;
constexpr auto B = FindDirection::Backward;

INSTANTIATE_TEST_SUITE_P(
    Rows, GridFindTest,
    ::testing::Values(
        GridCase{"FirstLine", "Alpha", true, {0, 0}, F, true, CFindHit{0, 8, 5}},
        GridCase{"FirstLineAnyCase", "aLPHA", false, {0, 0}, F, true, CFindHit{0, 8, 5}},
        GridCase{"CaseMatters", "aLPHA", true, {0, 0}, F, true, std::nullopt},
        GridCase{"LastLine", "omega", true, {0, 0}, B, false, CFindHit{23, 19, 5}},
        GridCase{"LastLineFirstOmega", "omega", true, {19, 23}, B, false, CFindHit{23, 8, 5}},
        GridCase{"NextAfterCurrent", "omega", true, {8, 23}, F, false, CFindHit{23, 19, 5}},
        GridCase{"WrapsForwardToTop", "Alpha", true, {19, 23}, F, false, CFindHit{0, 8, 5}},
        GridCase{"WrapsBackwardToBottom", "last", true, {0, 5}, B, false, CFindHit{23, 14, 4}},
        GridCase{"OnlyMatchFoundFromItself", "first", true, {14, 0}, F, false, CFindHit{0, 14, 5}},
        GridCase{"AcrossRingEnd", "line 55", true, {0, 0}, F, true, CFindHit{19, 0, 7}},
        GridCase{"Latin1Fold", "\xE4PFEL", false, {0, 0}, F, true, CFindHit{11, 8, 5}},
        GridCase{"DroppedLineGone", "line 35", true, {0, 0}, F, true, std::nullopt},
        GridCase{"LongerThanAnyRow", "line 36 Alpha first and then some more", true, {0, 0}, F, true,
                 std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HexNotationTest, ParsesPairsOnly)
{
    const struct {
        const char* text;
        std::optional<std::string> bytes;
    } cases[] = {
        {"0D 0A", std::string("\r\n")}, {"0d0a", std::string("\r\n")}, {" 41  42 ", std::string("AB")},
        {"0D 0", std::nullopt},         {"0 D", std::nullopt},         {"OK", std::nullopt},
        {"", std::nullopt},             {"  ", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseHexNotation(c.text), c.bytes) << '"' << c.text << '"';
}

TEST(HexStreamFindTest, FindsBytesAcrossLinesAndRingWrap)
{
    CHexHistory history;
    history.SetMaxLines(4); // ten lines through a ring of four
    std::string data;
    for (int line = 0; line < 8; ++line)
        data += std::string(16, static_cast<char>('a' + line));
    data += std::string(15, 'i') + "\r\n" + std::string(15, 'j') + "z"; // CR ends line 8, LF starts line 9
    history.AddBlock(reinterpret_cast<const std::uint8_t*>(data.data()), static_cast<std::int32_t>(data.size()),
                     RECEIVE_COLOUR);
    CHexStream stream;
    stream.Build(history);
    ASSERT_EQ(history.RowCount(), 5); // four kept lines and the pending "z"

    const auto crLf = FindInRows(stream, CByteMatcher(*ParseHexNotation("0D 0A"), true), {}, F, true);
    ASSERT_TRUE(crLf);
    EXPECT_EQ(stream.Position(static_cast<std::size_t>(crLf->column)), (CCellPos{15, 2})); // kept line 8's end
    EXPECT_EQ(stream.Position(static_cast<std::size_t>(crLf->column) + 1), (CCellPos{0, 3}));
    // The oldest kept line is found; the dropped ones are not.
    const auto oldest = FindInRows(stream, CByteMatcher("gggg", true), {}, F, true);
    ASSERT_TRUE(oldest);
    EXPECT_EQ(stream.Position(static_cast<std::size_t>(oldest->column)), (CCellPos{0, 0}));
    EXPECT_FALSE(FindInRows(stream, CByteMatcher("fff", true), {}, F, true));

    // Painting reads only the rows around those shown; they keep their numbers.
    stream.Build(history, 2, 4);
    EXPECT_TRUE(stream.HoldsRow(3));
    EXPECT_FALSE(stream.HoldsRow(1));
    const auto shown = FindInRows(stream, CByteMatcher(*ParseHexNotation("0D 0A"), true), {}, F, true);
    ASSERT_TRUE(shown);
    EXPECT_EQ(stream.Position(static_cast<std::size_t>(shown->column)), (CCellPos{15, 2}));
    EXPECT_FALSE(FindInRows(stream, CByteMatcher("gggg", true), {}, F, true)); // row 0 is not read
}

} // namespace
} // namespace kestrelon
