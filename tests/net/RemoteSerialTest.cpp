// Remote serial ports against a real ser2net serving one end of a pty pair:
// the test plays the device on the other end, and a preloaded shim gives the
// pty the modem lines ser2net drives and reports. Each row is one session.
#include "net/IpConnection.h"

#include "document/Messages.h"
#include "support/NamedRows.h"
#include "support/PtyPair.h"
#include "support/SocketTestKit.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferEngine.h"
#include "transfer/TransferPeer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

namespace kestrelon {
namespace {

using namespace std::chrono_literals;
using test::PrintTo;

// One ser2net process with its own configuration, serving the pty's slave.
class Ser2net {
public:
    Ser2net(const test::TempDir& dir, const std::string& tty, std::uint16_t port) : m_linesFile(dir.File("lines"))
    {
        test::WriteFileBytes(m_linesFile, std::to_string(TIOCM_DTR | TIOCM_RTS));
        const std::string config = dir.File("ser2net.yaml");
        test::WriteFileBytes(config, "connection: &line\n  accepter: telnet(rfc2217),tcp,127.0.0.1," +
                                         std::to_string(port) + "\n  connector: serialdev," + tty +
                                         ",9600n81,local\n  options:\n    kickolduser: true\n");
        m_pid = fork();
        if (m_pid == 0) {
            setenv("LD_PRELOAD", KESTRELON_MODEM_SHIM_SO, 1);
            setenv("KESTRELON_MODEM_LINES", m_linesFile.c_str(), 1);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execlp("ser2net", "ser2net", "-n", "-u", "-c", config.c_str(), "-P", dir.File("pid").c_str(), nullptr);
            _exit(127);
        }
        // Ready once it accepts.
        for (int i = 0; i < 100 && !m_ready; ++i) {
            m_ready = test::ConnectTo(AF_INET, port).Get() >= 0;
            if (!m_ready)
                std::this_thread::sleep_for(50ms);
        }
    }
    ~Ser2net() { Kill(); }
    bool Ready() const { return m_ready; }
    void Kill()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    // -1 while the shim is rewriting the file.
    int Lines() const
    {
        const std::string text = test::ReadFileBytes(m_linesFile);
        return text.empty() ? -1 : std::atoi(text.c_str());
    }
    void SetLines(int bits) const { test::WriteFileBytes(m_linesFile, std::to_string(bits)); }

private:
    std::string m_linesFile;
    pid_t m_pid = -1;
    bool m_ready = false;
};

class RemoteSession {
public:
    explicit RemoteSession(const CRemoteLineSettings& settings)
        : m_port(test::FreePort()), m_server(m_dir, m_pty.SlavePath(), m_port)
    {
        m_connection.SetRemoteSerial(true, settings);
        if (m_server.Ready())
            m_connection.Start(m_frame.Target(), WM_IP_MAIN, "127.0.0.1", m_port, MODE_IPV4_CLIENT);
    }
    bool Connected() { return m_server.Ready() && m_frame.WaitFor(IP_CONNECTED) >= 0; }
    // Pumps the frame until `done` holds or the time is up.
    bool Until(const std::function<bool()>& done) { return m_frame.Target().PumpUntil(done); }
    speed_t ServedSpeed() const
    {
        termios attributes{};
        tcgetattr(m_pty.Master(), &attributes);
        return cfgetospeed(&attributes);
    }

