// CAsciiGrid: what bytes and runs leave on screen, scrolling with the
// selection, mouse and keyboard selection, copied text, resize and follow.
#include "screens/AsciiGrid.h"
#include "support/NamedRows.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kestrelon {
namespace {

using test::PrintTo;

constexpr COLORREF RX = RECEIVE_COLOUR;

enum class Feed { ByteByByte, HubRuns, Text };
const char* const kFeedNames[] = {"Bytes", "Runs", "Text"};
void PrintTo(Feed feed, std::ostream* os)
{
    *os << kFeedNames[static_cast<int>(feed)];
}

// Feeds text as the data hub does (CR, LF and BS alone, other bytes in runs of
// at most one row), byte by byte, or whole as a text with its line ends: all
// must leave the same grid.
void Write(CAsciiGrid& grid, const std::string& text, Feed feed, COLORREF colour = RX)
{
    if (feed == Feed::Text) {
        grid.WriteText(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()), colour);
        return;
    }
    std::string run;
    auto flush = [&] {
        if (!run.empty())
            grid.WriteRun(reinterpret_cast<const std::uint8_t*>(run.data()), static_cast<int>(run.size()), colour);
        run.clear();
    };
    for (const char ch : text) {
        const auto byte = static_cast<std::uint8_t>(ch);
        if (feed == Feed::ByteByByte) {
            grid.WriteByte(byte, colour);
        } else if (byte == 8 || byte == 10 || byte == 13) {
            flush();
            grid.WriteByte(byte, colour);
        } else {
            run += ch;
            if (static_cast<int>(run.size()) == grid.Columns())
                flush();
        }
    }
    flush();
}

// Rows in use, trailing blanks dropped.
std::vector<std::string> Rows(const CAsciiGrid& grid)
{
    std::vector<std::string> rows;
    for (int row = 0; row < grid.UsedLines(); ++row) {
        std::string text = grid.RowText(row);
        text.erase(text.find_last_not_of(' ') + 1);
        rows.push_back(text);
    }
    return rows;
}

std::string Repeat(char c, int n)
{
    return std::string(static_cast<std::size_t>(n), c);
}

struct WriteCase {
    const char* name;
    std::string input;
    std::vector<std::string> rows;
    CCellPos caret;
};

class GridWrite : public ::testing::TestWithParam<std::tuple<WriteCase, Feed>> {};

TEST_P(GridWrite, LeavesRowsAndCaret)
{
    const auto& [c, feed] = GetParam();
    CAsciiGrid grid(80, 1000);
    Write(grid, c.input, feed);
    EXPECT_EQ(Rows(grid), c.rows);
    EXPECT_EQ(grid.Caret(), c.caret);
    EXPECT_EQ(grid.UsedLines(), c.caret.row + 1);
}

const WriteCase kWriteCases[] = {
    {"FullRowPutsCaretOnNextRow", Repeat('a', 80), {Repeat('a', 80), ""}, {0, 1}},
    {"BackspaceAtColumn0DoesNothing", "\bA", {"A"}, {1, 0}},
    {"BackspaceMovesLeftWithoutErasing", "AB\b", {"AB"}, {1, 0}},
    {"BackspaceThenOverwrite", "AB\bC", {"AC"}, {2, 0}},
    {"ControlAndHighBytesLandUnchanged", "\x07\x1b\xff\x7f", {"\x07\x1b\xff\x7f"}, {4, 0}},
    {"RunCrossingRowEnd", "ABC" + Repeat('x', 80), {"ABC" + Repeat('x', 77), "xxx"}, {3, 1}},
    {"LineFeedsPastUnwrittenCellsLeaveBlanks", "\n\n   Z", {"", "", "   Z"}, {4, 2}},
};

INSTANTIATE_TEST_SUITE_P(Cases, GridWrite,
                         ::testing::Combine(::testing::ValuesIn(kWriteCases),
                                            ::testing::Values(Feed::ByteByByte, Feed::HubRuns, Feed::Text)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    kFeedNames[static_cast<int>(std::get<1>(info.param))];
                         });

