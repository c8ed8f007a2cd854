// Sentence checks and the RMC, GGA, GSA and GSV decoders of the NMEA parser.
#include "gps/NMEA.h"

#include "gps/CivilTime.h"
#include "gps/NmeaSentence.h"

#include <algorithm>
#include <ctime>

namespace kestrelon {

namespace {

constexpr int SECONDS_PER_DAY = 86400;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int TwoDigits(std::string_view text, std::size_t at)
{
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

bool AllDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), IsDigit);
}

// A hex digit of the checksum: above 0x40 counts as its low four bits plus 9, so
// upper and lower case both work.
int HexValue(char c)
{
    return static_cast<unsigned char>(c) > 0x40 ? (c & 0x0F) + 9 : (c & 0x0F);
}

bool ChecksumMatches(std::string_view line)
{
    const std::size_t star = line.size() - 3;
    const int expected = HexValue(line[star + 1]) * 16 + HexValue(line[star + 2]);
    unsigned char sum = 0;
    for (std::size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    return sum == expected;
}

// "hhmmss" with an optional fraction of any length, truncated to milliseconds.
bool ReadClock(std::string_view field, int& secondOfDay, int& milliseconds)
{
    if (field.size() < 6 || !AllDigits(field.substr(0, 6)))
        return false;
    const int hour = TwoDigits(field, 0), minute = TwoDigits(field, 2), second = TwoDigits(field, 4);
    if (hour >= 24 || minute >= 60 || second >= 60)
        return false;
    secondOfDay = hour * 3600 + minute * 60 + second;
    milliseconds = 0;
    if (field.size() > 6 && field[6] == '.') {
        int scale = 100;
        for (std::size_t i = 7; i < field.size() && IsDigit(field[i]) && scale > 0; ++i, scale /= 10)
            milliseconds += (field[i] - '0') * scale;
    }
    return true;
}

// Degrees in the first `degreeDigits` characters, then minutes with a decimal
// fraction, as whole thousandths of an arc-second truncated towards zero. Read
// in integers so that 4807.038 gives exactly 173 222 280.
bool ReadAngle(std::string_view field, std::size_t degreeDigits, std::int64_t& value)
{
    if (field.size() <= degreeDigits || !AllDigits(field.substr(0, degreeDigits)))
        return false;
    std::int64_t degrees = 0;
    for (std::size_t i = 0; i < degreeDigits; ++i)
        degrees = degrees * 10 + (field[i] - '0');
    std::size_t i = degreeDigits;
    std::int64_t minutes = 0;
    const std::size_t minuteStart = i;
    for (; i < field.size() && IsDigit(field[i]) && i - minuteStart < 4; ++i)
        minutes = minutes * 10 + (field[i] - '0');
    if (i == minuteStart)
        return false;
    std::int64_t fraction = 0, scale = 1;
    if (i < field.size() && field[i] == '.') {
        for (++i; i < field.size() && IsDigit(field[i]) && scale < 1'000'000'000'000; ++i, scale *= 10)
            fraction = fraction * 10 + (field[i] - '0');
    }
    value = (degrees * 60 + minutes) * CGrad::PER_MINUTE + fraction * CGrad::PER_MINUTE / scale;
    return true;
}

std::optional<ESatSystem> SystemOfTalker(std::string_view talker)
{
    if (talker == "GP")
        return ESatSystem::Gps;
    if (talker == "GL")
        return ESatSystem::Glonass;
    if (talker == "GA")
        return ESatSystem::Galileo;
    if (talker == "GB" || talker == "BD")
        return ESatSystem::Beidou;
    if (talker == "GQ")
        return ESatSystem::Qzss;
    return std::nullopt;
}

// The NMEA 4.10 system id of a GSA sent under talker GN.
std::optional<ESatSystem> SystemOfId(std::int64_t id)
{
    switch (id) {
    case 1:
        return ESatSystem::Gps;
    case 2:
        return ESatSystem::Glonass;
    case 3:
        return ESatSystem::Galileo;
    case 4:
        return ESatSystem::Beidou;
    case 5:
        return ESatSystem::Qzss;
    default:
        return std::nullopt;
    }
}

} // namespace

