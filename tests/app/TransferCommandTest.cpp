// `kestrelon --send` and `--receive` in process: against lrzsz over a pty, a
// plain send over TCP, a silent and a cancelling peer, and wrong arguments.
#include "transfer/TransferPeer.h"

#include "support/PtyPair.h"
#include "support/SocketTestKit.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"
#include "app/TransferCommand.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace kestrelon::test {
namespace {

int RunCommand(std::vector<std::string> args)
{
    args.insert(args.begin(), "kestrelon");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    bool handled = false;
    const int code = RunTransferCommand(static_cast<int>(argv.size()), argv.data(), handled,
                                        [] { return std::make_unique<CMemorySettingsStore>(); });
    EXPECT_TRUE(handled);
    return code;
}

TEST(TransferCommand, SendsToRbAndReceivesFromSx)
{
    TempDir dir;
    const std::string data = RandomBytes(70000, 21);
    WriteFileBytes(dir.File("fw.bin"), data);
    std::filesystem::create_directory(dir.Path() / "out");
    {
        PtyPair pty;
        CPeerProcess rb({"rb"}, {}, dir.File("out"), pty.Master());
        EXPECT_EQ(RunCommand({"--send", "ymodem", dir.File("fw.bin"), "--device", pty.SlavePath(), "--baud", "230400"}),
                  0);
        EXPECT_EQ(rb.Wait(10000), 0);
    }
    EXPECT_TRUE(ReadFileBytes(dir.File("out/fw.bin")) == data);
    PtyPair pty;
    CPeerProcess sx({"sx", "-k", "fw.bin"}, {}, dir.Path().string(), pty.Master());
    EXPECT_EQ(RunCommand({"--receive", "xmodem1k", dir.File("out/x.bin"), "--device", pty.SlavePath()}), 0);
    EXPECT_EQ(sx.Wait(10000), 0);
    EXPECT_TRUE(ReadFileBytes(dir.File("out/x.bin")).substr(0, data.size()) == data);
}

// The plain send over TCP: the bytes as they are.
TEST(TransferCommand, PlainSendOverTcp)
{
    std::uint16_t port = 0;
    const Fd listener = Listen(AF_INET, port, 1);
    TempDir dir;
    const std::string data = RandomBytes(100000, 22);
    WriteFileBytes(dir.File("a.bin"), data);
    std::string received;
    std::thread peer([&] { received = ReadSome(Accept(listener, 20000).Get(), data.size() + 1, 20000); });
    const std::string target = "127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(RunCommand({"--send", "none", dir.File("a.bin"), "--tcp", target}), 0);
    peer.join();
    EXPECT_TRUE(received == data);
}

TEST(TransferCommand, FailuresExitWithOne)
{
    TempDir dir;
    WriteFileBytes(dir.File("f"), "firmware");
    PtyPair silent;
    EXPECT_EQ(RunCommand({"--send", "xmodem", dir.File("f"), "--device", silent.SlavePath(), "--timeout", "1"}), 1);
    PtyPair cancelling;
    cancelling.WriteMaster("\x18\x18");
    EXPECT_EQ(RunCommand({"--send", "xmodem", dir.File("f"), "--device", cancelling.SlavePath()}), 1);
    EXPECT_EQ(RunCommand({"--send", "xmodem", dir.File("missing"), "--device", cancelling.SlavePath()}), 1);
    EXPECT_EQ(RunCommand({"--send", "xmodem", dir.File("f"), "--com", "200"}), 1);
}

// YModem receives from a scripted sender (a piece every 100 ms) into a folder
// holding fw.bin, and the closing lines: extra[0] "missing" names a folder
// that is not there.
struct ReceiveCase {
    const char* name;
    std::vector<std::string> script, extra;
    int code;
    std::string out, err; // beginnings of the two outputs
};
void PrintTo(const ReceiveCase& c, std::ostream* os) { *os << c.name; }

const std::string B1 = RandomBytes(1024, 41), EOT_S(1, '\x04'), CLOSE = Block(0, std::string(1024, '\0'));
// clang-format off
const ReceiveCase RECEIVES[] = {
    {"Renamed", {Header("fw.bin", "3072"), Block(1, B1), Block(2, B1), Block(3, B1), EOT_S, CLOSE}, {}, 0, "received 3072 bytes into fw1.bin in ", ""},
    {"Short", {Header("fw.bin", "4096"), Block(1, B1), Block(2, B1), EOT_S, CLOSE}, {}, 1, "received 2048 bytes into fw1.bin in ", "incomplete: fw1.bin: 2048 of 4096 bytes\n"},
    {"EmptyBatch", {CLOSE}, {}, 1, "", "no file received\n"},
    {"TimeOut", {}, {"--timeout", "2"}, 1, "", "Stopped after the --timeout of 2 s\n"},
    {"MissingFolder", {}, {"missing"}, 1, "", "kestrelon: cannot receive into "},
};
// clang-format on

class YModemReceive : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(YModemReceive, ClosingLinesTellWhatWasWritten)
{
    const ReceiveCase& c = GetParam();
    TempDir dir;
    WriteFileBytes(dir.File("fw.bin"), "older");
    PtyPair pty;
    std::thread sender([&] {
        for (const std::string& piece : c.script)
            std::this_thread::sleep_for(std::chrono::milliseconds(100)), pty.WriteMaster(piece);
    });
    const bool missing = !c.extra.empty() && c.extra[0] == "missing";
    std::vector<std::string> args{"--receive", "ymodem", missing ? dir.File("missing") : dir.Path().string(),
                                  "--device", pty.SlavePath()};
    args.insert(args.end(), c.extra.begin() + (missing ? 1 : 0), c.extra.end());
    ::testing::internal::CaptureStdout(), ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunCommand(args), c.code);
    const std::string out = ::testing::internal::GetCapturedStdout(), err = ::testing::internal::GetCapturedStderr();
    sender.join();
    EXPECT_EQ(out.substr(0, c.out.size()) + "|" + err.substr(0, c.err.size()), c.out + "|" + c.err);
    EXPECT_EQ(ReadFileBytes(dir.File("fw.bin")), "older");
}

INSTANTIATE_TEST_SUITE_P(Batches, YModemReceive, ::testing::ValuesIn(RECEIVES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransferCommand, WrongArgumentsExitWithTwo)
{
    // clang-format off
    const std::vector<std::vector<std::string>> wrong {
        {"--send", "kermit", "f", "--device", "/dev/null"}, {"--receive", "zim", "f", "--device", "/dev/null"},
        {"--send", "xmodem", "f"}, {"--send", "xmodem", "f", "--device", "/dev/null", "--tcp", "h:1"},
        {"--send", "xmodem", "f", "--com", "256"}, {"--send", "xmodem", "f", "--device", "/dev/null", "--baud", "fast"},
        {"--send", "xmodem", "f", "--tcp", "nocolon"}, {"--send", "xmodem"}};
    // clang-format on
    for (const auto& args : wrong)
        EXPECT_EQ(RunCommand(args), 2) << ::testing::PrintToString(args);
}

} // namespace
} // namespace kestrelon::test
