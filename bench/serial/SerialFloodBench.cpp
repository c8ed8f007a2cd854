// A pseudo-terminal flooded with 64 MiB, drained once by `cat` and once by the
// serial driver (reader thread, driver thread, a frame target that only counts):
// throughput and CPU seconds per MiB of each, measured in the same run.
#include "serial/KestronDriver.h"
#include "document/ByteBlock.h"
#include "document/Messages.h"
#include "BenchPty.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kestrelon;
using kestrelon::bench::Pty;

namespace {

constexpr std::size_t kFloodBytes = 64u << 20;
constexpr std::size_t kChunk = 64u << 10;
constexpr double kMiB = 1024.0 * 1024.0;

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}
double CpuSeconds(const rusage& u)
{
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

// The device: a child process that writes the flood into the master, so its
// CPU time is not counted against the side being measured.
pid_t StartWriter(int master)
{
    static const std::vector<char> chunk(kChunk, 'K');
    const pid_t pid = fork();
    if (pid == 0) {
        std::size_t done = 0;
        while (done < kFloodBytes) {
            const ssize_t n = write(master, chunk.data(), kChunk);
            if (n <= 0)
                _exit(1);
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    return pid;
}

void Report(benchmark::State& state, double wall, double cpu)
{
    state.SetIterationTime(wall);
    state.counters["MiB_per_s"] = static_cast<double>(kFloodBytes) / kMiB / wall;
    state.counters["cpu_s_per_MiB"] = cpu / (static_cast<double>(kFloodBytes) / kMiB);
}

void BM_PtyFlood_Cat(benchmark::State& state)
{
    for (auto _ : state) {
        Pty pty;
        const auto start = std::chrono::steady_clock::now();
        const pid_t cat = fork();
        if (cat == 0) {
            dup2(pty.slave, 0);
            close(pty.master); // else the hang-up at the end never reaches cat
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            execlp("cat", "cat", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pty.slave);
        pty.slave = -1;
        const pid_t writer = StartWriter(pty.master);
        int status = 0;
        waitpid(writer, &status, 0);
        // All but the last tty buffer is through cat; closing the master
        // hangs up the slave and cat ends.
        close(pty.master);
        pty.master = -1;
        rusage usage{};
        wait4(cat, &status, 0, &usage);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Report(state, wall, CpuSeconds(usage));
    }
}

// The frame stand-in: handles each delivered block on the driver thread and
// counts its bytes.
class CCountingFrame : public IMessageTarget {
public:
    void Post(CMessage) override {}
    std::intptr_t Send(CMessage message) override
    {
        if (message.wParam == TC_RECEIVED)
            if (auto block = message.TakePayload<CByteBlock>()) {
                std::lock_guard lock(m_mutex);
                m_bytes += static_cast<std::size_t>(block->length());
                ++m_blocks;
                if (m_bytes >= kFloodBytes)
                    m_done.notify_all();
            }
        return 0;
    }
    std::size_t Blocks()
    {
        std::lock_guard lock(m_mutex);
        return m_blocks;
    }
    bool WaitForAll(std::chrono::seconds timeout)
    {
        std::unique_lock lock(m_mutex);
        return m_done.wait_for(lock, timeout, [&] { return m_bytes >= kFloodBytes; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::size_t m_bytes = 0;
    std::size_t m_blocks = 0;
};

void BM_PtyFlood_Driver(benchmark::State& state)
{
    const auto tree = std::filesystem::temp_directory_path() / ("kestrelon-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(tree / "sys");
    for (auto _ : state) {
        Pty pty;
        CMemorySettingsStore settings;
        settings.Write(kPortAliasGroup, "COM200", pty.path);
        CCountingFrame frame;
        CKestronDriver driver(frame, settings);
        driver.SetPortTree({(tree / "sys").string(), (tree / "dev").string()});
        DCB dcb;
        dcb.BaudRate = 921600;
        dcb.ByteSize = 8;
        driver.Open(200, dcb);
        while (!driver.IsOpen())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // reader running

        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const auto start = std::chrono::steady_clock::now();
        const pid_t writer = StartWriter(pty.master);
        const bool all = frame.WaitForAll(std::chrono::seconds(120));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        int status = 0;
        waitpid(writer, &status, 0);
        if (!all)
            state.SkipWithError("not every byte arrived");
        Report(state, wall, CpuSeconds(after) - CpuSeconds(before));
        state.counters["bytes_per_block"] = static_cast<double>(kFloodBytes) / static_cast<double>(frame.Blocks());
    }
    std::filesystem::remove_all(tree);
}

} // namespace

BENCHMARK(BM_PtyFlood_Cat)->Iterations(1)->Repetitions(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PtyFlood_Driver)->Iterations(1)->Repetitions(3)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
