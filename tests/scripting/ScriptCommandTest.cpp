// Scripts run by the program itself (`kestrelon --script`) against the demo
// board over its pseudo-terminal, a TCP peer that cuts its banner into
// one-byte blocks and then echoes, and lrzsz over a pty: one row per script,
// with what it logs and the exit code.
#include "transfer/TransferPeer.h"

#include "support/NamedRows.h"
#include "support/PtyPair.h"
#include "support/SocketTestKit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kestrelon::test {
namespace {

using Clock = std::chrono::steady_clock;
using test::PrintTo;

enum class EPeer { Demo, Tcp, TcpCloses, Rb, Sx, None };

struct CScriptCase {
    const char* name;
    EPeer peer;
    const char* script; // Lua, or "@name" for docs/scripts/name
    const char* log;    // standard error, exactly; null: not compared
    int exitCode;
    int stopAfterMs = 0;   // SIGTERM then; the program must end within 200 ms
    const char* args = ""; // more arguments; with EPeer::None the only ones
};

// The peer's banner, written one byte at a time, so expect sees it cut everywhere.
constexpr const char* kBanner = "BOOT v1.2\r\nready> ";
const std::string kFirmware = std::string(3000, 'k') + "firmware end";

// clang-format off
const CScriptCase kCases[] = {
    {"SendlineExpectAndCaptures", EPeer::Demo,
     "sendline('') expect('demo> ') sendline('echo alpha beta')\n"
     "local m, a, b = expect('(%a+) (%a+)\\r\\n') print(m == 'alpha beta\\r\\n', a, b)",
     "true\talpha\tbeta\n", 0},
    {"ExampleLogin", EPeer::Demo, "@login.lua", "logged in as developer\n", 0},
    {"ExampleReset", EPeer::Demo, "@reset.lua",
     "no DTR on this line: sending the reset command\nthe board is up, version 1.0\n", 0},
    {"ExampleFirmwareUpload", EPeer::Demo, "@firmware.lua", "firmware fw.bin (3012 bytes) is on the board as fw.bin\n", 0},
    {"TimeoutReturnsNilWithin50ms", EPeer::Demo,
     "local t = now() local r = expect('never', 300) local d = now() - t print(r, d >= 300 and d < 350)",
     "nil\ttrue\n", 0},
    {"SleepAndNow", EPeer::Demo, "local t = now() sleep(120) local d = now() - t print(d >= 120 and d < 170)",
     "true\n", 0},
    {"PtyHasNoModemLinesButARateAndBreak", EPeer::Demo,
     "baud(9600) brk(50) print(pcall(function() dtr(true) end))\nprint(pcall(function() rts(0) end))",
     "false\tt.lua:1: the port has no such line (a pseudo-terminal has none)\n"
     "false\tt.lua:2: the port has no such line (a pseudo-terminal has none)\n", 0},
    {"ErrorNamesItsLine", EPeer::Demo, "log('a')\nlocal x\nx.y = 1\n",
     "a\nt.lua:3: attempt to index a nil value (local 'x')\n", 1},
    {"SyntaxError", EPeer::Demo, "send(\n", "t.lua:2: unexpected symbol near <eof>\n", 1},
    {"BadArgument", EPeer::Demo, "expect('x', -1)",
     "t.lua:1: bad argument #2 to 'expect' (a timeout is not negative)\n", 1},
    {"MalformedPattern", EPeer::Demo, "sendline('') expect('demo%')",
     "t.lua:1: malformed pattern (ends with '%')\n", 1},
    {"MemoryIsLimited", EPeer::Demo, "local s = 'x' while true do s = s .. s end",
     "not enough memory\n", 1},
    {"ExitCode", EPeer::Demo, "log('bye') exit(7) log('not reached')", "bye\n", 7},
    {"OsExitIsExit", EPeer::Demo, "os.exit(3)", "", 3},
    {"StopDuringBlockedExpect", EPeer::Demo, "log('waiting') expect('never', 60000)",
     "waiting\nkestrelon: the script was stopped\n", 1, 300},
    {"StopDuringSleep", EPeer::Demo, "sleep(1e15)", "kestrelon: the script was stopped\n", 1, 300},
    {"PcallCannotHoldAStop", EPeer::Demo, "while true do pcall(expect, 'never', 60000) end",
     "kestrelon: the script was stopped\n", 1, 300},
    {"BusyLoopStops", EPeer::Demo, "while true do end", "kestrelon: the script was stopped\n", 1, 300},
    {"ExpectAcrossBlocksCutAnywhere", EPeer::Tcp,
     "local _, v = expect('BOOT v([%d.]+)\\r\\nready> ') print(v)\n"
     "send('ping') sendline(' pong') print(expect('p%a+ p%a+\\r'))",
     "1.2\nping pong\r\n", 0},
    {"ConsumedDataIsGone", EPeer::Tcp, "expect('BOOT') print(expect('BOOT', 100), expect('ready'))",
     "nil\tready\n", 0},
    {"TcpHasNoLineControls", EPeer::Tcp, "print(pcall(function() baud(9600) end))",
     "false\tt.lua:1: a network connection has no DTR, RTS, break or line rate\n", 0},
    {"EchoCopiesTheLine", EPeer::Tcp, "expect('ready> ')", "", 0, 0, "--echo"},
    {"ClosedLineEndsTheWait", EPeer::TcpCloses,
     "expect('ready> ') local t = now() print(expect('x', 5000), now() - t < 1000)", "nil\ttrue\n", 0},
    {"MissingFileIsAReason", EPeer::Tcp, "print(send_file('xmodem', 'missing.bin'))",
     "nil\tError on accessing the file !\n", 0},
    {"UnknownProtocol", EPeer::Tcp, "send_file('kermit', 'fw.bin')",
     "t.lua:1: bad argument #1 to 'send_file' (protocol is xmodem, xmodem1k, ymodem, zim or none)\n", 1},
    {"SendFileToRb", EPeer::Rb, "print(send_file('ymodem', 'fw.bin'))", "true\n", 0},
    {"ReceiveFileFromSx", EPeer::Sx, "print(receive_file('xmodem1k', 'got.bin'))", "true\n", 0},
    {"NoLineIsUsage", EPeer::None, "", nullptr, 2, 0, "--script t.lua"},
    {"TwoLinesIsUsage", EPeer::None, "", nullptr, 2, 0, "--script t.lua --demo --tcp 127.0.0.1:1"},
    {"LineThatCannotOpen", EPeer::None, "", "kestrelon: /nonexistent/tty: No such file or directory\n", 2, 0,
     "--script t.lua --device /nonexistent/tty"},
};
// clang-format on

std::vector<std::string> Split(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The program in `dir` with HOME and the runtime directory there; stdout and
// stderr to files. Returns the pid.
pid_t Spawn(const TempDir& dir, const std::vector<std::string>& args)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (chdir(dir.Path().c_str()) != 0)
        _exit(120);
    setenv("HOME", dir.Path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    setenv("FIRMWARE", dir.File("fw.bin").c_str(), 1);
    dup2(open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    dup2(open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(KESTRELON_PROGRAM, argv.data());
    _exit(127);
}

// The exit code, or -1 when the program had to be killed after `limitMs`.
int WaitExit(pid_t pid, int limitMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Writes the banner a byte at a time, then echoes until the client goes, or closes.
void BannerThenEcho(const Fd& listener, bool close)
{
    const Fd peer = Accept(listener, 20000);
    const int one = 1;
    setsockopt(peer.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (const char* c = kBanner; *c; ++c) {
        WriteAll(peer.Get(), std::string(1, *c));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    char buffer[4096];
    for (ssize_t n; !close && (n = read(peer.Get(), buffer, sizeof buffer)) > 0;)
        WriteAll(peer.Get(), std::string(buffer, static_cast<std::size_t>(n)));
}

class ScriptCommand : public ::testing::TestWithParam<CScriptCase> {};

TEST_P(ScriptCommand, LogsAndExits)
{
    const CScriptCase& row = GetParam();
    TempDir dir;
    WriteFileBytes(dir.File("fw.bin"), kFirmware);
    const std::string script = row.script;
    if (script.starts_with('@'))
        std::filesystem::copy_file(std::string(KESTRELON_SOURCE_DIR "/docs/scripts/") + script.substr(1),
                                   dir.File("t.lua"));
    else
        WriteFileBytes(dir.File("t.lua"), script);
    std::vector<std::string> args{"kestrelon", "--script", "t.lua"};
    std::uint16_t port = 0;
    Fd listener;
    std::thread tcpPeer;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<CPeerProcess> lrzsz;
    switch (row.peer) {
    case EPeer::Demo:
        args.push_back("--demo");
        break;
    case EPeer::Tcp:
    case EPeer::TcpCloses:
        listener = Listen(AF_INET, port, 1);
        tcpPeer = std::thread([&] { BannerThenEcho(listener, row.peer == EPeer::TcpCloses); });
        args.insert(args.end(), {"--tcp", "127.0.0.1:" + std::to_string(port)});
        break;
    case EPeer::Rb:
    case EPeer::Sx:
        std::filesystem::create_directory(dir.Path() / "peer");
        WriteFileBytes(dir.File("peer/sent.bin"), kFirmware);
        pty = std::make_unique<PtyPair>();
        lrzsz = std::make_unique<CPeerProcess>(row.peer == EPeer::Rb ? std::vector<std::string>{"rb"}
                                                                     : std::vector<std::string>{"sx", "-k", "sent.bin"},
                                               "", dir.File("peer"), pty->Master());
        args.insert(args.end(), {"--device", pty->SlavePath()});
        break;
    case EPeer::None:
        args.resize(1);
        break;
    }
    for (const std::string& arg : Split(row.args))
        args.push_back(arg);
    const pid_t pid = Spawn(dir, args);
    if (row.stopAfterMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(row.stopAfterMs));
        kill(pid, SIGTERM);
    }
    const auto stopped = Clock::now();
    EXPECT_EQ(WaitExit(pid, row.stopAfterMs > 0 ? 200 : 30000), row.exitCode);
    if (row.stopAfterMs > 0)
        std::printf("stopped after %lld ms\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stopped).count()));
    if (row.log) {
        EXPECT_EQ(ReadFileBytes(dir.File("err.txt")), row.log);
    }
    if (lrzsz) {
        EXPECT_EQ(lrzsz->Wait(10000), 0);
    }
    if (row.peer == EPeer::Rb) {
        EXPECT_TRUE(ReadFileBytes(dir.File("peer/fw.bin")) == kFirmware);
    }
    if (row.peer == EPeer::Sx) {
        EXPECT_EQ(ReadFileBytes(dir.File("got.bin")).substr(0, kFirmware.size()), kFirmware);
    }
    if (std::string(row.args) == "--echo") {
        EXPECT_EQ(ReadFileBytes(dir.File("out.txt")), kBanner);
    }
    if (tcpPeer.joinable())
        tcpPeer.join();
}

// User plus system time of a process, in clock ticks.
long CpuTicks(pid_t pid)
{
    std::istringstream stat(ReadFileBytes("/proc/" + std::to_string(pid) + "/stat"));
    std::string field;
    long ticks = 0;
    for (int i = 1; stat >> field && i <= 15; ++i)
        if (i >= 14)
            ticks += std::stol(field);
    return ticks;
}

long RssKiB(pid_t pid)
{
    const std::string status = ReadFileBytes("/proc/" + std::to_string(pid) + "/status");
    const auto at = status.find("VmRSS:");
    return at == std::string::npos ? 0 : std::stol(status.substr(at + 6));
}

// While the peer is silent for a second the waiting script takes no CPU time;
// then 100 MiB go through one expect, which keeps no more than its window.
TEST(ScriptLoad, IdleExpectAndFlood)
{
    TempDir dir;
    WriteFileBytes(dir.File("t.lua"), "local t = now() local _, n = expect('END (%d+)', 120000) print(n, now() - t)");
    std::uint16_t port = 0;
    const Fd listener = Listen(AF_INET, port, 1);
    constexpr std::size_t kFlood = 100u << 20;
    std::thread peer([&] {
        const Fd line = Accept(listener, 20000);
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        std::string block;
        for (int i = 0; block.size() < 65536 - 16; ++i)
            block += "line " + std::to_string(i) + "\r\n";
        block.resize(65536, '.');
        for (std::size_t sent = 0; sent < kFlood; sent += block.size())
            WriteAll(line.Get(), block);
        WriteAll(line.Get(), "END 42\r\n");
        WaitForEof(line.Get(), 120000);
    });
    const pid_t pid = Spawn(dir, {"kestrelon", "--script", "t.lua", "--tcp", "127.0.0.1:" + std::to_string(port)});
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const long idleStart = CpuTicks(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const long idleTicks = CpuTicks(pid) - idleStart;
    const auto floodStart = Clock::now();
    long rss = 0;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0 && Clock::now() - floodStart < std::chrono::seconds(120)) {
        rss = std::max(rss, RssKiB(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - floodStart).count();
    peer.join();
    std::printf("idle expect: %ld ticks in 1 s; flood: 100 MiB in %.2f s (%.0f MiB/s), largest RSS %ld KiB\n",
                idleTicks, seconds, 100 / seconds, rss);
    EXPECT_LE(idleTicks, 1);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(ReadFileBytes(dir.File("err.txt")).starts_with("42\t"));
    // Bounded, not growing with the 100 MiB; the address sanitizer's shadow and
    // quarantine add their own tens of MiB.
#ifdef __SANITIZE_ADDRESS__
    EXPECT_LT(rss, 192 * 1024);
#else
    EXPECT_LT(rss, 64 * 1024);
#endif
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptCommand, ::testing::ValuesIn(kCases), test::RowName);

} // namespace
} // namespace kestrelon::test
