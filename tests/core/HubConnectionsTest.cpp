// The hub over the real drivers: a pseudo-terminal as the serial port and
// loopback sockets as the network, with the frame's queue pumped by the test.
#include "HubDoubles.h"
#include "core/DataHub.h"
#include "core/KestronDoc.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/PumpedTarget.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace kestrelon::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kPtyPort = 200; // an alias number no real device takes

// A loopback socket of the test's own (127.0.0.1 or ::1), closed with the test.
class TestSocket {
public:
    explicit TestSocket(int type, int family = AF_INET) : m_family(family), m_fd(::socket(family, type, 0)) {}
    ~TestSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Fd() const { return m_fd; }
    // Binds the loopback address on a port the system picks; returns the port.
    std::uint16_t BindLoopback()
    {
        sockaddr_storage a = Loopback(0);
        socklen_t n = Length();
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), n) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            return 0;
        return m_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(a).sin6_port)
                                    : ntohs(reinterpret_cast<sockaddr_in&>(a).sin_port);
    }
    bool Connect(std::uint16_t port)
    {
        const sockaddr_storage a = Loopback(port);
        return ::connect(m_fd, reinterpret_cast<const sockaddr*>(&a), Length()) == 0;
    }
    std::string Receive(int fd, std::size_t atLeast)
    {
        std::string got;
        timeval tv{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        char buffer[256];
        while (got.size() < atLeast) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    socklen_t Length() const { return m_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in); }
    sockaddr_storage Loopback(std::uint16_t port) const
    {
        sockaddr_storage a{};
        if (m_family == AF_INET6) {
            auto& a6 = reinterpret_cast<sockaddr_in6&>(a);
            a6.sin6_family = AF_INET6;
            a6.sin6_addr = in6addr_loopback;
            a6.sin6_port = htons(port);
        } else {
            auto& a4 = reinterpret_cast<sockaddr_in&>(a);
            a4.sin_family = AF_INET;
            a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a4.sin_port = htons(port);
        }
        return a;
    }

    int m_family;
    int m_fd;
};

// A port nobody listens on: bound, then released.
std::uint16_t FreePort(int family = AF_INET)
{
    TestSocket s(SOCK_STREAM, family);
    return s.BindLoopback();
}

class HubConnectionsTest : public ::testing::Test {
protected:
    HubConnectionsTest()
    {
        settings.Write("Ports", "COM" + std::to_string(kPtyPort), pty.SlavePath());
        frame.SetPumpThread(std::this_thread::get_id());
        frame.SetHandler([this](CMessage& m) { return hub ? hub->HandleMessage(m) : 0; });
        doc.SetFrameTarget(&frame);
        doc.AddView(&view);
        doc.comPort = kPtyPort;
        doc.SetHardwareHandshake(false); // a pty has no modem lines
        hub = std::make_unique<CDataHub>(doc, window, settings, frame);
        hub->SetLogDirectory(dir.Path().string());
    }
    ~HubConnectionsTest() override
    {
        frame.Close(); // releases a driver thread waiting to deliver
        hub.reset();
    }

    bool PumpUntil(const std::function<bool()>& done) { return frame.PumpUntil(done, 5000ms); }
    bool PaneIs(const std::string& text) { return window.Pane(PANE_CONNECTION) == text; }
    bool Called(const std::string& call)
    {
        return std::find(window.calls.begin(), window.calls.end(), call) != window.calls.end();
    }
    void Apply(std::uint32_t mode, std::uint16_t port = 0)
    {
        doc.commMode = mode;
        doc.ipServer = "127.0.0.1";
        doc.ipPort = port;
        hub->ApplyConnection();
    }
    void OpenPty()
    {
        Apply(0);
        ASSERT_TRUE(PumpUntil([&] { return PaneIs("COM200: 9600, 8N1"); })) << window.Pane(PANE_CONNECTION);
    }

    TempDir dir;
    PtyPair pty;
    CMemorySettingsStore settings;
    CKestronDoc doc;
    CRecordingWindow window;
    CRecordingView view;
    CPumpedTarget frame;
    std::unique_ptr<CDataHub> hub;
};

