// Queue behind the frame's message target; see PumpedTarget.h.
#include "framework/PumpedTarget.h"

namespace kestrelon {

CPumpedTarget::CPumpedTarget(Handler handler) : m_handler(std::move(handler)), m_pumpThread(std::this_thread::get_id())
{
}

CPumpedTarget::~CPumpedTarget()
{
    Close();
}

void CPumpedTarget::SetHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void CPumpedTarget::SetWakeup(std::function<void()> wakeup)
{
    std::lock_guard lock(m_mutex);
    m_wakeup = std::move(wakeup);
}

void CPumpedTarget::SetPumpThread(std::thread::id id)
{
    std::lock_guard lock(m_mutex);
    m_pumpThread = id;
}

void CPumpedTarget::Post(CMessage message)
{
    std::function<void()> wakeup;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return; // the payload dies with the message
        auto entry = std::make_shared<Entry>();
        entry->message = std::move(message);
        m_queue.push_back(std::move(entry));
        wakeup = m_wakeup;
    }
    m_changed.notify_all();
    if (wakeup)
        wakeup();
}

std::intptr_t CPumpedTarget::Send(CMessage message)
{
    std::shared_ptr<Entry> entry;
    std::function<void()> wakeup;
    {
        std::unique_lock lock(m_mutex);
        if (m_closed)
            return 0;
        if (std::this_thread::get_id() == m_pumpThread) {
            lock.unlock();
            return Handle(message);
        }
        entry = std::make_shared<Entry>();
        entry->message = std::move(message);
        entry->synchronous = true;
        m_queue.push_back(entry);
        wakeup = m_wakeup;
    }
    m_changed.notify_all();
    if (wakeup)
        wakeup();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return entry->done || m_closed; });
    return entry->done ? entry->result : 0;
}

std::intptr_t CPumpedTarget::Handle(CMessage& message)
{
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        handler = m_handler;
    }
    return handler ? handler(message) : 0;
}

int CPumpedTarget::Pump()
{
    return PumpAtMost(-1);
}

int CPumpedTarget::PumpQueued()
{
    std::size_t queued = 0;
    {
        std::lock_guard lock(m_mutex);
        queued = m_queue.size();
    }
    return PumpAtMost(static_cast<int>(queued));
}

// One message taken at a time: a handler that pumps again (a modal dialog's
// loop) goes on with the next one, so the order holds.
int CPumpedTarget::PumpAtMost(int limit)
{
    int handled = 0;
    for (;;) {
        std::shared_ptr<Entry> entry;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty() || handled == limit)
                return handled;
            entry = std::move(m_queue.front());
            m_queue.pop_front();
        }
        std::intptr_t result = Handle(entry->message);
        ++handled;
        if (entry->synchronous) {
            std::lock_guard lock(m_mutex);
            entry->result = result;
            entry->done = true;
        }
        m_changed.notify_all();
    }
}

bool CPumpedTarget::PumpUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Only what is queued now: a sender faster than the handlers would
        // otherwise keep the predicate and the deadline from being checked.
        PumpQueued();
        if (predicate())
            return true;
        std::unique_lock lock(m_mutex);
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        m_changed.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5)),
                             [&] { return !m_queue.empty(); });
    }
}

void CPumpedTarget::Close()
{
    std::deque<std::shared_ptr<Entry>> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        dropped.swap(m_queue);
    }
    m_changed.notify_all();
}

std::size_t CPumpedTarget::Pending() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

} // namespace kestrelon
