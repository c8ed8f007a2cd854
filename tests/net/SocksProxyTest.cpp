// Finding the SOCKS proxy in the settings store and the environment, the bytes of
// the SOCKS 5 handshake, and connects through scripted bad proxies.
#include "net/SocksProxy.h"

#include "document/SettingsStore.h"
#include "net/IP6Socket.h"
#include "support/SocketTestKit.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <cstdlib>
#include <optional>

namespace kestrelon {
namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

// Sets or clears an environment variable for one test, restoring it afterwards.
class EnvGuard {
public:
    EnvGuard(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~EnvGuard() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The proxy list of the settings store (read while it is enabled) and the
// proxy URL of the environment (read while the store has no say).
struct StoreRow {
    const char* title;
    const char* enable; // null: value absent
    const char* server;
    const char* lowerEnv;
    const char* upperEnv;
    const char* expected; // "host:port" or "" for no proxy
};
void PrintTo(const StoreRow& c, std::ostream* os) { *os << c.title; }

class GetSocksProxyTest : public ::testing::TestWithParam<StoreRow> {};

TEST_P(GetSocksProxyTest, ChoosesTheProxy)
{
    const auto& row = GetParam();
    EnvGuard lower("all_proxy", row.lowerEnv);
    EnvGuard upper("ALL_PROXY", row.upperEnv);
    CMemorySettingsStore store;
    if (row.enable)
        store.Write(INTERNET_SETTINGS_GROUP, PROXY_ENABLE_KEY, row.enable);
    if (row.server)
        store.Write(INTERNET_SETTINGS_GROUP, PROXY_SERVER_KEY, row.server);
    std::string host = "stale";
    std::uint16_t port = 7;
    const bool found = GetSocksProxy(&store, host, port);
    // The connection uses whatever host and port come back, found or not.
    const std::string used = host.empty() || port == 0 ? "" : host + ":" + std::to_string(port);
    EXPECT_EQ(used, row.expected);
    EXPECT_EQ(found, !used.empty());
}

const StoreRow kStoreRows[] = {
    {"Enabled", "1", "socks=proxy.lan:1080", nullptr, nullptr, "proxy.lan:1080"},
    {"Disabled", "0", "socks=p:1080", nullptr, "socks5://e:1", ""},
    {"EnabledNotANumber", "yes", "socks=p:1080", nullptr, nullptr, ""},
    {"EnabledEmptyList", "1", "", nullptr, nullptr, ""},
    {"EnabledNoList", "1", nullptr, nullptr, nullptr, ""},
    {"ListSecondEntry", "1", "http=web:80;socks=B:1080", nullptr, nullptr, "B:1080"},
    {"ListWithoutPortSkipped", "1", "socks=nohost;socks=C:9050", nullptr, nullptr, "C:9050"},
    {"ListWithoutPortOnly", "1", "socks=nohost", nullptr, nullptr, ""},
    {"ListTwoColonsSkipped", "1", "socks=a:b:1;socks=D:1", nullptr, nullptr, "D:1"},
    {"ListCaseMatters", "1", "SOCKS=E:1080", nullptr, nullptr, ""},
    {"ListPortNotANumber", "1", "socks=F:http", nullptr, nullptr, ""},
    {"ListPortTooBig", "1", "socks=G:65536", nullptr, nullptr, ""},
    {"ListEmptyHost", "1", "socks=:1080", nullptr, nullptr, ""},
    {"ListFirstUsableWins", "1", "socks=H:1;socks=I:2", nullptr, nullptr, "H:1"},
    {"ListOtherProtocolsOnly", "1", "http=web:80;https=web:443", nullptr, nullptr, ""},
    {"StoreWinsOverEnvironment", "1", "socks=p:1", "socks5://e:2", nullptr, "p:1"},
    {"AbsentUsesLowerCase", nullptr, nullptr, "socks5://127.0.0.1:1080", nullptr, "127.0.0.1:1080"},
    {"AbsentUsesUpperCase", nullptr, nullptr, nullptr, "socks5h://proxy.lan:9050/", "proxy.lan:9050"},
    {"LowerCaseFirst", nullptr, nullptr, "socks5://e:2", "socks5://u:3", "e:2"},
    {"UrlUpperCaseScheme", nullptr, nullptr, "SOCKS5://p:1", nullptr, "p:1"},
    {"UrlBracketed", nullptr, nullptr, "socks5://[::1]:1080", nullptr, "::1:1080"},
    {"UrlHttpProxyIgnored", nullptr, nullptr, "http://web:3128", nullptr, ""},
    {"UrlSocks4", nullptr, nullptr, "socks4://p:1080", nullptr, ""},
    {"UrlNoPort", nullptr, nullptr, "socks5://p", nullptr, ""},
    {"UrlWithCredentials", nullptr, nullptr, "socks5://u:pw@p:1080", nullptr, ""},
    {"UrlNotAUrl", nullptr, nullptr, "p:1080", nullptr, ""},
    {"NothingAnywhere", nullptr, nullptr, nullptr, nullptr, ""},
};

INSTANTIATE_TEST_SUITE_P(Table, GetSocksProxyTest, ::testing::ValuesIn(kStoreRows),
                         [](const auto& info) { return info.param.title; });

struct RequestRow {
    const char* title;
    std::string host;
    std::uint16_t port;
    std::string bytes; // empty: refused
};
void PrintTo(const RequestRow& c, std::ostream* os) { *os << c.title; }

class ConnectRequestTest : public ::testing::TestWithParam<RequestRow> {};

TEST_P(ConnectRequestTest, EncodesTheTarget)
{
    std::vector<std::uint8_t> request;
    const bool built = Socks5::BuildConnectRequest(GetParam().host, GetParam().port, request);
    EXPECT_EQ(built ? std::string(request.begin(), request.end()) : std::string(), GetParam().bytes);
}

// A name's length travels in one byte: 255 is the longest name there is.
const RequestRow kRequestRows[] = {
    {"DottedAddress", "192.168.1.20", 23, Bytes({5, 1, 0, 1, 192, 168, 1, 20, 0, 23})},
    {"Name", "dev.lan", 0x1F90, Bytes({5, 1, 0, 3, 7}) + "dev.lan" + Bytes({0x1F, 0x90})},
    {"Ipv6", "::1", 80, Bytes({5, 1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 80})},
    {"EmptyName", "", 1, ""},
    {"NameOf255Bytes", std::string(255, 'a'), 1, Bytes({5, 1, 0, 3, 255}) + std::string(255, 'a') + Bytes({0, 1})},
    {"NameOf256Bytes", std::string(256, 'a'), 1, ""},
};

INSTANTIATE_TEST_SUITE_P(Table, ConnectRequestTest, ::testing::ValuesIn(kRequestRows),
                         [](const auto& info) { return info.param.title; });

// Scripted proxies: what the client ends with, and the data bytes that follow.
struct ScriptRow {
    const char* title;
    std::string method;
    std::string reply;
    test::ScriptedProxy::Ending ending;
    const char* error; // "" for a connect
    const char* data;  // first bytes of the target, sent with the reply
    const char* target = "10.1.2.3"; // port 2323
    std::string request = Bytes({5, 1, 0, 1, 10, 1, 2, 3, 0x09, 0x13});
};
void PrintTo(const ScriptRow& c, std::ostream* os) { *os << c.title; }

class ScriptedProxyTest : public ::testing::TestWithParam<ScriptRow> {};

TEST_P(ScriptedProxyTest, HandshakeEndsAsScripted)
{
    const auto& row = GetParam();
    test::ScriptedProxy proxy(row.method, row.reply + row.data, row.ending);
    CIP6Socket socket;
    std::string error;
    try {
        socket.ProxyConnect(row.target, 2323, "127.0.0.1", proxy.Port());
    } catch (const CIP6SocketException& failure) {
        error = failure.GetText();
    }
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(socket.IsOpen(), error.empty());
    if (!error.empty())
        return;
    EXPECT_EQ(proxy.Request(), row.request);
    const std::string expected = row.data;
    std::string got(expected.size(), '\0');
    for (int done = 0; done < static_cast<int>(expected.size());)
        done += socket.Receive(got.data() + done, static_cast<int>(expected.size()) - done, 2);
    EXPECT_EQ(got, expected);
    socket.SendAll("back", 4, 1);
    EXPECT_EQ(proxy.DataAfterRequest(4), "back");
}

const std::string kAccept = Bytes({5, 0});
constexpr auto kKeep = test::ScriptedProxy::KeepOpen;
constexpr auto kClose = test::ScriptedProxy::CloseAfterReply;
const std::string kIpv4Reply = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x04, 0x38});

const char* const kNoMethod = "ProxyConnect_2 error #258 (Authentication method not supported)";
const char* const kInvalidReply = "ProxyConnect_3 error #259 (Invalid SOCKS reply)";
const char* const kTimedOut = "Receive timeout error #10060 (WSAETIMEDOUT)";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, ScriptedProxyTest,
    ::testing::Values(
        ScriptRow{"Ipv4Reply", kAccept, kIpv4Reply, kKeep, "", "hello"},
        // A name goes to the proxy as a name: the proxy resolves it, not we.
        ScriptRow{"NameTarget", kAccept, kIpv4Reply, kKeep, "", "", "device.example", Bytes({5, 1, 0, 3, 14}) + "device.example" + Bytes({0x09, 0x13})},
        ScriptRow{"Ipv6ReplyWithData", kAccept, Bytes({5, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1}), kKeep, "",
                  "\x01\x02 data after a 22-byte reply"},
        ScriptRow{"DomainReplyWithData", kAccept, Bytes({5, 0, 0, 3, 9}) + "localhost" + Bytes({0, 80}), kKeep, "", "login: "},
        ScriptRow{"Version4Greeting", Bytes({4, 0}), "", kClose, "ProxyConnect_1 error #257 (Version not supported)", ""},
        ScriptRow{"NoAcceptableMethod", Bytes({5, 0xFF}), "", kClose, kNoMethod, ""},
        ScriptRow{"ShortMethodReply", Bytes({5}), "", test::ScriptedProxy::CloseAfterMethod, kNoMethod, ""},
        ScriptRow{"ConnectionRefused", kAccept, Bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0}), kClose, "ProxyConnect_3 error #5 (Connection refused)", ""},
        ScriptRow{"RefusedWithShortReply", kAccept, Bytes({5, 2, 0, 1}), kClose, "ProxyConnect_3 error #2 (Connection not allowed by ruleset)", ""},
        ScriptRow{"TruncatedReply", kAccept, Bytes({5, 0, 0, 1, 127, 0}), kClose, kInvalidReply, ""},
        ScriptRow{"TruncatedDomainReply", kAccept, Bytes({5, 0, 0, 3, 20}) + "short", kClose, kInvalidReply, ""},
        ScriptRow{"ClosedBeforeReply", kAccept, "", kClose, kInvalidReply, ""},
        ScriptRow{"ReplyOfAnotherVersion", kAccept, Bytes({4, 0, 0, 1, 0, 0, 0, 0, 0, 0}), kClose, kInvalidReply, ""},
        ScriptRow{"UnknownAddressType", kAccept, Bytes({5, 0, 0, 9, 0, 0, 0, 0, 0, 0}), kClose, kInvalidReply, ""},
        ScriptRow{"SilentAfterGreeting", "", "", kKeep, kTimedOut, ""},
        ScriptRow{"SilentMidReply", kAccept, Bytes({5, 0, 0}), kKeep, kTimedOut, ""}),
    [](const auto& info) { return info.param.title; });
// clang-format on

TEST(ScriptedProxyRequest, ProxyThatRefusesTheTcpConnectFails)
{
    CIP6Socket socket;
    try {
        socket.ProxyConnect("10.1.2.3", 23, "127.0.0.1", test::FreePort());
        FAIL() << "connected";
    } catch (const CIP6SocketException& error) {
        EXPECT_EQ(error.GetText(), "Connect error #10061 (WSAECONNREFUSED)");
    }
    EXPECT_FALSE(socket.IsOpen());
}

} // namespace
} // namespace kestrelon
