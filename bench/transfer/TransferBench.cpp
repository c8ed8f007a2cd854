// End-to-end transfer times: 4 MiB of random bytes over a pty pair, median of
// five runs, Kestrelon against Kestrelon, against lrzsz in both directions and
// lrzsz against itself, printed next to the targets they must meet.
#include "transfer/TransferCodes.h"
#include "transfer/TransferEngine.h"
#include "BenchPty.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <pty.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace kestrelon;
using kestrelon::bench::Pty;
namespace fs = std::filesystem;

constexpr std::size_t FILE_SIZE = 4u << 20;
constexpr int RUNS = 5;

class CQuietObserver : public CTransferObserver {
public:
    void OnTransferNotify(int, std::uint64_t) override {}
    void OnTransferFile(const std::string&) override {}
};

double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double CpuSeconds()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Starts an lrzsz program with stdin and stdout on fd, the flush shim loaded.
pid_t Spawn(std::vector<std::string> args, int fd, const fs::path& cwd, const std::string& shim)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 0);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<std::string> env{"LD_PRELOAD=" + shim, "PATH=/usr/bin:/bin"};
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool WaitPeer(pid_t pid)
{
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Side {
    bool kestrelon;
    int protocol;
    std::vector<std::string> peer; // lrzsz command without its file argument
};

struct Case {
    const char* name;
    Side sender, receiver;
    double targetSeconds; // 0: compared with the lrzsz pair named in baseline
    const char* baseline;
    double cpuPerMiB; // 0: not measured
};

// One transfer; returns the wall time in seconds, or -1 on failure.
double RunOnce(const Case& c, const fs::path& dir, const std::string& shim, double& cpu)
{
    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");
    const int protocol = c.sender.kestrelon ? c.sender.protocol : c.receiver.protocol;
    Pty pty;
    CQuietObserver observer;
    CTransferEngine sendEngine(observer), receiveEngine(observer);
    const double start = Seconds(), cpuStart = CpuSeconds();
    pid_t sendPid = -1, receivePid = -1;
    if (c.sender.kestrelon) {
        sendEngine.Start(ETransferDirection::Send, protocol, pty.master, (dir / "in.bin").string());
    } else {
        auto args = c.sender.peer;
        args.push_back("in.bin");
        sendPid = Spawn(args, pty.master, dir, shim);
    }
    if (c.receiver.kestrelon) {
        const fs::path target = protocol == PROTOCOL_YMODEM ? dir / "out" : dir / "out" / "in.bin";
        receiveEngine.Start(ETransferDirection::Receive, protocol, pty.slave, target.string());
    } else {
        auto args = c.receiver.peer;
        if (args[0] != "rb")
            args.push_back("in.bin");
        receivePid = Spawn(args, pty.slave, dir / "out", shim);
    }
    bool ok = true;
    if (c.sender.kestrelon)
        sendEngine.Join();
    else
        ok = WaitPeer(sendPid) && ok;
    if (c.receiver.kestrelon)
        receiveEngine.Join();
    else
        ok = WaitPeer(receivePid) && ok;
    const double elapsed = Seconds() - start;
    cpu = CpuSeconds() - cpuStart;
    std::error_code error;
    ok = ok && fs::file_size(dir / "out" / "in.bin", error) >= FILE_SIZE;
    return ok ? elapsed : -1;
}

// From Cancel to the end of the engine thread, on a receive waiting for a
// silent sender; median of five, in milliseconds.
double CancelMilliseconds(const fs::path& dir)
{
    std::vector<double> times;
    for (int run = 0; run < RUNS; ++run) {
        Pty pty;
        CQuietObserver observer;
        CTransferEngine engine(observer);
        engine.Start(ETransferDirection::Receive, PROTOCOL_XMODEM, pty.slave,
                     (dir / ("c" + std::to_string(run))).string());
        usleep(200000);
        const double start = Seconds();
        engine.Cancel();
        engine.Join();
        times.push_back((Seconds() - start) * 1000);
    }
    std::sort(times.begin(), times.end());
    return times[RUNS / 2];
}

} // namespace

