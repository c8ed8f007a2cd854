// The IP connection threads against real loopback peers: the notification codes
// of clients, servers and UDP endpoints, ordered sending, prompt stops without
// leaks, and bounded memory under a flood.
#include "net/IpConnection.h"

#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "net/SocksProxy.h"
#include "support/SocketTestKit.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <thread>

namespace kestrelon {
namespace {

using namespace std::chrono_literals;
using test::Fd;
using Codes = std::vector<int>;

struct FamilyRow {
    int family;
    std::uint32_t client, server, udp;
};
void PrintTo(const FamilyRow& c, std::ostream* os) { *os << (c.family == AF_INET ? "IPv4" : "IPv6"); }

const FamilyRow kIpv4{AF_INET, MODE_IPV4_CLIENT, MODE_IPV4_SERVER, MODE_IPV4_UDP};
const FamilyRow kIpv6{AF_INET6, MODE_IPV6_CLIENT, MODE_IPV6_SERVER, MODE_IPV6_UDP};

class IpPeers {
protected:
    // A client of `mode` started towards a loopback listener and connected; the
    // peer's end (closed on failure).
    Fd ConnectedPeer(int family = AF_INET, std::uint32_t mode = MODE_IPV4_CLIENT)
    {
        std::uint16_t port = 0;
        const Fd listener = test::Listen(family, port);
        EXPECT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, test::LoopbackAddress(family), port, mode), "");
        Fd peer = test::Accept(listener);
        return m_frame.WaitFor(IP_CONNECTED) >= 0 ? std::move(peer) : Fd();
    }

    test::RecordingTarget m_frame;
    CIpConnection m_connection;
};

class IpConnectionTest : public IpPeers, public ::testing::TestWithParam<FamilyRow> {
protected:
    std::string Host() const { return test::LoopbackAddress(GetParam().family); }
    void Settle(int ms = 150) { m_frame.Settle(ms); }
};

TEST_P(IpConnectionTest, ClientReceivesInOrderAndSeesThePeerCloseOnce)
{
    Fd peer = ConnectedPeer(GetParam().family, GetParam().client);
    ASSERT_GE(peer.Get(), 0);
    EXPECT_TRUE(m_connection.IsConnected());
    for (const char* piece : {"one ", "two ", "three"}) {
        ASSERT_TRUE(test::WriteAll(peer.Get(), piece));
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(m_frame.WaitForBytes(13));
    EXPECT_TRUE(m_connection.Send("reply", 5));
    EXPECT_EQ(test::ReadSome(peer.Get(), 5), "reply");
    peer.Reset();
    ASSERT_GE(m_frame.WaitFor(IP_CLOSED), 0);
    Settle();
    EXPECT_EQ(m_frame.Received(), "one two three");
    EXPECT_EQ(m_frame.Codes().front(), IP_CONNECTED);
    EXPECT_EQ(m_frame.Codes().back(), IP_CLOSED);
    EXPECT_EQ(m_frame.Count(IP_CLOSED), 1);
    EXPECT_EQ(m_frame.Count(IP_FAILED), 0);
    EXPECT_FALSE(m_connection.IsConnected());
    EXPECT_FALSE(m_connection.Send("late", 4)); // nothing connected: dropped
    EXPECT_EQ(m_frame.Events().front().message, WM_IP_MAIN);
}

TEST_P(IpConnectionTest, RefusedClientReportsFailure)
{
    const std::uint16_t port = test::FreePort(GetParam().family);
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_BRIDGE, Host(), port, GetParam().client), "");
    ASSERT_GE(m_frame.WaitFor(IP_FAILED), 0);
    Settle();
    EXPECT_EQ(m_frame.Codes(), Codes{IP_FAILED});
    EXPECT_EQ(m_frame.Events().front().message, WM_IP_BRIDGE);
}