    test::TempDir m_dir;
    test::PtyPair m_pty;
    std::uint16_t m_port;
    Ser2net m_server;
    test::RecordingTarget m_frame;
    CIpConnection m_connection;
};

std::string AllBytes(int times)
{
    std::string bytes;
    for (int t = 0; t < times; ++t)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    return bytes;
}

// A file transfer over the lent connection against lrzsz on the pty's far end.
void Transfer(RemoteSession& s, bool send, int protocol, std::vector<std::string> peer)
{
    const std::string payload = AllBytes(9) + "tail";
    const std::string local = s.m_dir.File("local.bin");
    test::TempDir far;
    if (send)
        test::WriteFileBytes(local, payload);
    else
        test::WriteFileBytes(far.File("remote.bin"), payload);
    peer.push_back(send ? "received.bin" : "remote.bin");
    test::CPeerProcess lrzsz(peer, "", far.Path().string(), s.m_pty.Master());
    const int fd = s.m_connection.LendSocket();
    ASSERT_GE(fd, 0);
    test::CRecordingObserver observer;
    CTransferEngine engine(observer);
    const int result = send ? engine.SendFile(protocol, fd, local)
                            : engine.ReceiveYModem(protocol, fd, s.m_dir.Path().string());
    s.m_connection.ReturnSocket();
    EXPECT_EQ(result, RESULT_SUCCESS);
    EXPECT_EQ(lrzsz.Wait(10000), 0);
    // XModem pads the last block; the payload must lead what arrived.
    const std::string arrived = test::ReadFileBytes(send ? far.File("received.bin") : s.m_dir.File("remote.bin"));
    EXPECT_EQ(arrived.substr(0, payload.size()), payload);
}

struct SessionRow {
    const char* name;
    std::function<void(RemoteSession&)> run;
};

const SessionRow kSessions[] = {
    {"EveryByteBothWays",
     [](RemoteSession& s) {
         const std::string bytes = AllBytes(4);
         ASSERT_TRUE(s.m_connection.Send(bytes.data(), bytes.size()));
         EXPECT_EQ(test::ReadSome(s.m_pty.Master(), bytes.size()), bytes);
         ASSERT_TRUE(s.m_pty.WriteMaster(bytes));
         ASSERT_TRUE(s.m_frame.WaitForBytes(bytes.size()));
         EXPECT_EQ(s.m_frame.Received(), bytes);
     }},
    {"SpeedReachesTheServedPty",
     [](RemoteSession& s) {
         EXPECT_TRUE(s.Until([&] { return s.ServedSpeed() == B57600; }));
         ASSERT_TRUE(s.m_connection.SetRemoteBaudRate(19200));
         EXPECT_TRUE(s.Until([&] { return s.ServedSpeed() == B19200; }));
     }},
    {"ControlLinesReachTheServer",
     [](RemoteSession& s) {
         ASSERT_TRUE(s.Until([&] { return s.m_frame.Count(IP_MODEM_STATE) > 0; })); // the server's first report
         for (auto [action, lines] : {std::pair{LineAction::DtrLow, TIOCM_RTS}, std::pair{LineAction::RtsLow, 0},
                                      std::pair{LineAction::DtrHigh, TIOCM_DTR}}) {
             ASSERT_TRUE(s.m_connection.QueueLineAction(action, 0));
             EXPECT_TRUE(s.Until([&] { return (s.m_server.Lines() & (TIOCM_DTR | TIOCM_RTS)) == lines; }))
                 << "lines " << s.m_server.Lines() << " wanted " << lines;
         }
     }},
    {"ModemLinesReachTheFrame",
     [](RemoteSession& s) {
         s.m_server.SetLines(TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_CD);
         EXPECT_TRUE(s.Until([&] {
             const auto events = s.m_frame.Events();
             return !events.empty() && events.back().code == IP_MODEM_STATE && (events.back().lParam & 0xF0) == 0x90;
         }));
     }},
    {"XModem1KToLrzsz", [](RemoteSession& s) { Transfer(s, true, PROTOCOL_XMODEM_1K, {"rx", "-q", "-b"}); }},
    {"YModemFromLrzsz", [](RemoteSession& s) { Transfer(s, false, PROTOCOL_YMODEM, {"sb", "-q", "-k"}); }},
    {"ServerKilledIsReported",
     [](RemoteSession& s) {
         s.m_server.Kill();
         // A close or a reset, as the kernel saw the end: either with its reason.
         std::string reason;
         EXPECT_TRUE(s.Until([&] {
             for (const test::IpEvent& event : s.m_frame.Events())
                 if (event.code == IP_CLOSED || event.code == IP_FAILED)
                     reason = event.bytes;
             return !reason.empty();
         }));
         EXPECT_TRUE(reason == "Connection closed by peer" || reason.find("WSAECONNRESET") != std::string::npos)
             << reason;
         const auto start = std::chrono::steady_clock::now();
         s.m_connection.Stop();
         EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
     }},
};

class RemoteSerialTest : public ::testing::TestWithParam<SessionRow> {};

TEST_P(RemoteSerialTest, AgainstSer2net)
{
    RemoteSession session({57600, 8, 0, 0, false});
    ASSERT_TRUE(session.Connected()) << "ser2net did not serve the pty: install the Debian package ser2net";
    GetParam().run(session);
}

INSTANTIATE_TEST_SUITE_P(Ser2net, RemoteSerialTest, ::testing::ValuesIn(kSessions), test::RowName);

// What ser2net on a pty cannot show, from a scripted server: it answers the
// opening with its first piece, then sends the rest with pauses between them,
// so each arrives in a read of its own.
struct PeerRow {
    const char* name;
    std::vector<std::string> pieces;
    std::string data;           // what reaches the frame
    std::vector<int> codes;     // the frame's remote notifications in order
    std::vector<intptr_t> values;
};

const std::string kIacDo{"\xFF\xFD\x2C", 3};
const std::string kIacDont{"\xFF\xFE\x2C", 3};
const PeerRow kPeers[] = {
    {"RefusingServerStaysRaw", {kIacDont, "raw", kIacDont, std::string("\xFF\xFF", 2)}, "raw\xFF",
     {IP_REMOTE_REFUSED}, {0}},
    {"SilentServerTakenRaw", {"", std::string("raw\xFF", 4)}, "raw\xFF", {IP_REMOTE_REFUSED}, {0}},
    {"ModemStateLightsLines", {kIacDo, std::string("\xFF\xFA\x2C\x6B\xB0\xFF\xF0", 7), "ok"}, "ok",
     {IP_MODEM_STATE}, {0x3B0}},
    {"IacSplitAcrossReads", {kIacDo, "a\xFF", "\xFF", "b\xFF\xFA", "\x2C\x6B", "\x10\xFF", "\xF0" "c\xFF", "\xFA\x2C\x6A\x08\xFF\xF0"},
     "a\xFF" "bc", {IP_MODEM_STATE, IP_LINE_STATE}, {0x310, 0x08}},
};

class RemotePeerTest : public ::testing::TestWithParam<PeerRow> {};

TEST_P(RemotePeerTest, ScriptedServer)
{
    std::uint16_t port = 0;
    const test::Fd listener = test::Listen(AF_INET, port);
    test::RecordingTarget frame;
    CIpConnection connection;
    connection.SetRemoteSerial(true, {});
    ASSERT_EQ(connection.Start(frame.Target(), WM_IP_MAIN, "127.0.0.1", port, MODE_IPV4_CLIENT), "");
    const test::Fd peer = test::Accept(listener);
    ASSERT_TRUE(test::WriteAll(peer.Get(), GetParam().pieces.front()));
    ASSERT_GE(frame.WaitFor(IP_CONNECTED), 0);
    for (const std::string& piece : std::vector(GetParam().pieces.begin() + 1, GetParam().pieces.end())) {
        ASSERT_TRUE(test::WriteAll(peer.Get(), piece));
        frame.Settle(30);
    }
    ASSERT_TRUE(frame.WaitForBytes(GetParam().data.size()));
    frame.Settle();
    EXPECT_EQ(frame.Received(), GetParam().data);
    std::vector<int> codes;
    std::vector<intptr_t> values;
    for (const test::IpEvent& event : frame.Events())
        if (event.code >= IP_MODEM_STATE && event.code <= IP_REMOTE_REFUSED)
            codes.push_back(event.code), values.push_back(event.code == IP_REMOTE_REFUSED ? 0 : event.lParam);
    EXPECT_EQ(codes, GetParam().codes);
    EXPECT_EQ(values, GetParam().values);
}

INSTANTIATE_TEST_SUITE_P(Peer, RemotePeerTest, ::testing::ValuesIn(kPeers), test::RowName);

} // namespace
} // namespace kestrelon
