// The answer matcher on received data: lines of text ending in CR with a set of
// rules, the worst case of a trigger byte in every position, and memcpy of the
// same bytes for scale.
#include "automation/AutoAnswer.h"
#include "document/KestronDoc.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

using namespace kestrelon;

namespace {

constexpr std::size_t kBytes = 1 << 20;

std::vector<std::uint8_t> TextLines()
{
    std::vector<std::uint8_t> data(kBytes);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = i % 80 == 79 ? 13 : static_cast<std::uint8_t>('a' + i % 26);
    return data;
}

void SetRules(CKestronDoc& doc, int count)
{
    std::vector<std::string> rules;
    for (int i = 0; i < count; ++i) {
        rules.push_back("prompt" + std::to_string(i) + ">");
        rules.push_back("answer^M");
    }
    doc.SetAutoAnswers(rules);
    doc.autoAnswerOn = true;
}

void BM_MatchTextLines(benchmark::State& state)
{
    CKestronDoc doc; // no frame target: matches are counted, not posted
    SetRules(doc, static_cast<int>(state.range(0)));
    CAutoAnswer matcher(doc);
    const auto data = TextLines();
    for (auto _ : state) {
        matcher.MatchBlock(data.data(), data.size());
        benchmark::DoNotOptimize(doc.matchHistory.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_MatchTextLines)->Arg(1)->Arg(20);

void BM_MatchEveryByteATrigger(benchmark::State& state)
{
    CKestronDoc doc;
    SetRules(doc, 20);
    CAutoAnswer matcher(doc);
    const std::vector<std::uint8_t> data(kBytes, 13);
    for (auto _ : state) {
        matcher.MatchBlock(data.data(), data.size());
        benchmark::DoNotOptimize(doc.matchHistory.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_MatchEveryByteATrigger);

void BM_Memcpy(benchmark::State& state)
{
    const auto data = TextLines();
    std::vector<std::uint8_t> copy(data.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), data.data(), data.size());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Memcpy);

} // namespace

BENCHMARK_MAIN();
