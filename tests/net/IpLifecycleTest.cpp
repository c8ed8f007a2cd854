// IP connections that never keep a stop waiting: a resolver that hangs, an
// address that never answers, a peer that reads slowly, datagrams too long for
// one packet or refused by the system.
#include "net/IpConnection.h"
#include "document/Messages.h"

#include "support/SocketTestKit.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace kestrelon;
using namespace std::chrono_literals;

namespace {

using Recorder = test::RecordingTarget;

// A resolver that answers only after `seconds`, as a name server that does not
// reply would; it owns nothing, so the connection may abandon it.
AddressResolver SlowResolver(int seconds)
{
    return
        [seconds](const std::string&, const std::string& port, int family, int type, std::vector<CSocketAddress>& out) {
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            return CIP6Socket::Resolve(family == AF_INET6 ? "::1" : "127.0.0.1", port, family, type, out);
        };
}

NameLookup SlowNameLookup(int seconds)
{
    return [seconds](const sockaddr*, socklen_t, std::string& host, int) {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        host = "late";
        return 0;
    };
}

struct StopCase {
    const char* name;
    std::uint32_t mode;
    bool slowLookup; // a slow name lookup (server peer, UDP sender) instead of a slow resolver
    int endCode;     // what the stop posts; 0: nothing (a server without a peer)
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class SlowLookupStop : public testing::TestWithParam<StopCase> {};

// Whatever the look-up is doing, the stop returns at once, the end is "closed"
// with the current generation, and nothing of the abandoned run follows.
TEST_P(SlowLookupStop, StopsAtOnceAsClosed)
{
    const StopCase& c = GetParam();
    Recorder frame;
    CIpConnection connection;
    connection.SetDebugOutput({});
    CIpOptions options;
    if (c.slowLookup)
        options.nameLookup = SlowNameLookup(5);
    else
        options.resolver = SlowResolver(5);
    connection.SetOptions(options);
    ASSERT_EQ(connection.Start(frame.Target(), WM_IP_MAIN, "slow.invalid", 0, c.mode), "");
    test::Fd peer;
    test::Fd udp;
    if (c.mode == MODE_IPV4_SERVER) {
        peer = test::ConnectTo(AF_INET, connection.LocalPort()); // its name is looked up now
    } else if (c.mode == MODE_IPV4_UDP) {
        std::uint16_t port = 0;
        udp = test::BindUdp(AF_INET, port);
        if (c.slowLookup)
            test::SendDatagramTo(udp.Get(), AF_INET, connection.LocalPort(), "hello");
        else
            connection.Send("x", 1); // the sender now resolves the configured host
    }
    frame.Settle(100);

    const auto start = std::chrono::steady_clock::now();
    connection.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "Stop waited for the look-up";

    frame.Settle(200);
    EXPECT_EQ(frame.Count(IP_FAILED), 0);
    int ends = 0;
    for (const test::IpEvent& seen : frame.Events()) {
        if (seen.code == IP_CLOSED || seen.code == IP_UDP_CLOSED) {
            EXPECT_EQ(seen.code, c.endCode);
            EXPECT_EQ(seen.generation, connection.Generation()) << "the end belongs to the stop";
            ++ends;
        } else {
            EXPECT_NE(seen.generation, connection.Generation()) << "code " << seen.code;
        }
    }
    EXPECT_EQ(ends, c.endCode != 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Lookups, SlowLookupStop,
                         testing::Values(StopCase{"Ipv4Client", MODE_IPV4_CLIENT, false, IP_CLOSED},
                                         StopCase{"Ipv6Client", MODE_IPV6_CLIENT, false, IP_CLOSED},
                                         StopCase{"ServerPeerName", MODE_IPV4_SERVER, true, 0},
                                         StopCase{"UdpSenderName", MODE_IPV4_UDP, true, IP_UDP_CLOSED},
                                         StopCase{"UdpSendTarget", MODE_IPV4_UDP, false, IP_UDP_CLOSED}),
                         [](const auto& info) { return std::string(info.param.name); });

// A listener whose accept queue is full: the kernel drops further SYNs, so a
// connect to it is never answered.
struct Unanswered {
    test::Fd listener;
    test::Fd filler;
    std::uint16_t port = 0;
    Unanswered()
    {
        listener = test::Listen(AF_INET, port, 0);
        filler = test::ConnectTo(AF_INET, port);
        std::this_thread::sleep_for(50ms); // the filler's handshake completes
    }
};

TEST(ConnectDeadline, UnansweredAddressTimesOutThenTheNextIsTried)
{
    Unanswered dead;
    std::uint16_t livePort = 0;
    test::Fd live = test::Listen(AF_INET, livePort);
    struct Case {
        bool withLive;
        int expected;
    };
    for (const Case c : {Case{false, IP_FAILED}, Case{true, IP_CONNECTED}}) {
        Recorder frame;
        CIpConnection connection;
        std::string debug;
        connection.SetDebugOutput([&](const std::string& text) { debug += text; });
        CIpOptions options;
        options.connectSeconds = 1;
        options.resolver = [&](const std::string&, const std::string&, int, int, std::vector<CSocketAddress>& out) {
            out.push_back(test::LoopbackSocketAddress(AF_INET, dead.port));
            if (c.withLive)
                out.push_back(test::LoopbackSocketAddress(AF_INET, livePort));
            return 0;
        };
        connection.SetOptions(options);
        ASSERT_EQ(connection.Start(frame.Target(), WM_IP_MAIN, "two.invalid", 1, MODE_IPV4_CLIENT), "");
        ASSERT_GE(frame.WaitFor(c.expected, 0, 10000), 0) << c.withLive;
        if (!c.withLive) {
            EXPECT_NE(debug.find("#10060 (WSAETIMEDOUT)"), std::string::npos) << debug;
        }
        connection.Stop();
    }
}

// The episodes without the kernel's buffers in the way: a delivery that waits
// at a gate stands for a peer that does not read.
TEST(SendQueue, OverflowIsReportedOncePerEpisode)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    CIpSender sender(1000);
    sender.Start(
        [&](CIP6Socket&, const std::vector<std::uint8_t>&) {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return open; });
        },
        [](CIP6Socket&, const CIP6SocketException&) {}, true);
    auto socket = std::make_shared<CIP6Socket>();
    const std::string piece(300, 'p');
    auto burst = [&] {
        int first = 0;
        for (int i = 0; i < 20; ++i)
            first += sender.Queue(socket, piece.data(), piece.size()) == CIpSender::QueueResult::FirstDropped;
        return first;
    };
    auto gate = [&](bool state) {
        std::lock_guard lock(mutex);
        open = state;
        changed.notify_all();
    };
    EXPECT_EQ(burst(), 1);
    EXPECT_LE(sender.QueuedBytes(), 1000u);
    EXPECT_EQ(burst(), 0) << "still the same episode";
    gate(true); // the peer catches up
    while (sender.QueuedBytes() > 0)
        std::this_thread::sleep_for(1ms);
    gate(false);
    std::this_thread::sleep_for(20ms); // the sender waits at the gate again
    EXPECT_EQ(burst(), 1) << "a new episode";
    gate(true);
    sender.Stop();
}