int main()
{
    const std::string shim = KESTRELON_NO_PURGE_SO;
    if (access("/usr/bin/sx", X_OK) != 0) {
        std::fprintf(stderr, "lrzsz is missing: install the Debian package lrzsz\n");
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / ("kestrelon-transfer-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    {
        std::mt19937 random(42);
        std::string data(FILE_SIZE, '\0');
        for (auto& b : data)
            b = static_cast<char>(random());
        std::ofstream(dir / "in.bin", std::ios::binary) << data;
    }
    const Side k1k{true, PROTOCOL_XMODEM_1K, {}}, k128{true, PROTOCOL_XMODEM, {}}, kY{true, PROTOCOL_YMODEM, {}};
    const Side sx1k{false, 0, {"sx", "-k"}}, sx128{false, 0, {"sx"}}, sb{false, 0, {"sb"}};
    const Side rx{false, 0, {"rx", "-c"}}, rb{false, 0, {"rb"}};
    const std::vector<Case> cases{
        {"lrzsz -> lrzsz XModem 1K", sx1k, rx, 0, nullptr, 0},
        {"lrzsz -> lrzsz XModem CRC", sx128, rx, 0, nullptr, 0},
        {"lrzsz -> lrzsz YModem", sb, rb, 0, nullptr, 0},
        {"Kestrelon -> Kestrelon XModem 1K", k1k, k1k, 0.5, nullptr, 0.05},
        {"Kestrelon -> Kestrelon XModem CRC", k128, k128, 0, "lrzsz -> lrzsz XModem CRC", 0},
        {"Kestrelon -> Kestrelon YModem", kY, kY, 0.6, nullptr, 0},
        {"Kestrelon -> lrzsz XModem 1K", k1k, rx, 0, "lrzsz -> lrzsz XModem 1K", 0},
        {"lrzsz -> Kestrelon XModem 1K", sx1k, k1k, 0, "lrzsz -> lrzsz XModem 1K", 0},
        {"Kestrelon -> lrzsz XModem CRC", k128, rx, 0, "lrzsz -> lrzsz XModem CRC", 0},
        {"lrzsz -> Kestrelon XModem CRC", sx128, k128, 0, "lrzsz -> lrzsz XModem CRC", 0},
        {"Kestrelon -> lrzsz YModem", kY, rb, 0, "lrzsz -> lrzsz YModem", 0},
        {"lrzsz -> Kestrelon YModem", sb, kY, 0, "lrzsz -> lrzsz YModem", 0},
    };
    std::map<std::string, double> medians;
    bool allMet = true;
    std::printf("%-36s %9s %12s  %s\n", "4 MiB over a pty, median of 5", "seconds", "CPU s/MiB", "target");
    for (const auto& c : cases) {
        std::vector<double> times, cpus;
        for (int run = 0; run < RUNS; ++run) {
            double cpu = 0;
            times.push_back(RunOnce(c, dir, shim, cpu));
            cpus.push_back(cpu / (FILE_SIZE >> 20));
        }
        std::sort(times.begin(), times.end());
        std::sort(cpus.begin(), cpus.end());
        const double median = times[RUNS / 2], cpu = cpus[RUNS / 2];
        medians[c.name] = median;
        std::string target = "(reference)";
        bool met = times.front() >= 0;
        if (c.targetSeconds > 0) {
            target = "<= " + std::to_string(c.targetSeconds).substr(0, 4) + " s";
            met = met && median <= c.targetSeconds;
        } else if (c.baseline) {
            target = "<= " + std::string(c.baseline) + " (" + std::to_string(medians[c.baseline]).substr(0, 5) + " s)";
            met = met && median <= medians[c.baseline];
        }
        if (c.cpuPerMiB > 0) {
            target += ", <= " + std::to_string(c.cpuPerMiB).substr(0, 4) + " CPU s/MiB";
            met = met && cpu <= c.cpuPerMiB;
        }
        const bool reference = target == "(reference)";
        allMet = allMet && (reference ? times.front() >= 0 : met);
        std::printf("%-36s %9.3f %12.4f  %s%s\n", c.name, median,
                    c.sender.kestrelon || c.receiver.kestrelon ? cpu : 0.0, target.c_str(),
                    reference ? (met ? "" : " FAILED RUN") : (met ? "  met" : "  MISSED"));
        std::fflush(stdout);
    }
    const double cancelMs = CancelMilliseconds(dir);
    allMet = allMet && cancelMs <= 50;
    std::printf("%-36s %9.3f %12s  %s\n", "Cancel until the engine thread ended", cancelMs / 1000, "",
                cancelMs <= 50 ? "<= 0.05 s  met" : "<= 0.05 s  MISSED");
    fs::remove_all(dir);
    return allMet ? 0 : 1;
}
