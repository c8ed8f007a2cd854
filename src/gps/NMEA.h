// NMEA 0183 sentence parser: RMC, GGA, GSA and GSV of GPS, GLONASS, Galileo,
// BeiDou and QZSS receivers, one line at a time, accumulated into the fix and the
// satellite tables that the GPS bar shows.
#pragma once

#include "gps/Grad.h"
#include "gps/SatTable.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace kestrelon {

class CNmeaSentence;

class CNMEA {
public:
    // Seconds since 1970 UTC; the year of two-digit dates and the date of a GGA
    // seen before any RMC come from it.
    using Clock = std::function<std::int64_t()>;
    static std::int64_t SystemClock();

    static constexpr std::size_t MIN_LINE = 11;
    static constexpr int RMC_FIELDS = 12; // a line without checksum needs them all
    static constexpr int GGA_FIELDS = 15;

    explicit CNMEA(Clock clock = SystemClock);

    void Reset();
    // One sentence without its line end. True exactly when it is an RMC that was
    // taken (the caller then redraws).
    bool Parse(std::string_view line);

    int FixMode() const { return m_fixMode; }
    bool PositionValid() const { return m_positionValid; }
    bool TimeValid() const { return m_timeValid; }
    bool TimeTaken() const { return m_timeTaken; }
    std::int64_t Time() const { return m_time; } // UTC seconds since 1970
    int Milliseconds() const { return m_milliseconds; }
    const CGrad& Latitude() const { return m_latitude; }
    const CGrad& Longitude() const { return m_longitude; }
    double Speed() const { return m_speed; } // knots
    double Course() const { return m_course; }
    std::optional<double> MagVariation() const { return m_magVariation; }
    std::optional<bool> MagVariationEast() const { return m_magVariationEast; }
    double Hdop() const { return m_hdop; } // -1 while unknown
    double Altitude() const { return m_altitude; }
    int SatsUsed() const { return m_satsUsed; }

    const CSatTable& Satellites(ESatSystem system) const { return m_systems[static_cast<int>(system)]; }
    // Each is 0 (false) for a PRN outside 1..127.
    bool IsUsed(ESatSystem system, int prn) const;
    int GetSnr(ESatSystem system, int prn) const;
    int GetElevation(ESatSystem system, int prn) const;
    int GetAzimuth(ESatSystem system, int prn) const;

    bool IsGpsUsed(int prn) const { return IsUsed(ESatSystem::Gps, prn); }
    int GetGpsSnr(int prn) const { return GetSnr(ESatSystem::Gps, prn); }
    int GetGpsElevation(int prn) const { return GetElevation(ESatSystem::Gps, prn); }
    int GetGpsAzimuth(int prn) const { return GetAzimuth(ESatSystem::Gps, prn); }
    bool IsGlonassUsed(int prn) const { return IsUsed(ESatSystem::Glonass, prn); }
    int GetGlonassSnr(int prn) const { return GetSnr(ESatSystem::Glonass, prn); }
    int GetGlonassElevation(int prn) const { return GetElevation(ESatSystem::Glonass, prn); }
    int GetGlonassAzimuth(int prn) const { return GetAzimuth(ESatSystem::Glonass, prn); }

private:
    bool ParseRmc(const CNmeaSentence& s, bool hasChecksum);
    void ParseGga(const CNmeaSentence& s, bool hasChecksum);
    void ParseGsa(const CNmeaSentence& s);
    void ParseGsv(const CNmeaSentence& s);
    bool TalkerLeads(std::string_view talker);
    bool TakePosition(const CNmeaSentence& s, int firstField);
    const CSatTable* Table(ESatSystem system, int prn) const;

    Clock m_clock;
    int m_fixMode = 0;
    bool m_positionValid = false;
    bool m_timeValid = false;
    bool m_timeTaken = false; // a fix time was taken since the reset
    std::int64_t m_time = 0;
    int m_milliseconds = 0;
    CGrad m_latitude;
    CGrad m_longitude;
    double m_speed = 0;
    double m_course = 0;
    std::optional<double> m_magVariation;
    std::optional<bool> m_magVariationEast;
    double m_hdop = -1.0;
    double m_altitude = 0;
    int m_satsUsed = 0;
    std::array<CSatTable, SAT_SYSTEM_COUNT> m_systems{};
    bool m_primaryTalkerSeen = false;     // an RMC or GGA of talker GN or GP
    std::optional<std::int64_t> m_rmcDay; // date of the last accepted RMC
    int m_rmcSecondOfDay = 0;
};

} // namespace kestrelon
