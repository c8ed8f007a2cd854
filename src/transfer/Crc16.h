// CRC-16 of XModem blocks: polynomial 0x1021, initial 0, most significant bit
// first, no reflection, no final inversion; over the data bytes only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrelon {

std::uint16_t Crc16(const std::uint8_t* data, std::ptrdiff_t length);

} // namespace kestrelon
