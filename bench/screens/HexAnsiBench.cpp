// Throughput of the ANSI screen interpreter on a mixed terminal stream and of the
// hex history on binary data, each next to a memcpy of the same 64 MiB, so the
// figures read as a fraction of what the memory system can move.
#include "screens/AnsiScreen.h"
#include "screens/HexHistory.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kestrelon {
namespace {

constexpr std::size_t kStreamBytes = 64u << 20;
constexpr int kScreenColumns = 80;

// Text, SGR colours, cursor moves, erases and scrolling CR LF, as a device that
// draws a status screen and then logs lines would send them.
const std::string& MixedStream()
{
    static const std::string stream = [] {
        std::mt19937 random(1234);
        const char* words[] = {"status", "ok", "temperature=21.5", "voltage", "error", "0x3F", "ready>", "lorem"};
        std::string s;
        s.reserve(kStreamBytes + 256);
        while (s.size() < kStreamBytes) {
            switch (random() % 16) {
            case 0:
                s += "\033[" + std::to_string(30 + random() % 8) + ";" + std::to_string(40 + random() % 8) + "m";
                break;
            case 1:
                s += "\033[1;3" + std::to_string(random() % 8) + "m";
                break;
            case 2:
                s += "\033[0m";
                break;
            case 3:
                s += "\033[" + std::to_string(random() % 80) + ";" + std::to_string(random() % 25) + "H";
                break;
            case 4:
                s += "\033[K";
                break;
            case 5:
                s += (random() % 64 == 0) ? "\033[2J" : "\033[3A";
                break;
            case 6:
            case 7:
                s += "\r\n";
                break;
            default:
                s += words[random() % 8];
                s += ' ';
                break;
            }
        }
        s.resize(kStreamBytes);
        return s;
    }();
    return stream;
}

const std::string& BinaryStream()
{
    static const std::string stream = [] {
        std::mt19937 random(99);
        std::string s(kStreamBytes, '\0');
        for (char& c : s)
            c = static_cast<char>(random());
        return s;
    }();
    return stream;
}

struct CPiece {
    std::uint32_t offset;
    std::uint32_t length;
};

// The pieces the data channel delivers: BS, LF and CR alone, other bytes in runs
// of at most one screen row.
std::vector<CPiece> ChannelPieces(const std::string& stream)
{
    std::vector<CPiece> pieces;
    std::uint32_t start = 0;
    const auto end = static_cast<std::uint32_t>(stream.size());
    for (std::uint32_t i = 0; i < end; ++i) {
        const char c = stream[i];
        if (c == '\b' || c == '\n' || c == '\r') {
            if (i > start)
                pieces.push_back({start, i - start});
            pieces.push_back({i, 1});
            start = i + 1;
        } else if (i + 1 - start == kScreenColumns) {
            pieces.push_back({start, kScreenColumns});
            start = i + 1;
        }
    }
    if (end > start)
        pieces.push_back({start, end - start});
    return pieces;
}

const std::uint8_t* Bytes(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// The copy rate of the same bytes: the ceiling each view is compared against.
void MemcpyBaseline(benchmark::State& state, const std::string& source)
{
    std::vector<char> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
void BM_Memcpy(benchmark::State& state)
{
    MemcpyBaseline(state, MixedStream());
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_AnsiScreenChannelPieces(benchmark::State& state)
{
    const std::string& stream = MixedStream();
    const std::vector<CPiece> pieces = ChannelPieces(stream);
    for (auto _ : state) {
        CAnsiScreen screen;
        for (const CPiece& piece : pieces)
            screen.ProcessBlock(Bytes(stream) + piece.offset, static_cast<std::int32_t>(piece.length));
        benchmark::DoNotOptimize(screen.CursorRow());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_AnsiScreenChannelPieces)->Unit(benchmark::kMillisecond);

void BM_AnsiScreenLargeBlocks(benchmark::State& state)
{
    const std::string& stream = MixedStream();
    constexpr std::size_t kBlock = 3800; // what the serial reader hands over at most
    for (auto _ : state) {
        CAnsiScreen screen;
        for (std::size_t at = 0; at < stream.size(); at += kBlock)
            screen.ProcessBlock(Bytes(stream) + at, static_cast<std::int32_t>(std::min(kBlock, stream.size() - at)));
        benchmark::DoNotOptimize(screen.CursorRow());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_AnsiScreenLargeBlocks)->Unit(benchmark::kMillisecond);

void BM_MemcpyBinary(benchmark::State& state)
{
    MemcpyBaseline(state, BinaryStream());
}
BENCHMARK(BM_MemcpyBinary)->Unit(benchmark::kMillisecond);

// Arg: screen lines; the history keeps one line fewer.
void BM_HexHistoryChannelPieces(benchmark::State& state)
{
    const std::string& stream = BinaryStream();
    const std::vector<CPiece> pieces = ChannelPieces(stream);
    for (auto _ : state) {
        CHexHistory history;
        history.SetMaxLines(static_cast<int>(state.range(0)) - 1);
        for (const CPiece& piece : pieces)
            history.AddBlock(Bytes(stream) + piece.offset, static_cast<std::int32_t>(piece.length), RECEIVE_COLOUR);
        benchmark::DoNotOptimize(history.LineCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_HexHistoryChannelPieces)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrelon
