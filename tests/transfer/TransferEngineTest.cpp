// The runner over real lines: cancels with and without telling the remote
// side, the plain send, and a YModem transfer between two engines over TCP.
#include "TransferPeer.h"

#include "support/PtyPair.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferEngine.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrelon::test {
namespace {

class CancelTest : public ::testing::TestWithParam<std::tuple<bool, std::string>> {};

TEST_P(CancelTest, EndsAtOnceAndKeepsThePartReceived)
{
    const auto& [tellRemote, remoteSees] = GetParam();
    TempDir dir;
    PtyPair pty;
    const int line = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    CRecordingObserver observer;
    CTransferEngine engine(observer);
    ASSERT_TRUE(engine.Start(ETransferDirection::Receive, PROTOCOL_XMODEM, line, dir.File("part.bin")));
    EXPECT_EQ(pty.ReadMaster(2000), "C");
    engine.Cancel(tellRemote);
    engine.Join();
    EXPECT_EQ(pty.ReadMaster(200), remoteSees);
    EXPECT_EQ(observer.WaitResult(0), RESULT_ENDED);
    EXPECT_TRUE(std::filesystem::exists(dir.File("part.bin")));
    EXPECT_NE(fcntl(line, F_GETFL) & O_NONBLOCK, O_NONBLOCK) << "the line is given back as it was";
    close(line);
}

INSTANTIATE_TEST_SUITE_P(Modes, CancelTest,
                         ::testing::Values(std::make_tuple(false, ""), std::make_tuple(true, "\x18\x18")));

TEST(TransferEngine, PlainSendWritesTheFileAsItIs)
{
    TempDir dir;
    const std::string data = RandomBytes(100000, 5);
    WriteFileBytes(dir.File("raw"), data);
    PtyPair pty;
    const int line = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    CRecordingObserver observer;
    CTransferEngine engine(observer);
    ASSERT_TRUE(engine.Start(ETransferDirection::Send, PROTOCOL_NONE, line, dir.File("raw")));
    EXPECT_TRUE(pty.ReadMaster(10000, data.size()) == data);
    engine.Join();
    const auto notes = observer.Steady();
    ASSERT_EQ(notes.size(), 3u + 98 + 1);
    EXPECT_EQ(std::vector<Notification>(notes.begin(), notes.begin() + 4),
              (std::vector<Notification>{{3, 100000}, {10, 3}, {4, 0}, {7, 1024}}));
    EXPECT_EQ(std::vector<Notification>(notes.end() - 2, notes.end()),
              (std::vector<Notification>{{7, 100000}, {1, 2}}));
    close(line);
}

TEST(TransferEngine, YModemBetweenTwoEnginesOverTcp)
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const int server = accept(listener, nullptr, nullptr);
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "in");
    const std::string data = RandomBytes(300001, 6);
    WriteFileBytes(dir.File("fw.bin"), data);
    CRecordingObserver sendNotes, receiveNotes;
    CTransferEngine sender(sendNotes), receiver(receiveNotes);
    receiver.Start(ETransferDirection::Receive, PROTOCOL_YMODEM, server, dir.File("in"));
    EXPECT_EQ(sender.SendFile(PROTOCOL_YMODEM, client, dir.File("fw.bin")), RESULT_SUCCESS);
    EXPECT_EQ(receiveNotes.WaitResult(10000), RESULT_SUCCESS);
    EXPECT_TRUE(ReadFileBytes(dir.File("in/fw.bin")) == data);
    EXPECT_EQ(receiveNotes.Files(), std::vector<std::string>{dir.File("in/fw.bin")});
    for (int fd : {listener, client, server})
        close(fd);
}

} // namespace
} // namespace kestrelon::test
