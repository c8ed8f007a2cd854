// Throughput of the Terminal view's model on mixed shell output (text, SGR
// colours, cursor moves, erases, scrolling), on the recorded full-screen
// programs and on a flood of short lines, with the ANSI view's model on the same
// bytes in the same run.
#include "screens/AnsiScreen.h"
#include "screens/TerminalScreen.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace kestrelon {
namespace {

constexpr std::size_t STREAM_BYTES = 32u << 20;
constexpr std::size_t BLOCK = 3800; // what the serial reader hands over at most

// A shell session: coloured listings, prompts, compiler-like lines, a status
// line redrawn with cursor moves, and now and then a cleared screen.
const std::string& ShellStream()
{
    static const std::string stream = [] {
        std::mt19937 random(26);
        const char* names[] = {"Makefile", "src", "main.c", "board.dts", "README", "build", "u-boot.bin", "zImage"};
        std::string s;
        s.reserve(STREAM_BYTES + 512);
        while (s.size() < STREAM_BYTES) {
            switch (random() % 10) {
            case 0:
                s += "\x1b[1;32mroot@board\x1b[0m:\x1b[1;34m~\x1b[0m# ls --color\r\n";
                break;
            case 1:
            case 2:
                for (int i = 0; i < 6; ++i)
                    s += "\x1b[0m\x1b[01;3" + std::to_string(random() % 8) + "m" + names[random() % 8] + "\x1b[0m  ";
                s += "\r\n";
                break;
            case 3:
                s += "\x1b[s\x1b[1;60H\x1b[7m load " + std::to_string(random() % 100) + "% \x1b[27m\x1b[u";
                break;
            case 4:
                s += "\x1b[" + std::to_string(1 + random() % 24) + ";" + std::to_string(1 + random() % 80) + "H\x1b[K";
                break;
            case 5:
                s += random() % 64 == 0 ? "\x1b[H\x1b[2J"
                                        : "\x1b[38;5;" + std::to_string(random() % 256) + "mwarn\x1b[m ";
                break;
            default:
                s += "drivers/tty/serial/8250/8250_core.c:" + std::to_string(random() % 2000) + ": registered ttyS" +
                     std::to_string(random() % 4) + " at MMIO 0x1c28000\r\n";
                break;
            }
        }
        s.resize(STREAM_BYTES);
        return s;
    }();
    return stream;
}

// Every recording of tests/screens/data, repeated to the same length.
const std::string& RecordedStream()
{
    static const std::string stream = [] {
        std::string recordings;
        const std::filesystem::path folder = KESTRELON_RECORDINGS;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            std::ifstream file(entry.path(), std::ios::binary);
            recordings.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        std::string s;
        while (!recordings.empty() && s.size() < STREAM_BYTES)
            s += recordings;
        return s;
    }();
    return stream;
}

// A flood of short lines ("12345678\r\n"): every ten bytes a scroll into the scrollback.
const std::string& ShortLines()
{
    static const std::string stream = [] {
        std::string s;
        s.reserve(STREAM_BYTES);
        for (unsigned line = 0; s.size() + 10 <= STREAM_BYTES; ++line)
            s += std::to_string(10000000 + line % 90000000) + "\r\n";
        return s;
    }();
    return stream;
}

const std::uint8_t* Bytes(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

void Terminal(benchmark::State& state, const std::string& stream)
{
    if (stream.empty()) {
        state.SkipWithError("no recordings in " KESTRELON_RECORDINGS);
        return;
    }
    CTerminalScreen screen(80, 24);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += BLOCK)
            screen.Feed(Bytes(stream) + at, std::min(BLOCK, stream.size() - at));
        benchmark::DoNotOptimize(screen.CursorRow());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}

void Ansi(benchmark::State& state, const std::string& stream)
{
    CAnsiScreen screen;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += BLOCK)
            screen.ProcessBlock(Bytes(stream) + at, static_cast<std::int32_t>(std::min(BLOCK, stream.size() - at)));
        benchmark::DoNotOptimize(screen.CursorRow());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}

void BM_TerminalScreenShell(benchmark::State& state)
{
    Terminal(state, ShellStream());
}
void BM_AnsiScreenShell(benchmark::State& state)
{
    Ansi(state, ShellStream());
}
void BM_TerminalScreenRecordings(benchmark::State& state)
{
    Terminal(state, RecordedStream());
}
void BM_AnsiScreenRecordings(benchmark::State& state)
{
    Ansi(state, RecordedStream());
}
void BM_TerminalScreenShortLines(benchmark::State& state)
{
    Terminal(state, ShortLines());
}
void BM_AnsiScreenShortLines(benchmark::State& state)
{
    Ansi(state, ShortLines());
}
BENCHMARK(BM_TerminalScreenShell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnsiScreenShell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TerminalScreenRecordings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnsiScreenRecordings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TerminalScreenShortLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnsiScreenShortLines)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrelon
