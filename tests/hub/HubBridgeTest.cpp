// The bridge in the hub over a real pty device and a loopback peer.
#include "hub/DriverHubFixture.h"
#include "support/SocketTestKit.h"

#include <sys/socket.h>

#include <atomic>

namespace kestrelon::test {
namespace {

using namespace std::chrono_literals;

class HubBridge : public DriverHubFixture, public ::testing::Test {};

// A peer faster than the device: 4 MiB, four times the device's send queue,
// while the device reads nothing for a second. The bridge holds the peer back
// within its receive credit; nothing is dropped or reported as a full queue.
TEST_F(HubBridge, PeerFasterThanTheDeviceIsHeldBack)
{
    OpenPty();
    doc.bridgeMode = 1;
    doc.bridgePort = 0;
    hub->SetBridgeEnabled(true);
    Fd peer = ConnectTo(AF_INET, hub->Bridge().ListeningPort());
    ASSERT_TRUE(PumpUntil([&] { return hub->Bridge().IsPeerConnected(); }));
    std::string sent(4u << 20, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>('0' + i % 61); // no XON/XOFF among them
    std::thread writer([&] { WriteAll(peer.Get(), sent); });
    std::size_t mostHeld = 0;
    const auto pump = [&](const std::function<bool()>& done, std::chrono::milliseconds limit) {
        frame.PumpUntil([&] { return mostHeld = std::max(mostHeld, hub->Bridge().HeldBytes()), done(); }, limit);
    };
    pump([] { return false; }, 1s);
    EXPECT_GT(hub->Bridge().HeldBytes(), 0u) << "the peer was never held back";

    std::atomic<bool> read{false};
    std::string got;
    std::thread device([&] {
        got = ReadUntil(pty.Master(), 30000, [&](const std::string& s) { return s.size() >= sent.size(); });
        read = true;
    });
    pump([&] { return read.load(); }, 40s);
    device.join();
    writer.join();
    EXPECT_TRUE(got == sent) << got.size() << " bytes, lost or out of order";
    EXPECT_LE(mostHeld, CIpConnection::BLOCKS_IN_FLIGHT * CIpConnection::RECEIVE_SIZE);
    EXPECT_EQ(view.bytes.find("Queue is full"), std::string::npos);
}

} // namespace
} // namespace kestrelon::test
