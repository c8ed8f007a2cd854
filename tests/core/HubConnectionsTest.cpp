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

// A loopback socket of the test's own, closed with the test.
class TestSocket {
public:
    TestSocket(int type) : m_fd(::socket(AF_INET, type, 0)) {}
    ~TestSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Fd() const { return m_fd; }
    // Binds 127.0.0.1 on a port the system picks; returns the port.
    std::uint16_t BindLoopback()
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), n) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            return 0;
        return ntohs(a.sin_port);
    }
    bool Connect(std::uint16_t port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        return ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
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
    int m_fd;
};

// A port nobody listens on: bound, then released.
std::uint16_t FreePort()
{
    TestSocket s(SOCK_STREAM);
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

TEST_F(HubConnectionsTest, TcpServerShowsItsPortThenItsPeer)
{
    const std::uint16_t port = FreePort();
    Apply(2, port);
    const std::string listening = "IPv4 TCP Server " + std::to_string(port);
    ASSERT_TRUE(PumpUntil([&] { return PaneIs(listening); })) << window.Pane(PANE_CONNECTION);
    TestSocket client(SOCK_STREAM);
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(PumpUntil([&] { return window.Pane(PANE_CONNECTION).starts_with("IPv4 TCP Server - "); }));
    EXPECT_EQ(window.Led(LED_DATA), 4);
    EXPECT_EQ(window.Led(LED_SERVER), 5);
    hub->TypedCharacter('k');
    EXPECT_EQ(client.Receive(client.Fd(), 1), "k");
    ::shutdown(client.Fd(), SHUT_RDWR);
    ASSERT_TRUE(PumpUntil([&] { return PaneIs(listening) && window.Led(LED_SERVER) == 4; }));
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
