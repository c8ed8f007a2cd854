// The NMEA parser: tables of sentences with the whole resulting fix, then the
// receiver captures that show each rule real receivers need.
#include "gps/Captures.h"

#include "gps/NMEA.h"
#include "gps/NmeaLineAssembler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrelon::test {
namespace {

const char* const RESET = "mode=0 pos=0 tv=0 - lat=0 lon=0 spd=0 crs=0 hdop=-1 alt=0 used=0";
const std::string RMC = "GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E";
const char* const RMC_FIX =
    "mode=1 pos=1 tv=1 1994-11-19T22:54:46.000 lat=177387000 lon=-443467200 spd=0.5 crs=54.7 hdop=-1 alt=0 used=0";

struct FixCase {
    const char* title;
    std::vector<std::string> lines;
    bool lastResult;
    std::string summary;
};

std::vector<FixCase> FixCases()
{
    std::string wrongSum = Nmea(RMC);
    wrongSum.back() = wrongSum.back() == '0' ? '1' : '0';
    const std::string noDate = "mode=1 pos=1 tv=0 - lat=177387000 lon=-443467200 spd=1 crs=2 hdop=-1 alt=0 used=0";
    // clang-format off
    return {
        {"rmc fix", {Nmea(RMC)}, true, RMC_FIX},
        {"exact minutes", {Nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")},
         true, "mode=1 pos=1 tv=1 1994-03-23T12:35:19.000 lat=173222280 lon=41460000 spd=22.4 crs=84.4 hdop=-1 alt=0 used=0"},
        {"status V keeps position and time", {Nmea(RMC), Nmea("GPRMC,225447,V,4916.46,N,12311.13,W,001.0,010.0,191194,,")},
         true, "mode=3 pos=1 tv=0 1994-11-19T22:54:46.000 lat=177387000 lon=-443467200 spd=0.5 crs=54.7 hdop=-1 alt=0 used=0"},
        {"status E", {Nmea("GPRMC,225446,E,4916.45,N,12311.12,W,000.5,054.7,191194,,")},
         true, "mode=4 pos=0 tv=0 - lat=0 lon=0 spd=0 crs=0 hdop=-1 alt=0 used=0"},
        {"empty status", {Nmea("GPRMC,225446,,4916.45,N,12311.12,W,000.5,054.7,191194,,")}, true, RESET},
        {"unknown status", {Nmea(RMC), Nmea("GPRMC,225446,X,4916.45,N,12311.12,W,000.5,054.7,191194,,")},
         true, "mode=0 pos=1 tv=0 1994-11-19T22:54:46.000 lat=177387000 lon=-443467200 spd=0.5 crs=54.7 hdop=-1 alt=0 used=0"},
        {"date 010100", {Nmea("GPRMC,000000,A,0000.000,N,00000.000,E,0.0,0.0,010100,,")},
         true, "mode=1 pos=1 tv=1 2000-01-01T00:00:00.000 lat=0 lon=0 spd=0 crs=0 hdop=-1 alt=0 used=0"},
        {"year 99 is 1999", {Nmea("GPRMC,235959,A,0000.000,S,00000.000,W,0.0,0.0,311299,,")},
         true, "mode=1 pos=1 tv=1 1999-12-31T23:59:59.000 lat=0 lon=0 spd=0 crs=0 hdop=-1 alt=0 used=0"},
        {"day 32 keeps the position", {Nmea("GPRMC,120000,A,4916.45,N,12311.12,W,1.0,2.0,320199,,")}, true, noDate},
        {"month 13", {Nmea("GPRMC,120000,A,4916.45,N,12311.12,W,1.0,2.0,011399,,")}, true, noDate},
        {"hour 24", {Nmea("GPRMC,240000,A,4916.45,N,12311.12,W,1.0,2.0,010199,,")}, true, noDate},
        {"past 2038", {Nmea("GPRMC,101500,A,4916.45,N,12311.12,W,1.0,2.0,010539,,")},
         true, "mode=1 pos=1 tv=1 2039-05-01T10:15:00.000 lat=177387000 lon=-443467200 spd=1 crs=2 hdop=-1 alt=0 used=0"},
        {"latitude past 90 degrees", {Nmea("GPRMC,225446,A,9116.45,N,12311.12,W,000.5,054.7,191194,,")},
         true, "mode=1 pos=0 tv=1 1994-11-19T22:54:46.000 lat=0 lon=0 spd=0.5 crs=54.7 hdop=-1 alt=0 used=0"},
        {"hemisphere missing", {Nmea(RMC), Nmea("GPRMC,225447,A,4916.46,,12311.13,W,001.0,010.0,191194,,")},
         true, "mode=1 pos=1 tv=1 1994-11-19T22:54:47.000 lat=177387000 lon=-443467200 spd=1 crs=10 hdop=-1 alt=0 used=0"},
        {"no checksum, all fields", {"$" + RMC}, true, RMC_FIX},
        {"no checksum, cut off", {"$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194"}, false, RESET},
        {"wrong checksum", {wrongSum}, false, RESET},
        {"no dollar", {RMC}, false, RESET},
        {"too short", {"$GPRMC,1*0"}, false, RESET},
        {"proprietary", {Nmea("PGRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E")}, false, RESET},
        {"gga takes the rmc date", {Nmea(RMC), Nmea("GPGGA,225447.25,4916.46,N,12311.13,W,1,05,1.5,100.0,M,-1.0,M,,")},
         false, "mode=1 pos=1 tv=0 1994-11-19T22:54:47.250 lat=177387600 lon=-443467800 spd=0.5 crs=54.7 hdop=1.5 alt=100 used=5"},
        {"gga after midnight", {Nmea("GPRMC,235959.5,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E"),
                                Nmea("GPGGA,000000.5,4916.46,N,12311.13,W,1,05,1.5,100.0,M,,M,,")},
         false, "mode=1 pos=1 tv=0 1994-11-20T00:00:00.500 lat=177387600 lon=-443467800 spd=0.5 crs=54.7 hdop=1.5 alt=100 used=5"},
        {"gga without rmc takes today (UTC)", {Nmea("GPGGA,235959,4916.46,N,12311.13,W,1,05,1.5,100.0,M,,M,,")},
         false, "mode=1 pos=1 tv=0 2026-12-06T23:59:59.000 lat=177387600 lon=-443467800 spd=0 crs=0 hdop=1.5 alt=100 used=5"},
        {"gga quality 0 changes only the mode", {Nmea(RMC), Nmea("GPGGA,225447,4916.46,N,12311.13,W,0,05,1.5,100.0,M,,M,,")},
         false, "mode=0 pos=1 tv=0 1994-11-19T22:54:46.000 lat=177387000 lon=-443467200 spd=0.5 crs=54.7 hdop=-1 alt=0 used=0"},
        {"gga cut off without checksum", {"$GPGGA,225447,4916.46,N,12311.13,W,1,05,1.5"}, false, RESET},
    };
    // clang-format on
}

TEST(NMEA, FixTable)
{
    for (const FixCase& c : FixCases()) {
        CNMEA nmea(FixedClock());
        bool result = false;
        for (const std::string& line : c.lines)
            result = nmea.Parse(line);
        EXPECT_EQ(result, c.lastResult) << c.title;
        EXPECT_EQ(Summary(nmea), c.summary) << c.title;
    }
}

TEST(NMEA, GgaQualityGivesMode)
{
    const int modes[] = {0, 1, 2, 2, 2, 2, 4, 0, 0};
    for (int quality = 0; quality < 9; ++quality) {
        CNMEA nmea(FixedClock());
        nmea.Parse(Nmea("GPGGA,120000,4916.46,N,12311.13,W," + std::to_string(quality) + ",05,1.5,100.0,M,,M,,"));
        EXPECT_EQ(nmea.FixMode(), modes[quality]) << "quality " << quality;
    }
}

TEST(NMEA, FractionOfASecond)
{
    const std::pair<const char*, int> cases[] = {
        {"101500", 0}, {"101500.5", 500}, {"101500.05", 50}, {"101500.999", 999}, {"101500.123456", 123}};
    for (const auto& [time, ms] : cases) {
        CNMEA nmea(FixedClock());
        nmea.Parse(Nmea(std::string("GPRMC,") + time + ",A,4916.45,N,12311.12,W,1.0,2.0,010526,,"));
        EXPECT_EQ(nmea.Milliseconds(), ms) << time;
    }
}

struct SatCase {
    const char* title;
    std::vector<std::string> lines;
    std::vector<std::pair<ESatSystem, std::string>> heard; // systems not listed show nothing
};

TEST(NMEA, SatelliteTable)
{
    const std::string rmc = Nmea(RMC);
    using enum ESatSystem;
    // clang-format off
    const SatCase cases[] = {
        {"two blocks", {Nmea("GPGSV,1,1,02,05,06,110,19,10,24,284,34")}, {{Gps, "view=2 used= sats=5:6/110/19 10:24/284/34 "}}},
        {"prn range", {Nmea("GPGSV,1,1,03,127,10,20,30,128,40,50,60,00,01,02,03")}, {{Gps, "view=3 used= sats=0:1/2/3 127:10/20/30 "}}},
        {"a group repeats without rmc", {Nmea("GPGSV,1,1,01,05,06,110,19"), Nmea("GPGSV,1,1,01,10,24,284,34")},
         {{Gps, "view=1 used= sats=5:6/110/19 10:24/284/34 "}}},
        {"unknown gsa talker or system id", {Nmea("GPGSA,A,3,04,05,,,,,,,,,,,2.5,1.3,2.1"), Nmea("GIGSA,A,3,02,05,,,,,,,,,,,1.5,1.3,1.0,6"),
                                             Nmea("GNGSA,A,3,09,10,,,,,,,,,,,1.5,1.3,1.0,6"), Nmea("GNGSA,A,3,11,12,,,,,,,,,,,1.5,1.3,1.0,0")},
         {{Gps, "view=0 used=4,5 sats="}}},
        {"two signals keep the best snr", {Nmea("GPGSV,1,1,02,05,06,110,19,10,24,284,34,1"), Nmea("GPGSV,1,1,02,05,06,110,25,10,24,284,,6")},
         {{Gps, "view=2 used= sats=5:6/110/25 10:24/284/34 "}}},
        {"rmc starts an epoch", {Nmea("GPGSV,1,1,02,05,06,110,19,10,24,284,34,1"), rmc, Nmea("GPGSV,1,1,01,10,24,284,30,1")},
         {{Gps, "view=1 used= sats=10:24/284/30 "}}},
        {"systems by talker", {Nmea("GLGSV,1,1,01,65,10,20,30"), Nmea("GAGSV,1,1,01,11,12,13,14"), Nmea("BDGSV,1,1,02,07,1,2,3,08,4,5,6"),
                               Nmea("GNGSV,1,1,01,09,06,110,19")},
         {{Glonass, "view=1 used= sats=65:10/20/30 "}, {Galileo, "view=1 used= sats=11:12/13/14 "}, {Beidou, "view=2 used= sats=7:1/2/3 8:4/5/6 "}}},
        {"gsa by talker", {Nmea("GPGSA,A,3,04,05,,09,12,,,,24,,,,2.5,1.3,2.1"), Nmea("GLGSA,A,2,67,84,,,,,,,,,,,02.5,02.3,01.0")},
         {{Gps, "view=0 used=4,5,9,12,24 sats="}, {Glonass, "view=0 used=67,84 sats="}}},
        {"gn gsa by system id", {Nmea("GPGSA,A,3,04,05,,,,,,,,,,,2.5,1.3,2.1"), Nmea("GNGSA,A,3,04,11,,,,,,,,,,,1.5,1.3,1.0,3"),
                                 Nmea("GNGSA,A,3,208,,,,,,,,,,,,1.5,1.3,1.0,4")},
         {{Gps, "view=0 used=4,5 sats="}, {Galileo, "view=0 used=4,11 sats="}, {Beidou, "view=0 used=208 sats="}}},
        {"gn gsa without id by prn range", {Nmea("GNGSA,A,3,03,19,66,88,40,,,,,,,,2.75,2.56,1.00"), Nmea("GNGSA,A,3,,,,,,,,,,,,,2.75,2.56,1.00")},
         {{Gps, "view=0 used=3,19 sats="}, {Glonass, "view=0 used=66,88 sats="}}},
        {"empty gsa empties its own list", {Nmea("GPGSA,A,3,04,05,,,,,,,,,,,2.5,1.3,2.1"), Nmea("GLGSA,A,2,67,84,,,,,,,,,,,02.5,02.3,01.0"),
                                            Nmea("GPGSA,A,1,,,,,,,,,,,,,,,")},
         {{Glonass, "view=0 used=67,84 sats="}}},
    };
    // clang-format on
    for (const SatCase& c : cases) {
        CNMEA nmea(FixedClock());
        for (const std::string& line : c.lines)
            nmea.Parse(line);
        for (const ESatSystem system : {Gps, Glonass, Galileo, Beidou}) {
            std::string expected = "view=0 used= sats=";
            for (const auto& [heard, summary] : c.heard)
                if (heard == system)
                    expected = summary;
            EXPECT_EQ(SatSummary(nmea, system), expected) << c.title;
        }
    }
}

TEST(NMEA, AccessorsRejectPrnsOutside1To127)
{
    CNMEA nmea(FixedClock());
    nmea.Parse(Nmea("GPGSV,1,1,02,01,06,110,19,127,24,284,34"));
    nmea.Parse(Nmea("GPGSA,A,3,01,,,,,,,,,,,,2.5,1.3,2.1"));
    EXPECT_EQ(nmea.GetGpsSnr(1), 19);
    EXPECT_EQ(nmea.GetGpsAzimuth(127), 284);
    EXPECT_EQ(nmea.GetGpsSnr(0), 0);
    EXPECT_EQ(nmea.GetGpsSnr(128), 0);
    EXPECT_EQ(nmea.GetGpsElevation(-1), 0);
    EXPECT_TRUE(nmea.IsGpsUsed(1));
    EXPECT_FALSE(nmea.IsGpsUsed(0)); // empty slots hold 0
    EXPECT_FALSE(nmea.IsGlonassUsed(1));
}

// Each rule below is shown with the capture line of the receiver that needs it.
CNMEA ParseLines(const std::string& capture, int first, int last)
{
    CNMEA nmea(FixedClock());
    for (int n = first; n <= last; ++n)
        nmea.Parse(CaptureLine(capture, n));
    return nmea;
}

TEST(NmeaCaptures, GgaTakesTheDateOfTheRmc)
{
    // u-blox ZED-F9P: RMC dated 120419, then GGA of the same second.
    const CNMEA nmea = ParseLines("gpsd-ublox-zed-f9p.nmea", 1, 3);
    EXPECT_EQ(Summary(nmea), "mode=1 pos=1 tv=0 2019-04-12T00:39:56.000 lat=-165159241 lon=613800400 spd=0.025 "
                             "crs=0 hdop=0.64 alt=14.2 used=12");
}

TEST(NmeaCaptures, TenHertzFractions)
{
    // Trimble RTK: "$GNRMC,132819.60,A,..." is .600, not .000.
    CNMEA nmea(FixedClock());
    EXPECT_TRUE(nmea.Parse(CaptureLine("gpsd-trimble-rtk.nmea", 2)));
    EXPECT_EQ(nmea.Milliseconds(), 600);
}

TEST(NmeaCaptures, RtkQualitiesAreFixes)
{
    // Trimble GGA quality 4 (RTK fixed) and SkyTraq quality 5 (RTK float).
    const CNMEA fixed = ParseLines("gpsd-trimble-rtk.nmea", 209, 209);
    EXPECT_EQ(fixed.FixMode(), 2);
    EXPECT_EQ(fixed.SatsUsed(), 19);
    EXPECT_DOUBLE_EQ(fixed.Altitude(), 280.827);
    const CNMEA floating = ParseLines("gpsd-skytraq-px1172rh.nmea", 1, 1);
    EXPECT_EQ(floating.FixMode(), 2);
    EXPECT_EQ(floating.SatsUsed(), 14);
    EXPECT_DOUBLE_EQ(floating.Hdop(), 0.8);
}

TEST(NmeaCaptures, EachSystemItsOwnUsedList)
{
    // ZED-F9P: four GNGSA with system ids 1 to 4 in one epoch.
    const CNMEA zed = ParseLines("gpsd-ublox-zed-f9p.nmea", 4, 7);
    EXPECT_EQ(SatSummary(zed, ESatSystem::Gps), "view=0 used=13,16,21,15,10,29,27,20 sats=");
    EXPECT_EQ(SatSummary(zed, ESatSystem::Glonass), "view=0 used=82,66,81 sats=");
    EXPECT_EQ(SatSummary(zed, ESatSystem::Galileo), "view=0 used=7,12,33 sats=");
    EXPECT_EQ(SatSummary(zed, ESatSystem::Beidou), "view=0 used=13,12,22,19,8,21 sats=");
    // Telit: the fifth GNGSA (QZSS, id 5) is empty and empties only its own list.
    const CNMEA telit = ParseLines("gpsd-telit-pls83-w.nmea", 8, 12);
    EXPECT_EQ(SatSummary(telit, ESatSystem::Gps), "view=0 used=2,8,10,23,27 sats=");
    EXPECT_EQ(SatSummary(telit, ESatSystem::Beidou), "view=0 used=208,211,213 sats=");
    // Quectel: "$PQGSA,A,3,12,..." is proprietary and leaves the GPS list alone.
    const CNMEA quectel = ParseLines("gpsd-quectel-eg25-g-2.nmea", 5, 10);
    EXPECT_EQ(SatSummary(quectel, ESatSystem::Gps), "view=0 used=8,10,16,18,27 sats=");
}

TEST(NmeaCaptures, SignalGroupsOfOneEpochMerge)
{
    // ZED-F9P: GPGSV for L1 (signal 1), then for L2 (signal 6) from message 1 again.
    const CNMEA nmea = ParseLines("gpsd-ublox-zed-f9p.nmea", 1, 13);
    EXPECT_EQ(SatSummary(nmea, ESatSystem::Gps),
              "view=12 used=13,16,21,15,10,29,27,20 sats=5:6/110/19 10:24/284/34 13:37/124/29 15:63/83/11 "
              "16:11/248/10 20:52/273/34 21:79/231/30 27:15/218/31 29:24/4/13 ");
}

TEST(NmeaCaptures, GnAndGpTalkersLead)
{
    // SiRFstarV: $GPGGA (8 used) then $GLGGA (2 used) of the same epoch.
    EXPECT_EQ(ParseLines("gpsd-sirfstarv.nmea", 1, 2).SatsUsed(), 8);
    // CH-4711: $GLGGA and $GLRMC between GN epochs are left alone...
    CNMEA ch = ParseLines("gpsd-ch-4711.nmea", 1, 21);
    ch.Parse(CaptureLine("gpsd-ch-4711.nmea", 22));
    EXPECT_EQ(ch.SatsUsed(), 6);
    EXPECT_FALSE(ch.Parse(CaptureLine("gpsd-ch-4711.nmea", 23)));
    // ...but a receiver that speaks only GL is heard.
    CNMEA glonassOnly(FixedClock());
    EXPECT_TRUE(glonassOnly.Parse(CaptureLine("gpsd-ch-4711.nmea", 23)));
    EXPECT_EQ(glonassOnly.FixMode(), 1);
}

TEST(NmeaCaptures, CutOffLineKeepsThePosition)
{
    // GPS-320FW cold boot: "$GPRMC,000346.03,A,4808" then NUL bytes and blanks.
    const std::string capture = "gpsd-gp-320fw-coldboot.nmea";
    CNMEA nmea = ParseLines(capture, 1, 15);
    const std::string raw = CaptureLine(capture, 16);
    ASSERT_NE(raw.find('\0'), std::string::npos);
    CNmeaLineAssembler lines;
    bool complete = false;
    for (const char c : raw + "\r")
        complete = lines.Push(static_cast<std::uint8_t>(c));
    ASSERT_TRUE(complete);
    EXPECT_FALSE(nmea.Parse(lines.Line()));
    EXPECT_EQ(nmea.Latitude().Value(), 173339958); // 48 deg 08.9993' N
    EXPECT_EQ(nmea.Longitude().Value(), 41704788); // 11 deg 35.0798' E
}

} // namespace
} // namespace kestrelon::test
