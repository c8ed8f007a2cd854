// CSerialPort: a tty over termios, opened exclusively, always in raw mode.
// Everything here is one system call deep; the driver decides what to do.
#include "serial/SerialPort.h"

#include "serial/DcbTermios.h"
#include "serial/TermiosRate.h"
#include "document/Messages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kestrelon {

namespace {

// Write time-outs: a fixed allowance plus a per-byte one generous enough for
// 300 baud (33 ms a byte).
constexpr int kWriteTimeoutBaseMs = 120;
constexpr int kWriteTimeoutPerByteMs = 40;
// How long a close lets queued output drain before discarding it: a line held
// by CTS would otherwise keep close() waiting for the driver's closing delay,
// which is 30 s on most UARTs, and a close must take effect at once.
constexpr int kCloseDrainMs = 20;
constexpr int kCloseDrainStepMs = 5;

bool RateTaken(std::uint32_t asked, std::uint32_t live)
{
    // Drivers report a rate they round to their divisor either as asked or as
    // what they run; 1 % is far inside what a UART receiver tolerates.
    const std::uint64_t diff = asked > live ? asked - live : live - asked;
    return diff * 100 <= asked;
}

} // namespace

bool IsDeviceGoneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

long ISerialPort::WriteSome(const void* data, std::size_t size, int& error)
{
    return Write(data, size, error) ? static_cast<long>(size) : -1;
}

OutputWait ISerialPort::WaitWritable(int, int wakeFd)
{
    pollfd p{wakeFd, POLLIN, 0};
    return wakeFd >= 0 && poll(&p, 1, 0) > 0 ? OutputWait::Woken : OutputWait::Ready;
}

CSerialPort::~CSerialPort()
{
    Close();
}

int CSerialPort::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return ENOENT;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    // Only a terminal is a port: an alias pointing at an ordinary file must not
    // have terminal data written into it.
    if (!isatty(fd)) {
        ::close(fd);
        return ENOTTY;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return EBUSY;
    }
    ioctl(fd, TIOCEXCL);
    m_fd = fd;
    m_hasModemLines = true;
    m_hasCounters = true;
    m_counters = {};
    if (!ReadCounters(m_counters))
        m_hasCounters = false;
    return 0;
}

void CSerialPort::WaitForOutputToDrain()
{
    int before = -1;
    for (int waited = 0; waited < kCloseDrainMs; waited += kCloseDrainStepMs) {
        int queued = 0;
        if (ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return;
        if (before >= 0 && queued >= before)
            break; // held: nothing left in the last step, nothing will
        before = queued;
        std::this_thread::sleep_for(std::chrono::milliseconds(kCloseDrainStepMs));
    }
    tcflush(m_fd, TCOFLUSH);
}

void CSerialPort::Close()
{
    if (m_fd < 0)
        return;
    WaitForOutputToDrain();
    ::close(m_fd); // releases the flock and the exclusive mode with it
    m_fd = -1;
    m_ctsFlow = false;
}

bool CSerialPort::GetState(DCB& dcb)
{
    if (m_fd < 0)
        return false;
    termios tio{};
    std::uint32_t rate = 0;
    if (tcgetattr(m_fd, &tio) != 0 || !GetTermiosRate(m_fd, rate))
        return false;
    dcb = m_applied;
    TermiosToDcb(tio, rate, dcb);
    return true;
}

void CSerialPort::ApplyModemLines(int raise, int drop)
{
    // A pseudo-terminal has no modem lines; failing here is not a refusal.
    if (raise != 0)
        ioctl(m_fd, TIOCMBIS, &raise);
    if (drop != 0)
        ioctl(m_fd, TIOCMBIC, &drop);
}

bool CSerialPort::SetState(const DCB& dcb)
{
    if (m_fd < 0)
        return false;
    const CLineSettings line = DcbToTermios(dcb);
    if (line.refusal != LineRefusal::None)
        return false;
    bool applied = false;
    if (line.otherRate) {
        applied = SetTermiosWithRate(m_fd, line.tio.c_iflag, line.tio.c_oflag, line.tio.c_cflag, line.tio.c_lflag,
                                     line.tio.c_cc, NCCS, line.rate);
    } else {
        applied = tcsetattr(m_fd, TCSANOW, &line.tio) == 0;
    }
    std::uint32_t live = 0;
    if (!applied || !GetTermiosRate(m_fd, live) || !RateTaken(line.rate, live))
        return false;
    ApplyModemLines(line.modemRaise, line.modemDrop);
    m_applied = dcb;
    m_ctsFlow = line.ctsFlow;
    return true;
}

bool CSerialPort::SetupComm(std::uint32_t, std::uint32_t)
{
    // The tty layer sizes its own buffers; any request is fine.
    return m_fd >= 0;
}

bool CSerialPort::Purge(std::uint32_t flags)
{
    if (m_fd < 0)
        return false;
    // Writes here are synchronous, so there is never an operation to abort;
    // the clear flags discard what the kernel still holds.
    const bool tx = flags & PURGE_TXCLEAR;
    const bool rx = flags & PURGE_RXCLEAR;
    if (tx || rx)
        return tcflush(m_fd, tx && rx ? TCIOFLUSH : (tx ? TCOFLUSH : TCIFLUSH)) == 0;
    return true;
}

bool CSerialPort::ReadCounters(Counters& counters)
{
    serial_icounter_struct icount{};
    if (ioctl(m_fd, TIOCGICOUNT, &icount) != 0)
        return false;
    counters = {icount.frame, icount.overrun, icount.parity, icount.brk, icount.buf_overrun};
    return true;
}

std::uint32_t CSerialPort::CounterErrors()
{
    if (!m_hasCounters)
        return 0;
    Counters now;
    if (!ReadCounters(now)) {
        m_hasCounters = false;
        return 0;
    }
    std::uint32_t errors = 0;
    if (now.frame != m_counters.frame)
        errors |= CE_FRAME;
    if (now.overrun != m_counters.overrun)
        errors |= CE_OVERRUN;
    if (now.parity != m_counters.parity)
        errors |= CE_RXPARITY;
    if (now.brk != m_counters.brk)
        errors |= CE_BREAK;
    if (now.bufOverrun != m_counters.bufOverrun)
        errors |= CE_RXOVER;
    m_counters = now;
    return errors;
}

bool CSerialPort::ClearError(std::uint32_t& errors, CCommStatus& status)
{
    errors = 0;
    status = {};
    if (m_fd < 0)
        return false;
    int queued = 0;
    if (ioctl(m_fd, FIONREAD, &queued) != 0)
        return false;
    status.inQueue = queued > 0 ? static_cast<std::uint32_t>(queued) : 0;
    // Linux holds output only for CTS (CRTSCTS); DSR and CD never stop it.
    if (m_ctsFlow && m_hasModemLines) {
        int lines = 0;
        if (ioctl(m_fd, TIOCMGET, &lines) == 0)
            status.ctsHold = !(lines & TIOCM_CTS);
        else
            m_hasModemLines = false;
    }
    errors = CounterErrors();
    return true;
}

PortWait CSerialPort::WaitReadable(int timeoutMs)
{
    if (m_fd < 0)
        return PortWait::Gone;
    pollfd p{m_fd, POLLIN, 0};
    const int rc = poll(&p, 1, timeoutMs);
    if (rc < 0)
        return errno == EINTR ? PortWait::TimedOut : PortWait::Failed;
    if (rc == 0)
        return PortWait::TimedOut;
    if (p.revents & POLLIN)
        return PortWait::Readable; // the read tells whether it is an end
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) ? PortWait::Gone : PortWait::TimedOut;
}