TEST_P(IpConnectionTest, StopDuringBlockedReceiveEndsWithClosed)
{
    const Fd peer = ConnectedPeer(GetParam().family, GetParam().client);
    ASSERT_GE(peer.Get(), 0);
    std::this_thread::sleep_for(50ms); // blocked in its receive by now
    m_connection.Stop();
    Settle();
    EXPECT_EQ(m_frame.Codes(), (Codes{IP_CONNECTED, IP_CLOSED}));
    EXPECT_TRUE(test::WaitForEof(peer.Get(), 1000)); // the peer sees the close
}

TEST_P(IpConnectionTest, ServerServesOnePeerAtATime)
{
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", 0, GetParam().server), "");
    const std::uint16_t port = m_connection.LocalPort();
    EXPECT_TRUE(m_connection.IsOpen());
    Fd first = test::ConnectTo(GetParam().family, port);
    ASSERT_GE(m_frame.WaitFor(IP_CONNECTED), 0);
    EXPECT_EQ(m_connection.PeerName(), test::LoopbackName(GetParam().family));
    Fd second = test::ConnectTo(GetParam().family, port); // waits in the backlog
    ASSERT_GE(second.Get(), 0);
    ASSERT_TRUE(test::WriteAll(second.Get(), "second"));
    ASSERT_TRUE(test::WriteAll(first.Get(), "first"));
    ASSERT_TRUE(m_frame.WaitForBytes(5));
    Settle(200);
    EXPECT_EQ(m_frame.Received(), "first"); // the second peer is not served yet
    EXPECT_TRUE(m_connection.Send("to first", 8));
    EXPECT_EQ(test::ReadSome(first.Get(), 8), "to first");
    first.Reset();
    ASSERT_TRUE(m_frame.WaitForBytes(11));
    EXPECT_TRUE(m_connection.Send("to second", 9));
    EXPECT_EQ(test::ReadSome(second.Get(), 9), "to second");
    EXPECT_EQ(m_frame.Received(), "firstsecond");
    EXPECT_EQ(m_frame.Codes(), (Codes{IP_CONNECTED, IP_RECEIVED, IP_CLOSED, IP_CONNECTED, IP_RECEIVED}));
    m_connection.Stop();
    EXPECT_TRUE(test::WaitForEof(second.Get(), 1000));
}

TEST_P(IpConnectionTest, RestartingAServerBindsTheSamePortAgain)
{
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", 0, GetParam().server), "");
    const std::uint16_t port = m_connection.LocalPort();
    {
        // A served peer leaves its connection in TIME_WAIT on our side.
        Fd peer = test::ConnectTo(GetParam().family, port);
        ASSERT_GE(m_frame.WaitFor(IP_CONNECTED), 0);
    }
    ASSERT_GE(m_frame.WaitFor(IP_CLOSED), 0);
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", port, GetParam().server), "");
    const std::size_t mark = m_frame.Count();
    Fd peer = test::ConnectTo(GetParam().family, port);
    ASSERT_GE(peer.Get(), 0);
    EXPECT_GE(m_frame.WaitFor(IP_CONNECTED, mark), 0);
}

TEST_P(IpConnectionTest, ServerOnAPortInUseReportsTheBindError)
{
    std::uint16_t port = 0;
    Fd taken = test::Listen(GetParam().family, port);
    EXPECT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", port, GetParam().server),
              "Bind error #10048 (WSAEADDRINUSE): address already in use");
    EXPECT_FALSE(m_connection.IsOpen());
    EXPECT_FALSE(m_connection.IsRunning());
}

TEST_P(IpConnectionTest, UdpReportsEachDatagramWithItsSenderAndSendsToTheConfiguredPort)
{
    // The endpoint listens on its configured port and sends to host:port, so on
    // one machine its own datagrams come back to it; the other sender must get none.
    std::uint16_t port = 0;
    {
        Fd probe = test::BindUdp(GetParam().family, port);
    }
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, Host(), port, GetParam().udp), "");
    ASSERT_GE(m_frame.WaitFor(IP_UDP_READY), 0);
    EXPECT_TRUE(m_connection.IsOpen());
    std::uint16_t peerPort = 0;
    Fd peer = test::BindUdp(GetParam().family, peerPort);
    // The second datagram is longer than a stream's receive block: it comes whole.
    const std::string big(3 * CIpConnection::RECEIVE_SIZE + 7, 'b');
    test::SendDatagramTo(peer.Get(), GetParam().family, port, "ping");
    test::SendDatagramTo(peer.Get(), GetParam().family, port, big);
    ASSERT_TRUE(m_frame.WaitForBytes(4 + big.size()));
    ASSERT_TRUE(m_connection.Send("pong", 4));
    ASSERT_TRUE(m_frame.WaitForBytes(8 + big.size()));
    Settle();
    EXPECT_EQ(test::ReceiveDatagramFrom(peer.Get(), 100), "");
    const std::string name = test::LoopbackName(GetParam().family);
    std::vector<std::pair<int, std::string>> events;
    for (const auto& event : m_frame.Events())
        events.emplace_back(event.code, event.bytes);
    const std::vector<std::pair<int, std::string>> expected = {
        {IP_UDP_READY, ""},  {IP_RECEIVED, "ping"}, {IP_UDP_PEER, name}, {IP_RECEIVED, big},
        {IP_UDP_PEER, name}, {IP_RECEIVED, "pong"}, {IP_UDP_PEER, name}};
    EXPECT_EQ(events, expected);
    m_connection.Stop();
    Settle();
    EXPECT_EQ(m_frame.Codes().back(), IP_UDP_CLOSED);
    EXPECT_FALSE(m_connection.IsOpen());
}

TEST_P(IpConnectionTest, LocalEndpointNamesTheListenAddressAndTheUdpPort)
{
    const int family = GetParam().family;
    m_connection.SetLocalEndpoint(Host(), 0);
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", 0, GetParam().server), "");
    Fd client = test::ConnectTo(family, m_connection.LocalPort());
    ASSERT_GE(m_frame.WaitFor(IP_CONNECTED), 0);
    m_connection.SetLocalEndpoint(family == AF_INET ? "::1" : "127.0.0.1", 0); // the other family's
    EXPECT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", 0, GetParam().server),
              "Bind error #10049 (WSAEADDRNOTAVAIL): cannot assign requested address");

    // UDP receives on its own port and sends to the remote one.
    std::uint16_t remote = 0;
    std::uint16_t local = 0;
    Fd peer = test::BindUdp(family, remote);
    {
        Fd probe = test::BindUdp(family, local);
    }
    m_connection.SetLocalEndpoint("", local);
    const std::size_t mark = m_frame.Count();
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, Host(), remote, GetParam().udp), "");
    ASSERT_GE(m_frame.WaitFor(IP_UDP_READY, mark), 0);
    EXPECT_EQ(m_connection.LocalPort(), local);
    ASSERT_TRUE(m_connection.Send("out", 3));
    EXPECT_EQ(test::ReceiveDatagramFrom(peer.Get(), 2000), "out");
    test::SendDatagramTo(peer.Get(), family, local, "in");
    ASSERT_TRUE(m_frame.WaitForBytes(2));
    EXPECT_EQ(m_frame.Received(), "in");
}

TEST_P(IpConnectionTest, StopWhileAcceptingEndsQuietly)
{
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", 0, GetParam().server), "");
    const std::uint16_t port = m_connection.LocalPort();
    std::this_thread::sleep_for(50ms);
    m_connection.Stop();
    Settle();
    EXPECT_EQ(m_frame.Codes(), Codes{});
    EXPECT_LT(test::ConnectTo(GetParam().family, port).Get(), 0); // the port is free again
}

