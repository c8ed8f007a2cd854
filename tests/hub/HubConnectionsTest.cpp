// The hub over the real drivers: a pseudo-terminal as the serial port and
// loopback sockets as the network, with the frame's queue pumped by the test.
#include "hub/DriverHubFixture.h"
#include "support/NamedRows.h"
#include "support/SocketTestKit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace kestrelon::test {
namespace {

using namespace std::chrono_literals;
using test::PrintTo;

class HubConnectionsTest : public DriverHubFixture, public ::testing::Test {
protected:
    void Apply(std::uint32_t mode, std::uint16_t port = 0, const char* host = "127.0.0.1")
    {
        doc.commMode = mode;
        doc.ipServer = host;
        doc.ipPort = port;
        hub->ApplyConnection();
    }
    // A TCP client connection to a loopback peer; the peer's end.
    Fd ConnectTcpPeer()
    {
        std::uint16_t port = 0;
        const Fd server = Listen(AF_INET, port);
        Apply(1, port);
        EXPECT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen(); }));
        return Accept(server);
    }
};

TEST_F(HubConnectionsTest, SpeedCommandSwitchesThePtyAndThePane)
{
    doc.scanCommands = true;
    OpenPty();
    ASSERT_TRUE(pty.WriteMaster("[KESTRON:COMSPEED=115201\r[KESTRON:COMSPEED=0x1C200\r"));
    ASSERT_TRUE(PumpUntil([&] { return PaneIs("COM200: 115200, 8N1"); })) << window.Pane(PANE_CONNECTION);
    termios t{};
    ASSERT_EQ(tcgetattr(pty.Master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(std::uint32_t{doc.dcb.BaudRate}, 9600u);
    EXPECT_EQ(view.bytes.find("KESTRON"), std::string::npos) << view.bytes;
}

// The failure dialog names the port, the device and the reason.
TEST_F(HubConnectionsTest, PortFailureNamesDeviceAndReason)
{
    const std::string missing = dir.File("ttyUSB3");
    settings.Write("Ports", "COM251", missing);
    doc.comPort = 251;
    Apply(0);
    ASSERT_TRUE(PumpUntil([&] { return window.failureDialogs == 1; }));
    EXPECT_EQ(window.failureDetail, "COM251 (" + missing + "): No such file or directory");

    // Another program holds the port as this one holds its own: with a lock.
    const int holder = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    doc.comPort = 200;
    Apply(0);
    ASSERT_TRUE(PumpUntil([&] { return window.failureDialogs == 2; }));
    ::close(holder);
    EXPECT_EQ(window.failureDetail,
              "COM200 (" + pty.SlavePath() + "): Device or resource busy \u2014 used by another program");
}

// Why a TCP connection failed or ended stays in the message pane until the
// connection changes.
struct TcpFailureCase {
    const char* name;
    const char* host;
    bool listen;    // a server that accepts, then closes
    const char* text;
    const char* line; // the marked line in the data, "PORT" standing for the port
};

class TcpFailureTest : public HubConnectionsTest, public ::testing::WithParamInterface<TcpFailureCase> {};

TEST_P(TcpFailureTest, MessagePaneSaysWhy)
{
    const TcpFailureCase& c = GetParam();
    std::uint16_t port = 0;
    Fd server;
    if (c.listen)
        server = Listen(AF_INET, port);
    else
        port = FreePort();
    Apply(1, port, c.host);
    if (c.listen) {
        ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen(); }));
        Accept(server); // and closed at once
    }
    ASSERT_TRUE(PumpUntil([&] { return window.statusMessage == c.text; })) << window.statusMessage;
    std::string line = c.line;
    line.replace(line.find("PORT"), 4, std::to_string(port));
    EXPECT_NE(view.bytes.find(" --- " + line + " ---\r\n"), std::string::npos) << view.bytes;
    hub->ApplyConnection();
    EXPECT_EQ(window.statusMessage, "");
}

