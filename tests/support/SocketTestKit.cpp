// Loopback peers, scripted and real SOCKS proxies, and the recording frame target
// of the socket tests; see SocketTestKit.h.
#include "support/SocketTestKit.h"

#include "document/ByteBlock.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace kestrelon::test {

namespace {

sockaddr* Raw(CSocketAddress& address)
{
    return reinterpret_cast<sockaddr*>(&address.storage);
}

std::uint16_t BoundPort(int fd)
{
    CSocketAddress address;
    address.length = sizeof address.storage;
    getsockname(fd, Raw(address), &address.length);
    return address.family() == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(Raw(address))->sin6_port)
                                        : ntohs(reinterpret_cast<sockaddr_in*>(Raw(address))->sin_port);
}

bool WaitReadable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = deadline - std::chrono::steady_clock::now();
    return static_cast<int>(std::max<long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
}

// A loopback socket of `type`, bound (listening) or connected to `port`.
Fd Loopback(int family, int type, std::uint16_t port, bool bind)
{
    Fd fd(socket(family, type | SOCK_CLOEXEC, 0));
    int on = 1;
    setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    CSocketAddress address = LoopbackSocketAddress(family, port);
    const int result =
        bind ? ::bind(fd.Get(), Raw(address), address.length) : connect(fd.Get(), Raw(address), address.length);
    return result == 0 ? std::move(fd) : Fd();
}

class LoopbackOnly : public ::testing::Environment {
public:
    void SetUp() override { InstallLoopbackNameLookup(); }
};

const auto* const g_loopbackOnly = ::testing::AddGlobalTestEnvironment(new LoopbackOnly);

} // namespace

void Fd::Reset(int fd)
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = fd;
}

CSocketAddress LoopbackSocketAddress(int family, std::uint16_t port)
{
    CSocketAddress address;
    if (family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(Raw(address));
        *v6 = {.sin6_family = AF_INET6, .sin6_port = htons(port), .sin6_addr = in6addr_loopback};
        address.length = sizeof(sockaddr_in6);
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(Raw(address));
        *v4 = {.sin_family = AF_INET, .sin_port = htons(port), .sin_addr = {htonl(INADDR_LOOPBACK)}};
        address.length = sizeof(sockaddr_in);
    }
    return address;
}

Fd Listen(int family, std::uint16_t& port, int backlog)
{
    Fd fd = Loopback(family, SOCK_STREAM, port, true);
    if (fd.Get() < 0 || listen(fd.Get(), backlog) != 0)
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
    return Loopback(family, SOCK_STREAM, port, false);
}

