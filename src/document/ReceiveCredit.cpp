// Bounded hand-over of received blocks; see ReceiveCredit.h.
#include "document/ReceiveCredit.h"

namespace kestrelon {

bool CReceiveCredit::WaitForRoom()
{
    // The common case, room to spare, takes no lock: this runs once per block.
    if (m_outstanding.load() < m_limit && !m_stopped.load())
        return true;
    std::unique_lock lock(m_mutex);
    // Once full, wait until the frame has caught up by half: one wake-up per
    // half-limit of blocks instead of one per block.
    m_waiting.store(true);
    m_room.wait(lock, [this] { return m_stopped.load() || m_outstanding.load() <= m_limit / 2; });
    m_waiting.store(false);
    return !m_stopped.load();
}

void CReceiveCredit::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped.store(true);
    }
    m_room.notify_all();
}

std::size_t CReceiveCredit::Outstanding() const
{
    return m_outstanding.load();
}

void CReceiveCredit::Take()
{
    m_outstanding.fetch_add(1);
}

void CReceiveCredit::Give()
{
    const std::size_t now = m_outstanding.fetch_sub(1) - 1;
    if (now <= m_limit / 2 && m_waiting.load()) {
        std::lock_guard lock(m_mutex); // the waiter is in wait() or about to test
        m_room.notify_all();
    }
}

CCreditedBlock::CCreditedBlock(const void* data, std::int32_t length, std::shared_ptr<CReceiveCredit> credit)
    : CByteBlock(data, length), m_credit(std::move(credit))
{
    SetArrival(std::chrono::system_clock::now());
    m_credit->Take();
}

CCreditedBlock::~CCreditedBlock()
{
    m_credit->Give();
}

} // namespace kestrelon
