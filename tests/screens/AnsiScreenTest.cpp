// ANSI screen interpreter: scripted byte streams with the whole expected screen,
// cursor, current rendition and replies; every script again split at each byte
// position and byte by byte; and the limits that keep hostile streams bounded.
#include "screens/AnsiScreen.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace kestrelon {
namespace {

// Replies as the frame would send them: "5:" for a fixed text, "6:" for a block.
class CReplyRecorder : public IAnsiReplyTarget {
public:
    void ReplyText(const char* text) override { replies.push_back("5:" + std::string(text)); }
    void ReplyBytes(const std::uint8_t* data, std::int32_t length) override
    {
        replies.push_back("6:" + std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length)));
    }
    std::vector<std::string> replies;
};

struct CCellAt {
    int column, row;
    CAnsiCell cell;
    bool operator==(const CCellAt&) const = default;
};

// What a script is checked against. Rows show each character, empty cells as '.',
// trailing empty cells trimmed; rows not listed must be empty.
struct CExpected {
    int column = 0, row = 0;
    std::map<int, std::string> rows = {};
    std::vector<CCellAt> cells = {}; // compared in full where given
    std::vector<std::string> replies = {};
    std::uint8_t foreground = 2, background = 0, attributes = 0;
    bool operator==(const CExpected&) const = default;
};

std::ostream& operator<<(std::ostream& os, const CExpected& e)
{
    os << "cursor " << e.column << "," << e.row << " rendition " << int(e.foreground) << "/" << int(e.background) << "/"
       << int(e.attributes) << "\n";
    for (const auto& [row, text] : e.rows)
        os << "  row " << row << ": \"" << text << "\"\n";
    for (const CCellAt& c : e.cells)
        os << "  cell " << c.column << "," << c.row << " = '" << c.cell.character << "' " << int(c.cell.foreground)
           << "/" << int(c.cell.background) << "/" << int(c.cell.attributes) << "\n";
    for (const std::string& r : e.replies) {
        os << "  reply ";
        for (unsigned char b : r)
            os << (b < 0x20 ? "<" + std::to_string(b) + ">" : std::string(1, static_cast<char>(b)));
        os << "\n";
    }
    return os;
}

struct CAnsiCase {
    std::string name;
    std::string input;
    CExpected expected;
    COLORREF colour = RECEIVE_COLOUR;
};
void PrintTo(const CAnsiCase& c, std::ostream* os) { *os << c.name; }

std::string RowText(const CAnsiScreen& screen, int row)
{
    std::string text;
    for (int column = 0; column < CAnsiScreen::COLUMNS; ++column) {
        const std::uint8_t ch = screen.Cell(column, row).character;
        text += ch == 0 ? '.' : static_cast<char>(ch);
    }
    return text.substr(0, text.find_last_not_of('.') + 1);
}

CExpected Observe(const CAnsiScreen& screen, const CReplyRecorder& recorder, const std::vector<CCellAt>& cells)
{
    CExpected seen;
    seen.column = screen.CursorColumn();
    seen.row = screen.CursorRow();
    for (int row = 0; row < CAnsiScreen::ROWS; ++row)
        if (const std::string text = RowText(screen, row); !text.empty())
            seen.rows[row] = text;
    for (const CCellAt& c : cells)
        seen.cells.push_back({c.column, c.row, screen.Cell(c.column, c.row)});
    seen.replies = recorder.replies;
    seen.foreground = screen.CurrentForeground();
    seen.background = screen.CurrentBackground();
    seen.attributes = screen.CurrentAttributes();
    return seen;
}

void Deliver(CAnsiScreen& screen, const std::string& bytes, COLORREF colour)
{
    if (bytes.empty())
        return;
    screen.ApplyHint(CUpdateHint{HINT_BLOCK, 0, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                 static_cast<std::int32_t>(bytes.size()), colour, 0});
}

// Everything about a screen, for comparing two ways of feeding the same bytes.
struct CSnapshot {
    int column, row, saved;
    std::uint8_t foreground, background, attributes;
    bool inEscape;
    std::vector<std::string> replies;
    std::vector<CAnsiCell> cells = {};
    std::vector<bool> tabs = {};
    bool operator==(const CSnapshot&) const = default;
};

