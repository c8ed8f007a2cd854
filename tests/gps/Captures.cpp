// Capture files and the one-line summary of a parser state.
#include "gps/Captures.h"

#include "gps/CivilTime.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace kestrelon::test {

std::string CapturePath(const std::string& name)
{
    const char* source = std::getenv("KESTRELON_SOURCE_DIR");
    const std::filesystem::path root = source ? source : KGPS_TEST_SOURCE_DIR;
    return (root / ".." / "shared" / "testdata" / "nmea" / name).string();
}

std::string CaptureBytes(const std::string& name)
{
    return ReadFileBytes(CapturePath(name));
}

std::string CaptureLine(const std::string& name, int n)
{
    std::istringstream in(CaptureBytes(name));
    std::string line;
    for (int i = 0; i < n; ++i)
        if (!std::getline(in, line))
            throw std::runtime_error(name + " has no line " + std::to_string(n));
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    return line;
}

std::vector<std::string> CaptureNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(CapturePath(""))))
        if (entry.path().extension() == ".nmea")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Summary(const CNMEA& n)
{
    char text[256];
    std::string time = "-";
    if (n.TimeTaken()) {
        const CCivilTime t = FromUnixSeconds(n.Time());
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second, n.Milliseconds());
        time = text;
    }
    std::snprintf(text, sizeof text, "mode=%d pos=%d tv=%d %s lat=%d lon=%d spd=%g crs=%g hdop=%g alt=%g used=%d",
                  n.FixMode(), n.PositionValid(), n.TimeValid(), time.c_str(), n.Latitude().Value(),
                  n.Longitude().Value(), n.Speed(), n.Course(), n.Hdop(), n.Altitude(), n.SatsUsed());
    return text;
}

std::string Nmea(const std::string& body)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + body + tail;
}

std::string SatSummary(const CNMEA& n, ESatSystem system)
{
    const CSatTable& t = n.Satellites(system);
    std::string s = "view=" + std::to_string(t.inView) + " used=";
    bool first = true;
    for (const auto prn : t.used) {
        if (prn == 0)
            continue;
        s += (first ? "" : ",") + std::to_string(prn);
        first = false;
    }
    s += " sats=";
    for (int prn = 0; prn < CSatTable::PRN_COUNT; ++prn)
        if (t.snr[prn] != 0)
            s += std::to_string(prn) + ":" + std::to_string(t.elevation[prn]) + "/" + std::to_string(t.azimuth[prn]) +
                 "/" + std::to_string(t.snr[prn]) + " ";
    return s;
}

} // namespace kestrelon::test
