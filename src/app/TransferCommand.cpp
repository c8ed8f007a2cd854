// The command-line transfer: argument parsing, opening the line, one engine on
// its thread, progress on a terminal's stderr, and the closing line. SIGINT and
// SIGTERM cancel the transfer and tell the remote side.
#include "app/TransferCommand.h"

#include "transfer/DiskStore.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferEngine.h"
#include "transfer/TransferOutcome.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kestrelon {
namespace {

const char* const USAGE = "usage: %s --send PROTOCOL FILE LINE [--timeout SECONDS]\n"
                          "       %s --receive PROTOCOL PATH LINE [--timeout SECONDS]\n"
                          "PROTOCOL: xmodem, xmodem1k, ymodem, zim or none (zim and none only send)\n"
                          "PATH: the file to create; for ymodem the directory\n"
                          "LINE: --device TTY [--baud N] | --com N [--baud N] | --tcp HOST:PORT\n";

// Follows the transfer's notifications for the closing line and the progress.
class CConsoleObserver : public CTransferObserver {
public:
    explicit CConsoleObserver(bool progress) : m_progress(progress), m_doneFd(eventfd(0, EFD_CLOEXEC)) {}
    ~CConsoleObserver() override { close(m_doneFd); }
    void OnTransferNotify(int code, std::uint64_t value) override
    {
        std::lock_guard lock(m_mutex);
        if (code == TRANSFER_BYTES)
            m_bytes = value;
        else if (code == TRANSFER_FILE_LENGTH)
            m_announced = value;
        else if (code == TRANSFER_FILE_SHORT)
            m_short.push_back(BaseName(m_file) + ": " + std::to_string(value) + " of " + std::to_string(m_announced) +
                              " bytes");
        else if (code == TRANSFER_FILE_ERROR)
            m_fileError = static_cast<int>(value);
        else if (code == TRANSFER_THROUGHPUT && m_progress)
            std::fprintf(stderr, "\r%llu bytes, %llu cps   ", static_cast<unsigned long long>(m_bytes),
                         static_cast<unsigned long long>(value));
        if (code == TRANSFER_RESULT) {
            m_result = static_cast<int>(value);
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = write(m_doneFd, &one, sizeof one);
        }
    }
    void OnTransferFile(const std::string& path) override
    {
        std::lock_guard lock(m_mutex);
        m_file = path;
        m_names += (m_names.empty() ? "" : ", ") + BaseName(path);
        if (m_progress)
            std::fprintf(stderr, "\rreceiving %s\n", path.c_str());
    }
    static std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
    int DoneFd() const { return m_doneFd; }
    int Result() const { return m_result; }
    int FileError() const { return m_fileError; }
    std::uint64_t Bytes() const { return m_bytes; }
    // The names written (made unique where a file of that name existed).
    const std::string& Names() const { return m_names; }
    // Files that ended before the length their header announced.
    const std::vector<std::string>& Short() const { return m_short; }

private:
    std::mutex m_mutex;
    bool m_progress;
    int m_doneFd;
    int m_result = -1;
    int m_fileError = -1;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_announced = 0;
    std::string m_file, m_names;
    std::vector<std::string> m_short;
};

// Waits for the end, a signal or the time limit; the latter two cancel.
bool WaitForEnd(CTransferEngine& engine, CConsoleObserver& observer, int signalFd, unsigned timeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        int wait = -1;
        if (timeoutSeconds > 0)
            wait = static_cast<int>(std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                       .count()));
        pollfd polls[2] = {{observer.DoneFd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
        const int ready = poll(polls, 2, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (polls[0].revents & POLLIN)
            return true;
        engine.Cancel(true);
        engine.Join();
        return ready != 0; // a signal: the user's cancel; else the time limit
    }
}

// The closing line of a transfer the protocol ended well; a receive names the
// files written. Files shorter than announced, or none at all, still fail.
int ReportSuccess(const CTransferCommand& command, const CConsoleObserver& observer, double seconds)
{
    const auto bytes = static_cast<unsigned long long>(observer.Bytes());
    if (command.send) {
        std::printf("sent %llu bytes in %.2f s\n", bytes, seconds);
        return 0;
    }
    if (observer.Names().empty()) {
        std::fprintf(stderr, "no file received\n");
        return 1;
    }
    std::printf("received %llu bytes into %s in %.2f s\n", bytes, observer.Names().c_str(), seconds);
    for (const std::string& file : observer.Short())
        std::fprintf(stderr, "incomplete: %s\n", file.c_str());
    return observer.Short().empty() ? 0 : 1;
}

// The directory a receive writes into must be usable before the remote side
// is asked for anything.
bool ReceiveDirectoryUsable(const CTransferCommand& command, const char* program)
{
    std::string directory = command.path;
    if (command.protocol != PROTOCOL_YMODEM) {
        const auto slash = directory.find_last_of('/');
        directory = slash == std::string::npos ? "." : slash == 0 ? "/" : directory.substr(0, slash);
    }
    const std::string problem = CDiskStore::DirectoryProblem(directory);
    if (!problem.empty())
        std::fprintf(stderr, "%s: cannot receive into %s: %s\n", program, directory.c_str(), problem.c_str());
    return problem.empty();
}

int Run(const CTransferCommand& command, const SettingsMaker& makeSettings, const char* program)
{
    if (!command.send && !ReceiveDirectoryUsable(command, program))
        return 1;
    // A peer that closes its socket ends the transfer; it must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    CCommandLineLine open;
    if (!open.Open(command.line, makeSettings, program))
        return 1;
    const int line = open.Descriptor();
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    CConsoleObserver observer(isatty(2) == 1);
    CTransferEngine engine(observer);
    const auto start = std::chrono::steady_clock::now();
    engine.Start(command.send ? ETransferDirection::Send : ETransferDirection::Receive, command.protocol, line,
                 command.path);
    const bool ended = WaitForEnd(engine, observer, signalFd, command.timeoutSeconds);
    engine.Join();
    close(signalFd);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (isatty(2) == 1)
        std::fputc('\n', stderr);
    if (!ended) {
        std::fprintf(stderr, "Stopped after the --timeout of %u s\n", command.timeoutSeconds);
        return 1;
    }
    if (observer.Result() != RESULT_SUCCESS) {
        std::fprintf(stderr, "%s\n", TransferFailureText(observer.Result(), observer.FileError()));
        return 1;
    }
    return ReportSuccess(command, observer, seconds);
}

} // namespace

bool ParseTransferCommand(int argc, char** argv, CTransferCommand& command, std::string& error)
{
    if (argc < 4) {
        error = "missing PROTOCOL or PATH";
        return false;
    }
    command.send = std::strcmp(argv[1], "--send") == 0;
    command.protocol = TransferProtocolByName(argv[2]);
    if (command.protocol < 0 || (!command.send && !TransferProtocolReceives(command.protocol))) {
        error = std::string("protocol not known here: ") + argv[2];
        return false;
    }
    command.path = argv[3];
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        const ELineOption taken = TakeLineOption(argc, argv, i, command.line, false);
        bool good = taken == ELineOption::Taken;
        if (taken == ELineOption::Other && option == "--timeout" && i + 1 < argc)
            good = ParseUnsignedOption(argv[++i], 1, 86400, command.timeoutSeconds);
        if (!good) {
            error = "bad option: " + option;
            return false;
        }
    }
    if (command.line.lines != 1)
        error = "name one line: --device, --com or --tcp";
    return command.line.lines == 1;
}

int RunTransferCommand(int argc, char** argv, bool& handled, const SettingsMaker& makeSettings)
{
    handled = argc >= 2 && (std::strcmp(argv[1], "--send") == 0 || std::strcmp(argv[1], "--receive") == 0);
    if (!handled)
        return 0;
    CTransferCommand command;
    std::string error;
    if (!ParseTransferCommand(argc, argv, command, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
        std::fprintf(stderr, USAGE, argv[0], argv[0]);
        return 2;
    }
    return Run(command, makeSettings, argv[0]);
}

} // namespace kestrelon
