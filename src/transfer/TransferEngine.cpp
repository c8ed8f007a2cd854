// CTransferEngine: one poll over the line and a cancel eventfd. The line is
// switched to non-blocking for the transfer so that no write can hold the
// thread past a cancel, and switched back at the end.
#include "transfer/TransferEngine.h"

#include "transfer/BlockReceiver.h"
#include "transfer/BlockSender.h"
#include "transfer/DiskStore.h"
#include "transfer/RawSender.h"
#include "transfer/TransferCodes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kestrelon {
namespace {

// Bytes taken from the line per wake-up: several of the largest blocks.
constexpr std::size_t INPUT_CHUNK = 16384;
// How long the last answer (the final ACK, the CANs) may take to go out; a
// cancelled transfer must end well within 50 ms.
constexpr int FINAL_WRITE_MS = 1000;
constexpr int CANCEL_WRITE_MS = 20;

TransferTime Now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Non-blocking for the life of the transfer, the old flags back afterwards.
class CNonBlockingLine {
public:
    explicit CNonBlockingLine(int fd) : m_fd(fd), m_flags(fcntl(fd, F_GETFL))
    {
        if (m_flags >= 0)
            fcntl(m_fd, F_SETFL, m_flags | O_NONBLOCK);
    }
    ~CNonBlockingLine()
    {
        if (m_flags >= 0)
            fcntl(m_fd, F_SETFL, m_flags);
    }
    CNonBlockingLine(const CNonBlockingLine&) = delete;
    CNonBlockingLine& operator=(const CNonBlockingLine&) = delete;

private:
    int m_fd;
    int m_flags;
};

} // namespace

CTransferEngine::CTransferEngine(CTransferObserver& observer)
    : m_observer(observer), m_cancelFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_input(INPUT_CHUNK)
{
}

CTransferEngine::~CTransferEngine()
{
    if (m_thread.joinable()) {
        Cancel(false);
        m_thread.join();
    }
    if (m_cancelFd >= 0)
        close(m_cancelFd);
}

TransferTime CTransferEngine::Clock() const
{
    return Now() * m_clockScale.load();
}

int CTransferEngine::End(int result)
{
    m_observer.OnTransferNotify(TRANSFER_RESULT, static_cast<std::uint64_t>(result));
    return result;
}

int CTransferEngine::SendFile(int protocol, int fd, const std::string& path, std::uint8_t request)
{
    if (protocol == PROTOCOL_NONE)
        return SendRaw(fd, path);
    if (protocol < PROTOCOL_XMODEM || protocol > PROTOCOL_XMODEM_ZIM) {
        m_observer.OnTransferNotify(TRANSFER_FILE_ERROR, FILE_ERROR_OTHER);
        return End(RESULT_ENDED);
    }
    CFileSource file;
    if (!file.Open(path)) {
        m_observer.OnTransferNotify(TRANSFER_FILE_ERROR, FILE_ERROR_ACCESS);
        return End(RESULT_ENDED);
    }
    CBlockSender sender(m_observer, protocol, file);
    sender.AssumeRequest(request);
    return End(Run(sender, fd));
}

int CTransferEngine::SendRaw(int fd, const std::string& path)
{
    CFileSource file;
    if (!file.Open(path)) {
        m_observer.OnTransferNotify(TRANSFER_FILE_ERROR, FILE_ERROR_ACCESS);
        return End(RESULT_ENDED);
    }
    CRawSender sender(m_observer, file);
    return End(Run(sender, fd));
}

int CTransferEngine::ReceiveXModem(int protocol, int fd, const std::string& path)
{
    CDiskStore store = CDiskStore::ForFile(path);
    CBlockReceiver receiver(m_observer, protocol == PROTOCOL_XMODEM_1K ? protocol : PROTOCOL_XMODEM, store);
    const int result = Run(receiver, fd);
    store.Close();
    return End(result);
}

int CTransferEngine::ReceiveYModem(int /*protocol*/, int fd, const std::string& directory)
{
    CDiskStore store(directory, {});
    CBlockReceiver receiver(m_observer, PROTOCOL_YMODEM, store);
    const int result = Run(receiver, fd);
    store.Close();
    return End(result);
}

