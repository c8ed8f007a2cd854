// CStopSignal: raising and waiting.
#include "net/StopSignal.h"

#include <chrono>

namespace kestrelon {

void CStopSignal::Raise()
{
    {
        std::lock_guard lock(m_mutex);
        m_raised = true;
    }
    m_changed.notify_all();
}

bool CStopSignal::Raised() const
{
    std::lock_guard lock(m_mutex);
    return m_raised;
}

bool CStopSignal::WaitFor(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_raised; });
}

} // namespace kestrelon
