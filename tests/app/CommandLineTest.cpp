// The window program's own options: --help and --version answer without a
// display, an unknown option is refused with the usage and status 2, and the
// options of the window and of Qt are left alone.
#include "app/CommandLine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct ProgramCase {
    const char* args;
    int exitCode;
    const char* out; // expected in standard output, and the only output when
    const char* err; // ...empty here; else expected in standard error alone
};
void PrintTo(const ProgramCase& c, std::ostream* os) { *os << "kestrelon " << c.args; }

class ProgramOptionTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramOptionTest, AnswersWithoutADisplay)
{
    const kestrelon::test::TempDir dir;
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME='" + dir.Path().string() +
                                "' '" KESTRELON_PROGRAM "' " + GetParam().args + " >'" + dir.File("out") + "' 2>'" +
                                dir.File("err") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), GetParam().exitCode);
    const std::string out = kestrelon::test::ReadFileBytes(dir.File("out"));
    const std::string err = kestrelon::test::ReadFileBytes(dir.File("err"));
    EXPECT_NE(out.find(GetParam().out), std::string::npos) << out;
    EXPECT_NE(err.find(GetParam().err), std::string::npos) << err;
    EXPECT_TRUE(*GetParam().err ? out.empty() : err.empty());
}

INSTANTIATE_TEST_SUITE_P(Options, ProgramOptionTest,
                         ::testing::Values(ProgramCase{"--help", 0, "usage: kestrelon [--demo] [FILE.kst]", ""},
                                           ProgramCase{"a.kst -h", 0, "--nmea-json FILE", ""},
                                           ProgramCase{"--version", 0, "kestrelon " KESTRELON_VERSION "\n", ""},
                                           ProgramCase{"--bogus", 2, "", "unknown option --bogus\nusage: kestrelon"},
                                           ProgramCase{"--demo -x a.kst", 2, "", "unknown option -x\n"},
                                           ProgramCase{"--render-terminal \"$KESTRELON_SOURCE_DIR\"/tests/screens/"
                                                       "data/menu-vt100.vt",
                                                       0, "\u2502 \u2502              c  x86 box", ""},
                                           ProgramCase{"--render-terminal /dev/null --size 20x5", 0, "\n\n\n\n\n", ""},
                                           ProgramCase{"--render-terminal /no/such.log", 1, "",
                                                       "cannot read /no/such.log"},
                                           ProgramCase{"--render-terminal /dev/null --size 19x5", 2, "",
                                                       "usage: kestrelon --render-terminal"}));

TEST(CommandLine, WindowAndQtArgumentsPassThrough)
{
    for (std::vector<const char*> line :
         std::vector<std::vector<const char*>>{{"kestrelon", "--demo", "my config.kst"},
                                               {"kestrelon", "-platform", "offscreen", "-"},
                                               {"kestrelon", "--style", "Fusion", "--reverse"}}) {
        bool handled = true;
        EXPECT_EQ(kestrelon::CheckCommandLine(int(line.size()), const_cast<char**>(line.data()), "1", stdout, stderr,
                                              handled),
                  0);
        EXPECT_FALSE(handled) << line[1];
    }
}

} // namespace