std::int64_t CNMEA::SystemClock()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

CNMEA::CNMEA(Clock clock) : m_clock(std::move(clock))
{
    Reset();
}

void CNMEA::Reset()
{
    m_fixMode = 0;
    m_positionValid = false;
    m_timeValid = false;
    m_timeTaken = false;
    m_time = m_clock();
    m_milliseconds = 0;
    m_latitude = CGrad();
    m_longitude = CGrad();
    m_speed = 0;
    m_course = 0;
    m_magVariation.reset();
    m_magVariationEast.reset();
    m_hdop = -1.0;
    m_altitude = 0;
    m_satsUsed = 0;
    m_systems.fill(CSatTable{});
    m_primaryTalkerSeen = false;
    m_rmcDay.reset();
    m_rmcSecondOfDay = 0;
}

bool CNMEA::Parse(std::string_view line)
{
    m_timeValid = false;
    if (line.size() < MIN_LINE || line[0] != '$')
        return false;
    const bool hasChecksum = line[line.size() - 3] == '*';
    if (hasChecksum && !ChecksumMatches(line))
        return false;
    // Proprietary sentences ($P + maker) only borrow the standard type letters.
    if (line[1] == 'P')
        return false;
    const std::string_view type = line.substr(3, 3);
    const CNmeaSentence sentence(line);
    if (type == "RMC")
        return ParseRmc(sentence, hasChecksum);
    if (type == "GGA")
        ParseGga(sentence, hasChecksum);
    else if (type == "GSA")
        ParseGsa(sentence);
    else if (type == "GSV")
        ParseGsv(sentence);
    return false;
}

// GN and GP lead; another talker's fix counts only until one of them is heard,
// so that $GLGGA after $GPGGA does not overwrite the satellite count.
bool CNMEA::TalkerLeads(std::string_view talker)
{
    if (talker == "GN" || talker == "GP") {
        m_primaryTalkerSeen = true;
        return true;
    }
    return !m_primaryTalkerSeen;
}

// Latitude and longitude from fields first..first+3; a hemisphere other than
// N/S (E/W), as a cut-off line has, leaves the position as it was.
bool CNMEA::TakePosition(const CNmeaSentence& s, int first)
{
    const std::string_view ns = s.Field(first + 1), ew = s.Field(first + 3);
    if ((ns != "N" && ns != "S") || (ew != "E" && ew != "W"))
        return false;
    std::int64_t lat = 0, lon = 0;
    if (!ReadAngle(s.Field(first), 2, lat) || !ReadAngle(s.Field(first + 2), 3, lon))
        return false;
    if (lat > 90LL * CGrad::PER_DEGREE || lon > 180LL * CGrad::PER_DEGREE)
        return false;
    m_latitude.SetValue(static_cast<std::int32_t>(ns == "N" ? lat : -lat));
    m_longitude.SetValue(static_cast<std::int32_t>(ew == "E" ? lon : -lon));
    m_positionValid = true;
    return true;
}