const TcpFailureCase kTcpFailures[] = {
    {"Refused", "127.0.0.1", false, "Connect error #10061 (WSAECONNREFUSED): connection refused",
     "Connect failed: 127.0.0.1:PORT refused"},
    {"NoSuchHost", "nothing.invalid", false, "Host not found", "Connect failed: nothing.invalid:PORT host not found"},
    {"PeerCloses", "127.0.0.1", true, "Connection closed by peer",
     "Closed: 127.0.0.1:PORT: Connection closed by peer"},
};

INSTANTIATE_TEST_SUITE_P(Causes, TcpFailureTest, ::testing::ValuesIn(kTcpFailures), test::RowName);

// A pty that sends a line every 10 ms: each line is in the file on disk
// within 100 ms, without the log being stopped.
TEST_F(HubConnectionsTest, LogReachesTheDiskWhileLogging)
{
    OpenPty();
    const std::string path = dir.File("watched.txt");
    ASSERT_TRUE(hub->StartLogging(path));
    for (int i = 0; i < 20; ++i) {
        const std::string line = "line " + std::to_string(i) + "\r\n";
        ASSERT_TRUE(pty.WriteMaster(line));
        const auto sent = std::chrono::steady_clock::now();
        bool onDisk = false;
        while (!onDisk && std::chrono::steady_clock::now() - sent < 100ms) {
            frame.PumpUntil([] { return false; }, 2ms);
            onDisk = ReadFileBytes(path).ends_with(line);
        }
        EXPECT_TRUE(onDisk) << "line " << i << " not on disk after 100 ms";
        std::this_thread::sleep_until(sent + 10ms);
    }
    EXPECT_TRUE(hub->IsLogging());
}

TEST_F(HubConnectionsTest, TcpClientReachesALocalServer)
{
    const Fd peer = ConnectTcpPeer();
    ASSERT_TRUE(PumpUntil([&] { return window.Led(LED_DATA) == 4; }));
    EXPECT_EQ(window.Pane(PANE_CONNECTION), "IPv4 TCP Client 127.0.0.1:" + std::to_string(doc.ipPort));
    ASSERT_TRUE(WriteAll(peer.Get(), "abc\n"));
    ASSERT_TRUE(PumpUntil([&] { return view.bytes.ends_with("---\r\nabc\n"); })) << view.bytes;
    hub->SendText("hi^m");
    EXPECT_EQ(ReadSome(peer.Get(), 3), "hi\r");
    // Toggle: the connection goes down, the keys with it.
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return !hub->IsConnectionOpen() && window.Led(LED_DATA) == 5; }));
    EXPECT_FALSE(window.fkeysEnabled);
}

struct ServerCase {
    const char* name;
    std::uint32_t mode;
    int family;
    const char* text;
};

class HubServerTest : public HubConnectionsTest, public ::testing::WithParamInterface<ServerCase> {};

TEST_P(HubServerTest, ShowsItsPortThenItsPeerAndServesTheNextOne)
{
    const ServerCase& c = GetParam();
    const std::uint16_t port = FreePort(c.family);
    Apply(c.mode, port);
    const std::string listening = std::string(c.text) + " " + std::to_string(port);
    ASSERT_TRUE(PumpUntil([&] { return PaneIs(listening); })) << window.Pane(PANE_CONNECTION);
    {
        const Fd client = ConnectTo(c.family, port);
        ASSERT_GE(client.Get(), 0);
        ASSERT_TRUE(PumpUntil([&] { return window.Pane(PANE_CONNECTION).starts_with(std::string(c.text) + " - "); }));
        EXPECT_EQ(window.Led(LED_DATA), 4);
        EXPECT_EQ(window.Led(LED_SERVER), 5);
        hub->TypedCharacter('k');
        EXPECT_EQ(ReadSome(client.Get(), 1), "k");
        ::shutdown(client.Get(), SHUT_RDWR);
        ASSERT_TRUE(PumpUntil([&] { return PaneIs(listening) && window.Led(LED_SERVER) == 4; }));
    }
    const Fd next = ConnectTo(c.family, port);
    ASSERT_GE(next.Get(), 0);
    ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen(); }));
    ASSERT_TRUE(WriteAll(next.Get(), "B"));
    ASSERT_TRUE(PumpUntil([&] { return view.bytes.ends_with(" arrived ---\r\nB"); })) << view.bytes;
    // Toggle drops the peer; the server goes on listening for the next one.
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return !hub->IsConnectionOpen() && window.Led(LED_SERVER) == 4; }));
    EXPECT_FALSE(window.fkeysEnabled);
    EXPECT_TRUE(hub->IpLink().IsListening());
    const Fd third = ConnectTo(c.family, port);
    ASSERT_GE(third.Get(), 0);
    ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen() && window.fkeysEnabled; }));
}

