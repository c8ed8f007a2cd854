// CIP6Socket over real loopback sockets: error numbers and texts, connects by
// address list, time-outs, and waking a blocked call from another thread.
#include "net/IP6Socket.h"

#include "support/SocketTestKit.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <future>
#include <thread>

namespace kestrelon {
namespace {

using namespace std::chrono_literals;
using test::Fd;

struct TextRow {
    const char* operation;
    int code;
    const char* text;
    const char* words; // the system's, after the text users read
};
void PrintTo(const TextRow& c, std::ostream* os) { *os << c.operation << " " << c.code; }

class ExceptionTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(ExceptionTextTest, FormatsOperationCodeAndName)
{
    const CIP6SocketException error(GetParam().operation, GetParam().code);
    EXPECT_EQ(error.GetText(), GetParam().text);
    EXPECT_EQ(error.GetUserText(), std::string(GetParam().text) + GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(Table, ExceptionTextTest,
                         ::testing::Values(TextRow{"Connect", 10061, "Connect error #10061 (WSAECONNREFUSED)",
                                                   ": connection refused"},
                                           TextRow{"ProxyConnect_3", 5, "ProxyConnect_3 error #5 (Connection refused)", ""},
                                           TextRow{"Receive", 9, "Receive error #9 (Unknown)", ""},
                                           TextRow{"Receive", 10051, "Receive error #10051 (Unknown)",
                                                   ": network is unreachable"},
                                           TextRow{"Send timeout", 10060, "Send timeout error #10060 (WSAETIMEDOUT)",
                                                   ": connection timed out"}),
                         [](const auto& info) { return "Code" + std::to_string(info.param.code); });

// Runs `body`, which must throw; returns the exception's text.
template <typename Body> std::string ThrownText(Body body)
{
    try {
        body();
    } catch (const CIP6SocketException& error) {
        return error.GetText();
    }
    return "(nothing thrown)";
}

// A call blocked in another thread is woken by Shutdown() and reports the socket
// as closed under it (WSAENOTSOCK).
enum class Blocked { Receive, ReceiveDatagram, Accept, Send };

class ShutdownWakesTest : public ::testing::TestWithParam<Blocked> {};

const char* const kBlockedNames[] = {"Receive", "ReceiveDatagram", "Accept", "Send"};
void PrintTo(Blocked blocked, std::ostream* os) { *os << kBlockedNames[static_cast<int>(blocked)]; }

std::string BlockedName(const ::testing::TestParamInfo<Blocked>& info)
{
    return kBlockedNames[static_cast<int>(info.param)];
}

TEST_P(ShutdownWakesTest, BlockedCallEndsWithNotSocket)
{
    std::uint16_t port = 0;
    Fd listener = test::Listen(AF_INET, port);
    Fd peer;
    CIP6Socket socket;
    const Blocked blocked = GetParam();
    if (blocked == Blocked::Receive || blocked == Blocked::Send) {
        socket.Connect("127.0.0.1", port);
        peer = test::Accept(listener);
    } else if (blocked == Blocked::ReceiveDatagram) {
        socket.Create(AF_INET, SOCK_DGRAM);
        socket.Bind(0);
    } else {
        socket.Create(AF_INET, SOCK_STREAM);
        socket.Bind(0);
        socket.Listen(1);
    }
    auto outcome = std::async(std::launch::async, [&]() -> std::string {
        char buffer[2000];
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        CIP6Socket accepted;
        const std::string chunk(256 * 1024, 'y');
        try {
            switch (blocked) {
            case Blocked::Receive:
                socket.Receive(buffer, sizeof buffer, 0);
                break;
            case Blocked::ReceiveDatagram:
                socket.ReceiveDatagram(buffer, sizeof buffer, reinterpret_cast<sockaddr*>(&from), &length, 0);
                break;
            case Blocked::Accept:
                return socket.Accept(accepted) ? "accepted" : "false";
            case Blocked::Send:
                for (;;)
                    socket.SendAll(chunk.data(), static_cast<int>(chunk.size()), 30);
            }
        } catch (const CIP6SocketException& error) {
            return error.GetText();
        }
        return "returned";
    });
    std::this_thread::sleep_for(100ms);
    socket.Shutdown();
    ASSERT_EQ(outcome.wait_for(10s), std::future_status::ready);
    const char* expected[] = {"Receive error #10038 (WSAENOTSOCK)", "ReceiveDatagram error #10038 (WSAENOTSOCK)",
                              "false", "Send error #10038 (WSAENOTSOCK)"};
    EXPECT_EQ(outcome.get(), expected[static_cast<int>(blocked)]);
}

INSTANTIATE_TEST_SUITE_P(Calls, ShutdownWakesTest,
                         ::testing::Values(Blocked::Receive, Blocked::ReceiveDatagram, Blocked::Accept, Blocked::Send),
                         BlockedName);

// Address lists come from a stand-in resolver, so a name can have a dead and a
// live address whatever the machine's hosts file holds.
class ResolverTest : public ::testing::Test {
protected:
    void TearDown() override { CIP6Socket::SetResolver({}); }

    void Answer(int result, std::vector<CSocketAddress> addresses)
    {
        CIP6Socket::SetResolver(
            [=](const std::string&, const std::string&, int, int, std::vector<CSocketAddress>& out) {
                out = addresses;
                return result;
            });
    }
};

TEST_F(ResolverTest, ConnectExSkipsADeadAddressForALiveOne)
{
    std::uint16_t live = 0;
    Fd listener = test::Listen(AF_INET, live);
    Answer(0, {test::LoopbackSocketAddress(AF_INET6, test::FreePort(AF_INET6)),
               test::LoopbackSocketAddress(AF_INET, live)});
    CIP6Socket socket;
    socket.ConnectEx("device.test", live, 0, SOCK_STREAM);
    Fd peer = test::Accept(listener);
    ASSERT_GE(peer.Get(), 0);
    socket.SendAll("up", 2, 1);
    EXPECT_EQ(test::ReadSome(peer.Get(), 2), "up");
    EXPECT_EQ(socket.Family(), AF_INET);
}

struct ResolveFailureRow {
    const char* title;
    int result;
    bool withAddresses;
    const char* text;
    bool plainConnect = false; // Connect (no proxy) instead of ConnectEx
};
void PrintTo(const ResolveFailureRow& c, std::ostream* os) { *os << c.title; }

class ResolveFailureTest : public ResolverTest, public ::testing::WithParamInterface<ResolveFailureRow> {};

TEST_P(ResolveFailureTest, ConnectNamesTheFailedStep)
{
    const auto& row = GetParam();
    std::vector<CSocketAddress> dead;
    if (row.withAddresses)
        dead = {test::LoopbackSocketAddress(AF_INET, test::FreePort()),
                test::LoopbackSocketAddress(AF_INET6, test::FreePort(AF_INET6))};
    Answer(row.result, dead);
    CIP6Socket socket;
    const auto connect = [&] {
        if (row.plainConnect)
            socket.Connect("device.test", 23);
        else
            socket.ConnectEx("device.test", 23, 0, SOCK_STREAM);
    };
    EXPECT_EQ(ThrownText(connect), row.text);
    EXPECT_FALSE(socket.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolveFailureTest,
    ::testing::Values(ResolveFailureRow{"UnknownName", EAI_NONAME, false, "ConnectEx(1) error #11001 (Unknown)"},
                      ResolveFailureRow{"NoAddress", 0, false, "ConnectEx(2) error #11001 (Unknown)"},
                      ResolveFailureRow{"AllDead", 0, true, "Connect error #10061 (WSAECONNREFUSED)"},
                      ResolveFailureRow{"UnknownNameWithoutProxy", EAI_NONAME, false, "Connect error #11001 (Unknown)",
                                        true}),
    [](const auto& info) { return info.param.title; });

TEST(IP6SocketNames, AnAddressWithoutNameGivesItsNumericForm)
{
    CIP6Socket::SetNameLookup([](const sockaddr* address, socklen_t, std::string& host, int flags) {
        if (!(flags & NI_NUMERICHOST))
            return EAI_NONAME;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
        host = text;
        return 0;
    });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, "192.0.2.7", &address.sin_addr);
    const std::string name = CIP6Socket::GetNameInfo(reinterpret_cast<sockaddr*>(&address), sizeof address, 0);
    test::InstallLoopbackNameLookup();
    EXPECT_EQ(name, "192.0.2.7");
}

TEST(IP6SocketLifetime, CloseTwiceAndAttachLeaveTheOwnerInCharge)
{
    std::uint16_t port = 0;
    Fd listener = test::Listen(AF_INET, port);
    CIP6Socket owner;
    owner.Connect("127.0.0.1", port);
    {
        CIP6Socket wrapper;
        wrapper.Attach(owner.Handle());
        wrapper.SendAll("w", 1, 1);
        wrapper.Attach(CIP6Socket::INVALID); // detached: its destructor closes nothing
    }
    Fd peer = test::Accept(listener);
    owner.SendAll("o", 1, 1);
    EXPECT_EQ(test::ReadSome(peer.Get(), 2), "wo");
    owner.Close();
    owner.Close();
    EXPECT_FALSE(owner.IsOpen());
}

} // namespace
} // namespace kestrelon
