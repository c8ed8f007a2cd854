// The command-line transfer: argument parsing, opening the line, one engine on
// its thread, progress on a terminal's stderr, and the closing line. SIGINT and
// SIGTERM cancel the transfer and tell the remote side.
#include "app/TransferCommand.h"

#include "serial/ComPortEnumerator.h"
#include "serial/SerialPort.h"
#include "transfer/DiskStore.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferEngine.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrelon {
namespace {

constexpr int CONNECT_TIMEOUT_MS = 10000;

const char* const USAGE = "usage: %s --send PROTOCOL FILE LINE [--timeout SECONDS]\n"
                          "       %s --receive PROTOCOL PATH LINE [--timeout SECONDS]\n"
                          "PROTOCOL: xmodem, xmodem1k, ymodem, zim or none (zim and none only send)\n"
                          "PATH: the file to create; for ymodem the directory\n"
                          "LINE: --device TTY [--baud N] | --com N [--baud N] | --tcp HOST:PORT\n";

bool ParseNumber(const char* text, unsigned low, unsigned high, unsigned& value)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long number = std::strtoul(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || number < low || number > high)
        return false;
    value = static_cast<unsigned>(number);
    return true;
}

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

// A connected TCP client socket, or -1 with the reason in error.
int ConnectTcp(const std::string& target, std::string& error)
{
    const auto colon = target.rfind(':');
    std::string host = target.substr(0, colon);
    if (host.size() > 1 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), target.substr(colon + 1).c_str(), &hints, &found); rc != 0) {
        error = target + ": " + gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            continue;
        int rc = connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int soError = ETIMEDOUT;
            socklen_t length = sizeof soError;
            if (poll(&p, 1, CONNECT_TIMEOUT_MS) == 1)
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
            errno = soError;
            rc = soError == 0 ? 0 : -1;
        }
        if (rc != 0) {
            error = target + ": " + std::strerror(errno);
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

const char* FailureText(int result, int fileError)
{
    if (fileError == FILE_ERROR_ACCESS)
        return "Error on accessing the file !";
    if (fileError == FILE_ERROR_EMPTY)
        return "The selected file has zero length !";
    if (fileError >= 0)
        return "Unknown error occured !";
    switch (result) {
    case RESULT_TIMEOUT:
        return "The remote system does not answer (timeout) !";
    case RESULT_CANCELLED:
        return "Transfer cancelled by remote system !";
    case RESULT_LINE_LOST:
        return "The connection was lost during the transfer !";
    default:
        return "Transfer ended before the file was complete";
    }
}

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

// Opens the tty or connects the socket; the descriptor, or -1 after a message.
int OpenLine(const CTransferCommand& command, const std::function<std::unique_ptr<ISettingsStore>()>& makeSettings,
             const char* program, CSerialPort& port, int& socketFd)
{
    std::string device = command.device;
    if (command.comNumber > 0) {
        auto settings = makeSettings();
        device = CComPortEnumerator(*settings).DevicePath(command.comNumber);
        if (device.empty()) {
            std::fprintf(stderr, "%s: COM%u is not present\n", program, command.comNumber);
            return -1;
        }
    }
    if (device.empty()) {
        std::string error;
        socketFd = ConnectTcp(command.tcp, error);
        if (socketFd < 0)
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return socketFd;
    }
    if (const int rc = port.Open(device); rc != 0) {
        std::fprintf(stderr, "%s: %s: %s\n", program, device.c_str(), std::strerror(rc));
        return -1;
    }
    DCB dcb;
    port.GetState(dcb);
    dcb.BaudRate = command.baud;
    dcb.flags = DcbFlag::fBinary;
    dcb.ByteSize = 8;
    dcb.Parity = 0;
    dcb.StopBits = 0;
    if (!port.SetState(dcb)) {
        std::fprintf(stderr, "%s: %s does not take %u baud\n", program, device.c_str(), command.baud);
        return -1;
    }
    return port.Descriptor();
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

int Run(const CTransferCommand& command, const std::function<std::unique_ptr<ISettingsStore>()>& makeSettings,
        const char* program)
{
    if (!command.send && !ReceiveDirectoryUsable(command, program))
        return 1;
    CSerialPort port;
    int socketFd = -1;
    const int line = OpenLine(command, makeSettings, program, port, socketFd);
    if (line < 0)
        return 1;
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
    if (socketFd >= 0)
        close(socketFd);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (isatty(2) == 1)
        std::fputc('\n', stderr);
    if (!ended) {
        std::fprintf(stderr, "Stopped after the --timeout of %u s\n", command.timeoutSeconds);
        return 1;
    }
    if (observer.Result() != RESULT_SUCCESS) {
        std::fprintf(stderr, "%s\n", FailureText(observer.Result(), observer.FileError()));
        return 1;
    }
    return ReportSuccess(command, observer, seconds);
}

} // namespace

bool ParseTransferCommand(int argc, char** argv, CTransferCommand& command, std::string& error)
{
    static const std::map<std::string, int> protocols{{"xmodem", PROTOCOL_XMODEM},
                                                      {"xmodem1k", PROTOCOL_XMODEM_1K},
                                                      {"ymodem", PROTOCOL_YMODEM},
                                                      {"zim", PROTOCOL_XMODEM_ZIM},
                                                      {"none", PROTOCOL_NONE}};
    if (argc < 4) {
        error = "missing PROTOCOL or PATH";
        return false;
    }
    command.send = std::strcmp(argv[1], "--send") == 0;
    const auto protocol = protocols.find(argv[2]);
    if (protocol == protocols.end() || (!command.send && protocol->second > PROTOCOL_YMODEM)) {
        error = std::string("protocol not known here: ") + argv[2];
        return false;
    }
    command.protocol = protocol->second;
    command.path = argv[3];
    int lines = 0;
    for (int i = 4; i < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool good = value != nullptr;
        if (good && option == "--device")
            command.device = value, ++lines;
        else if (good && option == "--com")
            good = ParseNumber(value, 1, 255, command.comNumber), ++lines;
        else if (good && option == "--tcp")
            command.tcp = value, good = command.tcp.rfind(':') != std::string::npos, ++lines;
        else if (good && option == "--baud")
            good = ParseNumber(value, 50, 4000000, command.baud);
        else if (good && option == "--timeout")
            good = ParseNumber(value, 1, 86400, command.timeoutSeconds);
        else
            good = false;
        if (!good) {
            error = "bad option: " + option + (value ? std::string(" ") + value : std::string());
            return false;
        }
    }
    if (lines != 1)
        error = "name one line: --device, --com or --tcp";
    return lines == 1;
}

int RunTransferCommand(int argc, char** argv, bool& handled,
                       const std::function<std::unique_ptr<ISettingsStore>()>& makeSettings)
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