const ServerCase kServerCases[] = {
    {"Ipv4", 2, AF_INET, "IPv4 TCP Server"},
    {"Ipv6", 5, AF_INET6, "IPv6 TCP Server"},
};

INSTANTIATE_TEST_SUITE_P(Families, HubServerTest, ::testing::ValuesIn(kServerCases), test::RowName);

TEST_F(HubConnectionsTest, ListeningOnATakenPortIsReported)
{
    std::uint16_t port = 0;
    const Fd taken = Listen(AF_INET, port);
    Apply(2, port);
    // Bound to the any-address on a port a loopback listener holds: refused.
    EXPECT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.Led(LED_DATA), 1);
    EXPECT_NE(std::find(window.calls.begin(), window.calls.end(), "alternate 3 2 3 2 4"), window.calls.end());
}

using Clock = std::chrono::steady_clock;
int MsSince(Clock::time_point start)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A paste over TCP leaves with the pacing pauses on the connection's own
// thread, and Escape ends it at once.
struct IpPacingCase {
    const char* name;
    CPacing pacing;
    std::string paste;
    int escapeAfterMs; // -1: the paste runs to its end
    int atLeastMs;     // the pauses the whole paste must take
};

class HubIpPacingTest : public HubConnectionsTest, public ::testing::WithParamInterface<IpPacingCase> {};

TEST_P(HubIpPacingTest, PacesAPasteAndEscapeEndsIt)
{
    const IpPacingCase& c = GetParam();
    hub->SetPacing(c.pacing);
    const Fd peer = ConnectTcpPeer();
    const auto start = Clock::now();
    hub->Paste(reinterpret_cast<const std::uint8_t*>(c.paste.data()), c.paste.size());
    EXPECT_GT(hub->PacedBytesLeft(), 0u);
    if (c.escapeAfterMs < 0) {
        EXPECT_EQ(ReadSome(peer.Get(), c.paste.size(), 20000), c.paste);
        EXPECT_GE(MsSince(start), c.atLeastMs);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(c.escapeAfterMs));
    hub->TypedCharacter(27);
    const int atEscape = MsSince(start);
    EXPECT_EQ(hub->PacedBytesLeft(), 0u);
    // Nothing more than the pauses allowed by the time of the key, and not the key.
    const std::string arrived = ReadSome(peer.Get(), c.paste.size(), 500);
    EXPECT_GE(arrived.size(), 1u);
    EXPECT_LE(static_cast<int>(arrived.size()), atEscape / c.pacing.charDelayMs + 1);
    EXPECT_EQ(arrived.find('\x1b'), std::string::npos);
}

const IpPacingCase kIpPacingCases[] = {
    {"CharDelayAfterEachByte", {10, 0}, std::string(40, 'c'), -1, 390},
    {"LineDelayAfterEachLineEnd", {0, 200}, "a\r\nb\r\nc", -1, 400},
    {"EscapeEndsThePaste", {20, 0}, std::string(500, 'e'), 300, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, HubIpPacingTest, ::testing::ValuesIn(kIpPacingCases), test::RowName);

// A key's wait holds the bytes after it on a socket as it does on a serial line.
TEST_F(HubConnectionsTest, WaitOfAKeyHoldsTheBytesAfterItOverTcp)
{
    const Fd peer = ConnectTcpPeer();
    hub->SendText("a\\!WAIT=300b");
    EXPECT_EQ(ReadSome(peer.Get(), 1), "a");
    const auto afterA = Clock::now();
    EXPECT_EQ(ReadSome(peer.Get(), 1), "b");
    EXPECT_GE(MsSince(afterA), 250); // 'a' may be read a little after it left
}

} // namespace
} // namespace kestrelon::test