CSnapshot Snapshot(const CAnsiScreen& screen, const CReplyRecorder& recorder)
{
    CSnapshot s{
        screen.CursorColumn(),      screen.CursorRow(),         screen.SavedCursorCount(), screen.CurrentForeground(),
        screen.CurrentBackground(), screen.CurrentAttributes(), screen.InEscape(),         recorder.replies};
    for (int row = 0; row < CAnsiScreen::ROWS; ++row)
        for (int column = 0; column < CAnsiScreen::COLUMNS; ++column)
            s.cells.push_back(screen.Cell(column, row));
    for (int column = 0; column < CAnsiScreen::COLUMNS; ++column)
        s.tabs.push_back(screen.TabStop(column));
    return s;
}

constexpr CAnsiCell Cell(char ch, int fg, int bg, int attr = 0)
{
    return {static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(fg), static_cast<std::uint8_t>(bg),
            static_cast<std::uint8_t>(attr)};
}

std::string At(int column, int row)
{
    return "\033[" + std::to_string(column) + ";" + std::to_string(row) + "H";
}

CAnsiCase Case(std::string name, std::string input, CExpected expected)
{
    return {std::move(name), std::move(input), std::move(expected)};
}

std::vector<CAnsiCase> TextAndControlCases()
{
    const std::string eighty = std::string(80, 'a');
    std::string alphabet80;
    for (int i = 0; i < 80; ++i)
        alphabet80 += static_cast<char>('A' + i % 26);
    return {
        Case("EightyOneBytesWrapToNextRow", eighty + "b", {.column = 1, .row = 1, .rows = {{0, eighty}, {1, "b"}}}),
        Case("BottomRightScrollsUp", "top" + At(78, 24) + "XYZ",
             {.column = 1, .row = 24, .rows = {{23, std::string(78, '.') + "XY"}, {24, "Z"}}}),
        Case("BackspaceStopsAtColumnZero", "ab\b\b\bc", {.column = 1, .row = 0, .rows = {{0, "cb"}}}),
        Case("LineFeedAndVerticalTabKeepColumn", "ab\ncd\x0b",
             {.column = 4, .row = 2, .rows = {{0, "ab"}, {1, "..cd"}}}),
        Case("CarriageReturn", "abc\rX", {.column = 1, .row = 0, .rows = {{0, "Xbc"}}}),
        Case("FormFeedClearsAndResetsColours", "abc\033[31;44;1m\f", {.attributes = ATTR_BOLD}),
        Case("TabFromZeroStopsAtEight", "\t", {.column = 8}),
        Case("TabAtSeventyFiveGoesToLastColumn", At(75, 0) + "\t", {.column = 79}),
        Case("BellWrittenNulLeavesCellEmpty", "\x07"s + "\0"s + "z", {.column = 3, .rows = {{0, "\x07.z"}}}),
        Case("EightyBytesThenLineFeedSkipsARow", alphabet80 + "\n", {.column = 0, .row = 2, .rows = {{0, alphabet80}}}),
        Case("LineFeedAtBottomScrolls", "one\r\n" + At(0, 24) + "two\n",
             {.column = 3, .row = 24, .rows = {{23, "two"}}}),
    };
}

