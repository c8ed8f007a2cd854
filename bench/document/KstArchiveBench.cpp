// Costs of the document's file and text paths: reading and writing a large
// configuration, decoding key texts and rebuilding the trigger table.
#include "document/DecodeText.h"
#include "document/KestronDoc.h"
#include "document/KstArchive.h"

#include <benchmark/benchmark.h>

using namespace kestrelon;

namespace {

CSavedSettings LargeSettings(std::size_t answers)
{
    CSavedSettings s = CSavedSettings::Defaults();
    for (std::size_t i = 0; i < FKEY_COUNT; ++i) {
        s.fkeyLabel[i] = "Key " + std::to_string(i);
        s.fkeyCommand[i] = "AT+CMD=" + std::to_string(i) + "^m";
    }
    for (std::size_t i = 0; i < answers; ++i)
        s.autoAnswers.push_back(i % 2 ? "answer " + std::to_string(i) + "^m" : "trigger " + std::to_string(i) + ":");
    return s;
}

void BM_WriteKst(benchmark::State& state)
{
    const CSavedSettings s = LargeSettings(std::size_t(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string file = CKstArchive::Write(s);
        bytes += file.size();
        benchmark::DoNotOptimize(file);
    }
    state.SetBytesProcessed(std::int64_t(bytes));
}
BENCHMARK(BM_WriteKst)->Arg(0)->Arg(70000);

void BM_ReadKst(benchmark::State& state)
{
    const std::string file = CKstArchive::Write(LargeSettings(std::size_t(state.range(0))));
    for (auto _ : state) {
        CSavedSettings s;
        std::uint32_t schema = 0;
        CKstError error;
        benchmark::DoNotOptimize(CKstArchive::Read(file, s, schema, error));
    }
    state.SetBytesProcessed(std::int64_t(file.size() * state.iterations()));
}
BENCHMARK(BM_ReadKst)->Arg(0)->Arg(70000);

void BM_DecodeText(benchmark::State& state)
{
    const std::string text = "AT\\13\\10^[[2J\\0x41^m" + std::string(100, 'x');
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeText(text, 2048, true));
    state.SetBytesProcessed(std::int64_t(text.size() * state.iterations()));
}
BENCHMARK(BM_DecodeText);

void BM_RebuildTriggers(benchmark::State& state)
{
    CKestronDoc doc;
    doc.autoAnswers = LargeSettings(std::size_t(state.range(0))).autoAnswers;
    for (auto _ : state)
        doc.RebuildAutoAnswerTriggers();
    state.SetItemsProcessed(state.range(0) / 2 * state.iterations());
}
BENCHMARK(BM_RebuildTriggers)->Arg(70000);

} // namespace

BENCHMARK_MAIN();
