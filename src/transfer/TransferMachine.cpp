// Output queue, end and throughput reporting shared by every protocol.
#include "transfer/TransferMachine.h"

#include "transfer/TransferCodes.h"

namespace kestrelon {

void CTransferMachine::Cancel(bool tellRemote)
{
    if (m_done)
        return;
    if (tellRemote)
        EmitCancel();
    Finish(RESULT_ENDED);
}

void CTransferMachine::Consume(std::size_t count)
{
    m_outHead += count;
    if (m_outHead >= m_out.size()) {
        m_out.clear();
        m_outHead = 0;
    }
}

void CTransferMachine::Emit(const std::uint8_t* data, std::size_t size)
{
    m_out.insert(m_out.end(), data, data + size);
}

void CTransferMachine::EmitCancel()
{
    const std::uint8_t cancel[2] = {CAN, CAN};
    Emit(cancel, sizeof cancel);
}

void CTransferMachine::Finish(int result)
{
    if (m_done)
        return;
    m_done = true;
    m_result = result;
}

void CTransferMachine::ReportThroughput(TransferTime now, std::uint64_t total)
{
    const std::int64_t second = WholeSeconds(now);
    if (second == m_lastReportSecond)
        return;
    m_lastReportSecond = second;
    if (total != 0)
        Notify(TRANSFER_THROUGHPUT, m_throughput.Sample(total));
}

TransferTime CTransferMachine::NextSecond(std::uint64_t total) const
{
    return total == 0 || m_done ? NO_DEADLINE : (m_lastReportSecond + 1) * 1000;
}

} // namespace kestrelon