TEST_F(HubConnectionsTest, SerialPortCarriesBothWays)
{
    OpenPty();
    EXPECT_TRUE(window.fkeysEnabled);
    EXPECT_TRUE(hub->IsConnectionOpen());
    ASSERT_TRUE(pty.WriteMaster("hello\r"));
    ASSERT_TRUE(PumpUntil([&] { return view.bytes == "hello\r"; })) << Escape(view.bytes);
    doc.crToCrLfOnSend = true;
    hub->TypedCharacter('x');
    hub->TypedCharacter('\r');
    EXPECT_EQ(pty.ReadMaster(2000, 3), "x\r\n");
}

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
    EXPECT_EQ(view.bytes, "");
}

TEST_F(HubConnectionsTest, TimeRequestIsAnsweredOnThePort)
{
    doc.scanCommands = true;
    doc.localEcho = true;
    hub->SetClock([] { return std::time_t{1537961613}; });
    OpenPty();
    ASSERT_TRUE(pty.WriteMaster("[KESTRON:TIME_UTC\r"));
    ASSERT_TRUE(PumpUntil([&] { return view.bytes == "2018-09-26 11:33:33"; })) << Escape(view.bytes);
    EXPECT_EQ(pty.ReadMaster(3000, 19), "2018-09-26 11:33:33");
}

TEST_F(HubConnectionsTest, PortThatCannotBeOpenedOffersTheSettings)
{
    settings.Write("Ports", "COM201", dir.File("no-such-device"));
    doc.comPort = 201;
    window.failureDialogAnswer = true;
    Apply(0);
    ASSERT_TRUE(PumpUntil([&] { return window.failureDialogs == 1; }));
    EXPECT_EQ(window.Pane(PANE_CONNECTION), "COM not opened");
    EXPECT_FALSE(window.fkeysEnabled);
    EXPECT_EQ(window.commands, std::vector<int>{ID_SETUP_COMMUNICATION});
    EXPECT_FALSE(hub->IsConnectionOpen());
}

TEST_F(HubConnectionsTest, SerialToggleClosesAndReopens)
{
    OpenPty();
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return !hub->IsConnectionOpen(); }));
    EXPECT_FALSE(window.fkeysEnabled);
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen() && window.fkeysEnabled; }));
}

TEST_F(HubConnectionsTest, TcpClientReachesALocalServer)
{
    TestSocket server(SOCK_STREAM);
    const std::uint16_t port = server.BindLoopback();
    ASSERT_EQ(::listen(server.Fd(), 1), 0);
    Apply(1, port);
    const std::string pane = "IPv4 TCP Client 127.0.0.1:" + std::to_string(port);
    ASSERT_TRUE(PumpUntil([&] { return window.Led(LED_DATA) == 4 && hub->IsConnectionOpen(); }));
    EXPECT_EQ(window.Pane(PANE_CONNECTION), pane);
    const int peer = ::accept(server.Fd(), nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ASSERT_EQ(::send(peer, "abc\n", 4, 0), 4);
    ASSERT_TRUE(PumpUntil([&] { return view.bytes == "abc\n"; }));
    hub->SendText("hi^m");
    EXPECT_EQ(server.Receive(peer, 3), "hi\r");
    // Toggle: the connection goes down, the keys with it.
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return !hub->IsConnectionOpen() && window.Led(LED_DATA) == 5; }));
    EXPECT_FALSE(window.fkeysEnabled);
    ::close(peer);
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
        TestSocket client(SOCK_STREAM, c.family);
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(PumpUntil([&] { return window.Pane(PANE_CONNECTION).starts_with(std::string(c.text) + " - "); }));
        EXPECT_EQ(window.Led(LED_DATA), 4);
        EXPECT_EQ(window.Led(LED_SERVER), 5);
        hub->TypedCharacter('k');
        EXPECT_EQ(client.Receive(client.Fd(), 1), "k");
        ::shutdown(client.Fd(), SHUT_RDWR);
        ASSERT_TRUE(PumpUntil([&] { return PaneIs(listening) && window.Led(LED_SERVER) == 4; }));
    }
    TestSocket next(SOCK_STREAM, c.family);
    ASSERT_TRUE(next.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen(); }));
    ASSERT_EQ(::send(next.Fd(), "B", 1, 0), 1);
    ASSERT_TRUE(PumpUntil([&] { return view.bytes == "B"; }));
    // Toggle drops the peer; the server goes on listening for the next one.
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return !hub->IsConnectionOpen() && window.Led(LED_SERVER) == 4; }));
    EXPECT_FALSE(window.fkeysEnabled);
    EXPECT_TRUE(hub->IpLink().IsListening());
    TestSocket third(SOCK_STREAM, c.family);
    ASSERT_TRUE(third.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen() && window.fkeysEnabled; }));
}

