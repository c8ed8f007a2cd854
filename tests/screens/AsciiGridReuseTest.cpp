// Rows of the ASCII grid are reused without being wiped: these cases write
// patterns that leave old text where a later, shorter or shifted line opens a
// gap, over several trips round the ring, and compare every cell with a grid
// that simply moves its rows.
#include "screens/AsciiGrid.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kestrelon {
namespace {

constexpr COLORREF RED = 0x0000FF;
constexpr COLORREF BLUE = 0xFF0000;

// A grid of text and colours that scrolls by erasing its first row.
struct MovingGrid {
    int columns;
    int lines;
    std::vector<std::string> text;
    std::vector<std::vector<COLORREF>> colours;
    int column = 0;
    int row = 0;

    MovingGrid(int c, int l) : columns(c), lines(l)
    {
        for (int r = 0; r < l; ++r)
            AddRow();
    }
    void AddRow()
    {
        text.emplace_back(static_cast<std::size_t>(columns), ' ');
        colours.emplace_back(static_cast<std::size_t>(columns), 0);
    }
    void Put(char b, COLORREF colour)
    {
        if (b == '\b') {
            column = column > 0 ? column - 1 : 0;
        } else if (b == '\n') {
            ++row;
        } else if (b == '\r') {
            column = 0;
        } else {
            text[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = b;
            colours[static_cast<std::size_t>(row)][static_cast<std::size_t>(column++)] = colour;
        }
        if (column >= columns) {
            column = 0;
            ++row;
        }
        if (row >= lines) {
            text.erase(text.begin());
            colours.erase(colours.begin());
            AddRow();
            row = lines - 1;
        }
    }
};

// Feeds the text the way the receive path does: control bytes alone, the rest in runs.
void Feed(CAsciiGrid& grid, const std::string& text, COLORREF colour)
{
    std::string run;
    const auto flush = [&] {
        grid.WriteRun(reinterpret_cast<const std::uint8_t*>(run.data()), static_cast<int>(run.size()), colour);
        run.clear();
    };
    for (const char b : text) {
        if (b == '\b' || b == '\n' || b == '\r') {
            flush();
            grid.WriteByte(static_cast<std::uint8_t>(b), colour);
        } else {
            run += b;
        }
    }
    flush();
}

struct ReuseCase {
    const char* name;
    int columns;
    int lines;
    std::vector<std::string> chunks; // alternate colours, repeated `rounds` times
    int rounds;
};

void PrintTo(const ReuseCase& c, std::ostream* os)
{
    *os << c.name;
}

class GridReuse : public ::testing::TestWithParam<ReuseCase> {};

TEST_P(GridReuse, EveryCellMatchesAGridThatMovesItsRows)
{
    const ReuseCase& c = GetParam();
    CAsciiGrid grid(c.columns, c.lines);
    MovingGrid expected(c.columns, c.lines);
    for (int round = 0; round < c.rounds; ++round) {
        for (std::size_t i = 0; i < c.chunks.size(); ++i) {
            const COLORREF colour = (round + i) % 2 == 0 ? RED : BLUE;
            Feed(grid, c.chunks[i], colour);
            for (const char b : c.chunks[i])
                expected.Put(b, colour);
        }
    }
    ASSERT_EQ(grid.Caret(), (CCellPos{expected.column, expected.row}));
    for (int row = 0; row < c.lines; ++row) {
        ASSERT_EQ(grid.RowText(row), expected.text[static_cast<std::size_t>(row)]) << "row " << row;
        std::vector<COLORREF> colours;
        for (int column = 0; column < c.columns; ++column)
            colours.push_back(grid.ColourAt(row, column));
        ASSERT_EQ(colours, expected.colours[static_cast<std::size_t>(row)]) << "row " << row;
    }
    EXPECT_EQ(grid.RowText(c.lines), std::string(static_cast<std::size_t>(c.columns), ' '));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridReuse,
    ::testing::Values(
        // LF alone keeps the column: each row is written further right, so a
        // reused row gets text after a gap over what it held before.
        ReuseCase{"StaircaseOfLineFeeds", 40, 25, {"abcdefg\n"}, 400},
        ReuseCase{"StaircaseWrapsOnAWideRing", 999, 30, {"1234567\n"}, 600},
        // Long lines, then short ones starting further right, then CR LF lines.
        ReuseCase{"LongThenShiftedShort", 40, 25,
                  {"0123456789012345678901234567890123\r\n", "\r\n          xy\n", "ab\r\n"}, 60},
        // Backspace and CR move back over written text before a line feed.
        ReuseCase{"BackUpAndOverwrite", 41, 26, {"hello\b\bXY\n", "\rzz\n", "          tail\r\n"}, 90},
        // One row holding text from three trips round the ring at different columns.
        ReuseCase{"StaleSpansPastTheWidth", 40, 25,
                  {std::string(30, 'L') + "\n", "\r" + std::string(5, 's') + "\n", "\r\n"}, 50}),
    [](const ::testing::TestParamInfo<ReuseCase>& info) { return std::string(info.param.name); });

TEST(GridReuse, ResetThenGapShowsNoOldText)
{
    CAsciiGrid grid(40, 25);
    const std::string line = "0123456789012345678901234567890123456789";
    for (int i = 0; i < 30; ++i)
        Feed(grid, line, RED); // fills and scrolls: every row full
    grid.Reset();
    Feed(grid, "\n\n", RED);
    Feed(grid, std::string(20, ' ') + "x", BLUE); // lands at column 20 after a gap
    EXPECT_EQ(grid.RowText(2), std::string(20, ' ') + "x" + std::string(19, ' '));
    EXPECT_EQ(grid.ColourAt(2, 5), COLORREF{BLUE}); // the spaces were written too
    Feed(grid, "\r\n\n", RED);
    Feed(grid, "\b", RED);
    EXPECT_EQ(grid.RowText(4), std::string(40, ' '));
    for (int row = 0; row < 25; ++row)
        EXPECT_EQ(grid.ColourAt(row, 39), COLORREF{0}) << "row " << row;
}

} // namespace
} // namespace kestrelon
