// What one satellite system's sentences say about its satellites: the count in
// view and signal strength, elevation and azimuth by PRN (GSV), and the PRNs the
// receiver uses for the fix (GSA).
#pragma once

#include <array>
#include <cstdint>

namespace kestrelon {

// The systems whose sentences are told apart. QZSS is kept only so that its GSA
// does not overwrite another system's used list; the bar does not show it.
enum class ESatSystem { Gps, Glonass, Galileo, Beidou, Qzss };
constexpr int SAT_SYSTEM_COUNT = 5;

struct CSatTable {
    static constexpr int PRN_COUNT = 128; // PRNs 0..127 are stored
    static constexpr int USED_SLOTS = 12;

    std::uint8_t inView = 0;
    std::array<std::uint8_t, USED_SLOTS> used{}; // 0 = empty slot
    std::array<std::uint8_t, PRN_COUNT> snr{};
    std::array<std::int32_t, PRN_COUNT> elevation{};
    std::array<std::int32_t, PRN_COUNT> azimuth{};
    // Epoch bookkeeping of the GSV groups (one group per signal since NMEA 4.10).
    bool clearPending = false;   // an RMC came since the table was last cleared
    bool sentSatellites = false; // a GSV of this system carried a satellite

    void ClearSatellites()
    {
        inView = 0;
        snr.fill(0);
        elevation.fill(0);
        azimuth.fill(0);
        clearPending = false;
    }
};

} // namespace kestrelon
