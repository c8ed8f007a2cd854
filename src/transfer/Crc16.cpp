// Table-driven CRC-16/XMODEM; the table is built at compile time from the
// bitwise definition, so both give the same value.
#include "transfer/Crc16.h"

#include <array>

namespace kestrelon {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        table[byte] = crc;
    }
    return table;
}

constexpr auto CRC_TABLE = MakeTable();

} // namespace

std::uint16_t Crc16(const std::uint8_t* data, std::ptrdiff_t length)
{
    std::uint16_t crc = 0;
    for (std::ptrdiff_t i = 0; i < length; ++i)
        crc = static_cast<std::uint16_t>((crc << 8) ^ CRC_TABLE[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

} // namespace kestrelon
