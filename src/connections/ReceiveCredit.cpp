// Bounded hand-over of received blocks; see ReceiveCredit.h.
#include "connections/ReceiveCredit.h"

namespace kestrelon {

bool CReceiveCredit::WaitForRoom()
{
    std::unique_lock lock(m_mutex);
    if (m_outstanding >= m_limit && !m_stopped) {
        // Once full, wait until the frame has caught up by half: one wake-up per
        // half-limit of blocks instead of one per block.
        m_waiting = true;
        m_room.wait(lock, [this] { return m_stopped || m_outstanding <= m_limit / 2; });
        m_waiting = false;
    }
    return !m_stopped;
}

void CReceiveCredit::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_room.notify_all();
}

std::size_t CReceiveCredit::Outstanding() const
{
    std::lock_guard lock(m_mutex);
    return m_outstanding;
}

void CReceiveCredit::Take()
{
    std::lock_guard lock(m_mutex);
    ++m_outstanding;
}

void CReceiveCredit::Give()
{
    bool wake;
    {
        std::lock_guard lock(m_mutex);
        --m_outstanding;
        wake = m_waiting && m_outstanding == m_limit / 2;
    }
    if (wake)
        m_room.notify_all();
}

CCreditedBlock::CCreditedBlock(const void* data, std::int32_t length, std::shared_ptr<CReceiveCredit> credit)
    : CByteBlock(data, length), m_credit(std::move(credit))
{
    m_credit->Take();
}

CCreditedBlock::~CCreditedBlock()
{
    m_credit->Give();
}

} // namespace kestrelon
