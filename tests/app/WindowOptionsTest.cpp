// The window's line options: what each command line does to the document, the
// combinations refused before a window opens, and a pty named by its path.
#include "app/WindowOptions.h"
#include "document/KestronDoc.h"
#include "serial/ComPortEnumerator.h"
#include "serial/SessionPortStore.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kestrelon::test {
namespace {

struct LineCase {
    const char* args;
    const char* error;  // a part of the refusal, or "" for none
    const char* result; // "mode host port baud | the arguments left | config"
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.args; }

class WindowLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(WindowLineTest, TurnsIntoDocumentSettings)
{
    std::vector<std::string> words{"kestrelon"};
    std::istringstream in(GetParam().args);
    for (std::string word; in >> word;)
        words.push_back(word);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int argc = int(words.size());
    CWindowOptions options;
    std::string error;
    const bool taken = TakeWindowOptions(argc, argv.data(), options, error);
    ASSERT_EQ(taken, !*GetParam().error) << error;
    if (!taken) {
        EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
        return;
    }
    CKestronDoc doc;
    CMemorySettingsStore memory;
    CSessionPortStore store(memory);
    ASSERT_TRUE(ApplyWindowLine(options.line, doc, store, error)) << error;
    std::ostringstream got;
    got << doc.commMode << ' ' << doc.ipServer << ' ' << doc.ipPort << ' ' << doc.dcb.BaudRate << " |";
    for (int i = 1; i < argc; ++i)
        got << ' ' << argv[i];
    got << " | " << options.config;
    EXPECT_EQ(got.str(), GetParam().result);
    EXPECT_FALSE(doc.IsModified());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, WindowLineTest, ::testing::Values(
    LineCase{"", "", "0 localhost 23 9600 | | "},
    LineCase{"--tcp 127.0.0.1:4001 --config a.kst", "", "1 127.0.0.1 4001 9600 | | a.kst"},
    LineCase{"-platform offscreen --tcp [::1]:23 --demo", "", "4 ::1 23 9600 | -platform offscreen --demo | "},
    LineCase{"--tcp-server 5000 my.kst", "", "2 localhost 5000 9600 | my.kst | "},
    LineCase{"--udp host.lan:6000", "", "3 host.lan 6000 9600 | | "},
    LineCase{"--udp [fe80::1]:6000 --local-port 6001", "", "6 fe80::1 6000 9600 | | "},
    LineCase{"--com 3 --baud 57600", "", "0 localhost 23 57600 | | "},
    LineCase{"--tcp ::1:23", "bad option: --tcp ::1:23", ""},
    LineCase{"--tcp host", "bad option", ""},
    LineCase{"--tcp host:0", "bad option", ""},
    LineCase{"--tcp-server 65536", "bad option", ""},
    LineCase{"--device", "bad option: --device", ""},
    LineCase{"--baud +9600 --com 1", "bad option", ""},
    LineCase{"--config", "bad option: --config", ""},
    LineCase{"--tcp h:1 --udp h:2", "name one line", ""},
    LineCase{"--tcp h:1 --baud 9600", "--baud needs --device", ""},
    LineCase{"--tcp h:1 --local-port 7", "--local-port needs --udp", ""}));
// clang-format on

TEST(WindowLine, DevicePathKeepsItsNumberOrGetsASessionOne)
{
    PtyPair pty;
    CMemorySettingsStore memory;
    CSessionPortStore store(memory);
    CKestronDoc doc;
    std::string error;
    CLineOptions line;
    line.device = pty.SlavePath();
    ASSERT_TRUE(ApplyWindowLine(line, doc, store, error)) << error;
    EXPECT_GE(doc.comPort, COMMAND_LINE_FIRST_PORT);
    EXPECT_EQ(CComPortEnumerator(store).DevicePath(doc.comPort), pty.SlavePath());
    EXPECT_TRUE(memory.Keys("Ports").empty()); // nothing written to the user's settings
    const std::uint32_t first = doc.comPort;
    doc.comPort = 1;
    ASSERT_TRUE(ApplyWindowLine(line, doc, store, error));
    EXPECT_EQ(doc.comPort, first);
}

} // namespace
} // namespace kestrelon::test