Fd BindUdp(int family, std::uint16_t& port)
{
    Fd fd = Loopback(family, SOCK_DGRAM, port, true);
    if (fd.Get() < 0)
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
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadSome(int fd, std::size_t count, int timeoutMs)
{
    return ReadUntil(fd, timeoutMs, [count](const std::string& out) { return out.size() >= count; }, count);
}

bool WaitForEof(int fd, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (WaitReadable(fd, MillisecondsLeft(deadline)))
        if (recv(fd, buffer, sizeof buffer, 0) <= 0)
            return true;
    return false;
}

void SendDatagramTo(int fd, int family, std::uint16_t port, const std::string& bytes)
{
    CSocketAddress address = LoopbackSocketAddress(family, port);
    sendto(fd, bytes.data(), bytes.size(), 0, Raw(address), address.length);
}

std::string ReceiveDatagramFrom(int fd, int timeoutMs)
{
    char buffer[65536];
    const ssize_t n = WaitReadable(fd, timeoutMs) ? recv(fd, buffer, sizeof buffer, 0) : 0;
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string LoopbackName(int family)
{
    CSocketAddress address = LoopbackSocketAddress(family, 0);
    return CIP6Socket::GetNameInfo(Raw(address), address.length, 0);
}

void InstallLoopbackNameLookup()
{
    CIP6Socket::SetNameLookup([](const sockaddr* address, socklen_t length, std::string& host, int flags) {
        const bool loopbackV4 = address->sa_family == AF_INET &&
                                (ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr) >> 24) == 127;
        char buffer[1025] = {};
        const int result = getnameinfo(address, length, buffer, sizeof buffer, nullptr, 0,
                                       loopbackV4 ? flags : flags | NI_NUMERICHOST);
        host = buffer;
        return result;
    });
}

void HideFromDirectLookup(const std::string& name)
{
    CIP6Socket::SetResolver([name](const std::string& host, const std::string& port, int family, int type,
                                   std::vector<CSocketAddress>& out) {
        if (host == name)
            return EAI_NONAME;
        addrinfo hints{.ai_flags = AI_NUMERICHOST, .ai_family = family, .ai_socktype = type};
        addrinfo* list = nullptr;
        const int result = getaddrinfo(host.c_str(), port.c_str(), &hints, &list);
        for (addrinfo* item = list; item; item = item->ai_next) {
            CSocketAddress& address = out.emplace_back();
            std::memcpy(&address.storage, item->ai_addr, item->ai_addrlen);
            address.length = item->ai_addrlen;
        }
        if (list)
            freeaddrinfo(list);
        return result;
    });
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
    m_thread.join();
}

void ScriptedProxy::Run()
{
    Fd accepted;
    while (!m_done && accepted.Get() < 0)
        accepted = Accept(m_listener, 100);
    const int client = accepted.Get();
    std::unique_lock lock(m_mutex);
    m_client = std::move(accepted);
    lock.unlock();
    if (m_done || ReadSome(client, 3, 3000).size() != 3 || !WriteAll(client, m_methodReply))
        return;
    if (m_ending != CloseAfterMethod) {
        // The request: head, then the address its type announces, then the port.
        std::string request = ReadSome(client, 5, 3000);
        if (request.size() == 5)
            request += ReadSome(client,
                                request[3] == 1   ? 5
                                : request[3] == 4 ? 17
                                                  : std::uint8_t(request[4]) + 2u,
                                3000);
        lock.lock();
        m_request = request;
        lock.unlock();
        WriteAll(client, m_reply);
    }
    lock.lock();
    if (m_ending != KeepOpen)
        m_client.Reset();
}

std::string ScriptedProxy::Request() const
{
    std::lock_guard lock(m_mutex);
    return m_request;
}

std::string ScriptedProxy::DataAfterRequest(std::size_t count)
{
    std::unique_lock lock(m_mutex);
    const int fd = m_client.Get();
    lock.unlock();
    return fd < 0 ? std::string() : ReadSome(fd, count, 3000);
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
    for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
        if (ConnectTo(AF_INET, m_port).Get() >= 0)
            return;
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
        IpEvent event{message.message, static_cast<int>(message.wParam), message.lParam, {}, message.generation};
        std::lock_guard lock(m_mutex);
        if (auto block = message.TakePayload<CByteBlock>()) {
            event.bytes.assign(reinterpret_cast<const char*>(block->data()), static_cast<std::size_t>(block->length()));
            m_received += event.bytes;
        } else if (auto text = message.TakePayload<CTextPayload>()) {
            event.bytes = text->Text();
        }
        m_events.push_back(std::move(event));
        return 0;
    });
}

int RecordingTarget::WaitFor(int code, std::size_t from, int timeoutMs)
{
    int found = -1;
    m_target.PumpUntil(
        [&] {
            const std::vector<int> codes = Codes();
            for (std::size_t i = from; i < codes.size() && found < 0; ++i)
                if (codes[i] == code)
                    found = static_cast<int>(i);
            return found >= 0;
        },
        std::chrono::milliseconds(timeoutMs));
    return found;
}

bool RecordingTarget::WaitForBytes(std::size_t count, int timeoutMs)
{
    return m_target.PumpUntil([&] { return Received().size() >= count; }, std::chrono::milliseconds(timeoutMs));
}

std::string RecordingTarget::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<int> RecordingTarget::Codes() const
{
    std::vector<int> codes;
    for (const auto& event : Events())
        codes.push_back(event.code);
    return codes;
}

long RecordingTarget::Count(int code) const
{
    const std::vector<int> codes = Codes();
    return std::count(codes.begin(), codes.end(), code);
}

std::vector<IpEvent> RecordingTarget::Events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

} // namespace kestrelon::test
