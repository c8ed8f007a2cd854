// CWakeEvent over an eventfd.
#include "serial/WakeEvent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrelon {

CWakeEvent::CWakeEvent() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

CWakeEvent::~CWakeEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CWakeEvent::Signal()
{
    const std::uint64_t one = 1;
    // A full counter still reads as signalled: a failed write loses nothing.
    if (m_fd >= 0 && ::write(m_fd, &one, sizeof one) < 0)
        return;
}

void CWakeEvent::Clear()
{
    std::uint64_t count = 0;
    if (m_fd >= 0 && ::read(m_fd, &count, sizeof count) < 0)
        return; // nothing was signalled
}

bool CWakeEvent::Wait(int timeoutMs)
{
    if (m_fd < 0)
        return false;
    pollfd entry{m_fd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready >= 0)
            return ready > 0;
        if (errno != EINTR)
            return false;
    }
}

} // namespace kestrelon
