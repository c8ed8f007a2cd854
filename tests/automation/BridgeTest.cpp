// Bridge mode against real loopback peers: the bridge with its own TCP
// connection, a recording window and view, and the main connection recorded.
#include "automation/Bridge.h"
#include "support/SocketTestKit.h"
#include "support/HubDoubles.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <ostream>
#include <thread>

namespace kestrelon::test {
namespace {

using namespace std::chrono_literals;

constexpr int GREY = 1, RED = 2, GREEN = 4, DARK_GREEN = 5;

// An IPv4 peer that takes hardly anything into its receive buffer.
Fd ConnectStalling(std::uint16_t port)
{
    Fd peer(::socket(AF_INET, SOCK_STREAM, 0));
    const int small = 4096;
    ::setsockopt(peer.Get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    EXPECT_EQ(::connect(peer.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return peer;
}

class BridgeRig {
public:
    BridgeRig()
    {
        frame.SetPumpThread(std::this_thread::get_id());
        frame.SetHandler([this](CMessage& m) { return m.message == WM_IP_BRIDGE ? bridge.HandleMessage(m) : 0; });
        doc.AddView(&view);
        doc.bridgePort = 0; // any free port for the server modes
        bridge.SetShowLine([this](const std::string& text) { lines += text + "\n"; });
    }
    ~BridgeRig() { frame.Close(); }

    bool PumpUntil(const std::function<bool()>& done) { return frame.PumpUntil(done, 5000ms); }
    bool Said(const std::string& text) const { return std::ranges::count(window.calls, "status " + text) > 0; }
    int Led() const { return window.Led(LED_BRIDGE); }
    void Forward(const std::string& bytes)
    {
        bridge.Forward(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    // Switches a server bridge on and connects a peer to it.
    Fd ServePeer(std::uint32_t mode, int family, bool stalling = false)
    {
        doc.bridgeMode = mode;
        bridge.SetEnabled(true);
        Fd peer = stalling ? ConnectStalling(bridge.ListeningPort()) : ConnectTo(family, bridge.ListeningPort());
        EXPECT_TRUE(PumpUntil([&] { return bridge.IsPeerConnected(); }));
        return peer;
    }
    // Switches a client bridge on towards a loopback listener of its own.
    Fd StartClient(std::uint32_t mode, int family)
    {
        std::uint16_t port = 0;
        Fd listener = Listen(family, port);
        doc.bridgeMode = mode;
        doc.bridgeServer = LoopbackAddress(family);
        doc.bridgePort = port;
        bridge.SetEnabled(true);
        return listener;
    }

    CKestronDoc doc;
    CRecordingWindow window;
    CRecordingView view;
    CPumpedTarget frame;
    std::string sentMain;
    std::string lines; // shown in the data views
    CBridge bridge{doc, window, frame, [this](const std::uint8_t* data, std::size_t length) {
                       sentMain.append(reinterpret_cast<const char*>(data), length);
                   }};
};

struct ModeCase {
    const char* name;
    std::uint32_t bridgeMode;
    int family;
    bool server;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class BridgeModes : public ::testing::TestWithParam<ModeCase> {};

// Many small blocks each way: the peer gets the device's bytes in order, the
// main connection gets the peer's, untouched (no conversion, no scanning).
TEST_P(BridgeModes, BytesCrossBothWaysInOrder)
{
    const ModeCase& c = GetParam();
    BridgeRig rig;
    rig.doc.crToCrLfOnSend = true;
    rig.doc.scanCommands = true;
    Fd listener, peer;
    if (c.server) {
        peer = rig.ServePeer(c.bridgeMode, c.family);
    } else {
        listener = rig.StartClient(c.bridgeMode, c.family);
        peer = Accept(listener);
        ASSERT_TRUE(rig.PumpUntil([&] { return rig.bridge.IsPeerConnected(); }));
    }
    EXPECT_EQ(rig.Led(), GREEN);
    std::string device;
    for (int i = 0; i < 500; ++i) {
        std::string block = std::to_string(i) + "\r[KESTRON:LOG_STOP\r";
        rig.Forward(block);
        device += block;
    }
    EXPECT_EQ(ReadSome(peer.Get(), device.size()), device);
    const std::string remote = "AT\r\n[KESTRON:TIME_UTC\r\x1b[2J";
    ASSERT_TRUE(WriteAll(peer.Get(), remote));
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.sentMain.size() >= remote.size(); }));
    EXPECT_EQ(rig.sentMain, remote);
    EXPECT_TRUE(rig.bridge.IsEnabled());
}

INSTANTIATE_TEST_SUITE_P(Bridge, BridgeModes,
                         ::testing::Values(ModeCase{"IPv4Client", 0, AF_INET, false},
                                           ModeCase{"IPv4Server", 1, AF_INET, true},
                                           ModeCase{"IPv6Client", 2, AF_INET6, false},
                                           ModeCase{"IPv6Server", 3, AF_INET6, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Echo in the send colour, or nothing shown; automatic answers go off with the
// bridge and stay off after it.
TEST(Bridge, PeerBytesAreEchoedOnlyWithLocalEchoAndAnswersGoOff)
{
    for (bool echo : {true, false}) {
        BridgeRig rig;
        rig.doc.localEcho = echo;
        rig.doc.autoAnswerOn = true;
        Fd peer = rig.ServePeer(1, AF_INET);
        EXPECT_FALSE(rig.doc.autoAnswerOn);
        ASSERT_TRUE(WriteAll(peer.Get(), "hi\r"));
        ASSERT_TRUE(rig.PumpUntil([&] { return rig.sentMain == "hi\r"; })) << echo;
        EXPECT_EQ(rig.view.bytes, echo ? "hi\r" : "");
        EXPECT_EQ(rig.view.colours, std::vector<COLORREF>(echo ? 3 : 0, SEND_COLOUR));
        rig.bridge.SetEnabled(false);
        EXPECT_FALSE(rig.doc.autoAnswerOn);
    }
}

// The server goes on listening and keeps nothing of the gap for the next peer.
// Switched off with a peer connected (our side then waits out the close) and
// on again, it gets its port back at once, and the end of the old connection,
// arriving late, does not cut the new peer off.
TEST(Bridge, ServerServesTheNextPeerAndRestartsOnItsPort)
{
    BridgeRig rig;
    rig.doc.bridgePort = FreePort();
    const auto port = static_cast<std::uint16_t>(rig.doc.bridgePort);
    rig.ServePeer(1, AF_INET, false).Reset();
    ASSERT_TRUE(rig.PumpUntil([&] { return !rig.bridge.IsPeerConnected(); }));
    EXPECT_EQ(rig.Led(), DARK_GREEN);
    rig.Forward("gap");
    Fd second = ConnectTo(AF_INET, port);
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.bridge.IsPeerConnected(); }));
    rig.bridge.SetEnabled(false);
    EXPECT_EQ(rig.Led(), GREY);
    EXPECT_TRUE(WaitForEof(second.Get()));
    second.Reset();
    EXPECT_LT(ConnectTo(AF_INET, port).Get(), 0);

    Fd third = rig.ServePeer(1, AF_INET, false);
    rig.frame.PumpUntil([] { return false; }, 100ms);
    rig.Forward("next");
    EXPECT_EQ(ReadSome(third.Get(), 7, 500), "next");
    EXPECT_EQ(rig.Led(), GREEN);
}

// The end of the switched-off connection reaches the frame after the new one
// started: it must not turn the new one off.
TEST(Bridge, ClientSwitchedOffAndOnAtOnceStaysOn)
{
    BridgeRig rig;
    Fd listener = rig.StartClient(0, AF_INET);
    Fd first = Accept(listener);
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.bridge.IsPeerConnected(); }));
    rig.bridge.SetEnabled(false);
    rig.bridge.SetEnabled(true);
    Fd second = Accept(listener);
    EXPECT_TRUE(rig.PumpUntil([&] { return rig.bridge.IsPeerConnected(); }));
    EXPECT_TRUE(rig.bridge.IsEnabled());
}

struct EndCase {
    const char* name;
    bool peerAccepts; // else the connect is refused
    int led;
    const char* said; // in the message pane and the data views
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class BridgeClientEnd : public ::testing::TestWithParam<EndCase> {};

// A client bridge whose peer leaves is off and grey; one refused is off and red.
TEST_P(BridgeClientEnd, TurnsItselfOff)
{
    BridgeRig rig;
    std::uint16_t port = 0;
    Fd listener = Listen(AF_INET, port);
    if (!GetParam().peerAccepts)
        listener.Reset();
    rig.doc.bridgeServer = "127.0.0.1";
    rig.doc.bridgePort = port;
    rig.bridge.SetEnabled(true);
    if (GetParam().peerAccepts) {
        Fd peer = Accept(listener);
        ASSERT_TRUE(rig.PumpUntil([&] { return rig.bridge.IsPeerConnected(); }));
    } // the peer leaves only once the bridge has seen it come
    ASSERT_TRUE(rig.PumpUntil([&] { return !rig.bridge.IsEnabled(); }));
    EXPECT_EQ(rig.Led(), GetParam().led);
    EXPECT_EQ(rig.lines, *GetParam().said ? std::string(GetParam().said) + "\n" : "");
    EXPECT_TRUE(!*GetParam().said || rig.Said(GetParam().said));
}

INSTANTIATE_TEST_SUITE_P(Bridge, BridgeClientEnd,
                         ::testing::Values(EndCase{"PeerLeaves", true, GREY, ""},
                                           EndCase{"Refused", false, RED,
                                                   "Bridge off: Connect error #10061 (WSAECONNREFUSED): "
                                                   "connection refused"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A peer that never reads: the queue stays within its bound, the rest is
// dropped and reported once per episode, and forwarding never waits for the peer.
TEST(Bridge, StalledPeerOverflowIsBoundedAndReportedOnce)
{
    BridgeRig rig;
    Fd peer = rig.ServePeer(1, AF_INET, true);
    const std::string block(2000, 'x');
    std::size_t mostQueued = 0;
    for (int i = 0; i < 8000; ++i) { // 16 MB
        rig.Forward(block);
        mostQueued = std::max(mostQueued, rig.bridge.QueuedBytes());
    }
    EXPECT_LE(mostQueued, CBridge::QUEUE_LIMIT);
    EXPECT_GT(rig.bridge.DroppedBytes(), 0u);
    // Once per episode, not per dropped block. An episode ends when the queue
    // runs dry, which the kernel's socket buffers may let happen once or twice
    // more before they fill.
    const auto reports = std::count(rig.window.calls.begin(), rig.window.calls.end(), "status " + BridgeOverflowText());
    EXPECT_GE(reports, 1);
    EXPECT_LE(reports, 4);
}

// A peer that stops reading ends the bridge after the send time-out, and the
// user reads why.
TEST(Bridge, PeerThatStopsReadingEndsTheBridgeWithAReason)
{
    BridgeRig rig;
    Fd peer = rig.ServePeer(1, AF_INET, true);
    const std::string block(64 * 1024, 'x');
    ASSERT_TRUE(rig.frame.PumpUntil([&] { return rig.Forward(block), !rig.bridge.IsEnabled(); }, 10000ms));
    const std::string text = "Bridge off: the peer did not read for 5 s";
    EXPECT_EQ(rig.lines, text + "\n");
    EXPECT_TRUE(rig.Said(text));
    EXPECT_EQ(rig.Led(), RED);
}

// One peer at a time: a second one is accepted and closed at once, and the
// first is still served.
TEST(Bridge, SecondPeerIsTurnedAwayAtOnce)
{
    BridgeRig rig;
    Fd first = rig.ServePeer(1, AF_INET);
    Fd second = ConnectTo(AF_INET, rig.bridge.ListeningPort());
    EXPECT_TRUE(WaitForEof(second.Get(), 2000));
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.window.calls.back().ends_with(" turned away, one peer at a time"); }));
    EXPECT_TRUE(rig.window.calls.back().starts_with("status Bridge: 127.0.0.1:"));
    rig.Forward("still");
    EXPECT_EQ(ReadSome(first.Get(), 5), "still");
    EXPECT_TRUE(rig.bridge.IsPeerConnected());
}

} // namespace
} // namespace kestrelon::test
