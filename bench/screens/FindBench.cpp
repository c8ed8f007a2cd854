// One find step over the largest history the ASCII view keeps (1999 rows of
// 999 cells, every cell written) and over the hex view's largest history. The
// worst step reads everything once: a text that occurs only in the row just
// before the starting point. Target: at most 50 ms per step.
#include "screens/HexStream.h"
#include "screens/TextFinder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace kestrelon {
namespace {

CAsciiGrid& FullGrid()
{
    static CAsciiGrid grid = [] {
        CAsciiGrid g(CAsciiGrid::MAX_COLUMNS, CAsciiGrid::MAX_LINES);
        std::string row(static_cast<std::size_t>(g.Columns()), ' ');
        for (int line = 0; line < g.Lines() + 500; ++line) { // round the ring
            for (std::size_t i = 0; i < row.size(); ++i)
                row[i] = static_cast<char>('a' + (line * 7 + static_cast<int>(i)) % 26); // many first-byte hits
            if (line == g.Lines() + 500 - 3)
                row.replace(400, 6, "NEEDLE");
            g.WriteRun(reinterpret_cast<const std::uint8_t*>(row.data()), static_cast<int>(row.size()), RECEIVE_COLOUR);
        }
        return g;
    }();
    return grid;
}

// Forward from the row after the needle: round the ring to find it.
void BM_FindStepLargestAsciiHistory(benchmark::State& state)
{
    const CAsciiGrid& grid = FullGrid();
    const CGridRows rows(grid);
    const CByteMatcher matcher("needle", state.range(0) != 0);
    const auto needle = FindInRows(rows, CByteMatcher("NEEDLE", true), {}, FindDirection::Forward, true);
    if (!needle) {
        state.SkipWithError("the needle is missing");
        return;
    }
    const int needleRow = needle->row;
    for (auto _ : state) {
        auto hit = FindInRows(rows, matcher, {0, needleRow + 1}, FindDirection::Forward, false);
        benchmark::DoNotOptimize(hit);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * grid.Columns() * grid.UsedLines());
}
BENCHMARK(BM_FindStepLargestAsciiHistory)->ArgName("matchCase")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The hex view rebuilds its byte stream for each step: both are counted.
void BM_FindStepLargestHexHistory(benchmark::State& state)
{
    CHexHistory history;
    history.SetMaxLines(CAsciiGrid::MAX_LINES - 1);
    std::string data(16 * 4000, '\x55');
    data.replace(data.size() - 100, 2, "\r\n");
    history.AddBlock(reinterpret_cast<const std::uint8_t*>(data.data()), static_cast<std::int32_t>(data.size()),
                     RECEIVE_COLOUR);
    const CByteMatcher matcher(*ParseHexNotation("0D 0A"), true);
    CHexStream stream;
    for (auto _ : state) {
        stream.Build(history);
        auto hit = FindInRows(stream, matcher, {0, 0}, FindDirection::Forward, true);
        benchmark::DoNotOptimize(hit);
    }
}
BENCHMARK(BM_FindStepLargestHexHistory)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrelon
