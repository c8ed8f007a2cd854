// Terminal view model: recordings of real programs against tmux running live as
// the reference emulator (every row's text, the cursor, and the colours and
// attributes of every drawn cell), a table of edge cases each fed whole, byte by
// byte and split at every byte, the scrollback's bound, and the worker that feeds
// the model beside the window's thread.
#include "screens/TerminalFeed.h"
#include "screens/TerminalScreen.h"
#include "support/NamedRows.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace std::string_literals;

namespace kestrelon {
namespace {

using test::PrintTo;
using test::TempDir;

void Feed(CTerminalScreen& screen, const std::string& bytes)
{
    screen.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string Shell(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

// A tmux server of its own showing `file` raw in an 80x24 pane.
class CTmuxReference {
public:
    CTmuxReference(const TempDir& dir, const std::string& file) : m_tmux("timeout 20 tmux -S " + dir.File("sock") + " ")
    {
        const std::string pane = "stty raw -echo; cat '" + file + "'; " + m_tmux + "wait-for -S fed; exec sleep 600";
        Shell(m_tmux + "-f /dev/null new-session -d -x 80 -y 24 \"" + pane + "\" 2>&1");
        Shell(m_tmux + "wait-for fed");
    }
    ~CTmuxReference() { Shell(m_tmux + "kill-server 2>/dev/null"); }
    // The pane with its colours, once tmux has read everything (two equal captures).
    std::string Capture()
    {
        std::string last;
        for (int tries = 0; tries < 50; ++tries) {
            std::string now = Shell(m_tmux + "capture-pane -p -e");
            if (now == last && !now.empty())
                return now;
            last = std::move(now);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return last;
    }
    std::string Cursor() { return Shell(m_tmux + "display -p '#{cursor_y},#{cursor_x}'"); }

private:
    std::string m_tmux;
};

// The capture read back into a model: its rows, joined by CR LF, with SO/SI
// (which tmux writes around line-drawing letters) selecting the line-drawing set.
CTerminalScreen ReadBack(const std::string& capture)
{
    CTerminalScreen screen(80, 24, 0);
    std::string bytes = "\x1b)0";
    for (char c : capture.substr(0, capture.find_last_not_of('\n') + 1))
        bytes += c == '\n' ? "\r\n"s : std::string(1, c);
    Feed(screen, bytes);
    return screen;
}

std::string CellDifferences(const CTerminalScreen& expected, const CTerminalScreen& actual)
{
    std::string differences;
    for (int row = 0; row < expected.Rows(); ++row)
        for (int column = 0; column < expected.Columns(); ++column) {
            const CTerminalCell &e = expected.ScreenRow(row)[column], &a = actual.ScreenRow(row)[column];
            if (e.codePoint != U' ' &&
                (e.foreground != a.foreground || e.background != a.background || e.attributes != a.attributes))
                differences += std::to_string(row) + "," + std::to_string(column) + " ";
        }
    return differences;
}

class RecordingTest : public testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(RecordingTest, ShowsWhatTmuxShows)
{
    ASSERT_EQ(Shell("tmux -V 2>&1").rfind("tmux ", 0), 0u) << "tmux is missing (package tmux)";
    const char* source = std::getenv("KESTRELON_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run under ctest, or set KESTRELON_SOURCE_DIR to the source tree";
    const auto& [program, terminal] = GetParam();
    const std::string file = std::string(source) + "/tests/screens/data/" + program + "-" + terminal + ".vt";
    CTerminalScreen model(80, 24);
    Feed(model, test::ReadFileBytes(file));
    TempDir dir;
    CTmuxReference tmux(dir, file);
    const CTerminalScreen reference = ReadBack(tmux.Capture());
    for (int row = 0; row < 24; ++row)
        EXPECT_EQ(reference.LineText(row), model.LineText(row)) << "row " << row;
    // tmux counts a pending wrap as the column past the last.
    const int column = model.CursorColumn() + (tmux.Cursor().ends_with(",80\n") ? 1 : 0);
    EXPECT_EQ(tmux.Cursor(), std::to_string(model.CursorRow()) + "," + std::to_string(column) + "\n");
    EXPECT_EQ(CellDifferences(reference, model), "");
}

// Each program recorded under each terminal type it was run with.
INSTANTIATE_TEST_SUITE_P(Programs, RecordingTest,
                         testing::Combine(testing::Values("vi", "less", "top", "htop", "menu", "checklist", "shell"),
                                          testing::Values("vt100", "vt220", "xterm-256color")),
                         [](const auto& info) {
                             const std::string& terminal = std::get<1>(info.param);
                             return std::get<0>(info.param) + "_" + terminal.substr(0, terminal.find('-'));
                         });

// ---- edge cases on a 20 x 5 screen

struct CEdgeCase {
    const char* name;
    std::string input;
    // The screen's rows with '|' after each ('+' where the text wrapped on), the
    // cursor, then answers, title and bells when there are any.
    std::string expected;
    TerminalEncoding encoding = TerminalEncoding::Utf8;
};

std::string Visible(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes)
        text += c == 0x1b ? "^["s : std::string(1, static_cast<char>(c));
    return text;
}

std::string Summary(CTerminalScreen& screen)
{
    std::string text;
    for (int row = 0; row < screen.Rows(); ++row)
        text += screen.LineText(row) + (screen.LineWrapped(row) ? "+" : "|");
    text += " @" + std::to_string(screen.CursorRow()) + "," + std::to_string(screen.CursorColumn());
    if (screen.HasAnswers())
        text += " answers " + Visible(screen.TakeAnswers());
    if (screen.TakeTitleChanged())
        text += " title " + screen.Title();
    if (const int bells = screen.TakeBellCount())
        text += " bells " + std::to_string(bells);
    return text;
}

const CEdgeCase EDGE_CASES[] = {
    {"PendingWrapThenText", "abcdefghijklmnopqrstU", "abcdefghijklmnopqrst+U|||| @1,1"},
    {"PendingWrapThenReturn", "abcdefghijklmnopqrst\rX", "Xbcdefghijklmnopqrst||||| @0,1"},
    {"PendingWrapThenBackspace", "abcdefghijklmnopqrst\bX", "abcdefghijklmnopqrXt||||| @0,19"},
    {"PendingWrapCancelledByMove", "abcdefghijklmnopqrst\x1b[1;20HX", "abcdefghijklmnopqrsX||||| @0,19"},
    {"WrapFlagMovesWithScroll", "abcdefghijklmnopqrstuv\x1b[T", "|abcdefghijklmnopqrst+uv||| @1,2"},
    {"NoAutowrap", "\x1b[?7labcdefghijklmnopqrstUVW", "abcdefghijklmnopqrsW||||| @0,19"},
    {"RegionWithOriginMode", "\x1b[2;4r\x1b[?6h\x1b[1;1HA\x1b[9;3HB\x1b[6n", "|A||  B|| @3,3 answers ^[[3;4R"},
    {"OriginModeOffHomesToScreen", "\x1b[2;4r\x1b[?6h\x1b[?6lA", "A||||| @0,1"},
    {"LineFeedScrollsOnlyRegion", "1\r\n2\r\n3\r\n4\r\n5\x1b[2;4r\x1b[4;1H\nX", "1|3|4|X|5| @3,1"},
    {"InsertLineInRegion", "1\r\n2\r\n3\r\n4\r\n5\x1b[2;4r\x1b[3;1H\x1b[L", "1|2||3|5| @2,0"},
    {"DeleteLinesInRegion", "1\r\n2\r\n3\r\n4\r\n5\x1b[2;4r\x1b[2;3H\x1b[2M", "1|4|||5| @1,0"},
    {"InsertLineOutsideRegion", "1\r\n2\r\n3\r\n4\r\n5\x1b[2;4r\x1b[5;1H\x1b[L", "1|2|3|4|5| @4,0"},
    {"ReverseIndexAtRegionTop", "1\r\n2\r\n3\r\n4\r\n5\x1b[2;4r\x1b[2;1H\x1bM", "1||2|3|5| @1,0"},
    {"InsertDeleteEraseCharacters", "abcdefgh\x1b[1;2H\x1b[2@\x1b[1;6H\x1b[2P\x1b[1;1H\x1b[1X", "   bcfgh||||| @0,0"},
    {"InsertMode", "abc\x1b[1;2H\x1b[4hXY\x1b[4lZ", "aXYZc||||| @0,4"},
    {"AlternateScreenRoundTrip", "main\x1b[?1049h\x1b[Halt\x1b[2;1Hscreen\x1b[?1049l!", "main!||||| @0,5"},
    {"AlternateScreenStartsBlank", "main\x1b[?1049hx", "    x||||| @0,5"},
    {"WideCharacterAtLastColumn", "abcdefghijklmnopqrs\xe4\xb8\xad", "abcdefghijklmnopqrs+\xe4\xb8\xad|||| @1,2"},
    {"WideCharacterHalfOverwritten", "\xe4\xb8\xad\xe6\x96\x87\x1b[1;2Hx", " x\xe6\x96\x87||||| @0,2"},
    {"CombiningMarkJoinsCell", "e\xcc\x81!", "e\xcc\x81!||||| @0,2"},
    {"InvalidUtf8",
     "a\xff"
     "b\xe4\xb8"
     "c\xed\xa0\x80",
     "a\xef\xbf\xbd"
     "b\xef\xbf\xbd"
     "c\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd||||| @0,8"},
    {"LineDrawingWithShift", "\x1b)0\x0elqk\x0fq\x1b(0x\x1b(Bx",
     "\xe2\x94\x8c\xe2\x94\x80\xe2\x94\x90q\xe2\x94\x82x||||| @0,6"},
    {"ControlsNeverDrawn",
     "a\x00\x01\x7f"
     "b\x1b[1;2H\bc"s,
     "cb||||| @0,1"},
    {"TabStopsSetAndCleared", "\ta\x1b[3g\x1b[1;4H\x1bH\r\tb\tc", "   b    a          c||||| @0,19"},
    {"EraseDisplayAndLine", "aaaa\r\nbbbb\r\ncccc\x1b[2;3H\x1b[1K\x1b[3;2H\x1b[J", "aaaa|   b|c||| @2,1"},
    {"SaveRestoreCursor",
     "\x1b[2;3H\x1b"
     "7\x1b[5;5H\x1b"
     "8X\x1b[4;4H\x1b[s\x1b[H\x1b[uY",
     "|  X||   Y|| @3,4"},
    {"SizeProbe",
     "\x1b"
     "7\x1b[r\x1b[999;999H\x1b[6n\x1b"
     "8",
     "||||| @0,0 answers ^[[5;20R"},
    {"Answers", "\x1b[c\x1b[>c\x1b[5n\x1b[2;7H\x1b[6n\x1b[18t",
     "||||| @1,6 answers ^[[?62;22c^[[>1;10;0c^[[0n^[[2;7R^[[8;5;20t"},
    {"TitleAndBells", "\x1b]0;first\x07\x1b]2;board shell\x1b\\\x07\x07x", "x||||| @0,1 title board shell bells 2"},
    {"StringsReadToTheirEnd",
     "a\x1bPq#0;1;2\x1b\\b\x1b_apc\x07c\x1b\\d\x1b]7;file\x07"
     "e",
     "abde||||| @0,4"}, // BEL ends only OSC strings
    {"CancelEndsSequence",
     "a\x1b[3\x18"
     "b\x1b[1\x1a"
     "c",
     "abc||||| @0,3"},
    {"ParametersSaturate",
     "\x1b[99999999999999;99999999999999HX\x1b[1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;"
     "1;1;1;1HY",
     "Y||||                   X| @0,1"},
    {"TooManyIntermediates", "\x1b[1$$$pX\x1b(((0q", "Xq||||| @0,2"},
    {"TitleCutAtItsLimit", "\x1b]2;"s + std::string(600, 't') + "\x07", "||||| @0,0 title " + std::string(510, 't')},
    {"SoftResetKeepsText", "\x1b[2;3r\x1b[?6h\x1b[1mtext\x1b[!p\x1b[5;1HZ", "|text|||Z| @4,1"},
    {"HardReset",
     "text\x1b[?1049h\x1b"
     "cZ",
     "Z||||| @0,1"},
    {"Repeat", "ab\x1b[3b", "abbbb||||| @0,5"},
    {"C1ControlsNeverDrawn",
     "a\xc2\x85"
     "b\xc2\x9b"
     "c",
     "abc||||| @0,3"},
    {"TitleKeptValidUtf8",
     "\x1b]2;b\xc3\xa4"
     "d \xff\xe4!\x07",
     "||||| @0,0 title b\xc3\xa4"
     "d \xef\xbf\xbd\xef\xbf\xbd!"},
    {"Latin1Title", "\x1b]2;caf\xe9\x07", "||||| @0,0 title caf\xc3\xa9", TerminalEncoding::Latin1},
    {"Latin1", "caf\xe9 \x85\xff", "caf\xc3\xa9 \xc3\xbf||||| @0,6", TerminalEncoding::Latin1},
};

class EdgeCaseTest : public testing::TestWithParam<CEdgeCase> {};

TEST_P(EdgeCaseTest, SameWholeByteByByteAndSplitAnywhere)
{
    const CEdgeCase& edge = GetParam();
    CTerminalScreen whole(20, 5);
    whole.SetEncoding(edge.encoding);
    Feed(whole, edge.input);
    EXPECT_EQ(Summary(whole), edge.expected);
    CTerminalScreen bytes(20, 5);
    bytes.SetEncoding(edge.encoding);
    for (char c : edge.input)
        Feed(bytes, std::string(1, c));
    EXPECT_EQ(Summary(bytes), edge.expected) << "byte by byte";
    for (std::size_t split = 1; split < edge.input.size(); ++split) {
        CTerminalScreen halves(20, 5);
        halves.SetEncoding(edge.encoding);
        Feed(halves, edge.input.substr(0, split));
        Feed(halves, edge.input.substr(split));
        ASSERT_EQ(Summary(halves), edge.expected) << "split at " << split;
    }
}

INSTANTIATE_TEST_SUITE_P(Screen, EdgeCaseTest, testing::ValuesIn(EDGE_CASES), test::RowName);

// SGR parameters and the pen they leave, read from the cell drawn after them.
struct CRenditionCase {
    const char* parameters;
    CTerminalColour foreground, background;
    std::uint16_t attributes;
};

const CRenditionCase RENDITIONS[] = {
    {"1;2;3;4;5;7;8;9", {}, {}, 0xFF},
    {"1;2;3;4;5;7;8;9;22;23;24;25;27;28;29", {}, {}, 0},
    {"4;4:0;21", {}, {}, TATTR_UNDERLINE},
    {"31;42", CTerminalColour::Indexed(1), CTerminalColour::Indexed(2), 0},
    {"91;103;39", {}, CTerminalColour::Indexed(11), 0},
    {"38;5;196;48;5;17", CTerminalColour::Indexed(196), CTerminalColour::Indexed(17), 0},
    {"38;2;1;2;3;1", CTerminalColour::Rgb(1, 2, 3), {}, TATTR_BOLD},
    {"48:2::10:20:30;4", {}, CTerminalColour::Rgb(10, 20, 30), TATTR_UNDERLINE},
    {"38:2:10:20:30", CTerminalColour::Rgb(10, 20, 30), {}, 0},
    {"38:5:300;7", {}, {}, TATTR_REVERSE},
    {"38;2;1;2", {}, {}, 0},
    {"31;1;;32", CTerminalColour::Indexed(2), {}, 0},
    {"44;49;m\x1b[7", {}, {}, TATTR_REVERSE},
};

class RenditionTest : public testing::TestWithParam<CRenditionCase> {};

TEST_P(RenditionTest, PenOfTheNextCell)
{
    CTerminalScreen screen(20, 5);
    Feed(screen, "\x1b[35;1m\x1b[0m\x1b["s + GetParam().parameters + "mx");
    const CTerminalCell& cell = screen.ScreenRow(0)[0];
    EXPECT_EQ(cell.foreground, GetParam().foreground);
    EXPECT_EQ(cell.background, GetParam().background);
    EXPECT_EQ(cell.attributes, GetParam().attributes);
}

INSTANTIATE_TEST_SUITE_P(Sgr, RenditionTest, testing::ValuesIn(RENDITIONS),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

// The scrollback keeps its newest lines up to the limit; a resize keeps the
// content top-left and the cursor's line on screen.
TEST(TerminalScrollback, BoundedRingAndResize)
{
    CTerminalScreen screen(20, 8, 1000);
    for (int line = 1; line <= 1500; ++line)
        Feed(screen, "line " + std::to_string(line) + "\r\n");
    EXPECT_EQ(screen.ScrollbackLines(), 1000);
    EXPECT_EQ(screen.LineText(-1000), "line 494");
    EXPECT_EQ(screen.LineText(-1), "line 1493");
    EXPECT_EQ(screen.LinesScrolledOff(), 1493u);
    screen.Resize(30, 5);
    EXPECT_EQ(screen.LineText(0), "line 1497");
    EXPECT_EQ(screen.LineText(-1), "line 1496");
    EXPECT_EQ(screen.CursorRow(), 4);
    Feed(screen, "\x1b[5;20H\xe4\xb8\xad"); // a wide character across the coming edge
    screen.Resize(10, 8);
    EXPECT_EQ(screen.Columns(), CTerminalScreen::MIN_COLUMNS);
    EXPECT_EQ(screen.LineText(3), "line 1500");
    EXPECT_EQ(screen.LineText(4), "");
    screen.SetScrollbackLimit(CTerminalScreen::MAX_SCROLLBACK);
    EXPECT_EQ(screen.ScrollbackLimit(), CTerminalScreen::MAX_SCROLLBACK);
    screen.Resize(1000, 8); // the same memory holds fewer lines of a wider screen
    EXPECT_EQ(screen.ScrollbackLimit(), CTerminalScreen::MAX_SCROLLBACK_CELLS / 1000);
    screen.Resize(20, 8);
    EXPECT_EQ(screen.LineText(3), "line 1500");
    screen.SetScrollbackLimit(10);
    EXPECT_EQ(screen.LineText(-10), "line 1487");
    EXPECT_EQ(screen.ScrollbackLines(), 10);
}

// A full ring allowed to grow again goes on in order from its newest line, and
// clearing it leaves the screen as it was.
TEST(TerminalScrollback, FullRingGrowsAgainAndClears)
{
    CTerminalScreen screen(20, 5, 10);
    auto feedLines = [&](int from, int to) {
        for (int line = from; line <= to; ++line)
            Feed(screen, "line " + std::to_string(line) + "\r\n");
    };
    feedLines(1, 23); // lines 1 to 19 scrolled off; the ring of 10 went round
    EXPECT_EQ(screen.LineText(-10), "line 10");
    screen.SetScrollbackLimit(20);
    feedLines(24, 28);
    EXPECT_EQ(screen.ScrollbackLines(), 15);
    EXPECT_EQ(screen.LineText(-15), "line 10");
    EXPECT_EQ(screen.LineText(-1), "line 24");
    screen.ClearScrollback();
    EXPECT_EQ(screen.ScrollbackLines(), 0);
    EXPECT_EQ(screen.LineText(0), "line 25");
    feedLines(29, 29);
    EXPECT_EQ(screen.LineText(-1), "line 25");
}

// Every recording in blocks of the sizes a serial reader hands over, through the
// worker, the screen taken back now and then as the repaint tick does, and one
// block beyond the backlog: the same screen as parsed in place.
TEST(TerminalFeed, SameScreenAsParsedInPlace)
{
    const char* source = std::getenv("KESTRELON_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run under ctest, or set KESTRELON_SOURCE_DIR to the source tree";
    std::string bytes;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(source) + "/tests/screens/data"))
        bytes += test::ReadFileBytes(entry.path().string());
    bytes += std::string(CTerminalFeed::MAX_BACKLOG + 1, 'x');
    CTerminalScreen direct(80, 24, 500), fed(80, 24, 500);
    Feed(direct, bytes);
    {
        CTerminalFeed feed(fed);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        for (std::size_t at = 0, block = 1, blocks = 0; at < bytes.size(); at += block, block = block * 7 % 3803 + 1) {
            feed.Post(data + at, std::min(block, bytes.size() - at));
            if (++blocks % 50 == 0) {
                EXPECT_LT(feed.Screen().CursorRow(), 24);
            }
        }
        EXPECT_EQ(&feed.Screen(), &fed);
        EXPECT_FALSE(feed.Pending());
    }
    for (int line = -500; line < 24; ++line)
        ASSERT_EQ(direct.LineText(line), fed.LineText(line)) << "line " << line;
    EXPECT_EQ(direct.CursorColumn(), fed.CursorColumn());
}

} // namespace
} // namespace kestrelon