TEST(GridWrite, RunLongerThanARowIsTakenInRowPieces)
{
    CAsciiGrid grid(40, 25);
    const std::string text = Repeat('q', 100);
    grid.WriteRun(reinterpret_cast<const std::uint8_t*>(text.data()), 100, RX);
    EXPECT_EQ(Rows(grid), (std::vector<std::string>{Repeat('q', 40), Repeat('q', 40), Repeat('q', 20)}));
    EXPECT_EQ(grid.Caret(), (CCellPos{20, 2}));
}

// --- Scrolling -----------------------------------------------------------------------

struct ScrollSelectionCase {
    const char* name;
    CCellPos from;
    CCellPos to;
    int scrolls;
    CCellPos selStart;
    CCellPos selEnd;
};

class GridScrollSelection : public ::testing::TestWithParam<ScrollSelectionCase> {};

TEST_P(GridScrollSelection, SelectionMovesWithItsText)
{
    const auto& c = GetParam();
    CAsciiGrid grid(40, 25);
    for (int i = 0; i < 24; ++i)
        Write(grid, "row" + std::to_string(i) + "\r\n", Feed::HubRuns);
    Write(grid, "last", Feed::HubRuns); // caret (4, 24): the whole grid is selectable
    grid.PressAt(c.from);
    grid.DragTo(c.to);
    grid.Release();
    const CCellPos anchor = grid.Anchor();
    Write(grid, std::string(static_cast<std::size_t>(c.scrolls), '\n'), Feed::Text);
    EXPECT_EQ(grid.SelStart(), c.selStart);
    EXPECT_EQ(grid.SelEnd(), c.selEnd);
    EXPECT_EQ(grid.Anchor(), anchor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridScrollSelection,
    ::testing::Values(ScrollSelectionCase{"MovesUpOneRow", {1, 5}, {2, 6}, 1, {1, 4}, {2, 5}},
                      ScrollSelectionCase{"StartReachingRow0IsPinned", {2, 1}, {3, 2}, 1, {0, 0}, {3, 1}},
                      ScrollSelectionCase{"BothEndsPinnedAtTop", {2, 1}, {3, 2}, 2, {0, 0}, {0, 0}},
                      ScrollSelectionCase{"EndOnRow0Stays", {1, 0}, {3, 0}, 3, {1, 0}, {3, 0}},
                      ScrollSelectionCase{"MoreThanAScreenfulPinsBoth", {2, 20}, {3, 24}, 40, {0, 0}, {0, 0}}),
    test::RowName);

// A plain grid that scrolls by moving every cell: the ring must show the same.
struct ReferenceGrid {
    int columns, lines;
    std::vector<std::string> rows = std::vector<std::string>(lines, std::string(columns, ' '));
    std::vector<std::vector<COLORREF>> colours = std::vector(lines, std::vector<COLORREF>(columns, 0));
    CCellPos caret = {};
    std::int64_t scrolled = 0;
    void Put(std::uint8_t b, COLORREF colour)
    {
        if (b == 8) {
            caret.column = caret.column > 0 ? caret.column - 1 : 0;
        } else if (b == 10) {
            ++caret.row;
        } else if (b == 13) {
            caret.column = 0;
        } else {
            rows[static_cast<std::size_t>(caret.row)][static_cast<std::size_t>(caret.column)] = static_cast<char>(b);
            colours[static_cast<std::size_t>(caret.row)][static_cast<std::size_t>(caret.column++)] = colour;
        }
        if (caret.column >= columns) {
            caret.column = 0;
            ++caret.row;
        }
        if (caret.row >= lines) {
            rows.erase(rows.begin());
            rows.emplace_back(static_cast<std::size_t>(columns), ' ');
            colours.erase(colours.begin());
            colours.emplace_back(static_cast<std::size_t>(columns), 0);
            caret.row = lines - 1;
            ++scrolled;
        }
    }
};

// Rows are reused without being wiped: line feeds that keep the column, short
// lines after long ones and backspaces leave gaps over old text, many times round
// the ring, and every cell must still match the plain grid. The sizes put the
// ring's end inside one block, exactly at a block's end (8192 rows of 40
// columns), one row past it, and across two blocks of a wide screen.
TEST(GridScroll, RingMatchesAGridThatMovesItsCells)
{
    std::mt19937 random(12345);
    const char alphabet[] = "abcXYZ 01\r\n\n\b\x07";
    for (const auto& [columns, lines] : {std::pair{40, 25}, std::pair{999, 30}, std::pair{40, 8191},
                                         std::pair{40, 8192}, std::pair{999, 1500}}) {
        for (const Feed feed : {Feed::ByteByByte, Feed::HubRuns, Feed::Text}) {
            CAsciiGrid grid(columns, lines);
            ReferenceGrid reference{columns, lines};
            for (int chunk = 0; chunk < 600; ++chunk) {
                std::string text;
                // Every tenth text holds more line feeds than the grid has rows.
                const int length = static_cast<int>(random() % (chunk % 10 == 0 ? 1200 : 120));
                for (int i = 0; i < length; ++i)
                    text += alphabet[random() % (sizeof alphabet - 1)];
                const COLORREF colour = chunk % 2 == 0 ? RX : SEND_COLOUR;
                Write(grid, text, feed, colour);
                for (const char ch : text)
                    reference.Put(static_cast<std::uint8_t>(ch), colour);
            }
            ASSERT_EQ(grid.Caret(), reference.caret);
            ASSERT_EQ(grid.ScrolledRows(), reference.scrolled);
            for (int row = 0; row < lines; ++row) {
                ASSERT_EQ(grid.RowText(row), reference.rows[static_cast<std::size_t>(row)]) << "row " << row;
                std::vector<COLORREF> colours;
                for (int column = 0; column < columns; ++column)
                    colours.push_back(grid.ColourAt(row, column));
                ASSERT_EQ(colours, reference.colours[static_cast<std::size_t>(row)]) << "row " << row;
            }
            EXPECT_EQ(grid.RowText(lines), Repeat(' ', columns)); // the spare row stays blank
        }
    }
}

TEST(GridScroll, ResetThenGapShowsNoOldText)
{
    CAsciiGrid grid(40, 25);
    for (int i = 0; i < 30; ++i)
        Write(grid, Repeat('L', 40), Feed::HubRuns); // fills and scrolls: every row full
    grid.Reset();
    Write(grid, "\n\n" + Repeat(' ', 20) + "x\r\n\n\b", Feed::HubRuns, SEND_COLOUR);
    EXPECT_EQ(grid.RowText(2), Repeat(' ', 20) + "x" + Repeat(' ', 19));
    EXPECT_EQ(grid.ColourAt(2, 5), SEND_COLOUR); // the spaces were written too
    EXPECT_EQ(grid.RowText(4), Repeat(' ', 40));
    for (int row = 0; row < 25; ++row)
        EXPECT_EQ(grid.ColourAt(row, 39), COLORREF{0}) << "row " << row;
}

// --- Mouse selection ------------------------------------------------------------------

enum class Act { Press, Drag, Release, Shift };

struct MouseStep {
    Act act;
    CCellPos point;
};

struct MouseCase {
    const char* name;
    std::vector<MouseStep> steps;
    CCellPos selStart;
    CCellPos selEnd;
    bool extending;
};

class GridMouse : public ::testing::TestWithParam<MouseCase> {};

TEST_P(GridMouse, SelectsOnlyBeforeTheCaret)
{
    const auto& c = GetParam();
    CAsciiGrid grid(40, 25);
    Write(grid, "Hello world\r\nsecond line", Feed::HubRuns); // caret (11, 1)
    for (const auto& [act, point] : c.steps) {
        if (act == Act::Press)
            grid.PressAt(point);
        else if (act == Act::Drag)
            grid.DragTo(point);
        else if (act == Act::Release)
            grid.Release();
        else
            grid.ShiftDown();
    }
    EXPECT_EQ(grid.SelStart(), c.selStart);
    EXPECT_EQ(grid.SelEnd(), c.selEnd);
    EXPECT_EQ(grid.IsExtending(), c.extending);
}

using A = Act;
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, GridMouse,
    ::testing::Values(
        MouseCase{"PressSetsEmptySelection", {{A::Press, {2, 0}}}, {2, 0}, {2, 0}, true},
        MouseCase{"DragForward", {{A::Press, {2, 0}}, {A::Drag, {5, 1}}, {A::Release, {}}}, {2, 0}, {5, 1}, false},
        MouseCase{"DragBackward", {{A::Press, {5, 1}}, {A::Drag, {2, 0}}}, {2, 0}, {5, 1}, true},
        MouseCase{"PressAtCaretIgnored", {{A::Press, {11, 1}}}, {0, 0}, {0, 0}, false},
        MouseCase{"PressAfterCaretIgnored", {{A::Press, {0, 2}}, {A::Drag, {3, 0}}}, {0, 0}, {0, 0}, false},
        MouseCase{"DragPastCaretKeepsLastSelection", {{A::Press, {1, 0}}, {A::Drag, {4, 0}}, {A::Drag, {20, 1}}}, {1, 0}, {4, 0}, true},
        MouseCase{"ShiftPressExtendsEnd", {{A::Press, {2, 0}}, {A::Release, {}}, {A::Shift, {}}, {A::Press, {5, 1}}}, {2, 0}, {5, 1}, true},
        MouseCase{"ShiftPressBeforeAnchorMovesStart",
                  {{A::Press, {4, 0}}, {A::Drag, {6, 0}}, {A::Release, {}}, {A::Shift, {}}, {A::Press, {1, 0}}}, {1, 0}, {6, 0}, true},
        MouseCase{"ShiftMoveWithoutButtonExtends", {{A::Press, {1, 0}}, {A::Release, {}}, {A::Shift, {}}, {A::Drag, {3, 1}}}, {1, 0}, {3, 1}, true},
        MouseCase{"PointsOutsideTheGridAreClamped", {{A::Press, {-3, -2}}, {A::Drag, {500, 0}}}, {0, 0}, {40, 0}, true}),
    test::RowName);
