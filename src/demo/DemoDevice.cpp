// CDemoDevice: the poll loop between the pseudo-terminal and the board.
#include "demo/DemoDevice.h"

#include "demo/DemoPty.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace kestrelon {

namespace {

std::uint32_t SpeedValue(speed_t speed)
{
    switch (speed) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    case B460800:
        return 460800;
    case B921600:
        return 921600;
    case B4800:
        return 4800;
    case B2400:
        return 2400;
    case B1200:
        return 1200;
    default:
        return 0;
    }
}

} // namespace

CDemoDevice::CDemoDevice(CDemoPty& pty, pid_t parent, const std::string& files)
    : m_pty(pty), m_parent(parent), m_board(CDemoBoard::Clock::now())
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    m_signals = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_signals < 0)
        throw std::runtime_error("signalfd failed");
    m_board.SetSpeedQuery([this] { return LineSpeed(); });
    m_board.SetFileDirectory(files);
}

CDemoDevice::~CDemoDevice()
{
    if (m_signals >= 0)
        close(m_signals);
}

bool CDemoDevice::LineHungUp() const
{
    // The master reports a hang-up while no terminal has the slave open.
    pollfd p{m_pty.Master(), 0, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) != 0;
}

std::uint32_t CDemoDevice::LineSpeed() const
{
    const int fd = open(m_pty.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    termios settings{};
    const bool ok = tcgetattr(fd, &settings) == 0;
    close(fd);
    return ok ? SpeedValue(cfgetospeed(&settings)) : 0;
}

int CDemoDevice::Timeout(CDemoBoard::Clock::time_point now) const
{
    const auto next = m_board.NextDeadline();
    if (next == CDemoBoard::Clock::time_point::max())
        return kWatchMs;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::clamp<long long>(wait + 1, 0, kWatchMs));
}

bool CDemoDevice::Transfer(short revents)
{
    if (revents & POLLOUT) {
        const std::string_view out = m_board.Output();
        const ssize_t n = write(m_pty.Master(), out.data(), out.size());
        if (n > 0)
            m_board.Consume(static_cast<std::size_t>(n));
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
    }
    if (revents & POLLIN) {
        char buffer[4096];
        const ssize_t n = read(m_pty.Master(), buffer, sizeof buffer);
        if (n > 0)
            m_board.Receive(std::string_view(buffer, static_cast<std::size_t>(n)), CDemoBoard::Clock::now());
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
    }
    return true;
}

void CDemoDevice::StartFileTransfer()
{
    const CDemoBoard::CTransferRequest request = m_board.TransferRequest();
    if (!m_transfer.Start(request.send, m_pty.Master(), request.path, request.protocol))
        m_board.TransferEnded(-1, 0);
}

int CDemoDevice::Run()
{
    for (;;) {
        const auto now = CDemoBoard::Clock::now();
        m_board.Tick(now);
        const bool hungUp = LineHungUp();
        if (m_transfer.Running()) {
            // The engine has the line; a hang-up ends it by its own time-out.
        } else if (m_connected && hungUp) {
            m_board.Disconnect();
            m_connected = false;
        } else if (!m_connected && !hungUp) {
            m_connected = true;
            m_board.Connect(now);
        }
        if (m_reportDue && now >= m_reportAt) {
            m_reportDue = false;
            m_board.SetReceivedFile(m_transfer.ReceivedFile());
            m_board.TransferEnded(m_transfer.Result(), m_transfer.Bytes());
        }
        if (m_connected && !m_transfer.Running() && m_board.WantsTransfer() && m_board.Output().empty())
            StartFileTransfer();
        pollfd fds[3] = {{m_signals, POLLIN, 0}, {m_transfer.WakeFd(), POLLIN, 0}, {-1, 0, 0}};
        if (m_connected && !m_transfer.Running()) {
            const std::size_t backlog = m_board.Output().size();
            fds[2] = {m_pty.Master(),
                      static_cast<short>((backlog > 0 ? POLLOUT : 0) | (backlog < kMaxBacklog ? POLLIN : 0)), 0};
        }
        const int timeout = m_reportDue ? 20 : Timeout(now);
        if (poll(fds, 3, timeout) < 0 && errno != EINTR)
            return 1;
        if (fds[0].revents & POLLIN)
            return 0; // asked to stop; a running transfer is cancelled on the way out
        if (m_parent != 0 && getppid() != m_parent)
            return 0; // the terminal that started the device is gone
        if (fds[1].revents & POLLIN) {
            m_transfer.Finish();
            m_reportDue = true;
            m_reportAt = CDemoBoard::Clock::now() + kQuietAfterTransfer;
        }
        // A failing read or write means the line hung up; the next round sees it.
        if (fds[2].fd >= 0 && !(fds[2].revents & POLLHUP))
            Transfer(fds[2].revents);
    }
}

} // namespace kestrelon
