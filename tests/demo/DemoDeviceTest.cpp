// The demo device program over its pseudo-terminal: what it answers to typed
// lines, that a flood arrives whole, and that it goes, link and all, when
// stopped or when its parent dies.
#include "support/PtyPair.h"
#include "support/TempDir.h"
#include "transfer/TransferPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kestrelon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Starts the device with its runtime directory in `dir`; `viaMiddle` puts a
// process between the test and the device, to kill as its parent.
class CDemoProcess {
public:
    CDemoProcess(const test::TempDir& dir, bool viaMiddle)
    {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        m_child = fork();
        if (m_child == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
            if (viaMiddle && fork() != 0)
                for (;;)
                    pause();
            execl(KESTRELON_DEMO_DEVICE, KESTRELON_DEMO_DEVICE, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        m_out = out[0];
        const std::string head = ReadFrom(m_out, 2s, "\nLink: ", true);
        const auto at = head.find("Device: ");
        const auto link = head.find("Link: ");
        EXPECT_NE(link, std::string::npos) << head;
        if (at == std::string::npos || link == std::string::npos)
            return;
        m_device = head.substr(at + 8, head.find('\n', at) - at - 8);
        m_link = head.substr(link + 6, head.find('\n', link) - link - 6);
    }
    ~CDemoProcess()
    {
        if (m_line >= 0)
            close(m_line);
        if (m_child > 0) {
            kill(m_child, SIGTERM);
            waitpid(m_child, nullptr, 0);
        }
        close(m_out);
    }

    // Opens the line as a terminal does: raw, 115200.
    bool Open()
    {
        m_line = open(m_device.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        if (m_line < 0 || tcgetattr(m_line, &raw) != 0)
            return false;
        cfmakeraw(&raw);
        cfsetspeed(&raw, B115200);
        return tcsetattr(m_line, TCSANOW, &raw) == 0;
    }
    void Type(const std::string& text) { EXPECT_EQ(write(m_line, text.data(), text.size()), ssize_t(text.size())); }
    // Reads until `until` has arrived (or the time is up).
    std::string Read(const std::string& until, std::chrono::milliseconds limit = 5s)
    {
        return ReadFrom(m_line, limit, until, false);
    }
    // Ends the device with SIGTERM, as Kestrelon does; its exit status.
    int Terminate()
    {
        kill(m_child, SIGTERM);
        int status = 0;
        waitpid(m_child, &status, 0);
        m_child = -1;
        return status;
    }
    void KillMiddle()
    {
        kill(m_child, SIGKILL);
        waitpid(m_child, nullptr, 0);
        m_child = -1;
    }
    const std::string& Link() const { return m_link; }
    // The exit status of an lrzsz program run in `directory` on the line.
    int RunPeer(const std::vector<std::string>& args, const std::string& directory)
    {
        return test::CPeerProcess(args, {}, directory, m_line).Wait(30000);
    }

private:
    static std::string ReadFrom(int fd, std::chrono::milliseconds limit, const std::string& until, bool lineAfter)
    {
        return test::ReadUntil(fd, static_cast<int>(limit.count()), [&](const std::string& text) {
            const auto found = text.find(until);
            return found != std::string::npos &&
                   (!lineAfter || text.find('\n', found + until.size()) != std::string::npos);
        });
    }

    pid_t m_child = -1;
    int m_out = -1;
    int m_line = -1;
    std::string m_device;
    std::string m_link;
};

bool WaitGone(const std::string& path)
{
    for (int i = 0; i < 100 && fs::is_symlink(path); ++i)
        std::this_thread::sleep_for(50ms);
    return !fs::is_symlink(path);
}

struct Exchange {
    const char* typed;
    const char* answer; // everything from the echo of the line to the next prompt
};

TEST(DemoDeviceTest, AnswersLikeABoard)
{
    test::TempDir dir;
    CDemoProcess device(dir, false);
    ASSERT_TRUE(fs::is_symlink(device.Link())) << device.Link();
    ASSERT_TRUE(device.Open());
    const std::string banner = device.Read("demo> ");
    EXPECT_NE(banner.find("Kestrelon demo board"), std::string::npos) << banner;

    const Exchange cases[] = {
        {"echo hello board\r", "echo hello board\r\nhello board\r\ndemo> "},
        {"frobnicate\r", "frobnicate\r\nunknown command, try help\r\ndemo> "},
        {"ecgo\b\bho x\n", "ecgo\b \b\b \bho x\r\nx\r\ndemo> "},
        {"\b\r\n", "\r\ndemo> "},
        {"led blink\r", "led blink\r\nusage: led on|off\r\ndemo> "},
        {"led on\r", "led on\r\nLED on\r\ndemo> "},
        {"flood 0\r", "flood 0\r\nusage: flood N (N from 1 to 1000000000)\r\ndemo> "},
        {"login\ruser\rsecret\r", "login\r\nlogin: user\r\npassword: \r\nWelcome, user.\r\ndemo> "},
        {"log\r", "log\r\nThe terminal logs the output of the next command.\r\ndemo> "},
        {"echo y\r", "echo y\r\n[KESTRON:LOG_START\ry\r\n[KESTRON:LOG_STOP\rdemo> "},
    };
    for (const Exchange& c : cases) {
        device.Type(c.typed);
        EXPECT_EQ(device.Read("demo> "), c.answer) << c.typed;
    }

    device.Type("help\r");
    const std::string help = device.Read("demo> ");
    for (const char* command :
         {"help", "status", "led on|off", "echo TEXT", "flood N", "menu", "vtstatus", "gps on|off", "time", "log", "login"})
        EXPECT_NE(help.find(std::string("  ") + command + " "), std::string::npos) << command;

    // The time request waits for the answer, which comes without a line end.
    device.Type("time\r");
    EXPECT_EQ(device.Read("TIME_UTC\r"), "time\r\n[KESTRON:TIME_UTC\r");
    device.Type("2026-12-06 13:00:00");
    EXPECT_EQ(device.Read("demo> "), "UTC time from the terminal: 2026-12-06 13:00:00\r\ndemo> ");

    EXPECT_EQ(device.Terminate(), 0);
    EXPECT_FALSE(fs::is_symlink(device.Link()));
}

TEST(DemoDeviceTest, FloodArrivesWholeAndInOrder)
{
    test::TempDir dir;
    CDemoProcess device(dir, false);
    ASSERT_TRUE(device.Open());
    device.Read("demo> ");
    constexpr int kLines = 50000;
    device.Type("flood " + std::to_string(kLines) + "\r");
    const std::string text = device.Read("\r\ndemo> ", 60s);
    int expected = 1;
    std::size_t at = text.find("\r\n") + 2; // past the echoed command
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        if (std::atoi(text.c_str() + at) != expected)
            break;
        ++expected;
    }
    EXPECT_EQ(expected, kLines + 1);
    EXPECT_EQ(text.substr(at), "demo> ");
}

// rx stores what an XModem 1K sender sends; sx sends it back.
TEST(DemoDeviceTest, ReceivesAndSendsFilesWithXModem1K)
{
    test::TempDir dir;
    CDemoProcess device(dir, false);
    ASSERT_TRUE(device.Open());
    device.Read("demo> ");
    std::string content;
    for (int i = 0; content.size() < 5000; ++i)
        content += "line " + std::to_string(i) + " of the file the board receives\n";
    content.resize(5000);
    test::WriteFileBytes(dir.File("out.txt"), content);

    device.Type("rx\r");
    EXPECT_NE(device.Read("now\r\n").find("rx: ready"), std::string::npos);
    EXPECT_EQ(device.RunPeer({"sx", "-k", "-q", dir.File("out.txt")}, dir.Path().string()), 0);
    EXPECT_NE(device.Read("demo> ").find("rx: done"), std::string::npos);
    const std::string stored = test::ReadFileBytes(dir.File("kestrelon-demo-files/received.bin"));
    // XModem pads the last block with SUB.
    ASSERT_GE(stored.size(), content.size());
    EXPECT_EQ(stored.substr(0, content.size()), content);
    EXPECT_EQ(stored.find_first_not_of('\x1a', content.size()), std::string::npos);

    device.Type("sx received.bin\r");
    EXPECT_NE(device.Read("now\r\n").find("sx: sending"), std::string::npos);
    EXPECT_EQ(device.RunPeer({"rx", "-c", "-q", "back.bin"}, dir.Path().string()), 0);
    EXPECT_NE(device.Read("demo> ").find("sx: done"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(dir.File("back.bin")).substr(0, content.size()), content);

    device.Type("sx missing.bin\r");
    EXPECT_NE(device.Read("demo> ").find("sx: cannot read"), std::string::npos);
}

TEST(DemoDeviceTest, GoesWithItsParentAndRemovesItsLink)
{
    test::TempDir dir;
    CDemoProcess device(dir, true);
    ASSERT_TRUE(fs::is_symlink(device.Link()));
    device.KillMiddle();
    EXPECT_TRUE(WaitGone(device.Link()));
}

} // namespace
} // namespace kestrelon