std::vector<CAnsiCase> CursorCases()
{
    return {
        Case("PositionIsColumnFirstFromZero", "\033[5;10H", {.column = 5, .row = 10}),
        Case("PositionWithoutParametersIsHome", "\033[5;10H\033[H", {.column = 0, .row = 0}),
        Case("PositionClampsToScreen", "\033[99;99H", {.column = 79, .row = 24}),
        Case("PositionWithOneFieldIsRowZero", "\033[0;9H\033[7f", {.column = 7, .row = 0}),
        Case("NegativePositionClampsToZero", "\033[5;5H\033[-3;-4H", {.column = 0, .row = 0}),
        Case("UpByZeroMovesOne", "\033[0;5H\033[0A", {.column = 0, .row = 4}),
        Case("UpClampsAtTop", "\033[0;5H\033[9A", {.column = 0, .row = 0}),
        Case("DownClampsAtBottom", "\033[30B", {.column = 0, .row = 24}),
        Case("RightAndLeft", "\033[12C\033[3D", {.column = 9, .row = 0}),
        Case("HugeCountSaturates", "\033[10;10H\033[99999999999999999999A\033[99999999999999999999C",
             {.column = 79, .row = 0}),
        Case("NegativeCountMovesOne", "\033[10;10H\033[-5A\033[-5D", {.column = 9, .row = 9}),
        Case("IndexMovesDown", "\033[4;3H\033D", {.column = 4, .row = 4}),
        Case("IndexAtBottomScrolls", "r0\r\nr1" + At(0, 24) + "\033D", {.column = 0, .row = 24, .rows = {{0, "r1"}}}),
        Case("NextLine", "\033[5;3H\033E", {.column = 0, .row = 4}),
        Case("ReverseIndexAtTopScrollsDown", "r0\r\nr1" + At(0, 0) + "\033M",
             {.column = 0, .row = 0, .rows = {{1, "r0"}, {2, "r1"}}}),
        Case("ScrollingRegionIgnored", "\033[4;2H\033[5;10r", {.column = 4, .row = 2}),
        Case("ModesAcceptedWithoutEffect", "\033[?25h\033[4h\033[7l\033[4lAB", {.column = 2, .rows = {{0, "AB"}}}),
    };
}

std::vector<CAnsiCase> EraseAndEditCases()
{
    std::string row80;
    for (int i = 0; i < 80; ++i)
        row80 += static_cast<char>('A' + i % 26);
    const std::string rows3 = "r0\r\nr1\r\nr2";
    return {
        Case("EraseDisplayAllClearsColoursKeepsCursor", "\033[31;44mAB\033[1;0H\033[2J", {.column = 1, .row = 0}),
        Case("EraseDisplayFromCursorKeepsColours", "\033[31;44mAB\r\nCD\033[1;0H\033[J",
             {.column = 1,
              .rows = {{0, "A"}},
              .cells = {{0, 0, Cell('A', 1, 4)}, {1, 0, Cell(0, 1, 4)}, {0, 1, Cell(0, 1, 4)}},
              .foreground = 1,
              .background = 4}),
        Case("EraseDisplayToCursor", "abc\r\ndef\033[1;1H\033[1J", {.column = 1, .row = 1, .rows = {{1, "..f"}}}),
        Case("EraseDisplayOtherModeDoesNothing", "abc\033[7J", {.column = 3, .rows = {{0, "abc"}}}),
        Case("EraseLineFromCursor", "abcdef\033[2;0H\033[K", {.column = 2, .rows = {{0, "ab"}}}),
        Case("EraseLineToCursor", "abcdef\033[2;0H\033[1K", {.column = 2, .rows = {{0, "...def"}}}),
        Case("EraseLineWhole", "abcdef\r\nxy\033[2;0H\033[2K", {.column = 2, .rows = {{1, "xy"}}}),
        Case("InsertLines", rows3 + At(0, 1) + "\033[2L", {.row = 1, .rows = {{0, "r0"}, {3, "r1"}, {4, "r2"}}}),
        Case("InsertLinesPushesBottomOff", At(0, 24) + "last" + At(0, 23) + "\033[5L", {.row = 23}),
        Case("DeleteLines", rows3 + At(0, 0) + "\033[1M", {.rows = {{0, "r1"}, {1, "r2"}}}),
        Case("DeleteLinesBeyondScreenClearsToBottom", rows3 + At(0, 1) + "\033[400M", {.row = 1, .rows = {{0, "r0"}}}),
        Case("NegativeDeleteLinesDeletesOne", rows3 + At(0, 0) + "\033[-2M", {.rows = {{0, "r1"}, {1, "r2"}}}),
        Case("DeleteCharactersAtColumnTen", row80 + "next" + At(10, 0) + "\033[2P",
             {.column = 10, .rows = {{0, row80.substr(0, 10) + row80.substr(12)}, {1, "next"}}}),
        Case("DeleteCharactersMovesColours", "a\033[31mbc\033[32m" + At(0, 0) + "\033[P",
             {.rows = {{0, "bc"}}, .cells = {{0, 0, Cell('b', 1, 0)}, {2, 0, Cell(0, 0, 0)}}}),
        Case("NegativeDeleteCharactersDeletesOne", "abcd" + At(1, 0) + "\033[-3P", {.column = 1, .rows = {{0, "acd"}}}),
        Case("DeleteCharactersBeyondRow", "abcd" + At(1, 0) + "\033[999P", {.column = 1, .rows = {{0, "a"}}}),
        Case("TabClearAtCursor", "\033[8;0H\033[g\033[0;0H\t", {.column = 16}),
        Case("TabClearAll", "\033[3g\t", {.column = 79}),
        Case("TabSet", "\033[3;0H\033H\033[0;0H\t", {.column = 3}),
    };
}

