// Ten-sample throughput history; the first entry stays 0 while it fills, so
// the filling phase divides the whole total by the seconds elapsed.
#include "transfer/Throughput.h"

#include <algorithm>

namespace kestrelon {

std::uint64_t CThroughput::Sample(std::uint64_t total)
{
    if (m_history[9] == 0) {
        for (std::size_t n = 1; n < m_history.size(); ++n) {
            if (m_history[n] == 0) {
                m_history[n] = total;
                return total / n;
            }
        }
    }
    const std::uint64_t rate = (total - std::min(total, m_history[0])) / 10;
    std::rotate(m_history.begin(), m_history.begin() + 1, m_history.end());
    m_history[9] = total;
    return rate;
}

} // namespace kestrelon