INSTANTIATE_TEST_SUITE_P(Families, IpConnectionTest, ::testing::Values(kIpv4, kIpv6),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

class IpConnectionSend : public IpPeers, public ::testing::Test {};

TEST_F(IpConnectionSend, BurstOfNumberedMessagesArrivesInOrder)
{
    const Fd peer = ConnectedPeer();
    ASSERT_GE(peer.Get(), 0);
    std::string expected;
    for (int i = 0; i < 10000; ++i) {
        char line[16];
        const int length = std::snprintf(line, sizeof line, "%05d\n", i);
        ASSERT_TRUE(m_connection.Send(line, static_cast<std::size_t>(length)));
        expected.append(line, static_cast<std::size_t>(length));
    }
    EXPECT_EQ(test::ReadSome(peer.Get(), expected.size(), 10000), expected);
}

TEST_F(IpConnectionSend, PeerThatNeverReadsEndsWithSendFailure)
{
    m_connection.SetDebugOutput({});
    const Fd peer = ConnectedPeer();
    ASSERT_GE(peer.Get(), 0);
    int small = 4096;
    setsockopt(peer.Get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    // Keep the bounded queue topped up until the kernel buffers on both sides
    // are full and a send times out.
    const std::string chunk(64 * 1024, 'z');
    int failed = -1;
    for (int round = 0; round < 2000 && failed < 0; ++round) {
        while (m_connection.Send(chunk.data(), chunk.size())) {
        }
        failed = m_frame.WaitFor(IP_SEND_FAILED, 0, 10);
    }
    ASSERT_GE(failed, 0);
    EXPECT_EQ(m_frame.Events()[static_cast<std::size_t>(failed)].lParam, SocketApi::WSAETIMEDOUT);
    ASSERT_GE(m_frame.WaitFor(IP_CLOSED), 0); // the failed socket is closed
    // A piece queued while the failure was being reported is dropped unsent.
    for (int i = 0; i < 200 && m_connection.QueuedSendBytes() > 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(m_connection.QueuedSendBytes(), 0u);
}

TEST_F(IpConnectionSend, PeerResetIsReportedNotFatal)
{
    m_connection.SetDebugOutput({});
    ASSERT_EQ(m_connection.Start(m_frame.Target(), WM_IP_MAIN, "", 0, MODE_IPV4_SERVER), "");
    Fd peer = test::ConnectTo(AF_INET, m_connection.LocalPort());
    ASSERT_GE(m_frame.WaitFor(IP_CONNECTED), 0);
    linger abort{1, 0};
    setsockopt(peer.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    peer.Reset();
    for (int i = 0; i < 50 && m_connection.Send("x", 1); ++i)
        std::this_thread::sleep_for(2ms);
    m_frame.Settle(200);
    EXPECT_EQ(m_frame.Count(IP_CLOSED) + m_frame.Count(IP_FAILED), 1);
    EXPECT_TRUE(m_connection.IsOpen()); // still listening for the next peer
}

TEST(IpConnectionLifetime, ThousandStartStopCyclesLeakNothing)
{
    test::RecordingTarget frame;
    CIpConnection connection;
    connection.SetDebugOutput({});
    const std::uint16_t refused = test::FreePort();
    std::uint16_t live = 0;
    Fd listener = test::Listen(AF_INET, live, 64);
    auto cycle = [&](int i) {
        switch (i % 4) {
        case 0:
            connection.Start(frame.Target(), WM_IP_MAIN, "", 0, MODE_IPV4_SERVER);
            break;
        case 1:
            connection.Start(frame.Target(), WM_IP_MAIN, "::1", 0, MODE_IPV6_UDP);
            break;
        case 2:
            connection.Start(frame.Target(), WM_IP_MAIN, "127.0.0.1", refused, MODE_IPV4_CLIENT);
            break;
        default:
            connection.Start(frame.Target(), WM_IP_MAIN, "127.0.0.1", live, MODE_IPV4_CLIENT);
            frame.WaitFor(IP_CONNECTED, frame.Count(), 1000);
            test::Accept(listener, 1000); // closed at once
            break;
        }
        connection.Stop();
        frame.Pump();
    };
    cycle(3);
    const int descriptors = test::OpenDescriptorCount();
    const int threads = test::ThreadCount();
    for (int i = 0; i < 1000; ++i)
        cycle(i);
    // At most as many as before: a leak only adds and stays, while a look-up
    // thread that a stop abandoned may still be ending on a busy machine.
    for (int i = 0; i < 100 && (test::OpenDescriptorCount() > descriptors || test::ThreadCount() > threads); ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_LE(test::OpenDescriptorCount(), descriptors);
    EXPECT_LE(test::ThreadCount(), threads);
}

TEST(IpConnectionFlood, SlowFrameKeepsMemoryBounded)
{
    constexpr std::size_t kFlood = std::size_t(1) << 28;
    std::size_t received = 0;
    CPumpedTarget frame([&](CMessage& message) -> std::intptr_t {
        if (auto block = message.TakePayload<CByteBlock>())
            received += static_cast<std::size_t>(block->length());
        return 0;
    });
    CIpConnection connection;
    std::uint16_t port = 0;
    Fd listener = test::Listen(AF_INET, port);
    ASSERT_EQ(connection.Start(frame, WM_IP_MAIN, "127.0.0.1", port, MODE_IPV4_CLIENT), "");
    Fd peer = test::Accept(listener);
    std::thread flood([fd = peer.Get()] {
        const std::string chunk(64 * 1024, 'f');
        for (std::size_t sent = 0; sent < kFlood; sent += chunk.size())
            if (!test::WriteAll(fd, chunk))
                return;
    });
    // A frame busy elsewhere: nothing is handled for a while.
    std::this_thread::sleep_for(1s);
    EXPECT_LE(frame.Pending(), 64u + 1); // at most 128 KB waiting, plus an end notice
    EXPECT_TRUE(frame.PumpUntil([&] { return received >= kFlood; }, 120s));
    flood.join();
    EXPECT_EQ(received, kFlood);
}

// A proxy from the settings store reaches the target when the direct connect
// cannot. (Which source wins is GetSocksProxyTest's matter.)
class IpConnectionProxyTest : public IpPeers, public ::testing::Test {
protected:
    void SetUp() override { test::HideFromDirectLookup("localhost"); } // only the proxy resolves it
    void TearDown() override { CIP6Socket::SetResolver({}); }
};

TEST_F(IpConnectionProxyTest, ClientFallsBackToTheProxy)
{
    test::Microsocks proxy;
    CMemorySettingsStore store;
    store.Write(INTERNET_SETTINGS_GROUP, PROXY_ENABLE_KEY, "1");
    store.Write(INTERNET_SETTINGS_GROUP, PROXY_SERVER_KEY,
                "http=127.0.0.1:9;socks=127.0.0.1:" + std::to_string(proxy.Port()));
    std::uint16_t port = 0;
    Fd listener = test::Listen(AF_INET, port);
    ASSERT_EQ(StartTerminalConnection(m_connection, m_frame.Target(), MODE_IPV4_CLIENT, "localhost", port, &store), "");
    Fd target = test::Accept(listener);
    ASSERT_GE(m_frame.WaitFor(IP_CONNECTED), 0);
    ASSERT_TRUE(test::WriteAll(target.Get(), "banner"));
    ASSERT_TRUE(m_frame.WaitForBytes(6));
    ASSERT_TRUE(m_connection.Send("answer", 6));
    EXPECT_EQ(test::ReadSome(target.Get(), 6), "answer");
    EXPECT_EQ(m_frame.Received(), "banner");
}

TEST(BridgeModes, BridgeServerReportsWithTheBridgeMessage)
{
    test::RecordingTarget frame;
    CIpConnection connection;
    ASSERT_EQ(StartBridgeConnection(connection, frame.Target(), 3, "", 0, nullptr), "");
    EXPECT_EQ(connection.Mode(), MODE_IPV6_SERVER);
    Fd peer = test::ConnectTo(AF_INET6, connection.LocalPort());
    ASSERT_GE(frame.WaitFor(IP_CONNECTED), 0);
    EXPECT_EQ(frame.Events().front().message, WM_IP_BRIDGE);
    EXPECT_EQ(connection.PaneText(), "IPv6 TCP Server - ::1");
}

} // namespace
} // namespace kestrelon
