// `kestrelon --send` and `--receive` in process: against lrzsz over a pty, a
// plain send over TCP, a silent and a cancelling peer, and wrong arguments.
#include "transfer/TransferPeer.h"

#include "support/PtyPair.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"
#include "app/TransferCommand.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    TempDir dir;
    const std::string data = RandomBytes(100000, 22);
    WriteFileBytes(dir.File("a.bin"), data);
    std::string received;
    std::thread peer([&] {
        const int fd = accept(listener, nullptr, nullptr);
        char buffer[4096];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
        close(fd);
    });
    const std::string target = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    EXPECT_EQ(RunCommand({"--send", "none", dir.File("a.bin"), "--tcp", target}), 0);
    peer.join();
    close(listener);
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
