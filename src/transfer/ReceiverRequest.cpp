// CReceiverRequestWatch: only the last byte received counts, and only when it
// does not end a word ("ABC"), so that text which happens to end in 'C' starts
// nothing. The byte before it may have come in the block before.
#include "transfer/ReceiverRequest.h"

#include "transfer/TransferCodes.h"

namespace kestrelon {
namespace {

bool IsWordByte(std::uint8_t byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

} // namespace

void CReceiverRequestWatch::Observe(const std::uint8_t* data, std::size_t size, std::int64_t nowMs)
{
    if (data == nullptr || size == 0)
        return;
    const std::uint8_t last = data[size - 1];
    const std::uint8_t before = size > 1 ? data[size - 2] : m_previous;
    const bool request = last == CRC_REQUEST || last == NAK;
    const bool alone = !IsWordByte(before) || before == CRC_REQUEST;
    m_request = request && alone ? last : 0;
    m_previous = last;
    m_at = nowMs;
}

std::uint8_t CReceiverRequestWatch::Take(std::int64_t nowMs)
{
    const std::uint8_t request = nowMs - m_at <= FRESH_MS ? m_request : 0;
    m_request = 0;
    return request;
}

} // namespace kestrelon