std::vector<CAnsiCase> RenditionCases()
{
    return {
        Case("ColoursApplyToWrittenCell", "\033[31;44mA",
             {.column = 1, .rows = {{0, "A"}}, .cells = {{0, 0, Cell('A', 1, 4)}}, .foreground = 1, .background = 4}),
        Case("AllAttributesSetAndCleared", "\033[1;4;5;7;8mA\033[22;24;25;27;28mB",
             {.column = 2, .rows = {{0, "AB"}}, .cells = {{0, 0, Cell('A', 2, 0, 0x1F)}, {1, 0, Cell('B', 2, 0)}}}),
        Case("EmptyRenditionResets", "\033[1;31;44m\033[m", {}),
        Case("UnknownRenditionsIgnored", "\033[2;3;6;38;48;90;107m", {}),
        Case("OverflowingRenditionIgnored", "\033[4294967327m", {}),
        Case("WrittenSpaceKeepsBackground", "\033[44m ",
             {.column = 1, .rows = {{0, " "}}, .cells = {{0, 0, Cell(' ', 2, 4)}}, .background = 4}),
    };
}

std::vector<CAnsiCase> SequenceShapeCases()
{
    return {
        Case("EscapeThenCarriageReturnDropsBoth", "abc\033\r", {.column = 3, .rows = {{0, "abc"}}}),
        Case("EscapeThenSpaceDropsBoth", "\033 A", {.column = 1, .rows = {{0, "A"}}}),
        Case("ControlByteAbandonsOpenSequence", "\033[12\nX", {.column = 1, .rows = {{0, "X"}}}),
        Case("UnknownFinalIgnored", "\033[5zX\033QY", {.column = 2, .rows = {{0, "XY"}}}),
        Case("SaveAndRestoreWithBrackets", "\033[3;4H\033[s\033[10;10H\033[u", {.column = 3, .row = 4}),
        Case("SaveAndRestoreWithSevenEight", "\033[3;4H\0337\033[10;10H\0338", {.column = 3, .row = 4}),
        Case("RestoreWithNothingSavedDoesNothing", "\033[3;4H\033[u\0338", {.column = 3, .row = 4}),
        Case("RestoreBringsAttributesNotColours", "\033[1;31m\033[s\033[0;32m\033[u",
             {.foreground = 2, .attributes = ATTR_BOLD}),
        Case("EchoInSendColourIgnored", "abc", {}),
    };
}

std::vector<CAnsiCase> ReplyCases()
{
    return {
        Case("PositionReportColumnFirstFromOne", "\033[4;2H\033[6n",
             {.column = 4, .row = 2, .replies = {"6:\033[5;3R\0"s}}),
        Case("StatusReport", "\033[5n", {.replies = {"5:\033[?0n"}}),
        Case("QuestionTwentyFive", "\033[?25n", {.replies = {"5:\033[?20n"}}),
        Case("QuestionTwentySix", "\033[?26n", {.replies = {"5:\033[?27;1n"}}),
        Case("OtherStatusRequestsUnanswered", "\033[?5n\033[3n\033[?6n\033[n", {}),
        Case("PositionReportAtBottomRight", "\033[99;99H\033[6n",
             {.column = 79, .row = 24, .replies = {"6:\033[80;25R\0"s}}),
    };
}

