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

std::vector<CAnsiCase> AllCases()
{
    const std::string eighty = std::string(80, 'a');
    std::string row80;
    for (int i = 0; i < 80; ++i)
        row80 += static_cast<char>('A' + i % 26);
    const std::string rows3 = "r0\r\nr1\r\nr2";
    // 100 saves, alternating both forms, at (i % 80, i % 25).
    std::string hundredSaves;
    for (int i = 0; i < 100; ++i)
        hundredSaves += At(i % 80, i % 25) + (i % 2 ? "\0337" : "\033[s");
    std::string restores64;
    for (int i = 0; i < CAnsiScreen::MAX_SAVED_CURSORS; ++i)
        restores64 += "\0338";
    // clang-format off
    return {
        // Text and control bytes.
        {"EightyOneBytesWrapToNextRow", eighty + "b", {.column = 1, .row = 1, .rows = {{0, eighty}, {1, "b"}}}},
        {"BottomRightScrollsUp", "top" + At(78, 24) + "XYZ",
         {.column = 1, .row = 24, .rows = {{23, std::string(78, '.') + "XY"}, {24, "Z"}}}},
        {"BackspaceStopsAtColumnZero", "ab\b\b\bc", {.column = 1, .row = 0, .rows = {{0, "cb"}}}},
        {"LineFeedAndVerticalTabKeepColumn", "ab\ncd\x0b", {.column = 4, .row = 2, .rows = {{0, "ab"}, {1, "..cd"}}}},
        {"CarriageReturn", "abc\rX", {.column = 1, .row = 0, .rows = {{0, "Xbc"}}}},
        {"FormFeedClearsAndResetsColours", "abc\033[31;44;1m\f", {.attributes = ATTR_BOLD}},
        {"TabFromZeroStopsAtEight", "\t", {.column = 8}},
        {"TabAtSeventyFiveGoesToLastColumn", At(75, 0) + "\t", {.column = 79}},
        {"BellWrittenNulLeavesCellEmpty", "\x07"s + "\0"s + "z", {.column = 3, .rows = {{0, "\x07.z"}}}},
        {"EightyBytesThenLineFeedSkipsARow", row80 + "\n", {.column = 0, .row = 2, .rows = {{0, row80}}}},
        {"LineFeedAtBottomScrolls", "one\r\n" + At(0, 24) + "two\n", {.column = 3, .row = 24, .rows = {{23, "two"}}}},
        // Cursor movement.
        {"PositionIsColumnFirstFromZero", "\033[5;10H", {.column = 5, .row = 10}},
        {"PositionWithoutParametersIsHome", "\033[5;10H\033[H", {.column = 0, .row = 0}},
        {"PositionClampsToScreen", "\033[99;99H", {.column = 79, .row = 24}},
        {"PositionWithOneFieldIsRowZero", "\033[0;9H\033[7f", {.column = 7, .row = 0}},
        {"NegativePositionClampsToZero", "\033[5;5H\033[-3;-4H", {.column = 0, .row = 0}},
        {"UpByZeroMovesOne", "\033[0;5H\033[0A", {.column = 0, .row = 4}},
        {"UpClampsAtTop", "\033[0;5H\033[9A", {.column = 0, .row = 0}},
        {"DownClampsAtBottom", "\033[30B", {.column = 0, .row = 24}},
        {"RightAndLeft", "\033[12C\033[3D", {.column = 9, .row = 0}},
        {"HugeCountSaturates", "\033[10;10H\033[99999999999999999999A\033[99999999999999999999C",
         {.column = 79, .row = 0}},
        {"NegativeCountMovesOne", "\033[10;10H\033[-5A\033[-5D", {.column = 9, .row = 9}},
        {"IndexMovesDown", "\033[4;3H\033D", {.column = 4, .row = 4}},
        {"IndexAtBottomScrolls", "r0\r\nr1" + At(0, 24) + "\033D", {.column = 0, .row = 24, .rows = {{0, "r1"}}}},
        {"NextLine", "\033[5;3H\033E", {.column = 0, .row = 4}},
        {"ReverseIndexAtTopScrollsDown", "r0\r\nr1" + At(0, 0) + "\033M",
         {.column = 0, .row = 0, .rows = {{1, "r0"}, {2, "r1"}}}},
        {"ScrollingRegionIgnored", "\033[4;2H\033[5;10r", {.column = 4, .row = 2}},
        {"ModesAcceptedWithoutEffect", "\033[?25h\033[4h\033[7l\033[4lAB", {.column = 2, .rows = {{0, "AB"}}}},
        // Erasing and editing.
        {"EraseDisplayAllClearsColoursKeepsCursor", "\033[31;44mAB\033[1;0H\033[2J", {.column = 1, .row = 0}},
        {"EraseDisplayFromCursorKeepsColours", "\033[31;44mAB\r\nCD\033[1;0H\033[J",
         {.column = 1,
          .rows = {{0, "A"}},
          .cells = {{0, 0, Cell('A', 1, 4)}, {1, 0, Cell(0, 1, 4)}, {0, 1, Cell(0, 1, 4)}},
          .foreground = 1,
          .background = 4}},
        {"EraseDisplayToCursor", "abc\r\ndef\033[1;1H\033[1J", {.column = 1, .row = 1, .rows = {{1, "..f"}}}},
        {"EraseDisplayOtherModeDoesNothing", "abc\033[7J", {.column = 3, .rows = {{0, "abc"}}}},
        {"EraseLineFromCursor", "abcdef\033[2;0H\033[K", {.column = 2, .rows = {{0, "ab"}}}},
        {"EraseLineToCursor", "abcdef\033[2;0H\033[1K", {.column = 2, .rows = {{0, "...def"}}}},
        {"EraseLineWhole", "abcdef\r\nxy\033[2;0H\033[2K", {.column = 2, .rows = {{1, "xy"}}}},
        {"InsertLines", rows3 + At(0, 1) + "\033[2L", {.row = 1, .rows = {{0, "r0"}, {3, "r1"}, {4, "r2"}}}},
        {"InsertLinesPushesBottomOff", At(0, 24) + "last" + At(0, 23) + "\033[5L", {.row = 23}},
        // Rows written full width in colour, moved by insert, delete and scroll
        // down, come back blank in every plane once scrolled through.
        {"RowsScrolledInAreBlankInEveryPlane",
         "\033[31;44m" + row80 + "ab" + At(0, 0) + "\033[2L\033M" + At(5, 3) + "\033[P" + std::string(50, '\n'),
         {.column = 5, .row = 24,
          .cells = {{0, 0, Cell(0, 0, 0)}, {79, 0, Cell(0, 0, 0)}, {1, 3, Cell(0, 0, 0)}, {79, 24, Cell(0, 0, 0)}},
          .foreground = 1, .background = 4}},
        {"DeleteLines", rows3 + At(0, 0) + "\033[1M", {.rows = {{0, "r1"}, {1, "r2"}}}},
        {"DeleteLinesBeyondScreenClearsToBottom", rows3 + At(0, 1) + "\033[400M", {.row = 1, .rows = {{0, "r0"}}}},
        {"NegativeDeleteLinesDeletesOne", rows3 + At(0, 0) + "\033[-2M", {.rows = {{0, "r1"}, {1, "r2"}}}},
        {"DeleteCharactersAtColumnTen", row80 + "next" + At(10, 0) + "\033[2P",
         {.column = 10, .rows = {{0, row80.substr(0, 10) + row80.substr(12)}, {1, "next"}}}},
        {"DeleteCharactersMovesColours", "a\033[31mbc\033[32m" + At(0, 0) + "\033[P",
         {.rows = {{0, "bc"}}, .cells = {{0, 0, Cell('b', 1, 0)}, {2, 0, Cell(0, 0, 0)}}}},
        {"NegativeDeleteCharactersDeletesOne", "abcd" + At(1, 0) + "\033[-3P", {.column = 1, .rows = {{0, "acd"}}}},
        {"DeleteCharactersBeyondRow", "abcd" + At(1, 0) + "\033[999P", {.column = 1, .rows = {{0, "a"}}}},
        {"TabClearAtCursor", "\033[8;0H\033[g\033[0;0H\t", {.column = 16}},
        {"TabClearAll", "\033[3g\t", {.column = 79}},
        {"TabSet", "\033[3;0H\033H\033[0;0H\t", {.column = 3}},
        // Rendition.
        {"ColoursApplyToWrittenCell", "\033[31;44mA",
         {.column = 1, .rows = {{0, "A"}}, .cells = {{0, 0, Cell('A', 1, 4)}}, .foreground = 1, .background = 4}},
        {"AllAttributesSetAndCleared", "\033[1;4;5;7;8mA\033[22;24;25;27;28mB",
         {.column = 2, .rows = {{0, "AB"}}, .cells = {{0, 0, Cell('A', 2, 0, 0x1F)}, {1, 0, Cell('B', 2, 0)}}}},
        {"EmptyRenditionResets", "\033[1;31;44m\033[m", {}},
        {"UnknownRenditionsIgnored", "\033[2;3;6;38;48;90;107m", {}},
        {"OverflowingRenditionIgnored", "\033[4294967327m", {}},
        {"WrittenSpaceKeepsBackground", "\033[44m ",
         {.column = 1, .rows = {{0, " "}}, .cells = {{0, 0, Cell(' ', 2, 4)}}, .background = 4}},
        // Sequence shapes, saved cursors and what is not received.
        {"EscapeThenCarriageReturnDropsBoth", "abc\033\r", {.column = 3, .rows = {{0, "abc"}}}},
        {"EscapeThenSpaceDropsBoth", "\033 A", {.column = 1, .rows = {{0, "A"}}}},
        {"ControlByteAbandonsOpenSequence", "\033[12\nX", {.column = 1, .rows = {{0, "X"}}}},
        {"UnknownFinalIgnored", "\033[5zX\033QY", {.column = 2, .rows = {{0, "XY"}}}},
        // "[" and 255 digits fill a sequence; the next digit abandons it and is
        // dropped, and what follows is ordinary text.
        {"EndlessSequenceIsAbandonedAtItsLimit", "\033[" + std::string(300, '1') + "A",
         {.column = 45, .rows = {{0, std::string(300 - CAnsiScreen::MAX_ESCAPE_LENGTH, '1') + "A"}}}},
        // "[", 253 zeros, "2" and "A" make exactly 256 bytes: still a sequence.
        {"SequenceAtExactLimitStillCompletes", "\033[5;5H\033[" + std::string(253, '0') + "2A", {.column = 5, .row = 3}},
        {"SaveAndRestoreWithBrackets", "\033[3;4H\033[s\033[10;10H\033[u", {.column = 3, .row = 4}},
        {"SaveAndRestoreWithSevenEight", "\033[3;4H\0337\033[10;10H\0338", {.column = 3, .row = 4}},
        {"RestoreWithNothingSavedDoesNothing", "\033[3;4H\033[u\0338", {.column = 3, .row = 4}},
        {"RestoreBringsAttributesNotColours", "\033[1;31m\033[s\033[0;32m\033[u", {.foreground = 2, .attributes = ATTR_BOLD}},
        // Of 100 saves the newest 64 are kept: 64 restores walk back to save 36,
        // and one more finds the stack empty.
        {"SavedCursorStackKeepsNewestAndDropsOldest", hundredSaves + restores64 + "\033[u", {.column = 36, .row = 36 % 25}},
        {"EchoInSendColourIgnored", "abc", {}, SEND_COLOUR},
        // Replies.
        {"PositionReportColumnFirstFromOne", "\033[4;2H\033[6n", {.column = 4, .row = 2, .replies = {"6:\033[5;3R\0"s}}},
        {"StatusReport", "\033[5n", {.replies = {"5:\033[?0n"}}},
        {"QuestionTwentyFive", "\033[?25n", {.replies = {"5:\033[?20n"}}},
        {"QuestionTwentySix", "\033[?26n", {.replies = {"5:\033[?27;1n"}}},
        {"OtherStatusRequestsUnanswered", "\033[?5n\033[3n\033[?6n\033[n", {}},
        {"PositionReportAtBottomRight", "\033[99;99H\033[6n",
         {.column = 79, .row = 24, .replies = {"6:\033[80;25R\0"s}}},
    };
    // clang-format on
}

class AnsiScript : public ::testing::TestWithParam<CAnsiCase> {};

// The same bytes split in two at every position, and byte by byte, leave the
// same screen as the whole block: sequences may span any number of blocks.
TEST_P(AnsiScript, GivesExpectedScreenHoweverSplit)
{
    const CAnsiCase& c = GetParam();
    CReplyRecorder wholeReplies;
    CAnsiScreen whole(&wholeReplies);
    Deliver(whole, c.input, c.colour);
    EXPECT_EQ(Observe(whole, wholeReplies, c.expected.cells), c.expected);
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
