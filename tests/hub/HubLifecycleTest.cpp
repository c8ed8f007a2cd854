// Switching connections while the old one is busy: whatever the old connection
// still had on its way is dropped, so no lamp, pane or view line comes from it.
#include "hub/DriverHubFixture.h"
#include "support/SocketTestKit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>

#include <atomic>
#include <regex>
#include <thread>

namespace kestrelon::test {
namespace {

using namespace std::chrono_literals;

struct SwitchCase {
    const char* name;
    std::uint32_t mode; // the IP mode left for the serial port
};
void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class ApplyDuringFlood : public DriverHubFixture, public ::testing::TestWithParam<SwitchCase> {
protected:
    ~ApplyDuringFlood() override
    {
        flooding = false;
        if (flooder.joinable())
            flooder.join();
    }
    // The old connection's peer sends 'T' as fast as it can.
    void Flood(int fd, bool datagrams, std::uint16_t to)
    {
        flooding = true;
        flooder = std::thread([this, fd, datagrams, to] {
            const std::string block(1000, 'T');
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            while (flooding) {
                if (datagrams)
                    SendDatagramTo(fd, AF_INET, to, block);
                else if (::send(fd, block.data(), block.size(), MSG_NOSIGNAL) < 0)
                    std::this_thread::sleep_for(1ms);
            }
        });
    }

    Fd listener, peer; // closed only after the flood has been joined
    std::atomic<bool> flooding{false};
    std::thread flooder;
};

TEST_P(ApplyDuringFlood, NothingOfTheOldConnectionShowsAfterApply)
{
    doc.ipServer = "127.0.0.1";
    doc.commMode = GetParam().mode;
    if (doc.commMode == 3) {
        std::uint16_t own = FreePort();
        doc.ipPort = own;
        std::uint16_t from = 0;
        peer = BindUdp(AF_INET, from);
        hub->ApplyConnection();
        Flood(peer.Get(), true, own);
    } else {
        std::uint16_t port = 0;
        listener = Listen(AF_INET, port);
        doc.ipPort = port;
        hub->ApplyConnection();
        peer = Accept(listener);
        Flood(peer.Get(), false, 0);
    }
    ASSERT_TRUE(frame.PumpUntil([&] { return view.bytes.size() > 20000; }, 5000ms)) << "the flood is in flight";

    const std::size_t callsBefore = window.calls.size();
    const std::size_t bytesBefore = view.bytes.size();
    doc.commMode = 0;
    hub->ApplyConnection();
    ASSERT_TRUE(frame.PumpUntil([&] { return window.Pane(PANE_CONNECTION) == "COM200: 9600, 8N1"; }, 5000ms));
    frame.PumpUntil([] { return false; }, 300ms); // the flood goes on meanwhile
    ASSERT_TRUE(pty.WriteMaster("S"));
    ASSERT_TRUE(frame.PumpUntil([&] { return view.bytes.back() == 'S'; }, 5000ms));

    // Only the marked lines of the close and the open come before it.
    const std::regex marked("(\r\n)?[0-9:]{8} --- [^\r]* ---\r\n");
    EXPECT_EQ(std::regex_replace(view.bytes.substr(bytesBefore), marked, ""), "S")
        << "only the serial port's data after Apply";
    const std::vector<std::string> after(window.calls.begin() + static_cast<std::ptrdiff_t>(callsBefore),
                                         window.calls.end());
    for (const std::string& call : after) {
        EXPECT_NE(call, "led 3 5") << "data lamp set by the old connection's end";
        EXPECT_EQ(call.find("alternate 3"), std::string::npos) << call;
        EXPECT_EQ(call.find("IPv4"), std::string::npos) << call;
    }
    EXPECT_NE(window.Led(LED_DATA), 5);
}

INSTANTIATE_TEST_SUITE_P(Modes, ApplyDuringFlood, ::testing::Values(SwitchCase{"TcpClient", 1}, SwitchCase{"Udp", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrelon::test
