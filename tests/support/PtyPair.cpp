// PtyPair over openpty.
#include "support/PtyPair.h"

#include <algorithm>
#include <chrono>
#include <pty.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kestrelon::test {

PtyPair::PtyPair()
{
    char name[256] = {};
    struct termios raw {};
    cfmakeraw(&raw);
    if (openpty(&m_master, &m_slaveKeep, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    m_slavePath = name;
}

PtyPair::~PtyPair()
{
    CloseMaster();
    if (m_slaveKeep >= 0)
        close(m_slaveKeep);
}

void PtyPair::CloseMaster()
{
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
}

bool PtyPair::WriteMaster(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string PtyPair::ReadMaster(int timeoutMs, std::size_t atLeast)
{
    return ReadUntil(m_master, timeoutMs, [atLeast](const std::string& out) { return out.size() >= atLeast; });
}

std::string ReadUntil(int fd, int timeoutMs, const std::function<bool(const std::string&)>& done, std::size_t most)
{
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[65536];
    while (!done(out)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        struct pollfd p {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0)
            break;
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, most - out.size()));
        if (n <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

} // namespace kestrelon::test
