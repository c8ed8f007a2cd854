// Ordered sending thread of an IP connection; see IpSender.h.
#include "net/IpSender.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

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

CIpSender::QueueResult CIpSender::Queue(std::shared_ptr<CIP6Socket> socket, const void* data, std::size_t length,
                                        bool paced)
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
        const std::size_t room = m_tally.queued < m_limit ? m_limit - m_tally.queued : 0;
        const std::size_t taken = std::min(room, length);
        if (taken > 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            m_queue.push_back({std::move(socket), std::vector<std::uint8_t>(bytes, bytes + taken), paced});
            m_tally.Added(taken, paced);
        }
        if (taken < length)
            result = m_tally.FirstDrop() ? QueueResult::FirstDropped : QueueResult::Dropped;
        if (taken == 0)
            return result;
    }
    m_wake.notify_one();
    return result;
}

CIpSender::QueueResult CIpSender::QueueWait(std::shared_ptr<CIP6Socket> socket, int ms)
{
    if (!socket || ms <= 0)
        return QueueResult::Queued;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || !m_thread.joinable())
            return QueueResult::NotRunning;
        m_queue.push_back({std::move(socket), {}, false, ms});
    }
    m_wake.notify_one();
    return QueueResult::Queued;
}

void CIpSender::SetPacing(const CPacing& pacing)
{
    std::lock_guard lock(m_mutex);
    m_pacing = pacing;
}

std::size_t CIpSender::PacedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_tally.paced;
}

std::size_t CIpSender::Discard()
{
    std::size_t discarded = 0;
    {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
        discarded = m_tally.Cleared();
    }
    m_wake.notify_all();
    NotifyRoom();
    return discarded;
}

std::size_t CIpSender::Room() const
{
    std::lock_guard lock(m_mutex);
    return m_tally.Room(m_limit);
}

void CIpSender::WatchRoom()
{
    {
        std::lock_guard lock(m_mutex);
        m_tally.roomWatched = true;
    }
    NotifyRoom();
}

void CIpSender::NotifyRoom()
{
    bool room = false;
    {
        std::lock_guard lock(m_mutex);
        room = m_tally.TakeRoomSignal(m_limit);
    }
    if (room && m_roomHook)
        m_roomHook();
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
        m_tally.Cleared();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::size_t CIpSender::QueuedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_tally.queued;
}

bool CIpSender::NextWork(Work& work)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
    if (m_stopping)
        return false;
    work.epoch = m_tally.epoch;
    Piece& front = m_queue.front();
    if (front.waitMs >= 0) {
        work.pauseMs = front.waitMs;
        work.piece = std::move(front);
        m_queue.pop_front();
        return true;
    }
    if (front.paced)
        work.pauseMs = TakePacedStretch(work.piece);
    else
        TakeUnpaced(work.piece);
    return true;
}

void CIpSender::TakeUnpaced(Piece& piece)
{
    piece = std::move(m_queue.front());
    m_queue.pop_front();
    while (m_merge && !m_queue.empty() && m_queue.front().socket == piece.socket && !m_queue.front().paced &&
           m_queue.front().waitMs < 0 && piece.bytes.size() + m_queue.front().bytes.size() <= MERGE_LIMIT) {
        const auto& next = m_queue.front().bytes;
        piece.bytes.insert(piece.bytes.end(), next.begin(), next.end());
        m_queue.pop_front();
    }
    m_tally.Removed(piece.bytes.size(), false, m_limit);
}

int CIpSender::TakePacedStretch(Piece& piece)
{
    const Piece& front = m_queue.front();
    const std::uint8_t* bytes = front.bytes.data() + m_tally.frontOffset;
    const std::size_t available = front.bytes.size() - m_tally.frontOffset;
    std::optional<std::uint8_t> next;
    if (m_queue.size() > 1 && !m_queue[1].bytes.empty())
        next = m_queue[1].bytes.front();
    const CPacedStretch stretch = NextPacedStretch(m_pacing, bytes, available, next);
    piece.socket = front.socket;
    piece.bytes.assign(bytes, bytes + stretch.length);
    m_tally.frontOffset += stretch.length;
    m_tally.Removed(stretch.length, true, m_limit);
    if (m_tally.frontOffset == front.bytes.size()) {
        m_queue.pop_front();
        m_tally.frontOffset = 0;
    }
    return stretch.pauseMs;
}

void CIpSender::Pause(int ms, std::uint64_t epoch)
{
    std::unique_lock lock(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    // More bytes being queued wake the wait too; it only ends for a discard or stop.
    m_wake.wait_until(lock, deadline, [&] { return m_stopping || m_tally.epoch != epoch; });
}

void CIpSender::SendPiece(const Piece& piece)
{
    try {
        m_deliver(*piece.socket, piece.bytes);
    } catch (const CIP6SocketException& error) {
        // Nothing more reaches a failed stream: drop what waits for it before
        // anyone hears of the failure. A datagram failure costs only itself.
        if (m_merge) {
            std::lock_guard lock(m_mutex);
            for (auto it = m_queue.begin(); it != m_queue.end();) {
                if (it->socket != piece.socket) {
                    ++it;
                    continue;
                }
                const std::size_t offset = it == m_queue.begin() ? std::exchange(m_tally.frontOffset, 0) : 0;
                m_tally.Removed(it->bytes.size() - offset, it->paced, m_limit);
                it = m_queue.erase(it);
            }
        }
        if (!piece.socket->IsShutDown())
            m_failed(*piece.socket, error);
    }
}

void CIpSender::Run()
{
    Work work;
    while (NextWork(work)) {
        NotifyRoom();
        // A socket shut down here was closed on purpose or has already reported
        // its end; what was queued for it (bytes and waits) is dropped without a word.
        if (!work.piece.socket->IsShutDown()) {
            if (!work.piece.bytes.empty()) {
                SendPiece(work.piece);
                NotifyRoom(); // a failure drops what waited for the socket
            }
            if (work.pauseMs > 0 && !work.piece.socket->IsShutDown())
                Pause(work.pauseMs, work.epoch);
        }
        work = Work{};
    }
}

} // namespace kestrelon
