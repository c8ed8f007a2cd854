// Loopback peers for the socket tests: plain POSIX listeners and clients, a
// scripted SOCKS 5 proxy that answers exactly the bytes a test gives it, the
// real microsocks server, and a frame target that records IP notifications.
#pragma once

#include "framework/PumpedTarget.h"
#include "net/IP6Socket.h"
#include "support/TempDir.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrelon::test {

// A descriptor closed on destruction.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept { return Reset(other.Release()), *this; }
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

// AF_INET on 127.0.0.1 or AF_INET6 on ::1.
CSocketAddress LoopbackSocketAddress(int family, std::uint16_t port);
Fd Listen(int family, std::uint16_t& port, int backlog = 4);
Fd Accept(const Fd& listener, int timeoutMs = 5000);
Fd ConnectTo(int family, std::uint16_t port);
Fd BindUdp(int family, std::uint16_t& port);
// A loopback port nobody listens on right now.
std::uint16_t FreePort(int family = 2 /* AF_INET */);
std::string LoopbackAddress(int family);

bool WriteAll(int fd, const std::string& bytes);
// Reads until `count` bytes came, the peer closed or the time-out passed.
std::string ReadSome(int fd, std::size_t count, int timeoutMs = 5000);
// True when the peer closed (read returns 0) within the time-out.
bool WaitForEof(int fd, int timeoutMs = 5000);
void SendDatagramTo(int fd, int family, std::uint16_t port, const std::string& bytes);
std::string ReceiveDatagramFrom(int fd, int timeoutMs = 5000);
// The name the socket layer gives the loopback address of a family. Tests look
// names up in the hosts file only, never in a name server: IPv6 addresses and
// addresses outside 127/8 stay numeric (installed for every test program).
std::string LoopbackName(int family);
void InstallLoopbackNameLookup();
// Numeric addresses resolve, `name` does not: only a proxy can reach it.
void HideFromDirectLookup(const std::string& name);

// A SOCKS 5 proxy playing a script for one client: reads the greeting, answers
// `methodReply`, reads the connect request, answers `reply`, then ends as told.
class ScriptedProxy {
public:
    enum Ending {
        KeepOpen,         // the connection stays open (and silent) until destroyed
        CloseAfterReply,  // closes after the reply
        CloseAfterMethod, // closes after the method reply, reading no request
    };
    ScriptedProxy(std::string methodReply, std::string reply, Ending ending);
    ~ScriptedProxy();
    std::uint16_t Port() const { return m_port; }
    // The connect request as received (empty before it came).
    std::string Request() const;
    // Bytes the client sent after its request.
    std::string DataAfterRequest(std::size_t count);

private:
    void Run();

    std::string m_methodReply;
    std::string m_reply;
    Ending m_ending;
    std::uint16_t m_port = 0;
    Fd m_listener;
    Fd m_client;
    std::atomic<bool> m_done{false};
    mutable std::mutex m_mutex;
    std::string m_request;
    std::thread m_thread;
};

// Debian's microsocks on a free loopback port, stopped on destruction.
class Microsocks {
public:
    Microsocks();
    ~Microsocks();
    std::uint16_t Port() const { return m_port; }

private:
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};

// Records WM_IP_* notifications as they are pumped.
struct IpEvent {
    std::uint32_t message = 0;
    int code = 0;
    std::intptr_t lParam = 0;
    std::string bytes; // received block or sender name
    std::uint64_t generation = 0;
};

class RecordingTarget {
public:
    RecordingTarget();
    CPumpedTarget& Target() { return m_target; }
    // Pumps until an event with `code` is recorded past `from`; its index or -1.
    int WaitFor(int code, std::size_t from = 0, int timeoutMs = 5000);
    // Pumps until the received bytes total `count`.
    bool WaitForBytes(std::size_t count, int timeoutMs = 5000);
    // Pumps for a while, so that late or doubled notifications show up.
    void Settle(int ms = 150) { m_target.PumpUntil([] { return false; }, std::chrono::milliseconds(ms)); }
    std::string Received() const;
    std::vector<int> Codes() const;
    std::vector<IpEvent> Events() const;
    std::size_t Count() const { return Events().size(); }
    long Count(int code) const;
    void Pump() { m_target.Pump(); }

private:
    CPumpedTarget m_target;
    mutable std::mutex m_mutex;
    std::vector<IpEvent> m_events;
    std::string m_received;
};

} // namespace kestrelon::test