// clang-format on

// --- Keyboard selection ------------------------------------------------------------

struct KeyCase {
    const char* name;
    CCellPos start;
    bool shift;
    std::vector<ArrowKey> keys;
    CCellPos selStart;
    CCellPos selEnd;
};

class GridKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(GridKeys, ArrowsMoveTheSelectionPoint)
{
    const auto& c = GetParam();
    CAsciiGrid grid(40, 25);
    Write(grid, "abcdef\r\nabcdef" + std::string(30, '\n'), Feed::ByteByByte); // caret on the last row
    grid.PressAt(c.start);
    grid.Release();
    if (c.shift)
        grid.ShiftDown();
    for (const ArrowKey key : c.keys)
        grid.MoveSelectionPoint(key);
    EXPECT_EQ(grid.SelStart(), c.selStart);
    EXPECT_EQ(grid.SelEnd(), c.selEnd);
    if (c.selEnd < c.selStart) { // an end before the start selects nothing
        EXPECT_FALSE(grid.HasSelection());
        EXPECT_EQ(grid.SelectedText(), "");
    }
}

using K = ArrowKey;
INSTANTIATE_TEST_SUITE_P(
    Cases, GridKeys,
    ::testing::Values(KeyCase{"RightMovesBoth", {0, 0}, false, {K::Right}, {1, 0}, {1, 0}},
                      KeyCase{"LeftAtRowStartGoesPastEndOfRowAbove", {0, 3}, false, {K::Left}, {40, 2}, {40, 2}},
                      KeyCase{"LeftAtOriginStays", {0, 0}, false, {K::Left, K::Up}, {0, 0}, {0, 0}},
                      KeyCase{"RightPastRowEndWraps", {39, 2}, false, {K::Right, K::Right}, {0, 3}, {0, 3}},
                      KeyCase{"DownStopsAtSpareRow", {0, 23}, false, {K::Down, K::Down, K::Down}, {0, 25}, {0, 25}},
                      KeyCase{"ShiftRightExtendsEnd", {2, 1}, true, {K::Right, K::Right, K::Right}, {2, 1}, {5, 1}},
                      KeyCase{"ShiftDownExtendsEnd", {2, 1}, true, {K::Down}, {2, 1}, {2, 2}},
                      KeyCase{"ShiftLeftMakesEndBeforeStart", {2, 1}, true, {K::Left}, {2, 1}, {1, 1}}),
    test::RowName);

