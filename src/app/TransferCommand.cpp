// The command-line transfer: argument parsing, opening the line, one engine on
// its thread, progress on a terminal's stderr, and the closing line. SIGINT and
// SIGTERM cancel the transfer and tell the remote side.
#include "app/TransferCommand.h"

#include "transfer/TransferCodes.h"
#include "transfer/TransferEngine.h"
#include "transfer/TransferOutcome.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
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
        if (m_progress)
            std::fprintf(stderr, "\rreceiving %s\n", path.c_str());
    }
    int DoneFd() const { return m_doneFd; }
    int Result() const { return m_result; }
    int FileError() const { return m_fileError; }
    std::uint64_t Bytes() const { return m_bytes; }

private:
    std::mutex m_mutex;
    bool m_progress;
    int m_doneFd;
    int m_result = -1;
    int m_fileError = -1;
    std::uint64_t m_bytes = 0;
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

int Run(const CTransferCommand& command, const SettingsMaker& makeSettings, const char* program)
{
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
    if (observer.Result() == RESULT_SUCCESS) {
        std::printf("%s %llu bytes in %.2f s\n", command.send ? "sent" : "received",
                    static_cast<unsigned long long>(observer.Bytes()), seconds);
        return 0;
    }
    std::fprintf(stderr, "%s\n",
                 ended ? TransferFailureText(observer.Result(), observer.FileError())
                       : "The remote system does not answer (timeout) !");
    return 1;
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
