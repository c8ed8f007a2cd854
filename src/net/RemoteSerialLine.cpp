// CRemoteSerialLine: the engine behind a lock, and the relay of a file
// transfer over a Telnet line.
#include "net/RemoteSerialLine.h"

#include "net/IP6Socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kestrelon {

namespace {

constexpr int SEND_SECONDS = 5;
constexpr std::size_t RELAY_CHUNK = 4096;

// Writes all of `bytes` to the transfer's end; gives up when the loan ends
// (the transfer no longer reads) or the pair fails.
bool WriteToTransfer(int fd, const std::uint8_t* bytes, std::size_t length, int wakeFd)
{
    while (length > 0) {
        const ssize_t n = ::send(fd, bytes, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            bytes += n;
            length -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd waits[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR)
            return false;
        if (waits[1].revents != 0)
            return false;
    }
    return true;
}

} // namespace

void CRemoteSerialLine::Configure(bool enabled, const CRemoteLineSettings& settings)
{
    std::lock_guard lock(m_mutex);
    m_enabled = enabled;
    m_settings = settings;
}

std::vector<std::uint8_t> CRemoteSerialLine::Open()
{
    m_suspended = false;
    std::lock_guard lock(m_mutex);
    return m_engine.Start(m_settings);
}

void CRemoteSerialLine::Feed(const std::uint8_t* bytes, std::size_t length, CTelnetOutput& out)
{
    std::lock_guard lock(m_mutex);
    m_engine.Feed(bytes, length, out);
    m_suspended = m_engine.Suspended();
}

bool CRemoteSerialLine::Answered() const
{
    std::lock_guard lock(m_mutex);
    return m_engine.Accepted() || m_engine.Refused();
}

bool CRemoteSerialLine::GiveUp()
{
    std::lock_guard lock(m_mutex);
    return m_engine.GiveUp();
}

std::vector<std::uint8_t> CRemoteSerialLine::Escape(const void* data, std::size_t length) const
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> out;
    out.reserve(length + 8);
    std::lock_guard lock(m_mutex);
    if (m_engine.Raw())
        out.assign(bytes, bytes + length);
    else
        CTelnetComPort::Escape(bytes, length, out);
    return out;
}

std::vector<std::uint8_t> CRemoteSerialLine::LineCommand(LineAction action)
{
    std::lock_guard lock(m_mutex);
    switch (action) {
    case LineAction::DtrLow: return m_engine.Control(ERemoteControl::DtrOff);
    case LineAction::DtrHigh: return m_engine.Control(ERemoteControl::DtrOn);
    case LineAction::RtsLow: return m_engine.Control(ERemoteControl::RtsOff);
    case LineAction::RtsHigh: return m_engine.Control(ERemoteControl::RtsOn);
    case LineAction::Break: return m_engine.Control(ERemoteControl::BreakOn);
    case LineAction::Wait:
    case LineAction::Script: return {}; // a wait is the sender's; scripts are the window's
    }
    return {};
}

std::vector<std::uint8_t> CRemoteSerialLine::BreakEnd()
{
    std::lock_guard lock(m_mutex);
    return m_engine.Control(ERemoteControl::BreakOff);
}

std::vector<std::uint8_t> CRemoteSerialLine::BaudRate(std::uint32_t baud)
{
    std::lock_guard lock(m_mutex);
    m_settings.baud = baud; // the next connection asks for it too
    return m_engine.SetBaudRate(baud);
}

std::vector<std::uint8_t> CRemoteSerialLine::Purge()
{
    std::lock_guard lock(m_mutex);
    return m_engine.Purge();
}

bool CRemoteSerialLine::Relay(CIP6Socket& socket, int transferEnd, int wakeFd, const std::function<bool()>& lent,
                              const std::function<void(const CRemoteEvent&)>& events)
{
    bool open = true;
    for (;;) {
        pollfd waits[3] = {{socket.Handle(), POLLIN, 0}, {open ? transferEnd : -1, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(waits, 3, -1) < 0 && errno != EINTR)
            return false;
        if (socket.IsShutDown())
            return false;
        if (waits[2].revents != 0) {
            std::uint64_t count = 0;
            while (::read(wakeFd, &count, sizeof count) > 0) {
            }
            if (!lent()) {
                // What the transfer wrote last (a final answer) still goes out.
                while (open) {
                    const long relayed = RelayToServer(socket, transferEnd, open);
                    if (relayed < 0)
                        return false;
                    if (relayed == 0)
                        break;
                }
                return true;
            }
        }
        if (waits[0].revents != 0 && !RelayFromServer(socket, transferEnd, wakeFd, events))
            return false;
        // A transfer end that closed has nothing more to say: it is no longer
        // watched, or poll would report its end without pause.
        if (waits[1].revents != 0 && RelayToServer(socket, transferEnd, open) < 0)
            return false;
    }
}

bool CRemoteSerialLine::RelayFromServer(CIP6Socket& socket, int transferEnd, int wakeFd,
                                        const std::function<void(const CRemoteEvent&)>& events)
{
    std::uint8_t buffer[RELAY_CHUNK];
    try {
        const int count = socket.Receive(buffer, sizeof buffer, SEND_SECONDS);
        if (count <= 0)
            return false;
        m_relayOut.Clear();
        Feed(buffer, static_cast<std::size_t>(count), m_relayOut);
        if (!m_relayOut.reply.empty())
            socket.SendAll(m_relayOut.reply.data(), static_cast<int>(m_relayOut.reply.size()), SEND_SECONDS);
        for (const CRemoteEvent& event : m_relayOut.events)
            events(event);
    } catch (const CIP6SocketException&) {
        return false;
    }
    // A transfer that stopped reading has ended; its loan ends soon too.
    WriteToTransfer(transferEnd, m_relayOut.data.data(), m_relayOut.data.size(), wakeFd);
    return true;
}

long CRemoteSerialLine::RelayToServer(CIP6Socket& socket, int transferEnd, bool& open)
{
    std::uint8_t buffer[RELAY_CHUNK];
    const ssize_t count = ::recv(transferEnd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR))
        open = false;
    if (count <= 0)
        return 0;
    const std::vector<std::uint8_t> escaped = Escape(buffer, static_cast<std::size_t>(count));
    try {
        socket.SendAll(escaped.data(), static_cast<int>(escaped.size()), SEND_SECONDS);
    } catch (const CIP6SocketException&) {
        return -1;
    }
    return count;
}

} // namespace kestrelon