long CSerialPort::Read(void* buffer, std::size_t size, int& error)
{
    error = 0;
    if (m_fd < 0) {
        error = EBADF;
        return -1;
    }
    const ssize_t n = ::read(m_fd, buffer, size);
    if (n < 0)
        error = errno;
    return static_cast<long>(n);
}

bool CSerialPort::Write(const void* data, std::size_t size, int& error)
{
    error = 0;
    if (m_fd < 0) {
        error = EBADF;
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() +
        std::chrono::milliseconds(kWriteTimeoutBaseMs + kWriteTimeoutPerByteMs * static_cast<long long>(size));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, bytes + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            error = errno;
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error = ETIMEDOUT;
            return false;
        }
        pollfd p{m_fd, POLLOUT, 0};
        poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
    }
    return true;
}

long CSerialPort::WriteSome(const void* data, std::size_t size, int& error)
{
    error = 0;
    if (m_fd < 0) {
        error = EBADF;
        return -1;
    }
    const ssize_t n = ::write(m_fd, data, size); // the descriptor is non-blocking
    if (n < 0)
        error = errno;
    return static_cast<long>(n);
}

OutputWait CSerialPort::WaitWritable(int timeoutMs, int wakeFd)
{
    if (m_fd < 0)
        return OutputWait::Gone;
    pollfd p[2] = {{m_fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
    const int rc = poll(p, wakeFd >= 0 ? 2 : 1, timeoutMs);
    if (rc <= 0)
        return OutputWait::TimedOut; // EINTR included: the caller looks again
    if (wakeFd >= 0 && (p[1].revents & POLLIN))
        return OutputWait::Woken;
    if (p[0].revents & POLLOUT)
        return OutputWait::Ready;
    return (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) ? OutputWait::Gone : OutputWait::TimedOut;
}

bool CSerialPort::GetModemLines(int& bits)
{
    bits = 0;
    if (m_fd < 0 || !m_hasModemLines)
        return false;
    if (ioctl(m_fd, TIOCMGET, &bits) == 0)
        return true;
    m_hasModemLines = false; // a pseudo-terminal: it never will have them
    return false;
}

bool CSerialPort::SetModemLine(int bit, bool high)
{
    if (m_fd < 0 || !m_hasModemLines)
        return false;
    return ioctl(m_fd, high ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

bool CSerialPort::SetBreak(bool on)
{
    // Set and cleared by hand rather than tcsendbreak: that rounds the length
    // up to tenths of a second and drains the output first without a limit.
    return m_fd >= 0 && ioctl(m_fd, on ? TIOCSBRK : TIOCCBRK) == 0;
}

OutputWait CSerialPort::WaitOutputSent(int timeoutMs, int wakeFd)
{
    // The tty tells how much it still holds but cannot wake a poll when that
    // reaches zero, so look in short steps beside the wake-up.
    constexpr int kStepMs = 2;
    for (int waited = 0;; waited += kStepMs) {
        int queued = 0;
        if (m_fd < 0)
            return OutputWait::Gone;
        if (ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return OutputWait::Ready;
        if (waited >= timeoutMs)
            return OutputWait::TimedOut;
        pollfd p{wakeFd, POLLIN, 0};
        if (poll(&p, wakeFd >= 0 ? 1 : 0, kStepMs) > 0)
            return OutputWait::Woken;
    }
}

} // namespace kestrelon
