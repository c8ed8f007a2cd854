// The throughput shown during a transfer: the average since the start until
// ten samples (one per second) exist, then the bytes of the last ten seconds
// divided by ten.
#pragma once

#include <array>
#include <cstdint>

namespace kestrelon {

class CThroughput {
public:
    // Takes the byte total at a new second; returns the bytes per second to show.
    std::uint64_t Sample(std::uint64_t total);

private:
    std::array<std::uint64_t, 10> m_history{};
};

} // namespace kestrelon
