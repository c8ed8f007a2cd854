// The configuration command line, run as the real program on real files with
// no display: printing and writing round-trip files byte for byte, and every
// bad input ends in one clear line and exit code 1.
#include "document/ChangedSettings.h"
#include "document/KstArchive.h"
#include "support/NamedRows.h"
#include "support/TempDir.h"

#include <QString>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace kestrelon;
using kestrelon::test::ReadFileBytes;
using kestrelon::test::TempDir;
using kestrelon::test::WriteFileBytes;

namespace {

using test::PrintTo;

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

RunResult RunProgram(const TempDir& dir, const std::vector<std::string>& args)
{
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quoted(KESTRELON_PROGRAM);
    for (const std::string& a : args)
        command += " " + Quoted(a);
    command += " >" + Quoted(dir.File("stdout")) + " 2>" + Quoted(dir.File("stderr"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(dir.File("stdout")),
            ReadFileBytes(dir.File("stderr"))};
}

// Every field changed, with the integer extremes a JSON number must carry too.
CSavedSettings EverythingChanged()
{
    CSavedSettings s = test::EverythingChanged(300);
    s.font.lfHeight = -2147483647 - 1, s.font.lfWeight = 2147483647, s.dcb.BaudRate = 0xFFFFFFFF;
    return s;
}

struct RoundTripCase {
    const char* name;
    CSavedSettings settings;
};

class ConfigRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ConfigRoundTripTest, PrintThenWriteGivesTheSameBytes)
{
    TempDir dir;
    const std::string original = CKstArchive::Write(GetParam().settings);
    WriteFileBytes(dir.File("in.kst"), original);
    const RunResult print = RunProgram(dir, {"--print-config", dir.File("in.kst")});
    ASSERT_EQ(print.exitCode, 0) << print.err;
    EXPECT_EQ(print.err, "");
    WriteFileBytes(dir.File("config.json"), print.out);
    const RunResult write = RunProgram(dir, {"--write-config", dir.File("config.json"), dir.File("out.kst")});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(write.out + write.err, "");
    EXPECT_TRUE(ReadFileBytes(dir.File("out.kst")) == original);
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigRoundTripTest,
                         ::testing::Values(RoundTripCase{"NewDocument", CSavedSettings::Defaults()},
                                           RoundTripCase{"EverythingChanged", EverythingChanged()}),
                         test::RowName);

TEST(ConfigCommand, EmptyObjectWritesTheNewDocumentFile)
{
    TempDir dir;
    WriteFileBytes(dir.File("empty.json"), "{}");
    const RunResult r = RunProgram(dir, {"--write-config", dir.File("empty.json"), dir.File("new.kst")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string file = ReadFileBytes(dir.File("new.kst"));
    EXPECT_EQ(file.size(), 491u);
    EXPECT_TRUE(file == CKstArchive::Write(CSavedSettings::Defaults()));
}

struct BadInputCase {
    const char* name;
    std::string fileName;
    std::string contents;
    std::string expectedError; // after "kestrelon: <file>: "
};

class ConfigBadInputTest : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(ConfigBadInputTest, OneLineOnStandardErrorAndNothingWritten)
{
    const BadInputCase& c = GetParam();
    TempDir dir;
    const std::string in = dir.File(c.fileName);
    if (c.name != std::string("MissingFile"))
        WriteFileBytes(in, c.contents);
    WriteFileBytes(dir.File("out.kst"), "existing");
    const bool isJson = c.fileName.ends_with(".json");
    const RunResult r =
        isJson ? RunProgram(dir, {"--write-config", in, dir.File("out.kst")}) : RunProgram(dir, {"--print-config", in});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "kestrelon: " + in + ": " + c.expectedError + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFileBytes(dir.File("out.kst")), "existing");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Inputs, ConfigBadInputTest,
    ::testing::Values(
        BadInputCase{"MissingFile", "none.kst", "", "cannot open: No such file or directory"},
        BadInputCase{"TruncatedKst", "cut.kst", CKstArchive::Write(CSavedSettings::Defaults()).substr(0, 465),
                     "length 9 of bridgeServer exceeds the 3 bytes left in the file at byte offset 461"},
        BadInputCase{"NotJson", "a.json", "{\"beep\" true}", "bad JSON: missing name separator at character offset 9"},
        BadInputCase{"JsonArray", "a.json", "[]", "bad JSON: expected one object"},
        BadInputCase{"NumberForBoolean", "a.json", R"({"beep": 1})", "key \"beep\": expected true or false"},
        BadInputCase{"FractionalPort", "a.json", R"({"ipPort": 23.5})", "key \"ipPort\": 23.5 is not a whole number from 0 to 65535"},
        BadInputCase{"DcbByteTooLarge", "a.json", R"({"dcb": {"ByteSize": 256}})", "key \"dcb.ByteSize\": 256 is not a whole number from 0 to 255"},
        BadInputCase{"UnknownFontMember", "a.json", R"({"font": {"lfSize": 3}})", "key \"font.lfSize\": unknown key"},
        BadInputCase{"FaceNameTooLong", "a.json", R"({"font": {"lfFaceName": "123456789012345678901234567890123"}})",
                     "key \"font.lfFaceName\": longer than 32 characters"},
        BadInputCase{"CharacterBeyondEightBits", "a.json", R"({"ipServer": "caf\u20ac"})",
                     "key \"ipServer\": character U+20AC cannot be stored (only U+0000 to U+00FF)"},
        BadInputCase{"TooManyKeys", "a.json", "{\"fkeyLabel\": [\"\"" + QString(",\"\"").repeated(100).toStdString() + "]}", "key \"fkeyLabel\": more than 100 entries"},
        BadInputCase{"AnswerNotString", "a.json", R"({"autoAnswers": ["OK", 5]})", "key \"autoAnswers[1]\": expected a string"}),
    test::RowName);
// clang-format on

TEST(ConfigCommand, WrongArgumentCountShowsUsage)
{
    TempDir dir;
    const RunResult r = RunProgram(dir, {"--write-config", dir.File("only.json")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("usage: kestrelon --print-config FILE.kst\n", 0), 0u) << r.err;
}

} // namespace
