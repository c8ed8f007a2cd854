// Loopback peers, scripted and real SOCKS proxies, and the recording frame target
// of the socket tests; see SocketTestKit.h.
#include "support/SocketTestKit.h"

#include "net/IP6Socket.h"
#include "document/ByteBlock.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace kestrelon::test {

namespace {

socklen_t MakeLoopback(int family, std::uint16_t port, sockaddr_storage& address)
{
    address = {};
    if (family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        v6->sin6_addr = in6addr_loopback;
        return sizeof(sockaddr_in6);
    }
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sizeof(sockaddr_in);
}

std::uint16_t BoundPort(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

bool WaitReadable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}

int CountEntries(const char* path)
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path))
        ++count;
    return count;
}

} // namespace

void Fd::Reset(int fd)
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = fd;
}

Fd Listen(int family, std::uint16_t& port, int backlog)
{
    Fd fd(socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    int on = 1;
    setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage address;
    socklen_t length = MakeLoopback(family, port, address);
    if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd.Get(), backlog) != 0)
        throw std::runtime_error("cannot listen on loopback: " + std::string(strerror(errno)));
    port = BoundPort(fd.Get());
    return fd;
}

Fd Accept(const Fd& listener, int timeoutMs)
{
    if (!WaitReadable(listener.Get(), timeoutMs))
        return Fd();
    return Fd(accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
}

Fd ConnectTo(int family, std::uint16_t port)
{
    Fd fd(socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_storage address;
    socklen_t length = MakeLoopback(family, port, address);
    if (connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0)
        return Fd();
    return fd;
}

Fd BindUdp(int family, std::uint16_t& port)
{
    Fd fd(socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_storage address;
    socklen_t length = MakeLoopback(family, port, address);
    if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0)
        throw std::runtime_error("cannot bind UDP on loopback");
    port = BoundPort(fd.Get());
    return fd;
}

std::uint16_t FreePort(int family)
{
    std::uint16_t port = 0;
    Fd fd = Listen(family, port);
    return port;
}

std::string LoopbackAddress(int family)
{
    return family == AF_INET6 ? "::1" : "127.0.0.1";
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadSome(int fd, std::size_t count, int timeoutMs)
{
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !WaitReadable(fd, static_cast<int>(left.count())))
            break;
        char buffer[65536];
        ssize_t n = recv(fd, buffer, std::min(sizeof buffer, count - out.size()), 0);
        if (n <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

bool WaitForEof(int fd, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !WaitReadable(fd, static_cast<int>(left.count())))
            return false;
        char buffer[4096];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
    }
}

void SendDatagramTo(int fd, int family, std::uint16_t port, const std::string& bytes)
{
    sockaddr_storage address;
    socklen_t length = MakeLoopback(family, port, address);
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address), length);
}

std::string ReceiveDatagramFrom(int fd, int timeoutMs)
{
    if (!WaitReadable(fd, timeoutMs))
        return {};
    char buffer[65536];
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string LoopbackName(int family)
{
    sockaddr_storage address;
    socklen_t length = MakeLoopback(family, 0, address);
    return CIP6Socket::GetNameInfo(reinterpret_cast<sockaddr*>(&address), length, 0);
}

void InstallLoopbackNameLookup()
{
    CIP6Socket::SetNameLookup([](const sockaddr* address, socklen_t length, std::string& host, int flags) {
        const bool loopbackV4 = address->sa_family == AF_INET &&
                                (ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr) >> 24) == 127;
        if (!loopbackV4)
            flags |= NI_NUMERICHOST;
        char buffer[1025] = {};
        int result = getnameinfo(address, length, buffer, sizeof buffer, nullptr, 0, flags);
        host = buffer;
        return result;
    });
}

namespace {

class LoopbackOnly : public ::testing::Environment {
public:
    void SetUp() override { InstallLoopbackNameLookup(); }
};

const auto* const g_loopbackOnly = ::testing::AddGlobalTestEnvironment(new LoopbackOnly);

} // namespace

int OpenDescriptorCount()
{
    return CountEntries("/proc/self/fd");
}
int ThreadCount()
{
    return CountEntries("/proc/self/task");
}

ScriptedProxy::ScriptedProxy(std::string methodReply, std::string reply, Ending ending)
    : m_methodReply(std::move(methodReply)), m_reply(std::move(reply)), m_ending(ending)
{
    m_listener = Listen(AF_INET, m_port);
    m_thread = std::thread([this] { Run(); });
}

