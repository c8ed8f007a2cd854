// CDatagramFileSend: the raw sender's chunks go to CIpConnection::Send; the
// next one is taken only when the sender thread has sent the last, so at most
// one datagram waits in memory whatever the file's size.
#include "hub/DatagramFileSend.h"

#include "net/IpConnection.h"
#include "transfer/FileSource.h"
#include "transfer/RawSender.h"
#include "transfer/TransferCodes.h"

#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kestrelon {
namespace {

TransferTime Now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

CDatagramFileSend::CDatagramFileSend(CTransferObserver& observer)
    : m_observer(observer), m_cancelFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CDatagramFileSend::~CDatagramFileSend()
{
    Cancel();
    Join();
    if (m_cancelFd >= 0)
        close(m_cancelFd);
}

bool CDatagramFileSend::Start(CIpConnection& connection, std::string path)
{
    if (m_thread.joinable() || m_cancelFd < 0)
        return false;
    std::uint64_t stale = 0;
    while (read(m_cancelFd, &stale, sizeof stale) > 0) {
    }
    try {
        m_thread = std::thread([this, &connection, path = std::move(path)] {
            m_observer.OnTransferNotify(TRANSFER_RESULT, static_cast<std::uint64_t>(Run(connection, path)));
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CDatagramFileSend::Cancel()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_cancelFd, &one, sizeof one);
}

void CDatagramFileSend::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool CDatagramFileSend::WaitCancelled(int ms)
{
    struct pollfd wake = {m_cancelFd, POLLIN, 0};
    return poll(&wake, 1, ms) > 0 && (wake.revents & POLLIN);
}

int CDatagramFileSend::Run(CIpConnection& connection, const std::string& path)
{
    CFileSource file;
    if (!file.Open(path)) {
        m_observer.OnTransferNotify(TRANSFER_FILE_ERROR, FILE_ERROR_ACCESS);
        return RESULT_ENDED;
    }
    CRawSender sender(m_observer, file);
    sender.Start(Now());
    // A datagram that cannot go (a name that does not resolve, an unreachable
    // network) ends the send: the message pane has the reason, and the rest of
    // the file would follow it into nowhere.
    const std::uint64_t failures = connection.SendFailures();
    const bool stream = connection.Mode() != MODE_IPV4_UDP && connection.Mode() != MODE_IPV6_UDP;
    while (!sender.Done()) {
        if (sender.PendingSize() > 0) {
            // Refused: the socket is closed, or bytes from elsewhere filled the
            // queue. Either way the peer would get a file with a hole in it.
            if (!connection.Send(sender.Pending(), sender.PendingSize())) {
                if (!stream || connection.IsConnected()) {
                    m_observer.OnTransferNotify(TRANSFER_FILE_ERROR, FILE_ERROR_OTHER);
                    return RESULT_ENDED;
                }
                return RESULT_LINE_LOST; // the TCP peer left
            }
            sender.Consume(sender.PendingSize());
        }
        // Over TCP the socket's flow control paces the send: no gap, and a few
        // pieces may wait in the sender.
        if (WaitCancelled(stream ? 0 : GAP_MS))
            return RESULT_ENDED;
        if (const int end = WaitForRoom(connection, stream ? STREAM_AHEAD : 0, stream ? 1 : GAP_MS); end >= 0)
            return end;
        if (connection.SendFailures() != failures)
            return RESULT_ENDED;
        sender.OnDrained(Now());
    }
    // The last pieces are not sent while they still wait in the sender.
    if (const int end = WaitForRoom(connection, 0, 1); end >= 0 && sender.Result() == RESULT_SUCCESS)
        return end;
    return sender.Result();
}

int CDatagramFileSend::WaitForRoom(CIpConnection& connection, std::size_t ahead, int pollMs)
{
    const TransferTime limit = Now() + SEND_LIMIT_MS;
    while (connection.QueuedSendBytes() > ahead) {
        if (Now() >= limit)
            return RESULT_TIMEOUT;
        if (WaitCancelled(pollMs))
            return RESULT_ENDED;
    }
    return -1;
}

} // namespace kestrelon
