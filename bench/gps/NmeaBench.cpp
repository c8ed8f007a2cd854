// Parser speed: the nineteen receiver captures, repeated to 16 MiB, through the
// GPS bar's line assembly and parser, byte by byte as the main window feeds
// them; a second run also builds the bar's display at every redraw.
#include "gps/GpsPanelModel.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kestrelon {
namespace {

constexpr std::size_t TOTAL = 16u << 20;

std::vector<std::uint8_t> Captures()
{
    const char* source = std::getenv("KESTRELON_SOURCE_DIR");
    const std::filesystem::path dir =
        std::filesystem::path(source ? source : KGPS_BENCH_SOURCE_DIR) / ".." / "shared" / "testdata" / "nmea";
    std::vector<std::uint8_t> one;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".nmea")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        one.insert(one.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::uint8_t> data;
    while (!one.empty() && data.size() < TOTAL)
        data.insert(data.end(), one.begin(), one.end());
    return data;
}

void Run(benchmark::State& state, bool display)
{
    const std::vector<std::uint8_t> data = Captures();
    if (data.empty()) {
        state.SkipWithError("no captures found");
        return;
    }
    std::size_t redraws = 0;
    for (auto _ : state) {
        CGpsPanelModel panel;
        for (const std::uint8_t c : data) {
            if (panel.OnReceivedChar(c)) {
                ++redraws;
                if (display)
                    benchmark::DoNotOptimize(panel.Display());
            }
        }
        benchmark::DoNotOptimize(panel.Nmea().FixMode());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.counters["redraws"] = static_cast<double>(redraws) / static_cast<double>(state.iterations());
}

void BM_NmeaParse(benchmark::State& state)
{
    Run(state, false);
}
void BM_NmeaParseAndDisplay(benchmark::State& state)
{
    Run(state, true);
}

BENCHMARK(BM_NmeaParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NmeaParseAndDisplay)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrelon

BENCHMARK_MAIN();