std::vector<CAnsiCase> AllCases()
{
    std::vector<CAnsiCase> all;
    for (auto list : {TextAndControlCases(), CursorCases(), EraseAndEditCases(), RenditionCases(), SequenceShapeCases(),
                      ReplyCases()})
        all.insert(all.end(), list.begin(), list.end());
    for (CAnsiCase& c : all)
        if (c.name == "EchoInSendColourIgnored")
            c.colour = SEND_COLOUR;
    return all;
}

class AnsiScript : public ::testing::TestWithParam<CAnsiCase> {};

TEST_P(AnsiScript, GivesExpectedScreen)
{
    const CAnsiCase& c = GetParam();
    CReplyRecorder recorder;
    CAnsiScreen screen(&recorder);
    Deliver(screen, c.input, c.colour);
    EXPECT_EQ(Observe(screen, recorder, c.expected.cells), c.expected);
}

// The same bytes split in two at every position, and byte by byte, leave the
// same screen as the whole block: sequences may span any number of blocks.
TEST_P(AnsiScript, SplitAnywhereGivesSameScreen)
{
    const CAnsiCase& c = GetParam();
    CReplyRecorder wholeReplies;
    CAnsiScreen whole(&wholeReplies);
    Deliver(whole, c.input, c.colour);
    const CSnapshot expected = Snapshot(whole, wholeReplies);

    for (std::size_t split = 1; split < c.input.size(); ++split) {
        CReplyRecorder replies;
        CAnsiScreen screen(&replies);
        Deliver(screen, c.input.substr(0, split), c.colour);
        Deliver(screen, c.input.substr(split), c.colour);
        ASSERT_TRUE(Snapshot(screen, replies) == expected) << "split at " << split;
    }
    CReplyRecorder replies;
    CAnsiScreen screen(&replies);
    for (char b : c.input)
        screen.ApplyHint(CUpdateHint{HINT_BYTE, static_cast<std::uint8_t>(b), nullptr, 0, c.colour, 0});
    EXPECT_TRUE(Snapshot(screen, replies) == expected) << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Scripts, AnsiScript, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) { return info.param.name; });

TEST(AnsiScreenLimits, EndlessSequenceIsAbandonedAtItsLimit)
{
    // "[" and 255 digits fill the sequence; the next digit abandons it and is
    // dropped, and what follows is ordinary text.
    CAnsiScreen screen;
    const std::string input = "\033[" + std::string(300, '1') + "A";
    Deliver(screen, input, RECEIVE_COLOUR);
    EXPECT_FALSE(screen.InEscape());
    EXPECT_EQ(RowText(screen, 0), std::string(300 - CAnsiScreen::MAX_ESCAPE_LENGTH, '1') + "A");
}

TEST(AnsiScreenLimits, SequenceAtExactLimitStillCompletes)
{
    CAnsiScreen screen;
    Deliver(screen, "\033[5;5H", RECEIVE_COLOUR);
    // "[", 253 zeros, "2" and "A" make exactly 256 bytes: still a sequence.
    Deliver(screen, "\033[" + std::string(253, '0') + "2A", RECEIVE_COLOUR);
    EXPECT_EQ(screen.CursorRow(), 3);
    EXPECT_EQ(RowText(screen, 3), "");
}

TEST(AnsiScreenLimits, SavedCursorStackKeepsNewestAndDropsOldest)
{
    CAnsiScreen screen;
    std::string input;
    for (int i = 0; i < 100; ++i)
        input += At(i % 80, i % 25) + (i % 2 ? "\0337" : "\033[s");
    Deliver(screen, input, RECEIVE_COLOUR);
    EXPECT_EQ(screen.SavedCursorCount(), CAnsiScreen::MAX_SAVED_CURSORS);

    // 64 restores walk back to save number 36; one more changes nothing.
    std::string restores;
    for (int i = 0; i < CAnsiScreen::MAX_SAVED_CURSORS; ++i)
        restores += "\0338";
    Deliver(screen, restores, RECEIVE_COLOUR);
    EXPECT_EQ(std::pair(screen.CursorColumn(), screen.CursorRow()), std::pair(36, 36 % 25));
    Deliver(screen, At(1, 1) + "\033[u", RECEIVE_COLOUR);
    EXPECT_EQ(std::pair(screen.CursorColumn(), screen.CursorRow()), std::pair(1, 1));
}

