// The Terminal view's text and find over a real shell session (bash, ls
// --color, wide characters, a combining mark, a command line the terminal
// wrapped): its text is what tmux gives for the same bytes (capture-pane -J -S -,
// blanks trimmed) at any size, also after widening; a table of searches.
#include "screens/TerminalFinder.h"
#include "screens/TerminalScreen.h"
#include "support/NamedRows.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrelon {

void PrintTo(const CTerminalFinder::CMatch& m, std::ostream* out)
{
    *out << m.first.line << "," << m.first.column << " to " << m.last.line << "," << m.last.column;
}

namespace {

std::string Data(const char* name)
{
    const char* source = std::getenv("KESTRELON_SOURCE_DIR");
    return test::ReadFileBytes(std::string(source ? source : ".") + "/tests/screens/data/" + name);
}

CTerminalScreen Session(int columns, int rows)
{
    CTerminalScreen screen(columns, rows);
    const std::string bytes = Data("shell-xterm-256color.vt");
    screen.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return screen;
}

TEST(TerminalTextTest, SessionTextIsTmuxsAtEverySize)
{
    const std::string expected = Data("shell-xterm-256color.txt");
    ASSERT_FALSE(expected.empty()) << "run under ctest, or set KESTRELON_SOURCE_DIR";
    // Rows wrapped at 45 columns still join once the screen is 120 wide.
    for (const auto& [columns, rows, widened] : {std::tuple{80, 24, 0}, {80, 60, 0}, {45, 10, 120}, {132, 5, 0}}) {
        CTerminalScreen screen = Session(columns, rows);
        screen.Resize(widened ? widened : columns, rows);
        EXPECT_EQ(TerminalText(screen), expected) << columns << "x" << rows << " to " << widened;
    }
    EXPECT_EQ(FoldTerminalText("ab\u4e2d\u6587e\u0301\n\nxyz", 5),
              (std::vector<std::string>{"ab\u4e2d", "\u6587e\u0301", "", "xyz"}));
}

struct CFindCase {
    const char* name;
    const char* pattern;
    bool matchCase;
    std::optional<CTerminalPlace> from;
    FindDirection direction;
    std::optional<CTerminalFinder::CMatch> expected;
};

using Place = CTerminalPlace;
using test::PrintTo;
constexpr auto kForward = FindDirection::Forward;
constexpr auto kBack = FindDirection::Backward;

// 80 x 24: 15 lines of scrollback above the screen's 24.
const CFindCase kFinds[] = {
    {"InScrollback", "adduser", true, std::nullopt, kForward, {{{-11, 42}, {-11, 49}}}},
    {"AnyCase", "ADDUSER", false, std::nullopt, kForward, {{{-11, 42}, {-11, 49}}}},
    {"CaseMatters", "ADDUSER", true, std::nullopt, kForward, std::nullopt},
    {"WideOnScreen", "\xe4\xb8\xad\xe6\x96\x87", true, std::nullopt, kForward, {{{22, 8}, {22, 12}}}},
    {"CombiningMark", "e\xcc\x81", true, std::nullopt, kForward, {{{22, 13}, {22, 14}}}},
    {"AcrossTheWrap", "b8\\xad", true, std::nullopt, kForward, {{{20, 77}, {21, 3}}}},
    {"LastFromTheEnd", "board", true, std::nullopt, kBack, {{{23, 0}, {23, 5}}}},
    {"RoundTheEnd", "board", true, Place{23, 0}, kForward, {{{-15, 27}, {-15, 32}}}},
    {"Missing", "no such text", false, std::nullopt, kForward, std::nullopt},
};

class TerminalFindTest : public testing::TestWithParam<CFindCase> {};

TEST_P(TerminalFindTest, MatchesAsTheUserReadsThem)
{
    const CFindCase& c = GetParam();
    const CTerminalScreen screen = Session(80, 24);
    ASSERT_EQ(screen.ScrollbackLines(), 15);
    CTerminalFinder finder;
    finder.SetPattern(c.pattern, c.matchCase);
    EXPECT_EQ(finder.Find(screen, c.from, c.direction, false), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Shell, TerminalFindTest, testing::ValuesIn(kFinds), test::RowName);

} // namespace
} // namespace kestrelon
