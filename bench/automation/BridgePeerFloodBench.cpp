// The other direction of bridge mode under load: a loopback peer sends 64 MiB
// as fast as it is let, paced at 20 MiB/s, to a pseudo-terminal device that
// reads at a tenth of that. The bridge must hold the peer back (TCP flow
// control) rather than drop: the device checks every byte in order. Reported:
// throughput, bytes the device got and whether in order, the most the bridge
// held, the longest single pump of the frame queue (how long the window would
// freeze) and the growth of the resident size.
#include "BridgeFloodKit.h"

#include <benchmark/benchmark.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace kestrelon;
using namespace kestrelon::bench;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kPeerRate = 20.0 * kMiB;          // bytes per second
constexpr double kDeviceRate = kPeerRate / 10.0;   // the slow device

// Sleeps until `done` bytes are due at `rate` since `start`.
void Pace(Clock::time_point start, std::size_t done, double rate)
{
    std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(static_cast<double>(done) / rate)));
}

// The remote program: writes the pattern, paced, blocking when TCP holds it.
void PeerWrites(int fd, Clock::time_point start)
{
    std::vector<std::uint8_t> chunk(kChunk);
    for (std::size_t done = 0; done < kFloodBytes;) {
        for (std::size_t i = 0; i < kChunk; ++i)
            chunk[i] = PatternAt(done + i);
        for (std::size_t put = 0; put < kChunk;) {
            const ssize_t n = ::send(fd, chunk.data() + put, kChunk - put, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            put += static_cast<std::size_t>(n);
        }
        done += kChunk;
        Pace(start, done, kPeerRate);
    }
}

// The slow device: reads the master, paced, checking the order.
struct Device {
    std::atomic<std::size_t> received{0};
    std::atomic<bool> inOrder{true};

    void Read(int master, Clock::time_point start, Clock::time_point deadline)
    {
        std::vector<std::uint8_t> buffer(4096);
        while (received < kFloodBytes && Clock::now() < deadline) {
            pollfd entry{master, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(master, buffer.data(), buffer.size());
            if (n <= 0)
                return;
            const std::size_t at = received;
            for (ssize_t i = 0; i < n; ++i)
                if (buffer[static_cast<std::size_t>(i)] != PatternAt(at + static_cast<std::size_t>(i)))
                    inOrder = false;
            received = at + static_cast<std::size_t>(n);
            Pace(start, received, kDeviceRate);
        }
    }
};

void BM_BridgePeerFlood(benchmark::State& state)
{
    for (auto _ : state) {
        HeadlessBridge rig; // without local echo the views show only our own texts
        auto [pty, frame, hub, view] = std::tie(rig.pty, rig.frame, rig.hub, rig.view);
        const int peer = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(hub->Bridge().ListeningPort());
        if (::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot connect to the bridge");
        rig.WaitForPeer();

        const long rssBefore = MaxRssKiB();
        const auto start = Clock::now();
        const auto deadline = start + std::chrono::seconds(300);
        Device device;
        std::thread reader([&] { device.Read(pty.master, start, deadline); });
        std::thread writer([&] { PeerWrites(peer, start); });
        double longestPump = 0;
        std::size_t mostHeld = 0;
        while (device.received < kFloodBytes && Clock::now() < deadline) {
            const auto before = Clock::now();
            if (frame.Pump() == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            longestPump = std::max(longestPump, std::chrono::duration<double>(Clock::now() - before).count());
            mostHeld = std::max(mostHeld, hub->Bridge().HeldBytes());
        }
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        reader.join();
        ::shutdown(peer, SHUT_RDWR);
        writer.join();
        ::close(peer);

        state.SetIterationTime(wall);
        state.counters["device_MiB_per_s"] = static_cast<double>(device.received) / kMiB / wall;
        state.counters["device_MiB"] = static_cast<double>(device.received) / kMiB;
        state.counters["in_order"] = device.inOrder ? 1 : 0;
        state.counters["shown_bytes"] = static_cast<double>(view.bytes);
        state.counters["most_held_KiB"] = static_cast<double>(mostHeld) / 1024.0;
        state.counters["longest_pump_ms"] = longestPump * 1000.0;
        state.counters["rss_growth_MiB"] = static_cast<double>(MaxRssKiB() - rssBefore) / 1024.0;
    }
}

} // namespace

BENCHMARK(BM_BridgePeerFlood)->Iterations(1)->Repetitions(1)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
