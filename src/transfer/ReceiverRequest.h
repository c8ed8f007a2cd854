// A receiver's opening request ('C' or NAK) that the terminal showed just
// before the user started a send. A receiver asks once and then waits many
// seconds before it asks again; a sender that waited for the next request
// would sit idle all that time. The terminal watches the received data, and
// the sender starts at once when the last thing the device said was such a
// request, a short while ago.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrelon {

class CReceiverRequestWatch {
public:
    // Receivers ask again after ten seconds at the latest: an older request
    // has been given up or repeated since.
    static constexpr std::int64_t FRESH_MS = 10000;

    // Every block received from the device, in order; `nowMs` on a monotonic clock.
    void Observe(const std::uint8_t* data, std::size_t size, std::int64_t nowMs);
    // The request byte when the last byte received was one and is fresh, else
    // 0. The request is used up either way.
    std::uint8_t Take(std::int64_t nowMs);

private:
    std::uint8_t m_request = 0;
    std::uint8_t m_previous = 0;
    std::int64_t m_at = 0;
};

} // namespace kestrelon
