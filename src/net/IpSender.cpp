// Ordered sending thread of an IP connection; see IpSender.h.
#include "net/IpSender.h"

#include <algorithm>
#include <cstring>

namespace kestrelon {

CIpSender::~CIpSender()
{
    Stop();
}

void CIpSender::Start(Deliver deliver, Failed failed, bool merge)
{
    Stop();
    std::lock_guard lock(m_mutex);
    m_deliver = std::move(deliver);
    m_failed = std::move(failed);
    m_merge = merge;
    m_stopping = false;
    m_thread = std::thread([this] { Run(); });
}

CIpSender::QueueResult CIpSender::Queue(std::shared_ptr<CIP6Socket> socket, const void* data, std::size_t length)
{
    if (!socket || !data || length == 0)
        return QueueResult::Queued;
    QueueResult result = QueueResult::Queued;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || !m_thread.joinable())
            return QueueResult::NotRunning;
        // What fits is queued, the rest is dropped: a paste larger than the
        // queue sends its beginning, and costs no more memory than the limit.
        const std::size_t room = m_queuedBytes < m_limit ? m_limit - m_queuedBytes : 0;
        const std::size_t taken = std::min(room, length);
        if (taken > 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            m_queue.push_back({std::move(socket), std::vector<std::uint8_t>(bytes, bytes + taken)});
            m_queuedBytes += taken;
        }
        if (taken < length) {
            result = m_dropReported ? QueueResult::Dropped : QueueResult::FirstDropped;
            m_dropReported = true;
        }
        if (taken == 0)
            return result;
    }
    m_wake.notify_one();
    return result;
}

void CIpSender::SetLimit(std::size_t limit)
{
    std::lock_guard lock(m_mutex);
    m_limit = limit;
}

void CIpSender::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_queuedBytes = 0;
        m_dropReported = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::size_t CIpSender::QueuedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_queuedBytes;
}

bool CIpSender::NextPiece(Piece& piece)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
    if (m_stopping)
        return false;
    piece = std::move(m_queue.front());
    m_queue.pop_front();
    while (m_merge && !m_queue.empty() && m_queue.front().socket == piece.socket &&
           piece.bytes.size() + m_queue.front().bytes.size() <= MERGE_LIMIT) {
        const auto& next = m_queue.front().bytes;
        piece.bytes.insert(piece.bytes.end(), next.begin(), next.end());
        m_queue.pop_front();
    }
    m_queuedBytes -= piece.bytes.size();
    // The peer caught up: a new drop is a new episode.
    if (m_queuedBytes <= m_limit / 2)
        m_dropReported = false;
    return true;
}

void CIpSender::Run()
{
    Piece piece;
    while (NextPiece(piece)) {
        // A socket shut down here was closed on purpose or has already reported
        // its end; what was queued for it is dropped without a word.
        if (piece.socket->IsShutDown())
            continue;
        try {
            m_deliver(*piece.socket, piece.bytes);
        } catch (const CIP6SocketException& error) {
            // Nothing more reaches a failed stream: drop what waits for it before
            // anyone hears of the failure. A datagram failure costs only itself.
            if (m_merge) {
                std::lock_guard lock(m_mutex);
                for (auto it = m_queue.begin(); it != m_queue.end();) {
                    if (it->socket == piece.socket) {
                        m_queuedBytes -= it->bytes.size();
                        it = m_queue.erase(it);
                    } else {
                        ++it;
                    }
                }
            }
            if (!piece.socket->IsShutDown())
                m_failed(*piece.socket, error);
        }
        piece = Piece{};
    }
}

} // namespace kestrelon
