// CScriptInbox: one mutex, one condition; the feed copies bytes and notifies.
#include "scripting/ScriptInbox.h"

namespace kestrelon {

CScriptInbox::CScriptInbox()
{
    m_pending.reserve(2 * SCRIPT_EXPECT_WINDOW);
}

void CScriptInbox::Reset()
{
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    m_stopped = m_closed = false;
}

void CScriptInbox::Feed(const std::uint8_t* data, std::size_t length)
{
    if (length > SCRIPT_EXPECT_WINDOW) {
        data += length - SCRIPT_EXPECT_WINDOW;
        length = SCRIPT_EXPECT_WINDOW;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_pending.size() + length > 2 * SCRIPT_EXPECT_WINDOW)
            m_pending.erase(0, m_pending.size() + length - SCRIPT_EXPECT_WINDOW);
        m_pending.append(reinterpret_cast<const char*>(data), length);
    }
    m_changed.notify_all();
}

void CScriptInbox::Close()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

void CScriptInbox::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
}

bool CScriptInbox::IsStopped() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

CScriptInbox::EWait CScriptInbox::Take(std::string& into, Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_until(lock, deadline, [this] { return m_stopped || m_closed || !m_pending.empty(); });
    if (m_stopped)
        return EWait::Stopped;
    if (!m_pending.empty()) {
        into.append(m_pending);
        m_pending.clear();
        return EWait::Data;
    }
    return m_closed ? EWait::Closed : EWait::Timeout;
}

bool CScriptInbox::Sleep(Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_until(lock, deadline, [this] { return m_stopped; });
}

} // namespace kestrelon