// --- Copied text ----------------------------------------------------------------------

struct CopyCase {
    const char* name;
    std::string input;
    CCellPos from;
    CCellPos to; // the drag end, or {-1, -1} for Select All
    std::string text;
};

class GridCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(GridCopy, WalksTheSelection)
{
    const auto& c = GetParam();
    CAsciiGrid grid(40, 25);
    Write(grid, c.input, Feed::HubRuns);
    if (c.to.row < 0) {
        grid.SelectAll();
    } else {
        grid.PressAt(c.from);
        grid.DragTo(c.to);
    }
    EXPECT_EQ(grid.SelectedText(), c.text);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, GridCopy,
    ::testing::Values(
        CopyCase{"UnwrittenCellsEndTheRow", "AB\r\nCDE", {0, 0}, {2, 1}, "AB\nCD"},
        CopyCase{"FullRowRunsOnWithoutBreak", Repeat('a', 40) + "bbbbbbbbbb", {30, 0}, {5, 1}, Repeat('a', 10) + "bbbbb"},
        CopyCase{"InsideOneRow", "Hello world", {6, 0}, {10, 0}, "worl"},
        CopyCase{"StartingInUnwrittenCells", "A\r\nBC", {3, 0}, {1, 1}, "\nB"},
        CopyCase{"SelectAllEndsEachRowWithLf", "AB\r\nCD", {}, {-1, -1}, "AB\nCD\n"},
        CopyCase{"SkippedCellsOfALineFeedAreBreaks", "AB\nCD\r\nx", {0, 0}, {4, 1}, "AB\n\n"},
        CopyCase{"NoCarriageReturnEver", "x\r\ny\r\nz", {}, {-1, -1}, "x\ny\nz\n"}),
    test::RowName);