ScriptedProxy::~ScriptedProxy()
{
    m_done = true;
    shutdown(m_listener.Get(), SHUT_RDWR);
    if (m_thread.joinable())
        m_thread.join();
}

void ScriptedProxy::Run()
{
    Fd accepted;
    while (!m_done && accepted.Get() < 0)
        accepted = Accept(m_listener, 100);
    if (m_done)
        return;
    int client = accepted.Get();
    {
        std::lock_guard lock(m_mutex);
        m_client = std::move(accepted);
    }
    if (ReadSome(client, 3, 3000).size() != 3 || !WriteAll(client, m_methodReply))
        return;
    if (m_ending != CloseAfterMethod) {
        // The request: head, then the address its type announces, then the port.
        std::string request = ReadSome(client, 5, 3000);
        if (request.size() == 5) {
            const std::size_t rest = request[3] == 1   ? 4 - 1 + 2
                                     : request[3] == 4 ? 16 - 1 + 2
                                                       : std::uint8_t(request[4]) + 2u;
            request += ReadSome(client, rest, 3000);
        }
        {
            std::lock_guard lock(m_mutex);
            m_request = request;
        }
        WriteAll(client, m_reply);
    }
    if (m_ending != KeepOpen) {
        std::lock_guard lock(m_mutex);
        m_client.Reset();
    }
}

std::string ScriptedProxy::Request() const
{
    std::lock_guard lock(m_mutex);
    return m_request;
}

std::string ScriptedProxy::DataAfterRequest(std::size_t count, int timeoutMs)
{
    int fd;
    {
        std::lock_guard lock(m_mutex);
        fd = m_client.Get();
    }
    return fd < 0 ? std::string() : ReadSome(fd, count, timeoutMs);
}

Microsocks::Microsocks()
{
    const char* program = "/usr/bin/microsocks";
    if (access(program, X_OK) != 0)
        throw std::runtime_error("microsocks not found: install the Debian package 'microsocks' "
                                 "(scripts/install-deps.sh)");
    m_port = FreePort();
    const std::string port = std::to_string(m_port);
    m_pid = fork();
    if (m_pid == 0) {
        execl(program, "microsocks", "-i", "127.0.0.1", "-p", port.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 200; ++i) {
        if (ConnectTo(AF_INET, m_port).Get() >= 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    throw std::runtime_error("microsocks did not start listening");
}

Microsocks::~Microsocks()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

RecordingTarget::RecordingTarget()
{
    m_target.SetHandler([this](CMessage& message) -> std::intptr_t {
        IpEvent event;
        event.message = message.message;
        event.code = static_cast<int>(message.wParam);
        event.lParam = message.lParam;
        if (auto block = message.TakePayload<CByteBlock>()) {
            event.bytes.assign(reinterpret_cast<const char*>(block->data()), static_cast<std::size_t>(block->length()));
            std::lock_guard lock(m_mutex);
            m_received += event.bytes;
        } else if (auto text = message.TakePayload<CTextPayload>()) {
            event.bytes = text->Text();
        }
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
        return 0;
    });
}

int RecordingTarget::WaitFor(int code, std::size_t from, int timeoutMs)
{
    int found = -1;
    m_target.PumpUntil(
        [&] {
            std::lock_guard lock(m_mutex);
            for (std::size_t i = from; i < m_events.size(); ++i)
                if (m_events[i].code == code) {
                    found = static_cast<int>(i);
                    return true;
                }
            return false;
        },
        std::chrono::milliseconds(timeoutMs));
    return found;
}

bool RecordingTarget::WaitForBytes(std::size_t count, int timeoutMs)
{
    return m_target.PumpUntil(
        [&] {
            std::lock_guard lock(m_mutex);
            return m_received.size() >= count;
        },
        std::chrono::milliseconds(timeoutMs));
}

std::string RecordingTarget::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<int> RecordingTarget::Codes() const
{
    std::lock_guard lock(m_mutex);
    std::vector<int> codes;
    for (const auto& event : m_events)
        codes.push_back(event.code);
    return codes;
}

std::vector<IpEvent> RecordingTarget::Events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::size_t RecordingTarget::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_events.size();
}

} // namespace kestrelon::test