TEST(Datagrams, LongSendIsSplitAndTheEndpointStillReceives)
{
    std::uint16_t peerPort = 0;
    test::Fd peer = test::BindUdp(AF_INET, peerPort);
    Recorder frame;
    CIpConnection connection;
    connection.SetDebugOutput({});
    // The endpoint binds the configured port and sends to it: the name of the
    // peer leads to the test's own socket instead.
    CIpOptions options;
    options.resolver = [peerPort](const std::string&, const std::string&, int, int, std::vector<CSocketAddress>& out) {
        out.push_back(test::LoopbackSocketAddress(AF_INET, peerPort));
        return 0;
    };
    connection.SetOptions(options);
    ASSERT_EQ(connection.Start(frame.Target(), WM_IP_MAIN, "peer.invalid", 0, MODE_IPV4_UDP), "");
    ASSERT_GE(frame.WaitFor(IP_UDP_READY), 0);

    std::string paste(100 * 1000, '\0');
    for (std::size_t i = 0; i < paste.size(); ++i)
        paste[i] = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(connection.Send(paste.data(), paste.size()));
    const std::string first = test::ReceiveDatagramFrom(peer.Get());
    const std::string second = test::ReceiveDatagramFrom(peer.Get());
    EXPECT_EQ(first.size(), CIpConnection::DATAGRAM_MAX);
    EXPECT_EQ(first + second, paste);

    test::SendDatagramTo(peer.Get(), AF_INET, connection.LocalPort(), "still there");
    ASSERT_GE(frame.WaitFor(IP_RECEIVED), 0);
    EXPECT_EQ(frame.Count(IP_SEND_FAILED), 0);
    EXPECT_EQ(frame.Count(IP_UDP_CLOSED), 0);
}

TEST(Datagrams, RefusedDatagramIsReportedAndReceivingGoesOn)
{
    Recorder frame;
    CIpConnection connection;
    connection.SetDebugOutput({});
    // Broadcasting needs SO_BROADCAST, which the endpoint does not ask for: the
    // system refuses every datagram to this address.
    ASSERT_EQ(connection.Start(frame.Target(), WM_IP_MAIN, "255.255.255.255", 9, MODE_IPV4_UDP), "");
    ASSERT_GE(frame.WaitFor(IP_UDP_READY), 0);
    ASSERT_TRUE(connection.Send("x", 1));
    ASSERT_GE(frame.WaitFor(IP_SEND_FAILED), 0);
    EXPECT_NE(frame.Events().back().lParam, 0);

    std::uint16_t peerPort = 0;
    test::Fd peer = test::BindUdp(AF_INET, peerPort);
    test::SendDatagramTo(peer.Get(), AF_INET, connection.LocalPort(), "after");
    ASSERT_GE(frame.WaitFor(IP_RECEIVED), 0);
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(frame.Count(IP_UDP_CLOSED), 0);
}

} // namespace