bool CTransferEngine::Start(ETransferDirection direction, int protocol, int fd, std::string path,
                            std::uint8_t request)
{
    if (m_thread.joinable())
        return false;
    // A cancel left over from an earlier transfer must not end this one.
    std::uint64_t stale = 0;
    while (read(m_cancelFd, &stale, sizeof stale) > 0) {
    }
    try {
        m_thread = std::thread([this, direction, protocol, fd, request, path = std::move(path)] {
            if (direction == ETransferDirection::Send)
                SendFile(protocol, fd, path, request);
            else if (protocol == PROTOCOL_YMODEM)
                ReceiveYModem(protocol, fd, path);
            else
                ReceiveXModem(protocol, fd, path);
        });
    } catch (const std::system_error&) {
        return false; // no thread to be had: nothing started, nothing to report
    }
    return true;
}

void CTransferEngine::Cancel(bool tellRemote)
{
    if (tellRemote)
        m_tellRemote.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_cancelFd, &one, sizeof one);
}

void CTransferEngine::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool CTransferEngine::TakeCancel(CTransferMachine& machine)
{
    std::uint64_t count = 0;
    if (read(m_cancelFd, &count, sizeof count) <= 0)
        return false;
    machine.Cancel(m_tellRemote.exchange(false));
    return true;
}

// Writes what the machine has queued, as far as the line takes it now.
// False when the line is gone. On a socket a peer that reset must not raise
// SIGPIPE, which would end the whole program.
bool CTransferEngine::Flush(CTransferMachine& machine, int fd)
{
    while (machine.PendingSize() > 0) {
        const ssize_t n = m_socket ? send(fd, machine.Pending(), machine.PendingSize(), MSG_NOSIGNAL)
                                   : write(fd, machine.Pending(), machine.PendingSize());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (n <= 0)
            return false;
        machine.Consume(static_cast<std::size_t>(n));
        if (machine.PendingSize() == 0)
            machine.OnDrained(Clock());
    }
    return true;
}

int CTransferEngine::Run(CTransferMachine& machine, int fd)
{
    // Only running out of memory can throw here; the transfer then ends like
    // any other failure, with its last notification still to come.
    try {
        return RunLoop(machine, fd);
    } catch (const std::exception&) {
        m_observer.OnTransferNotify(TRANSFER_FILE_ERROR, FILE_ERROR_OTHER);
        return RESULT_ENDED;
    }
}

int CTransferEngine::RunLoop(CTransferMachine& machine, int fd)
{
    CNonBlockingLine line(fd);
    struct stat info {};
    m_socket = fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
    const short wanted = machine.ReadsLine() ? POLLIN : 0;
    machine.Start(Clock());
    while (!machine.Done()) {
        if (!Flush(machine, fd))
            return LineLost(machine);
        const TransferTime deadline = machine.NextDeadline();
        const int timeout =
            static_cast<int>(std::clamp<TransferTime>(deadline - Clock(), 0, CTransferObserver::LINE_CHECK_MS));
        struct pollfd polls[2] = {{fd, wanted, 0}, {m_cancelFd, POLLIN, 0}};
        if (machine.PendingSize() > 0)
            polls[0].events |= POLLOUT;
        if (poll(polls, 2, timeout) < 0 && errno != EINTR)
            return LineLost(machine);
        m_observer.OnLineCheck();
        if ((polls[1].revents & POLLIN) && TakeCancel(machine)) {
            DrainFinal(machine, fd, CANCEL_WRITE_MS);
            return machine.Result();
        }
        if (polls[0].revents & POLLIN) {
            const ssize_t n = read(fd, m_input.data(), m_input.size());
            if (n > 0)
                machine.OnBytes(m_input.data(), static_cast<std::size_t>(n), Clock());
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return LineLost(machine);
        } else if (polls[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return LineLost(machine);
        }
        if (!machine.Done() && Clock() >= machine.NextDeadline())
            machine.OnTime(Clock());
    }
    DrainFinal(machine, fd, FINAL_WRITE_MS);
    return machine.Result();
}

// The line went away under a transfer that had not ended: no quiet end, the
// user is told.
int CTransferEngine::LineLost(CTransferMachine& machine)
{
    return machine.Done() ? machine.Result() : RESULT_LINE_LOST;
}

// The machine has ended; its last bytes still go out, unless a cancel comes.
bool CTransferEngine::DrainFinal(CTransferMachine& machine, int fd, int limitMs)
{
    const TransferTime until = Now() + limitMs;
    while (machine.PendingSize() > 0) {
        if (!Flush(machine, fd))
            return false;
        if (machine.PendingSize() == 0)
            break;
        const TransferTime left = until - Now();
        if (left <= 0)
            return false;
        struct pollfd polls[2] = {{fd, POLLOUT, 0}, {m_cancelFd, POLLIN, 0}};
        if (poll(polls, 2, static_cast<int>(left)) <= 0 || (polls[1].revents & POLLIN))
            return false;
    }
    return true;
}

} // namespace kestrelon
