// The NMEA capture the demo board plays back with `gps on`: a short recording
// of a real receiver (see README.md beside it), cut into one-second epochs
// that start at each GGA sentence and played round and round.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrelon {

class CGpsCapture {
public:
    CGpsCapture();
    explicit CGpsCapture(std::string_view text);

    // The next epoch's sentences, each ending CR LF.
    std::string NextEpoch();
    std::size_t EpochCount() const { return m_epochs.size(); }

private:
    std::vector<std::string> m_epochs;
    std::size_t m_next = 0;
};

} // namespace kestrelon
