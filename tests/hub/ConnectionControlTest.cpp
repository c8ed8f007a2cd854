// Connection control over recording connections: what toggling does in each
// mode, and how each IP notification shows.
#include "hub/HubFixture.h"
#include "support/NamedRows.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kestrelon::test {
namespace {

using Calls = std::vector<std::string>;
using test::PrintTo;

// What each IP notification leaves on the status bar: the data and server
// lamps, the function keys and the connection pane; a failure also flashes.
struct IpCodeCase {
    const char* name;
    std::uint32_t mode;
    bool listening;
    bool connected;
    int code;
    int dataLed;
    int serverLed;
    bool fkeys;
    bool flash;
    const char* pane;
};

class IpNotificationTest : public ::testing::TestWithParam<IpCodeCase> {};

TEST_P(IpNotificationTest, ShowsTheConnectionState)
{
    const IpCodeCase& c = GetParam();
    HubFixture f;
    f.doc.commMode = c.mode;
    f.doc.ipServer = "h";
    f.doc.ipPort = 7;
    f.ip->listening = c.listening;
    f.ip->connected = c.connected;
    f.ip->peer = "peer.example";
    f.Deliver(WM_IP_MAIN, static_cast<std::uintptr_t>(c.code), 0);
    const bool flashed =
        std::find(f.window.calls.begin(), f.window.calls.end(), "alternate 3 2 3 2 4") != f.window.calls.end();
    EXPECT_EQ(f.window.Led(LED_DATA), c.dataLed);
    EXPECT_EQ(f.window.Led(LED_SERVER), c.serverLed);
    EXPECT_EQ(f.window.fkeysEnabled, c.fkeys);
    EXPECT_EQ(flashed, c.flash);
    EXPECT_EQ(f.window.Pane(PANE_CONNECTION), c.pane);
}

const IpCodeCase kIpCodes[] = {
    {"ClientConnected", 1, false, false, IP_CONNECTED, 4, 0, true, false, "IPv4 TCP Client h:7"},
    {"ServerPeerConnected", 2, true, false, IP_CONNECTED, 4, 5, true, false, "IPv4 TCP Server - peer.example"},
    {"ServerPeerGone", 2, true, true, IP_CLOSED, 5, 4, false, false, "IPv4 TCP Server 7"},
    {"ClientClosed", 4, false, true, IP_CLOSED, 5, 0, false, false, "IPv6 TCP Client h:7"},
    {"UdpReady", 3, true, false, IP_UDP_READY, 4, 0, true, false, "IPv4 UDP h:7"},
    {"UdpClosed", 6, false, false, IP_UDP_CLOSED, 5, 0, false, false, "IPv6 UDP h:7"},
    {"ClientFailed", 1, false, true, IP_FAILED, 1, 0, false, true, "IPv4 TCP Client h:7"},
    {"ServerSendFailed", 5, true, true, IP_SEND_FAILED, 1, 4, false, true, "IPv6 TCP Server 7"},
    {"UnknownCodeIgnored", 1, false, false, 77, 0, 0, false, false, "(unset)"},
};

INSTANTIATE_TEST_SUITE_P(Codes, IpNotificationTest, ::testing::ValuesIn(kIpCodes), test::RowName);

// A remote serial port's reports: the lamps of the modem lines, the lines the
// Lines menu shows, and line errors and a refusal as lines in the views.
struct RemoteCase {
    const char* name;
    int code;
    std::intptr_t value;
    int lamp; // CTS, DSR and CD alike
    int modemLines;
    const char* shown; // in the views
};

const RemoteCase kRemoteCodes[] = {
    {"LinesUp", IP_MODEM_STATE, 0x3B0, 4, 0x166, ""},
    {"LinesDownDtrLow", IP_MODEM_STATE, 0x200, 5, 0x004, ""},
    {"RingAlone", IP_MODEM_STATE, 0x040, 5, 0x080, ""},
    {"FramingError", IP_LINE_STATE, 0x08, 0, MODEM_LINES_UNKNOWN, "Framing"},
    {"DataReadyIsNoError", IP_LINE_STATE, 0x61, 0, MODEM_LINES_UNKNOWN, ""},
    {"Refused", IP_REMOTE_REFUSED, 0, 0, MODEM_LINES_UNKNOWN, "Remote port does not accept line settings"},
};

class RemoteNotificationTest : public ::testing::TestWithParam<RemoteCase> {};

TEST_P(RemoteNotificationTest, ShowsAsALocalPortWould)
{
    const RemoteCase& c = GetParam();
    HubFixture f;
    f.doc.commMode = 1;
    f.Deliver(WM_IP_MAIN, static_cast<std::uintptr_t>(c.code), c.value);
    for (LedRole led : {LED_CTS, LED_DSR, LED_CD})
        EXPECT_EQ(f.window.Led(led), c.lamp) << led;
    EXPECT_EQ(f.hub->ModemLines(), c.modemLines);
    EXPECT_EQ(f.view.events.find(c.shown) != std::string::npos, true) << f.view.events;
    EXPECT_EQ(f.view.events.empty(), *c.shown == '\0') << f.view.events;
}

INSTANTIATE_TEST_SUITE_P(Codes, RemoteNotificationTest, ::testing::ValuesIn(kRemoteCodes), test::RowName);

TEST(IpNotification, ReceivedDataBlinksAndReachesTheViewsUnlessATransferOwnsIt)
{
    HubFixture f;
    f.doc.commMode = 1;
    std::string transfer;
    f.hub->SetIpTransferReceiver([&](const std::uint8_t* d, std::size_t n) { transfer.append((const char*)d, n); });
    f.Deliver(WM_IP_MAIN, IP_RECEIVED, 0, std::make_unique<CByteBlock>("one", 3));
    f.hub->SetIpSendState(2);
    f.Deliver(WM_IP_MAIN, IP_RECEIVED, 0, std::make_unique<CByteBlock>("two", 3));
    f.hub->SetIpSendState(1);
    f.Deliver(WM_IP_MAIN, IP_RECEIVED, 0, std::make_unique<CByteBlock>("six", 3));
    EXPECT_EQ(f.view.events, "[one][six]");
    EXPECT_EQ(transfer, "two");
    EXPECT_EQ(f.window.calls, Calls(3, "alternate 3 5 4 3 2"));
}

TEST(IpNotification, PeerPaneChangesOnlyForANewPeer)
{
    HubFixture f;
    f.doc.commMode = 3;
    for (const char* peer : {"a.example", "a.example", "b.example"})
        f.Deliver(WM_IP_MAIN, IP_UDP_PEER, 0, std::make_unique<CTextPayload>(peer));
    EXPECT_EQ(f.window.calls, (Calls{"pane 59152 a.example", "pane 59152 b.example"}));
    EXPECT_EQ(f.hub->PeerText(), "b.example");
}

TEST(IpNotification, BridgeMessagesGoToTheBridge)
{
    HubFixture f;
    std::vector<std::uintptr_t> codes;
    f.hub->SetBridgeHandler([&](CMessage& m) {
        codes.push_back(m.wParam);
        return 0;
    });
    f.Deliver(WM_IP_BRIDGE, IP_CONNECTED, 5);
    f.Deliver(WM_IP_BRIDGE, IP_CLOSED);
    EXPECT_EQ(codes, (std::vector<std::uintptr_t>{1, 3}));
    EXPECT_TRUE(f.window.calls.empty());
}

struct ToggleCase {
    const char* name;
    std::uint32_t mode;
    bool open;
    bool connected;
    Calls serial;
    Calls ip;
    bool openAfter;
};

class ToggleTest : public ::testing::TestWithParam<ToggleCase> {};

TEST_P(ToggleTest, StopsAnOpenConnectionStartsAClosedOne)
{
    const ToggleCase& c = GetParam();
    HubFixture f;
    f.doc.commMode = c.mode;
    f.serial->open = c.mode == 0 && c.open;
    f.ip->listening = c.mode != 0 && c.open;
    f.ip->connected = c.connected;
    EXPECT_EQ(f.hub->IsConnectionOpen(), c.mode == 0 || c.mode == 3 ? c.open : c.connected);
    f.hub->ToggleConnection();
    EXPECT_EQ(f.serial->calls, c.serial);
    EXPECT_EQ(f.ip->calls, c.ip);
    EXPECT_EQ(f.hub->IsConnectionOpen(), c.openAfter);
    if (!c.openAfter) {
        EXPECT_FALSE(f.window.fkeysEnabled);
    }
}

const ToggleCase kToggleCases[] = {
    {"SerialOpenCloses", 0, true, false, {"close"}, {}, false},
    {"SerialClosedOpens", 0, false, false, {"open 1 9600"}, {"stop"}, true},
    {"ClientConnectedCloses", 1, false, true, {}, {"close connection"}, false},
    {"ClientUnconnectedStarts", 1, false, false, {}, {"start 1 localhost:23"}, false},
    {"ServerWithPeerDropsThePeer", 2, true, true, {}, {"close connection"}, false},
    {"UdpOpenCloses", 3, true, false, {}, {"stop"}, false},
    {"UdpClosedStarts", 3, false, false, {}, {"start 3 localhost:23"}, true},
};

INSTANTIATE_TEST_SUITE_P(Modes, ToggleTest, ::testing::ValuesIn(kToggleCases), test::RowName);

TEST(Toggle, ClosingTheSerialPortSaysSo)
{
    HubFixture f;
    f.OpenSerial();
    f.hub->ToggleConnection();
    EXPECT_EQ(f.window.Pane(PANE_CONNECTION), "COM not opened");
    EXPECT_EQ(f.window.Led(LED_CTS), 1);
}

// A pseudo-terminal reads every modem line low: the lamps must not claim a state.
TEST(Toggle, ModemLampsStayGreyOnAPortWithoutModemLines)
{
    for (const int lines : {MODEM_LINES_NONE, 0}) {
        HubFixture f;
        f.OpenSerial();
        f.Deliver(WM_TERMINAL, TC_MODEM_LINES, lines);
        f.Deliver(WM_TERMINAL, TC_CTS_HOLD, 1);
        f.Deliver(WM_TERMINAL, TC_DSR_HOLD, 1);
        EXPECT_EQ(f.window.Led(LED_CTS), lines == 0 ? 4 : 1) << lines;
        EXPECT_EQ(f.window.Led(LED_DSR), lines == 0 ? 4 : 1) << lines;
    }
}

} // namespace
} // namespace kestrelon::test
