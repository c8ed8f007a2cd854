// The unit in which data crosses threads and messages: an owned copy of bytes.
// The receiver of a message that carries one owns it from then on.
#pragma once

#include "framework/MessageCarrier.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace kestrelon {

class CByteBlock : public CMessagePayload {
public:
    CByteBlock() = default;
    CByteBlock(const void* data, std::int32_t length);
    CByteBlock(const CByteBlock& other);
    CByteBlock& operator=(const CByteBlock& other);
    CByteBlock(CByteBlock&&) noexcept = default;
    CByteBlock& operator=(CByteBlock&&) noexcept = default;
    ~CByteBlock() override = default;

    std::int32_t length() const { return m_length; }
    // Null when the block is empty.
    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }

    // When the bytes were read from the line (wall clock); the epoch for blocks
    // that did not come from a line. Views stamp what they show with it.
    std::chrono::system_clock::time_point Arrival() const { return m_arrival; }
    void SetArrival(std::chrono::system_clock::time_point arrival) { m_arrival = arrival; }

    // Archive form: a 32-bit little-endian length followed by the bytes.
    void Serialize(std::vector<std::uint8_t>& out) const;

private:
    std::int32_t m_length = 0;
    std::unique_ptr<std::uint8_t[]> m_data;
    std::chrono::system_clock::time_point m_arrival{};
};

} // namespace kestrelon
