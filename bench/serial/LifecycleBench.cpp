// Figures of the connection lifecycle, printed one per line: how long a serial
// Close and Quit take with 200 kB of output held by a device that never reads,
// how long an IP Stop takes while a name look-up hangs for 5 s, how long a
// connect to an address that never answers takes to fail, and the memory
// peak of a 1 GiB paste to a slow TCP reader.
#include "net/IpConnection.h"
#include "serial/KestronDriver.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "framework/PumpedTarget.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <netdb.h>
#include <netinet/in.h>
#include <pty.h>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kestrelon;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

long PeakKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

void Report(const char* what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    std::printf("%-44s median %8.2f ms  max %8.2f ms  (%zu runs)\n", what, samples[samples.size() / 2], samples.back(),
                samples.size());
}

// Serial: open a pty nobody reads, queue 200 kB, then Close (or Quit).
void SerialStops(int runs)
{
    std::vector<double> closes, quits;
    for (int run = 0; run < runs; ++run) {
        int master = -1, slave = -1;
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        openpty(&master, &slave, name, &raw, nullptr);
        CMemorySettingsStore settings;
        settings.Write(kPortAliasGroup, "COM250", name);
        CPumpedTarget frame([](CMessage&) { return 0; });
        auto driver = std::make_unique<CKestronDriver>(frame, settings);
        driver->SetDebugOutput({});
        driver->SetPortTree({"/nonexistent-sys", "/nonexistent-dev"});
        DCB dcb;
        dcb.BaudRate = 115200;
        dcb.ByteSize = 8;
        dcb.flags = DcbFlag::fBinary;
        driver->Open(250, dcb);
        frame.PumpUntil([&] { return driver->IsOpen(); });
        const std::string piece(4000, 'o');
        for (int i = 0; i < 50; ++i)
            driver->Write(piece.data(), static_cast<std::int32_t>(piece.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        auto start = Clock::now();
        driver->Close();
        while (driver->IsOpen())
            frame.Pump();
        closes.push_back(Ms(Clock::now() - start));

        driver->Open(250, dcb);
        frame.PumpUntil([&] { return driver->IsOpen(); });
        for (int i = 0; i < 50; ++i)
            driver->Write(piece.data(), static_cast<std::int32_t>(piece.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        start = Clock::now();
        driver->Quit();
        frame.Close();
        driver->WaitForExit();
        quits.push_back(Ms(Clock::now() - start));
        driver.reset();
        close(master);
        close(slave);
    }
    Report("serial Close, 200 kB held (port closed)", closes);
    Report("serial Quit + thread end, 200 kB held", quits);
}

void StopDuringSlowLookup(int runs)
{
    std::vector<double> stops;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        int codes[64] = {};
        CPumpedTarget frame([&](CMessage& m) {
            if (m.wParam < 64)
                ++codes[m.wParam];
            return 0;
        });
        CIpConnection connection;
        connection.SetDebugOutput({});
        CIpOptions options;
        options.resolver = [](const std::string&, const std::string&, int, int, std::vector<CSocketAddress>&) {
            std::this_thread::sleep_for(std::chrono::seconds(5));
            return EAI_AGAIN;
        };
        connection.SetOptions(options);
        connection.Start(frame, WM_IP_MAIN, "slow.invalid", 23, MODE_IPV4_CLIENT);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto start = Clock::now();
        connection.Stop();
        stops.push_back(Ms(Clock::now() - start));
        frame.Pump();
        failures += codes[IP_FAILED];
    }
    Report("IP Stop while a look-up hangs 5 s", stops);
    std::printf("%-44s %d\n", "  code 50 posted after those stops", failures);
}

// A TCP listener on an ephemeral loopback port; its address goes to `address`.
int ListenOnLoopback(int backlog, sockaddr_in& address)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, backlog);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    return listener;
}

void UnansweredConnect()
{
    // A listener with a full accept queue: further SYNs are dropped.
    sockaddr_in address{};
    const int listener = ListenOnLoopback(0, address);
    const int filler = socket(AF_INET, SOCK_STREAM, 0);
    connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    std::string text;
    bool failed = false;
    CPumpedTarget frame([&](CMessage& m) {
        failed = failed || m.wParam == IP_FAILED;
        return 0;
    });
    CIpConnection connection;
    connection.SetDebugOutput([&](const std::string& t) { text = t; });
    const auto start = Clock::now();
    connection.Start(frame, WM_IP_MAIN, "127.0.0.1", ntohs(address.sin_port), MODE_IPV4_CLIENT);
    frame.PumpUntil([&] { return failed; }, std::chrono::seconds(60));
    std::printf("%-44s %8.2f s   \"%s\"\n", "connect to an unanswered address fails after",
                Ms(Clock::now() - start) / 1000, text.c_str());
    connection.Stop();
    close(filler);
    close(listener);
}

void LargePasteToSlowReader()
{
    sockaddr_in address{};
    const int listener = ListenOnLoopback(1, address);

    int overflows = 0;
    bool connected = false;
    CPumpedTarget frame([&](CMessage& m) {
        overflows += m.wParam == IP_SEND_OVERFLOW;
        connected = connected || m.wParam == IP_CONNECTED;
        return 0;
    });
    CIpConnection connection;
    connection.SetDebugOutput({});
    connection.Start(frame, WM_IP_MAIN, "127.0.0.1", ntohs(address.sin_port), MODE_IPV4_CLIENT);
    const int peer = accept(listener, nullptr, nullptr);
    frame.PumpUntil([&] { return connected; });
    // The slow reader: 64 KiB every 10 ms.
    std::atomic<bool> reading{true};
    std::thread reader([&] {
        std::vector<char> buffer(64 * 1024);
        while (reading) {
            recv(peer, buffer.data(), buffer.size(), MSG_DONTWAIT);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const long before = PeakKiB();
    constexpr std::size_t kPaste = std::size_t{1} << 30;
    // One paste of 1 GiB, as the send path hands it over (untouched pages of
    // the mapping cost no memory).
    void* paste = mmap(nullptr, kPaste, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    const auto start = Clock::now();
    connection.Send(paste, kPaste);
    const double sendMs = Ms(Clock::now() - start);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    frame.Pump();
    std::printf("%-44s %8ld KiB  (Send returned in %.2f ms; overflow reported %d time(s))\n",
                "1 GiB paste, slow reader: peak growth", PeakKiB() - before, sendMs, overflows);
    reading = false;
    reader.join();
    connection.Stop();
    munmap(paste, kPaste);
    close(peer);
    close(listener);
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    SerialStops(20);
    StopDuringSlowLookup(10);
    LargePasteToSlowReader();
    if (!quick)
        UnansweredConnect(); // 20 s
    return 0;
}
