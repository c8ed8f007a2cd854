// The runner over real lines: cancels with and without telling the remote
// side, and a YModem transfer between two engines over TCP.
#include "transfer/TransferPeer.h"

#include "support/PtyPair.h"
#include "support/SocketTestKit.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferEngine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
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
                         ::testing::Values(std::make_tuple(false, ""), std::make_tuple(true, "\x18\x18")),
                         [](const auto& info) { return std::get<0>(info.param) ? "TellsTheRemote" : "Quietly"; });

TEST(TransferEngine, YModemBetweenTwoEnginesOverTcp)
{
    std::uint16_t port = 0;
    const Fd listener = Listen(AF_INET, port);
    const Fd client = ConnectTo(AF_INET, port);
    const Fd server = Accept(listener);
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "in");
    const std::string data = RandomBytes(300001, 6);
    WriteFileBytes(dir.File("fw.bin"), data);
    CRecordingObserver sendNotes, receiveNotes;
    CTransferEngine sender(sendNotes), receiver(receiveNotes);
    receiver.Start(ETransferDirection::Receive, PROTOCOL_YMODEM, server.Get(), dir.File("in"));
    EXPECT_EQ(sender.SendFile(PROTOCOL_YMODEM, client.Get(), dir.File("fw.bin")), RESULT_SUCCESS);
    EXPECT_EQ(receiveNotes.WaitResult(10000), RESULT_SUCCESS);
    EXPECT_TRUE(ReadFileBytes(dir.File("in/fw.bin")) == data);
    EXPECT_EQ(receiveNotes.Files(), std::vector<std::string>{dir.File("in/fw.bin")});
}

// A line that goes away ends a transfer with its own result, never quietly
// (a socket whose peer is gone raises no SIGPIPE, which would end the
// program); a YModem receive into a missing folder fails at once.
TEST(TransferEngine, ALostLineOrAMissingFolderEndsTheTransferAtOnce)
{
    TempDir dir;
    WriteFileBytes(dir.File("big"), RandomBytes(1 << 20, 7));
    for (const int protocol : {PROTOCOL_NONE, PROTOCOL_XMODEM, PROTOCOL_YMODEM}) {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
        if (protocol == PROTOCOL_NONE)
            close(pair[1]); // gone before the first write
        CRecordingObserver observer;
        CTransferEngine engine(observer);
        engine.Start(protocol == PROTOCOL_NONE ? ETransferDirection::Send : ETransferDirection::Receive, protocol,
                     pair[0], dir.File(protocol == PROTOCOL_NONE ? "big" : protocol == PROTOCOL_XMODEM ? "r" : "no/"));
        char answer[4] = {};
        if (protocol != PROTOCOL_NONE) {
            EXPECT_EQ(read(pair[1], answer, sizeof answer), protocol == PROTOCOL_XMODEM ? 1 : 2);
            close(pair[1]);
        }
        EXPECT_EQ(observer.WaitResult(3000), protocol == PROTOCOL_YMODEM ? RESULT_ENDED : RESULT_LINE_LOST) << protocol;
        EXPECT_EQ(answer[0], protocol == PROTOCOL_YMODEM ? '\x18' : protocol == PROTOCOL_XMODEM ? 'C' : 0);
        engine.Join();
        close(pair[0]);
    }
}

} // namespace
} // namespace kestrelon::test
