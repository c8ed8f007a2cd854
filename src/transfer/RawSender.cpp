// CRawSender: the next chunk is read when the line has taken the last one, so
// a slow line paces the send and nothing piles up in memory.
#include "transfer/RawSender.h"

#include "transfer/TransferCodes.h"

#include <algorithm>

namespace kestrelon {

CRawSender::CRawSender(CTransferObserver& observer, CFileSource& file) : CTransferMachine(observer), m_file(file)
{
}

void CRawSender::Start(TransferTime now)
{
    Notify(TRANSFER_FILE_LENGTH, m_file.Length());
    Notify(TRANSFER_PROTOCOL, PROTOCOL_NONE);
    Notify(TRANSFER_ERROR_CHECK, ERROR_CHECK_NONE);
    // Without it the status dialog's duration would stay empty all along.
    Notify(TRANSFER_STARTED, 0);
    StartClock(now);
    OnDrained(now);
}

void CRawSender::OnDrained(TransferTime now)
{
    if (Done())
        return;
    if (m_total > 0)
        Notify(TRANSFER_BYTES, m_total);
    ReportThroughput(now, m_total);
    if (m_total >= m_file.Length()) {
        Finish(RESULT_SUCCESS);
        return;
    }
    const std::size_t chunk =
        static_cast<std::size_t>(std::min<std::uint64_t>(m_chunk.size(), m_file.Length() - m_total));
    if (!m_file.ReadAt(m_total, m_chunk.data(), chunk)) {
        // A read failure is no success: the receiver has only part of the file.
        Notify(TRANSFER_FILE_ERROR, FILE_ERROR_ACCESS);
        Finish(RESULT_ENDED);
        return;
    }
    Emit(m_chunk.data(), chunk);
    m_total += chunk;
}

void CRawSender::OnTime(TransferTime now)
{
    if (!Done())
        ReportThroughput(now, m_total);
}

TransferTime CRawSender::NextDeadline() const
{
    return NextSecond(m_total);
}

} // namespace kestrelon