const ServerCase kServerCases[] = {
    {"Ipv4", 2, AF_INET, "IPv4 TCP Server"},
    {"Ipv6", 5, AF_INET6, "IPv6 TCP Server"},
};

INSTANTIATE_TEST_SUITE_P(Families, HubServerTest, ::testing::ValuesIn(kServerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HubConnectionsTest, Ipv6ClientReachesALocalServer)
{
    TestSocket server(SOCK_STREAM, AF_INET6);
    const std::uint16_t port = server.BindLoopback();
    ASSERT_EQ(::listen(server.Fd(), 1), 0);
    doc.commMode = 4;
    doc.ipServer = "::1";
    doc.ipPort = port;
    hub->ApplyConnection();
    ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen(); }));
    EXPECT_EQ(window.Pane(PANE_CONNECTION), "IPv6 TCP Client ::1:" + std::to_string(port));
    const int peer = ::accept(server.Fd(), nullptr, nullptr);
    ASSERT_GE(peer, 0);
    hub->SendText("v6");
    EXPECT_EQ(server.Receive(peer, 2), "v6");
    ::close(peer);
}

TEST_F(HubConnectionsTest, UdpShowsThePeerAndToggles)
{
    TestSocket remote(SOCK_DGRAM);
    const std::uint16_t remotePort = remote.BindLoopback();
    const std::uint16_t port = FreePort();
    // The hub binds `port` and sends to 127.0.0.1:port; the remote sends to it.
    Apply(3, port);
    ASSERT_TRUE(PumpUntil([&] { return window.fkeysEnabled && window.Led(LED_DATA) == 4; }));
    EXPECT_EQ(window.Pane(PANE_CONNECTION), "IPv4 UDP 127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(window.Pane(PANE_PEER), "   ");
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    ASSERT_EQ(::sendto(remote.Fd(), "dgram", 5, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 5);
    ASSERT_TRUE(PumpUntil([&] { return view.bytes == "dgram" && window.Pane(PANE_PEER) != "   "; }));
    EXPECT_FALSE(window.Pane(PANE_PEER).empty());
    (void)remotePort;
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return !hub->IsConnectionOpen(); }));
    EXPECT_FALSE(window.fkeysEnabled);
    hub->ToggleConnection();
    ASSERT_TRUE(PumpUntil([&] { return hub->IsConnectionOpen(); }));
}

TEST_F(HubConnectionsTest, RefusedClientShowsTheErrorFlash)
{
    Apply(1, FreePort());
    ASSERT_TRUE(PumpUntil([&] { return Called("alternate 3 2 3 2 4"); }));
    EXPECT_EQ(window.Led(LED_DATA), 1);
    EXPECT_FALSE(hub->IsConnectionOpen());
    // A send now is dropped without a word.
    hub->SendText("lost");
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(HubConnectionsTest, ListeningOnATakenPortIsReported)
{
    TestSocket taken(SOCK_STREAM);
    const std::uint16_t port = taken.BindLoopback();
    ASSERT_EQ(::listen(taken.Fd(), 1), 0);
    doc.ipServer = "127.0.0.1";
    Apply(2, port);
    // Bound to the any-address on a port a loopback listener holds: refused.
    EXPECT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.Led(LED_DATA), 1);
    EXPECT_TRUE(Called("alternate 3 2 3 2 4"));
}

} // namespace
} // namespace kestrelon::test
