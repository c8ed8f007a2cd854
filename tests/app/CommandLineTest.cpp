// The window program's command line: --help and --version answer without a
// display, an unknown option is refused with the usage and status 2, and the
// options of the window and of Qt are left for them.
#include "app/CommandLine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using kestrelon::test::ReadFileBytes;
using kestrelon::test::TempDir;

namespace {

struct ProgramCase {
    std::vector<std::string> args;
    int exitCode;
    const char* out; // expected in standard output ("" for none)
    const char* err; // expected in standard error
};

class ProgramOptionTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramOptionTest, AnswersWithoutADisplay)
{
    const TempDir dir;
    // No display at all, and a home of its own: nothing may reach for either.
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME='" + dir.Path().string() +
                          "' XDG_CONFIG_HOME='" + dir.File("config") + "' '" KESTRELON_PROGRAM "'";
    for (const std::string& a : GetParam().args)
        command += " '" + a + "'";
    command += " >'" + dir.File("out") + "' 2>'" + dir.File("err") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), GetParam().exitCode);
    const std::string out = ReadFileBytes(dir.File("out"));
    const std::string err = ReadFileBytes(dir.File("err"));
    EXPECT_NE(out.find(GetParam().out), std::string::npos) << out;
    EXPECT_NE(err.find(GetParam().err), std::string::npos) << err;
    if (GetParam().exitCode == 0)
        EXPECT_EQ(err, "");
    else
        EXPECT_EQ(out, "");
}

INSTANTIATE_TEST_SUITE_P(Options, ProgramOptionTest,
                         ::testing::Values(ProgramCase{{"--help"}, 0, "usage: kestrelon [--demo] [FILE.kst]", ""},
                                           ProgramCase{{"-h"}, 0, "--print-config", ""},
                                           ProgramCase{{"some.kst", "--help"}, 0, "--nmea-json", ""},
                                           ProgramCase{{"--version"}, 0, "kestrelon " KESTRELON_VERSION "\n", ""},
                                           ProgramCase{{"--bogus"}, 2, "", "unknown option --bogus\nusage: kestrelon"},
                                           ProgramCase{{"--demo", "-x"}, 2, "", "unknown option -x\n"},
                                           ProgramCase{
                                               {"some.kst", "--demo=yes"}, 2, "", "unknown option --demo=yes\n"}));

// Arguments the window takes: none of them ends the program early.
TEST(CommandLine, WindowAndQtArgumentsPassThrough)
{
    const std::vector<std::vector<const char*>> lines = {
        {"kestrelon"},
        {"kestrelon", "--demo"},
        {"kestrelon", "my config.kst"},
        {"kestrelon", "-platform", "offscreen", "a.kst"},
        {"kestrelon", "--style", "Fusion", "--reverse"},
        {"kestrelon", "-"},
    };
    for (std::vector<const char*> line : lines) {
        bool handled = true;
        const int code = kestrelon::CheckCommandLine(int(line.size()), const_cast<char**>(line.data()), "1", stdout,
                                                     stderr, handled);
        EXPECT_FALSE(handled) << line.back();
        EXPECT_EQ(code, 0);
    }
}

} // namespace
