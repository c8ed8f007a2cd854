// Throughput of the receive path: 64 MiB of 16-byte lines ending CR LF, in
// blocks as the IP threads deliver them, through the data hub into the data
// channel with three views and a log file. A replaced global operator new
// counts heap allocations, which must not grow with the lines.
#include "hub/DataHub.h"
#include "hub/NullHubLinks.h"
#include "document/KestronDoc.h"
#include "framework/PumpedTarget.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <unistd.h>

namespace {

std::atomic<std::size_t> g_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace kestrelon {
namespace {

constexpr std::size_t kTotal = 64u << 20;
constexpr std::size_t kBlock = 2000; // one IP receive

class CCountingView : public IDocumentView {
public:
    void OnUpdate(const CUpdateHint& hint) override
    {
        m_bytes += static_cast<std::size_t>(hint.length);
        m_sum += hint.data != nullptr ? hint.data[0] : 0;
    }
    std::size_t m_bytes = 0;
    std::size_t m_sum = 0;
};

std::vector<std::uint8_t> MakeLines()
{
    std::vector<std::uint8_t> data(kTotal);
    for (std::size_t i = 0; i < kTotal; ++i) {
        const std::size_t col = i % 16;
        data[i] = col == 14 ? '\r' : col == 15 ? '\n' : static_cast<std::uint8_t>('A' + (i / 16 + col) % 26);
    }
    return data;
}

void BM_ProcessReceived(benchmark::State& state)
{
    const std::vector<std::uint8_t> data = MakeLines();
    const std::filesystem::path log =
        std::filesystem::temp_directory_path() / ("kestrelon-bench-" + std::to_string(getpid()) + ".txt");
    CKestronDoc doc;
    CQuietHubWindow window;
    CPumpedTarget frame;
    CCountingView views[3];
    for (auto& view : views)
        doc.AddView(&view);
    CDataHub hub(doc, window, frame, std::make_unique<CNoSerialLink>(), std::make_unique<CNoIpLink>());
    std::size_t allocations = 0;
    for (auto _ : state) {
        state.PauseTiming(); // each pass starts a fresh log, so the disk holds one pass
        hub.StopLogging();
        hub.StartLogging(log.string());
        state.ResumeTiming();
        const std::size_t before = g_allocations.load();
        for (std::size_t at = 0; at < data.size(); at += kBlock)
            hub.ProcessReceived(data.data() + at, std::min(kBlock, data.size() - at), RECEIVE_COLOUR);
        allocations += g_allocations.load() - before;
    }
    hub.StopLogging();
    const double mib = static_cast<double>(kTotal) / (1 << 20);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
    state.counters["allocs_per_MiB"] = static_cast<double>(allocations) / (mib * state.iterations());
    state.counters["log_ok"] = std::filesystem::file_size(log) == kTotal ? 1 : 0;
    benchmark::DoNotOptimize(views[0].m_sum);
    std::filesystem::remove(log);
}
BENCHMARK(BM_ProcessReceived)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace kestrelon

BENCHMARK_MAIN();
