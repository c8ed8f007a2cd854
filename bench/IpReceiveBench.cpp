// Loopback TCP receive throughput: a plain recv loop with 2000-byte reads, and
// the IP client thread posting each read as a block to a frame target that only
// counts (with the limit on blocks waiting for the frame in force). Same run,
// same peer, same amount of data, so the two rates compare directly.
#include "connections/IpConnection.h"
#include "core/ByteBlock.h"
#include "core/Messages.h"
#include "framework/PumpedTarget.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <thread>

using namespace kestrelon;

namespace {

constexpr std::size_t kFloodBytes = 64u << 20;
constexpr std::size_t kChunk = 64u << 10;

int ListenLoopback(std::uint16_t& port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 4) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// Writes the flood into an accepted connection, then closes it.
std::thread Flood(int listener)
{
    return std::thread([listener] {
        int peer = accept(listener, nullptr, nullptr);
        const std::string chunk(kChunk, 'b');
        for (std::size_t sent = 0; sent < kFloodBytes;) {
            ssize_t n = send(peer, chunk.data(), chunk.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        close(peer);
    });
}

void BM_PlainRecvLoop(benchmark::State& state)
{
    std::uint16_t port = 0;
    const int listener = ListenLoopback(port);
    for (auto _ : state) {
        std::thread writer = Flood(listener);
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        char buffer[CIpConnection::RECEIVE_SIZE];
        std::size_t received = 0;
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
            received += static_cast<std::size_t>(n);
        close(fd);
        writer.join();
        benchmark::DoNotOptimize(received);
    }
    close(listener);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFloodBytes));
}

void BM_ClientThreadReceive(benchmark::State& state)
{
    std::uint16_t port = 0;
    const int listener = ListenLoopback(port);
    for (auto _ : state) {
        std::size_t received = 0;
        bool closed = false;
        CPumpedTarget frame([&](CMessage& message) -> std::intptr_t {
            if (auto block = message.TakePayload<CByteBlock>())
                received += static_cast<std::size_t>(block->length());
            else if (message.wParam == IP_CLOSED)
                closed = true;
            return 0;
        });
        CIpConnection connection;
        std::thread writer = Flood(listener);
        connection.Start(frame, WM_IP_MAIN, "127.0.0.1", port, MODE_IPV4_CLIENT);
        frame.PumpUntil([&] { return closed; }, std::chrono::minutes(2));
        writer.join();
        connection.Stop();
        if (received != kFloodBytes)
            state.SkipWithError("bytes lost");
    }
    close(listener);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFloodBytes));
}

} // namespace

BENCHMARK(BM_PlainRecvLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClientThreadReceive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
