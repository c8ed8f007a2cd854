// CRemoteTransferLine: the relay thread of a script's remote transfer.
#include "app/RemoteTransferLine.h"

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrelon {

CRemoteTransferLine::CRemoteTransferLine() : m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CRemoteTransferLine::~CRemoteTransferLine()
{
    Stop();
    for (int fd : {m_ends[0], m_ends[1], m_wake})
        if (fd >= 0)
            close(fd);
}

int CRemoteTransferLine::Start(int fd, std::uint32_t baud)
{
    m_socket.Attach(fd);
    if (m_wake < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_ends) != 0)
        return -1;
    CRemoteLineSettings settings;
    settings.baud = baud;
    m_line.Configure(true, settings);
    const std::vector<std::uint8_t> opening = m_line.Open();
    try {
        m_socket.SendAll(opening.data(), static_cast<int>(opening.size()), 5);
    } catch (const CIP6SocketException&) {
        return -1;
    }
    m_thread = std::thread([this] {
        // A script has no lamps: the events are of no use here. When the
        // server goes, the relay's end closes and the transfer sees the line end.
        m_line.Relay(m_socket, m_ends[0], m_wake, [] { return false; }, [](const CRemoteEvent&) {});
        ::shutdown(m_ends[0], SHUT_RDWR);
    });
    return m_ends[1];
}

void CRemoteTransferLine::Stop()
{
    if (!m_thread.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_wake, &one, sizeof one);
    m_thread.join();
}

} // namespace kestrelon
