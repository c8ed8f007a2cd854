// CByteBlock: owned byte copies.
#include "document/ByteBlock.h"

#include <cstring>

namespace kestrelon {

CByteBlock::CByteBlock(const void* data, std::int32_t length)
{
    if (length < 1 || data == nullptr)
        return;
    m_length = length;
    m_data = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(length));
    std::memcpy(m_data.get(), data, static_cast<std::size_t>(length));
}

CByteBlock::CByteBlock(const CByteBlock& other) : CByteBlock(other.data(), other.length())
{
    m_arrival = other.m_arrival;
}

CByteBlock& CByteBlock::operator=(const CByteBlock& other)
{
    if (this != &other) {
        CByteBlock copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void CByteBlock::Serialize(std::vector<std::uint8_t>& out) const
{
    const auto n = static_cast<std::uint32_t>(m_length);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(n >> shift));
    if (m_length > 0)
        out.insert(out.end(), m_data.get(), m_data.get() + m_length);
}

} // namespace kestrelon