TEST(AnsiScreenLimits, ManyScrollsKeepRowsInOrder)
{
    // Scrolling moves the ring's origin; after many turns the rows must still be
    // in order and insert/delete must address the rows the user sees.
    CAnsiScreen screen;
    std::string input;
    for (int line = 0; line < 1037; ++line)
        input += "line" + std::to_string(line) + "\r\n";
    Deliver(screen, input + At(0, 1) + "\033[L" + At(0, 0) + "\033M", RECEIVE_COLOUR);
    const std::vector<std::string> seen{RowText(screen, 0), RowText(screen, 1), RowText(screen, 2), RowText(screen, 3),
                                        RowText(screen, 24)};
    EXPECT_EQ(seen, (std::vector<std::string>{"", "line1013", "", "line1014", "line1035"}));
}

TEST(AnsiScreen, ResetKeepsSavedCursorsAndClearsEverythingElse)
{
    CAnsiScreen screen;
    Deliver(screen, "\033[3;3H\033[s\033[31;1mtext\033[3g", RECEIVE_COLOUR);
    EXPECT_EQ(screen.ApplyHint(CUpdateHint{HINT_RESET, 0, nullptr, 0, 0, 0}), CAnsiScreen::HintEffect::Reset);
    const CAnsiScreen fresh;
    CReplyRecorder none;
    CSnapshot expected = Snapshot(fresh, none);
    expected.saved = 1;
    EXPECT_TRUE(Snapshot(screen, none) == expected);
    Deliver(screen, "\033[u", RECEIVE_COLOUR);
    EXPECT_EQ(screen.CursorColumn(), 3);
}

TEST(AnsiScreen, OnlyReceivedColourReachesScreen)
{
    struct {
        Hint hint;
        COLORREF colour;
        CAnsiScreen::HintEffect effect;
        int column;
    } const cases[] = {
        {HINT_BYTE, RECEIVE_COLOUR, CAnsiScreen::HintEffect::Processed, 1},
        {HINT_BYTE, SEND_COLOUR, CAnsiScreen::HintEffect::None, 0},
        {HINT_BYTE, ERROR_COLOUR, CAnsiScreen::HintEffect::None, 0},
        {HINT_BLOCK, ERROR_COLOUR, CAnsiScreen::HintEffect::None, 0},
        {HINT_BLOCK, RECEIVE_COLOUR, CAnsiScreen::HintEffect::Processed, 1},
        {HINT_SCREEN_SIZE, RECEIVE_COLOUR, CAnsiScreen::HintEffect::None, 0},
        {HINT_NEW_SETTINGS, RECEIVE_COLOUR, CAnsiScreen::HintEffect::None, 0},
    };
    const std::uint8_t x = 'x';
    for (const auto& c : cases) {
        CAnsiScreen screen;
        EXPECT_EQ(screen.ApplyHint(CUpdateHint{c.hint, x, &x, 1, c.colour, 25}), c.effect);
        EXPECT_EQ(screen.CursorColumn(), c.column) << c.hint << " " << c.colour;
    }
}

TEST(AnsiScreen, EveryByteMarksDirtyEscapeIncluded)
{
    CAnsiScreen screen;
    Deliver(screen, "ab", RECEIVE_COLOUR);
    EXPECT_TRUE(screen.TakeDirty());
    EXPECT_FALSE(screen.TakeDirty());
    Deliver(screen, "\033", RECEIVE_COLOUR);
    EXPECT_TRUE(screen.TakeDirty());
}

} // namespace
} // namespace kestrelon