// $GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68
bool CNMEA::ParseRmc(const CNmeaSentence& s, bool hasChecksum)
{
    if (!hasChecksum && s.Count() < RMC_FIELDS)
        return false;
    for (CSatTable& table : m_systems)
        table.clearPending = true; // the next GSV group begins a new epoch
    if (!TalkerLeads(s.Field(0).substr(1, 2)))
        return false;
    const std::string_view status = s.Field(2);
    if (status.empty())
        return true;
    switch (status[0]) {
    case 'A':
    case 'D':
        m_fixMode = 1;
        break;
    case 'E':
        m_fixMode = 4;
        return true;
    case 'V':
        m_fixMode = 3;
        return true;
    default:
        m_fixMode = 0;
        return true;
    }
    int secondOfDay = 0, milliseconds = 0;
    const std::string_view date = s.Field(9);
    if (ReadClock(s.Field(1), secondOfDay, milliseconds) && date.size() >= 6 && AllDigits(date.substr(0, 6))) {
        const int day = TwoDigits(date, 0), month = TwoDigits(date, 2);
        const int year = NearestYear(TwoDigits(date, 4), FromUnixSeconds(m_clock()).year);
        if (month >= 1 && month <= 12 && day >= 1 && day <= 31) {
            m_rmcDay = DaysFromCivil(year, month, day);
            m_rmcSecondOfDay = secondOfDay;
            m_time = *m_rmcDay * SECONDS_PER_DAY + secondOfDay;
            m_milliseconds = milliseconds;
            m_timeValid = true;
            m_timeTaken = true;
        }
    }
    TakePosition(s, 3);
    m_speed = s.Double(7);
    m_course = s.Double(8);
    m_magVariation = s.Double(10);
    if (!s.Field(11).empty())
        m_magVariationEast = s.Field(11)[0] == 'E';
    return true;
}

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
void CNMEA::ParseGga(const CNmeaSentence& s, bool hasChecksum)
{
    if (!hasChecksum && s.Count() < GGA_FIELDS)
        return;
    if (!TalkerLeads(s.Field(0).substr(1, 2)))
        return;
    switch (s.Int(6)) {
    case 1:
        m_fixMode = 1;
        break;
    case 2:
    case 3: // PPS
    case 4: // RTK fixed
    case 5: // RTK float
        m_fixMode = 2;
        break;
    case 6:
        m_fixMode = 4;
        break;
    default:
        m_fixMode = 0;
        return;
    }
    int secondOfDay = 0, milliseconds = 0;
    if (ReadClock(s.Field(1), secondOfDay, milliseconds)) {
        std::int64_t day = 0;
        if (m_rmcDay) {
            // The last RMC's date, moved by a day when midnight lies between.
            day = *m_rmcDay + (secondOfDay < m_rmcSecondOfDay - SECONDS_PER_DAY / 2) -
                  (secondOfDay > m_rmcSecondOfDay + SECONDS_PER_DAY / 2);
        } else {
            const std::int64_t now = m_clock();
            day = now / SECONDS_PER_DAY - (now % SECONDS_PER_DAY < 0);
        }
        m_time = day * SECONDS_PER_DAY + secondOfDay;
        m_milliseconds = milliseconds;
        m_timeTaken = true;
    }
    TakePosition(s, 2);
    m_satsUsed = static_cast<int>(s.Int(7) & 0xFF);
    m_hdop = s.Double(8);
    m_altitude = s.Double(9);
}

// $GNGSA,A,3,13,16,21,15,10,29,27,20,,,,,1.05,0.64,0.83,1*03
// One system per sentence: by talker, else (talker GN) by the NMEA 4.10 system
// id, else (GN of older receivers) by the PRN ranges 1-32 GPS and 65-96
// GLONASS. A talker or system id we do not know (NavIC's GI, id 6) names
// satellites of no list shown here: read by the PRN ranges, its PRNs would
// replace the GPS list.
void CNMEA::ParseGsa(const CNmeaSentence& s)
{
    std::array<std::uint8_t, CSatTable::USED_SLOTS> prns{};
    for (int i = 0; i < CSatTable::USED_SLOTS; ++i)
        prns[i] = static_cast<std::uint8_t>(s.Int(i + 3) & 0xFF);
    const std::string_view talker = s.Field(0).substr(1, 2);
    std::optional<ESatSystem> system = SystemOfTalker(talker);
    if (!system && talker != "GN")
        return;
    const bool hasSystemId = s.Count() > 18 && !s.Field(18).empty();
    if (!system && hasSystemId) {
        system = SystemOfId(s.Int(18));
        if (!system)
            return;
    }
    if (system) {
        m_systems[static_cast<int>(*system)].used = prns;
        return;
    }
    std::array<std::uint8_t, CSatTable::USED_SLOTS> gps{}, glonass{};
    bool anyGps = false, anyGlonass = false;
    for (int i = 0; i < CSatTable::USED_SLOTS; ++i) {
        if (prns[i] >= 1 && prns[i] <= 32) {
            gps[i] = prns[i];
            anyGps = true;
        } else if (prns[i] >= 65 && prns[i] <= 96) {
            glonass[i] = prns[i];
            anyGlonass = true;
        }
    }
    if (anyGps)
        m_systems[static_cast<int>(ESatSystem::Gps)].used = gps;
    if (anyGlonass)
        m_systems[static_cast<int>(ESatSystem::Glonass)].used = glonass;
}

