// Texts and satellite slots of the GPS bar from the parser's state.
#include "gps/GpsPanelModel.h"

#include "gps/CivilTime.h"

#include <cmath>
#include <cstdio>

namespace kestrelon {

namespace {

constexpr double KM_PER_NAUTICAL_MILE = 1.852;

std::string ModeLetter(int fixMode)
{
    switch (fixMode) {
    case 1:
        return "A";
    case 2:
        return "D";
    case 3:
        return "V";
    case 4:
        return "E";
    default:
        return " ";
    }
}

std::string AngleText(const CGrad& angle, char positive, char negative)
{
    return angle.Format() + ' ' + (angle.Value() < 0 ? negative : positive);
}

} // namespace

CSatPanel CGpsPanelModel::Panel(ESatSystem system, const char* caption) const
{
    CSatPanel panel;
    panel.system = system;
    panel.caption = caption;
    const CSatTable& table = m_nmea.Satellites(system);
    int slot = 0;
    for (int prn = 0; prn < CSatTable::PRN_COUNT && slot < CSatPanel::SLOTS; ++prn) {
        if (table.snr[prn] == 0)
            continue;
        CSatSlot& s = panel.satSlots[slot++];
        s.used = m_nmea.IsUsed(system, prn);
        s.prn = static_cast<std::uint8_t>(prn);
        s.elevation = table.elevation[prn];
        s.azimuth = table.azimuth[prn];
        s.snr = table.snr[prn];
    }
    return panel;
}

CGpsDisplay CGpsPanelModel::Display() const
{
    CGpsDisplay d;
    char text[64];
    d.longitude = AngleText(m_nmea.Longitude(), 'E', 'W');
    d.latitude = AngleText(m_nmea.Latitude(), 'N', 'S');
    std::snprintf(text, sizeof text, "%.1f m", m_nmea.Hdop() < 0 ? 0.0 : m_nmea.Hdop());
    d.precision = text;
    std::snprintf(text, sizeof text, "%3.f km/h", m_nmea.Speed() * KM_PER_NAUTICAL_MILE);
    d.speed = text;
    // The fix time is UTC; it is shown as the receiver sent it.
    const CCivilTime t = FromUnixSeconds(m_nmea.Time());
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    d.time = text;
    d.course = static_cast<int>(std::fmod(m_nmea.Course(), 360.0));
    const int mode = m_nmea.FixMode();
    d.lampGreen = mode == 1 || mode == 2 || mode == 4;
    d.modeLetter = ModeLetter(mode);
    d.panels.push_back(Panel(ESatSystem::Gps, "GPS"));
    d.panels.push_back(Panel(ESatSystem::Glonass, "GLONASS"));
    if (m_nmea.Satellites(ESatSystem::Galileo).sentSatellites)
        d.panels.push_back(Panel(ESatSystem::Galileo, "Galileo"));
    if (m_nmea.Satellites(ESatSystem::Beidou).sentSatellites)
        d.panels.push_back(Panel(ESatSystem::Beidou, "BeiDou"));
    return d;
}

} // namespace kestrelon
