// `--nmea-json` over all recorded receivers: every line is an object, and the
// values checked by hand against the captures' sentences come out.
#include "gps/Captures.h"

#include "gps/NmeaJson.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kestrelon::test {
namespace {

std::vector<std::string> JsonLines(const std::string& capture, std::size_t piece = 1 << 20)
{
    const std::string bytes = CaptureBytes(capture);
    CNmeaJson json(FixedClock());
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        json.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, std::min(piece, bytes.size() - at), out);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(NmeaJson, EveryCaptureGivesOneObjectPerRmc)
{
    const std::vector<std::string> names = CaptureNames();
    ASSERT_EQ(names.size(), 19u);
    for (const std::string& name : names) {
        const std::vector<std::string> lines = JsonLines(name);
        EXPECT_FALSE(lines.empty()) << name;
        for (const std::string& line : lines) {
            EXPECT_EQ(line.rfind("{\"line\":", 0), 0u) << name;
            EXPECT_NE(line.find(",\"beidou\":{\"inView\":"), std::string::npos) << name;
            EXPECT_EQ(line.back(), '}') << name;
        }
    }
}

TEST(NmeaJson, OutputDoesNotDependOnHowTheFileArrives)
{
    EXPECT_EQ(JsonLines("gpsd-ublox-zed-f9p.nmea", 1), JsonLines("gpsd-ublox-zed-f9p.nmea"));
}

TEST(NmeaJson, RedrawCountsPerReceiver)
{
    const std::pair<const char*, std::size_t> cases[] = {
        {"gpsd-trimble-rtk.nmea", 122},   // 72 GPRMC and 50 GNRMC, both taken
        {"gpsd-telit-pls83-w.nmea", 10},  // GPRMC leads, GARMC left alone
        {"gpsd-humminbird-m37.nmea", 17}, // talker IN alone
        {"gpsd-magellan-ec10.nmea", 38},  // LF only, lower-case checksums
        {"gpsd-garmin25lp.nmea", 20},     // LF only
        {"pynmeagps-unicore.nmea", 1},    // $GNRMCH
    };
    for (const auto& [name, count] : cases)
        EXPECT_EQ(JsonLines(name).size(), count) << name;
}

TEST(NmeaJson, FirstFixOfTheZedF9p)
{
    // $GNRMC,003956.00,A,4552.65403,S,17030.00668,E,0.025,,120419,,,A,V*07
    // 45 deg 52.65403' S = -(45 * 60 + 52.65403) * 60000 = -165159241.8
    // 170 deg 30.00668' E = (170 * 60 + 30.00668) * 60000 = 613800400.8
    EXPECT_EQ(JsonLines("gpsd-ublox-zed-f9p.nmea").front(),
              "{\"line\":1,\"sentence\":\"$GNRMC,003956.00,A,4552.65403,S,17030.00668,E,0.025,,120419,,,A,V*07\","
              "\"fixMode\":1,\"positionValid\":1,\"timeValid\":1,\"time\":\"2019-04-12T00:39:56.000\","
              "\"lat\":-165159241,\"lon\":613800400,\"speed\":0.025,\"course\":0,\"hdop\":-1,\"altitude\":0,"
              "\"satsUsed\":0,\"magVariation\":0,\"magVariationEast\":null,"
              "\"gps\":{\"inView\":0,\"used\":[],\"sats\":[]},\"glonass\":{\"inView\":0,\"used\":[],\"sats\":[]},"
              "\"galileo\":{\"inView\":0,\"used\":[],\"sats\":[]},\"beidou\":{\"inView\":0,\"used\":[],\"sats\":[]}}");
}

TEST(NmeaJson, SpotValues)
{
    // Humminbird line 98: $INRMC,194119,A,4426.1219,N,07140.4965,W,5.1,85.4,160906,15.8,W*69
    const std::string last = JsonLines("gpsd-humminbird-m37.nmea").back();
    for (const char* part :
         {"\"line\":98,", "\"time\":\"2006-09-16T19:41:19.000\"", "\"lat\":159967314,", "\"lon\":-258029790,",
          "\"speed\":5.1,", "\"magVariation\":15.8,", "\"magVariationEast\":0,"})
        EXPECT_NE(last.find(part), std::string::npos) << part;
    // Telit (CR CR LF): the first RMC is on line 6; the GNGSA of BeiDou names 208, 211, 213.
    const std::vector<std::string> telit = JsonLines("gpsd-telit-pls83-w.nmea");
    EXPECT_NE(telit.front().find("{\"line\":6,\"sentence\":\"$GPRMC,043539.00,"), std::string::npos);
    EXPECT_NE(telit[1].find("\"beidou\":{\"inView\":"), std::string::npos);
    EXPECT_NE(telit[1].find("\"used\":[208,211,213]"), std::string::npos);
    // Start-up with everything empty: no time yet.
    const std::string startup = JsonLines("pynmeagps-nmeastartup.nmea").front();
    EXPECT_NE(startup.find("\"fixMode\":3,\"positionValid\":0,\"timeValid\":0,\"time\":null,"), std::string::npos);
}

TEST(NmeaJson, CommandLine)
{
    TempDir dir;
    std::string missing = dir.File("missing.nmea");
    std::vector<char*> argv = {const_cast<char*>("kestrelon"), const_cast<char*>("--nmea-json"), missing.data()};
    bool handled = false;
    EXPECT_EQ(RunNmeaJsonCommand(3, argv.data(), handled), 1);
    EXPECT_TRUE(handled);
    EXPECT_EQ(RunNmeaJsonCommand(2, argv.data(), handled), 2);
    // The output checked: a full disk is an error, not a success.
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(RunNmeaJson(CapturePath("gpsd-ublox-zed-f9p.nmea").c_str(), full), 1);
    std::fclose(full);
    argv[1] = const_cast<char*>("--print-config");
    EXPECT_EQ(RunNmeaJsonCommand(3, argv.data(), handled), 0);
    EXPECT_FALSE(handled);
}

} // namespace
} // namespace kestrelon::test