// clang-format on

// --- Resize, reset and hints -------------------------------------------------------------

struct SizeCase {
    int columns, lines;
    int wantColumns, wantLines;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.columns << "x" << c.lines; }

class GridResize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(GridResize, ClearsAndKeepsSizeInRange)
{
    const auto& c = GetParam();
    CAsciiGrid grid(80, 1000);
    Write(grid, "data\r\nmore", Feed::HubRuns);
    grid.SelectAll();
    grid.Resize(c.columns, c.lines);
    EXPECT_EQ(grid.Columns(), c.wantColumns);
    EXPECT_EQ(grid.Lines(), c.wantLines);
    EXPECT_EQ(grid.Caret(), (CCellPos{0, 0}));
    EXPECT_EQ(grid.UsedLines(), 1);
    EXPECT_FALSE(grid.HasSelection());
    EXPECT_EQ(grid.RowText(0), Repeat(' ', c.wantColumns));
}

INSTANTIATE_TEST_SUITE_P(Sizes, GridResize,
                         ::testing::Values(SizeCase{80, 1000, 80, 1000}, SizeCase{30, 10, 40, 25},
                                           SizeCase{120, 300, 120, 300}, SizeCase{999, 1000000, 999, 1000000},
                                           SizeCase{1000, 1000001, 999, 1000000}, SizeCase{-5, -5, 40, 25},
                                           SizeCase{2000000000, 2000000000, 999, 1000000}));

// Storage comes as rows are reached and goes back when the grid is cleared or
// resized: a million-line setting must not cost a million lines up front.
struct StorageCase {
    const char* name;
    int columns, lines;
    int written;      // lines received
    int then;         // 0 nothing, 1 Reset, 2 Resize to 80 x 2000
    std::size_t most; // bytes the storage may hold afterwards
    std::size_t least;
};