// $GPGSV,3,1,12,05,06,110,19,10,24,284,34,13,37,124,29,15,63,083,11,1*60
// Since NMEA 4.10 a receiver sends one group per signal, each from message 1:
// the table is cleared at the first group after an RMC, and a satellite keeps
// its best SNR over the groups of an epoch.
void CNMEA::ParseGsv(const CNmeaSentence& s)
{
    const std::optional<ESatSystem> system = SystemOfTalker(s.Field(0).substr(1, 2));
    if (!system)
        return;
    CSatTable& table = m_systems[static_cast<int>(*system)];
    // Only the first group after an RMC starts a new epoch: a group that comes
    // round again before the next RMC (a second signal of a receiver that does
    // not number them) adds to the table instead of emptying it.
    if (s.Int(2) == 1 && table.clearPending)
        table.ClearSatellites();
    // Each signal's group counts its own satellites in view: keep the largest.
    table.inView = std::max(table.inView, static_cast<std::uint8_t>(std::clamp<std::int64_t>(s.Int(3), 0, 255)));
    for (int k = 0; k < 4 && s.Count() >= 7 + 4 * k; ++k) {
        const std::int64_t prn = s.Int(4 + 4 * k);
        if (s.Field(4 + 4 * k).empty() || prn < 0 || prn >= CSatTable::PRN_COUNT)
            continue;
        if (!s.Field(5 + 4 * k).empty())
            table.elevation[prn] = static_cast<std::int32_t>(s.Int(5 + 4 * k));
        if (!s.Field(6 + 4 * k).empty())
            table.azimuth[prn] = static_cast<std::int32_t>(s.Int(6 + 4 * k));
        const auto snr = static_cast<std::uint8_t>(std::clamp<std::int64_t>(s.Int(7 + 4 * k), 0, 255));
        table.snr[prn] = std::max(table.snr[prn], snr);
        table.sentSatellites = true;
    }
}

const CSatTable* CNMEA::Table(ESatSystem system, int prn) const
{
    if (prn < 1 || prn >= CSatTable::PRN_COUNT)
        return nullptr;
    return &m_systems[static_cast<int>(system)];
}

bool CNMEA::IsUsed(ESatSystem system, int prn) const
{
    // Any PRN the receiver names, also those without a table entry; 0 marks an
    // empty slot and is never used.
    if (prn < 1 || prn > 255)
        return false;
    const auto& used = m_systems[static_cast<int>(system)].used;
    return std::find(used.begin(), used.end(), static_cast<std::uint8_t>(prn)) != used.end();
}

int CNMEA::GetSnr(ESatSystem system, int prn) const
{
    const CSatTable* t = Table(system, prn);
    return t ? t->snr[prn] : 0;
}

int CNMEA::GetElevation(ESatSystem system, int prn) const
{
    const CSatTable* t = Table(system, prn);
    return t ? t->elevation[prn] : 0;
}

int CNMEA::GetAzimuth(ESatSystem system, int prn) const
{
    const CSatTable* t = Table(system, prn);
    return t ? t->azimuth[prn] : 0;
}

} // namespace kestrelon
