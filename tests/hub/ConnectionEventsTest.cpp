// The connection's marked lines: what each driver story shows in the data
// views, in the error colour only, never forwarded to the bridge.
#include "hub/HubFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace kestrelon::test {
namespace {

struct EventCase {
    const char* name;
    std::uint32_t mode;
    const char* host;
    std::function<void(HubFixture&)> story;
    std::string shown; // the view's bytes, each CR LF as "|"
};
void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

void Text(HubFixture& f, int code, const char* text)
{
    f.Deliver(WM_IP_MAIN, code, 0, std::make_unique<CTextPayload>(text));
}

class ConnectionEventsTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(ConnectionEventsTest, MarkedLinesInTheErrorColour)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const EventCase& c = GetParam();
    HubFixture f;
    std::string bridged;
    f.hub->SetBridgeForward([&](const std::uint8_t* data, std::size_t n) { bridged.append((const char*)data, n); });
    f.doc.scanCommands = true; // brackets of an IPv6 address are no command
    f.doc.commMode = c.mode;
    f.doc.ipServer = c.host;
    f.ip->peer = "127.0.0.1";
    f.hub->ApplyConnection();
    f.frame.Pump();
    c.story(f);
    std::string shown = f.view.bytes;
    for (std::size_t at; (at = shown.find("\r\n")) != std::string::npos;)
        shown.replace(at, 2, "|");
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(f.view.colours, std::vector<COLORREF>(f.view.bytes.size(), ERROR_COLOUR));
    EXPECT_EQ(bridged, "");
}

const EventCase kEventCases[] = {
    {"SerialOpensChangesRateAndCloses", 0, "",
     [](HubFixture& f) {
         f.Deliver(WM_TERMINAL, TC_PORT_OPENED);
         f.Deliver(WM_TERMINAL, TC_PORT_OPENED, 115200); // the same port: no line
         f.hub->ToggleConnection();
     },
     "11:33:33 --- Connected: COM1 9600 8N1 ---|11:33:33 --- Closed: COM1 ---|"},
    {"DeviceRemovedAndBack", 0, "",
     [](HubFixture& f) {
         f.Deliver(WM_TERMINAL, TC_PORT_OPENED);
         f.Deliver(WM_TERMINAL, TC_PORT_FAILED, PF_DEVICE_LOST, std::make_unique<CTextPayload>("/dev/ttyUSB0"));
         f.Deliver(WM_TERMINAL, TC_DEVICE_BACK);
         f.Deliver(WM_TERMINAL, TC_PORT_OPENED);
     },
     "11:33:33 --- Connected: COM1 9600 8N1 ---|11:33:33 --- Device removed: COM1 (/dev/ttyUSB0) ---|"
     "11:33:33 --- Device back: COM1 ---|"},
    {"ClientRefused", 1, "127.0.0.1",
     [](HubFixture& f) { Text(f, IP_FAILED, "Connect error #10061 (WSAECONNREFUSED): connection refused"); },
     "11:33:33 --- Connect failed: 127.0.0.1:23 refused ---|"},
    {"Ipv6ClientClosedByPeer", 4, "::1",
     [](HubFixture& f) {
         f.Deliver(WM_IP_MAIN, IP_CONNECTED, 7);
         Text(f, IP_CLOSED, "Connection closed by peer");
     },
     "11:33:33 --- Connected: [::1]:23 ---|11:33:33 --- Closed: [::1]:23: Connection closed by peer ---|"},
    {"ServerPeerComesAndGoes", 2, "",
     [](HubFixture& f) {
         f.Deliver(WM_IP_MAIN, IP_CONNECTED, 7);
         f.Deliver(WM_IP_MAIN, IP_CLOSED);
         f.doc.commMode = 0;
         f.hub->ApplyConnection();
     },
     "11:33:33 --- Listening: TCP port 23 ---|11:33:33 --- Peer 127.0.0.1 arrived ---|"
     "11:33:33 --- Peer 127.0.0.1 left ---|11:33:33 --- Closed: TCP port 23 ---|"},
    {"UdpOpensAndCloses", 3, "localhost",
     [](HubFixture& f) {
         f.Deliver(WM_IP_MAIN, IP_UDP_READY, 7);
         f.Deliver(WM_IP_MAIN, IP_FAILED); // one datagram unreadable: still open
         f.hub->ToggleConnection();
         f.Deliver(WM_IP_MAIN, IP_UDP_CLOSED);
     },
     "11:33:33 --- Opened: UDP localhost:23 ---|11:33:33 --- Closed: UDP localhost:23 ---|"},
};

INSTANTIATE_TEST_SUITE_P(Stories, ConnectionEventsTest, ::testing::ValuesIn(kEventCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A line of the device's own that has not ended yet is ended first; the old
// connection's note in the message pane goes with the connection.
TEST(ConnectionEvents, EndTheOpenLineAndClearTheMessagePane)
{
    HubFixture f;
    f.OpenSerial();
    f.Deliver(WM_TERMINAL, TC_PORT_OPENED);
    f.Receive("login: ");
    f.window.ShowStatusMessage("Demo device on COM1");
    f.doc.commMode = 1;
    f.hub->ApplyConnection();
    EXPECT_EQ(f.window.statusMessage, "");
    EXPECT_NE(f.view.bytes.find("login: \r\n"), std::string::npos) << Escape(f.view.bytes);
}

} // namespace
} // namespace kestrelon::test