class GridStorage : public ::testing::TestWithParam<StorageCase> {};

TEST_P(GridStorage, HoldsOnlyTheRowsReached)
{
    const auto& c = GetParam();
    CAsciiGrid grid(c.columns, c.lines);
    for (int line = 0; line < c.written; ++line)
        Write(grid, "line " + std::to_string(line) + "\r\n", Feed::Text);
    if (c.then == 1)
        grid.Reset();
    if (c.then == 2)
        grid.Resize(80, 2000);
    EXPECT_LE(grid.BytesAllocated(), c.most);
    EXPECT_GE(grid.BytesAllocated(), c.least);
    if (c.written > 0 && c.then == 0) { // the newest line is where it belongs
        EXPECT_EQ(Rows(grid)[static_cast<std::size_t>(c.written - 1)], "line " + std::to_string(c.written - 1));
    }
}

// An 80-column row costs 2 x 80 + 24 bytes; blocks hold 8192 of them.
constexpr std::size_t kRow80 = 2 * 80 + 24;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, GridStorage, ::testing::Values(
    StorageCase{"MillionLinesEmpty", 80, 1000000, 0, 0, 4096, 0},
    StorageCase{"MillionLinesTenThousandReceived", 80, 1000000, 10000, 0, 2 * 8192 * kRow80 + 4096, 10000 * kRow80},
    StorageCase{"MillionLinesResetKeepsOneBlock", 80, 1000000, 10000, 1, 8192 * kRow80 + 4096, 8192 * kRow80},
    StorageCase{"MillionLinesResizedGivesAllBack", 80, 1000000, 10000, 2, 4096, 0},
    StorageCase{"ThousandLinesOneShortBlock", 80, 1000, 50, 0, 1001 * kRow80 + 64, 1001 * kRow80}),
    test::RowName);
// clang-format on

TEST(GridHints, EachHintDoesItsOwnThing)
{
    CAsciiGrid grid(80, 1000);
    const std::uint8_t bytes[] = {'h', 'i'};
    CUpdateHint block{HINT_BLOCK, 0, bytes, 2, RX, 0};
    EXPECT_EQ(grid.Apply(block, 80, 1000), GridChange::Written);
    CUpdateHint byte{HINT_BYTE, '!', nullptr, 0, RX, 0};
    EXPECT_EQ(grid.Apply(byte, 80, 1000), GridChange::Written);
    EXPECT_EQ(grid.RowText(0).substr(0, 3), "hi!");
    // A new or loaded document of the same size keeps the screen; only the font hint repaints.
    EXPECT_EQ(grid.Apply(CUpdateHint{HINT_NEW_SETTINGS, 0, nullptr, 0, 0, 1000}, 80, 1000), GridChange::None);
    EXPECT_EQ(grid.Apply(CUpdateHint{HINT_FONT}, 80, 1000), GridChange::Font);
    EXPECT_EQ(grid.RowText(0).substr(0, 3), "hi!");
    // The screen size hint reads the document's size, not the hint's value.
    EXPECT_EQ(grid.Apply(CUpdateHint{HINT_SCREEN_SIZE, 0, nullptr, 0, 0, 5}, 100, 50), GridChange::Cleared);
    EXPECT_EQ(grid.Columns(), 100);
    EXPECT_EQ(grid.Lines(), 50);
    grid.Apply(block, 100, 50);
    EXPECT_EQ(grid.Apply(CUpdateHint{HINT_RESET}, 100, 50), GridChange::Cleared);
    EXPECT_EQ(grid.Caret(), (CCellPos{0, 0}));
    EXPECT_EQ(grid.RowText(0), Repeat(' ', 100));
    // One of another size takes the document's size.
    EXPECT_EQ(grid.Apply(CUpdateHint{HINT_NEW_SETTINGS, 0, nullptr, 0, 0, 50}, 132, 50), GridChange::Cleared);
    EXPECT_EQ(grid.Columns(), 132);
}

} // namespace
} // namespace kestrelon
