// `kestrelon --send` and `--receive` in process: against lrzsz over a pty, a
// plain send over TCP, a silent and a cancelling peer, and wrong arguments.
#include "transfer/TransferPeer.h"

#include "support/PtyPair.h"
#include "support/SocketTestKit.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"
#include "app/TransferCommand.h"

#include <gtest/gtest.h>

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
