// Loopback TCP receive throughput: a plain recv loop with 2000-byte reads, and
// the IP client thread posting each read as a block to a frame target that only
// counts (with the limit on blocks waiting for the frame in force). Same run,
// same peer, same amount of data, so the rates compare directly. Two frames:
// one that takes its queue in batches, as an event loop does, and the test
// pump, which wakes once per message.
#include "net/IpConnection.h"
#include "document/ByteBlock.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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

// A frame on its own thread that takes everything queued at once, counts the
// bytes and frees the blocks; woken only when it sleeps.
class CBatchingFrame : public IMessageTarget {
public:
    CBatchingFrame() : m_thread([this] { Run(); }) {}
    ~CBatchingFrame() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void Post(CMessage message) override
    {
        bool wake;
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(message));
            wake = m_sleeping;
        }
        if (wake)
            m_wake.notify_one();
    }
    std::intptr_t Send(CMessage message) override
    {
        Post(std::move(message));
        return 0;
    }
    // Waits until the connection reported its end; the bytes counted.
    std::size_t WaitForClose()
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [this] { return m_closed; });
        return m_received;
    }

private:
    void Run()
    {
        std::vector<CMessage> batch;
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (m_queue.empty()) {
                m_sleeping = true;
                m_wake.wait(lock, [this] { return m_quit || !m_queue.empty(); });
                m_sleeping = false;
                continue;
            }
            batch.swap(m_queue);
            lock.unlock();
            std::size_t bytes = 0;
            bool closed = false;
            for (auto& message : batch) {
                if (auto block = message.TakePayload<CByteBlock>())
                    bytes += static_cast<std::size_t>(block->length());
                else if (message.wParam == IP_CLOSED)
                    closed = true;
            }
            batch.clear();
            lock.lock();
            m_received += bytes;
            if (closed) {
                m_closed = true;
                m_done.notify_all();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::vector<CMessage> m_queue;
    std::size_t m_received = 0;
    bool m_sleeping = false, m_closed = false, m_quit = false;
    std::thread m_thread;
};

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

void BM_ClientThreadBatchingFrame(benchmark::State& state)
{
    std::uint16_t port = 0;
    const int listener = ListenLoopback(port);
    for (auto _ : state) {
        CBatchingFrame frame;
        CIpConnection connection;
        std::thread writer = Flood(listener);
        connection.Start(frame, WM_IP_MAIN, "127.0.0.1", port, MODE_IPV4_CLIENT);
        const std::size_t received = frame.WaitForClose();
        writer.join();
        connection.Stop();
        if (received != kFloodBytes)
            state.SkipWithError("bytes lost");
    }
    close(listener);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFloodBytes));
}

void BM_ClientThreadPumpedFrame(benchmark::State& state)
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
BENCHMARK(BM_ClientThreadBatchingFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClientThreadPumpedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
