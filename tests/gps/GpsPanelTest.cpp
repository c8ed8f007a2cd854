// The GPS bar's model: angle texts, field cutting, calendar, line assembly, the
// texts and satellite slots of the display, and the course control's swing.
#include "gps/Captures.h"

#include "gps/CivilTime.h"
#include "gps/CourseDial.h"
#include "gps/Fields.h"
#include "gps/GpsPanelModel.h"
#include "gps/Grad.h"
#include "gps/NmeaLineAssembler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace kestrelon::test {
namespace {

// "d\xB0mm'ss.sss\"" written without the degree sign's literal breaking the line.
std::string Angle(const std::string& degrees, const std::string& rest)
{
    return degrees + "\xB0" + rest;
}

TEST(Grad, FormatAndStore)
{
    const std::pair<std::int32_t, std::string> cases[] = {
        {0, Angle("0", "00'00.000\"")},         {180'000'000, Angle("50", "00'00.000\"")},
        {-1, Angle("0", "00'00.001\"")},        {3'599'999, Angle("0", "59'59.999\"")},
        {-648'000'000, Angle("180", "00'00.000\"")}, {INT32_MIN, Angle("596", "31'23.648\"")},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(CGrad(value).Format(), text) << value;
    std::uint8_t bytes[4]; // stored little-endian

    CGrad(-2).Store(bytes);
    EXPECT_EQ(std::vector<int>(bytes, bytes + 4), (std::vector<int>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(CGrad::Load(bytes).Value(), -2);
}

TEST(Fields, GetFieldAndCount)
{
    struct Case {
        const char* text;
        int index;
        const char* piece;
        int count;
    };
    const Case cases[] = {
        {"a,b,,d", 0, "a", 4}, {"a,b,,d", 2, "", 4}, {"a,b,,d", 3, "d", 4},
        {"a,b,,d", 4, "", 4},  {"", 0, "", 1},       {",", 1, "", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetField(c.text, ',', c.index), c.piece) << c.text << " " << c.index;
        EXPECT_EQ(CountFields(c.text, ','), c.count) << c.text;
    }
}

TEST(CivilTime, Conversions)
{
    const std::pair<std::int64_t, CCivilTime> cases[] = {
        {0, {1970, 1, 1, 0, 0, 0}},
        {-1, {1969, 12, 31, 23, 59, 59}},
        {951868799, {2000, 2, 29, 23, 59, 59}},
        {2147483648, {2038, 1, 19, 3, 14, 8}},
        {TEST_NOW, {2026, 12, 6, 12, 0, 0}},
    };
    for (const auto& [seconds, t] : cases) {
        EXPECT_EQ(ToUnixSeconds(t), seconds);
        const CCivilTime back = FromUnixSeconds(seconds);
        EXPECT_EQ(std::vector<int>({back.year, back.month, back.day, back.hour, back.minute, back.second}),
                  std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}))
            << seconds;
    }
    const int years[][3] = {{99, 2026, 1999}, {0, 2026, 2000}, {76, 2026, 2076}, {77, 2026, 1977}, {1, 2099, 2101}};
    for (const auto& y : years)
        EXPECT_EQ(NearestYear(y[0], y[1]), y[2]) << y[0] << " in " << y[1];
}

// Bytes in, the lines handed to the parser out.
TEST(NmeaLineAssembler, Lines)
{
    const std::string longLine(201, 'x');
    // clang-format off
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"$A\r\n$B\r\n", {"$A", "$B"}}, {"$A\n$B\n", {"$A", "$B"}}, {"$A\r\r\n\n$B\r", {"$A", "$B"}},
        {std::string("$A\0\x01\x80\xFF" "b\x7F\r", 9), {"$Ab\x7F"}},
        {longLine + "$B\r", {"$B"}}, {std::string(200, 'y') + "\r", {std::string(200, 'y')}}, {"$A", {}},
    };
    // clang-format on
    for (const auto& [bytes, expected] : cases) {
        CNmeaLineAssembler lines;
        std::vector<std::string> got;
        for (const char c : bytes)
            if (lines.Push(static_cast<std::uint8_t>(c)))
                got.emplace_back(lines.Line());
        EXPECT_EQ(got, expected) << bytes.size();
    }
}

CGpsPanelModel Fed(const std::vector<std::string>& lines, int* redraws = nullptr)
{
    CGpsPanelModel model(FixedClock());
    int count = 0;
    for (const std::string& line : lines)
        for (const char c : line + "\r\n")
            count += model.OnReceivedChar(static_cast<std::uint8_t>(c));
    if (redraws)
        *redraws = count;
    return model;
}

TEST(GpsPanelModel, Texts)
{
    const CGpsDisplay empty = Fed({}).Display();
    EXPECT_EQ(
        std::vector<std::string>({empty.modeLetter, empty.longitude, empty.latitude, empty.speed, empty.precision}),
        std::vector<std::string>({" ", Angle("0", "00'00.000\" E"), Angle("0", "00'00.000\" N"), "  0 km/h", "0.0 m"}));
    EXPECT_FALSE(empty.lampGreen);

    const CGpsDisplay fix = Fed({Nmea("GPGGA,225446,4916.45,N,12311.12,W,2,05,1.54,100.0,M,,M,,"),
                                 Nmea("GPRMC,225446,A,4916.45,S,12311.12,W,010.0,354.7,191194,020.3,E")})
                                .Display();
    EXPECT_EQ(
        std::vector<std::string>({fix.modeLetter, fix.time, fix.longitude, fix.latitude, fix.speed, fix.precision}),
        std::vector<std::string>({"A", "22:54:46", Angle("123", "11'07.200\" W"), Angle("49", "16'27.000\" S"),
                                  " 19 km/h", "1.5 m"}));
    EXPECT_EQ(fix.course, 354);
    EXPECT_TRUE(fix.lampGreen);
}

TEST(GpsPanelModel, ModeLettersAndLamp)
{
    const std::pair<std::string, std::pair<const char*, bool>> cases[] = {
        {"A", {"A", true}}, {"D", {"A", true}}, {"E", {"E", true}}, {"V", {"V", false}}, {"X", {" ", false}}};
    for (const auto& [status, expected] : cases) {
        const CGpsDisplay d = Fed({Nmea("GPRMC,225446," + status + ",4916.45,S,12311.12,W,0,0,191194,,")}).Display();
        EXPECT_EQ(d.modeLetter, expected.first) << status;
        EXPECT_EQ(d.lampGreen, expected.second) << status;
    }
}

TEST(GpsPanelModel, OnlyRmcRedraws)
{
    int redraws = 0;
    Fed({Nmea("GPGSV,1,1,01,05,06,110,19"), Nmea("GPGGA,225446,4916.45,N,12311.12,W,1,05,1.5,100.0,M,,M,,"),
         Nmea("GPGSA,A,3,05,,,,,,,,,,,,2.5,1.3,2.1"),
         Nmea("GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E")},
        &redraws);
    EXPECT_EQ(redraws, 1);
}

TEST(GpsPanelModel, TwelveLowestPrnsWithASignal)
{
    std::vector<std::string> lines;
    // Fourteen satellites with a signal and one without (PRN 2), four per message.
    const int prns[] = {30, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int m = 0; m < 4; ++m) {
        std::string body = "GPGSV,4," + std::to_string(m + 1) + ",15";
        for (int k = 4 * m; k < std::min(15, 4 * m + 4); ++k)
            body += "," + std::to_string(prns[k]) + ",45,90," + (prns[k] == 2 ? "" : std::to_string(prns[k] + 20));
        lines.push_back(Nmea(body));
    }
    lines.push_back(Nmea("GPGSA,A,3,03,30,,,,,,,,,,,2.5,1.3,2.1"));
    const CGpsDisplay d = Fed(lines).Display();
    ASSERT_EQ(d.panels.size(), 2u); // GPS and GLONASS only: no Galileo or BeiDou heard
    const CSatPanel& gps = d.panels[0];
    EXPECT_EQ(std::string(gps.caption), "GPS");
    std::vector<int> shown;
    for (const CSatSlot& s : gps.satSlots)
        shown.push_back(s.prn);
    EXPECT_EQ(shown, (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_EQ(gps.satSlots[0], (CSatSlot{true, 3, 45, 90, 23}));
    EXPECT_FALSE(gps.satSlots[1].used);
    EXPECT_EQ(d.panels[1].satSlots[0], CSatSlot{});
}

TEST(GpsPanelModel, GalileoAndBeidouPanelsOnceHeard)
{
    const CGpsDisplay d = Fed({Nmea("GAGSV,1,1,01,11,12,13,14"), Nmea("GBGSV,1,1,01,07,1,2,3"),
                               Nmea("GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E")})
                              .Display();
    ASSERT_EQ(d.panels.size(), 4u);
    EXPECT_EQ(std::string(d.panels[2].caption) + "," + d.panels[3].caption, "Galileo,BeiDou");
    EXPECT_EQ(d.panels[3].satSlots[0], (CSatSlot{false, 7, 1, 2, 3}));
}

TEST(CourseDial, SwingsFrom90To45AndSettles)
{
    CCourseDial dial;
    dial.SetCourse(45);
    double lowest = 90;
    int lastOutside = 0;
    for (int tick = 1; tick <= 1000; ++tick) {
        dial.Tick();
        lowest = std::min(lowest, dial.Shown());
        if (std::fabs(dial.Shown() - 45) >= 0.01)
            lastOutside = tick;
    }
    EXPECT_LT(lowest, 40.0); // the undershoot
    EXPECT_GT(lastOutside, 300);
    EXPECT_LE(lastOutside, 420);
    EXPECT_EQ(dial.Painted(), 45);
    EXPECT_FALSE(dial.Tick()); // at rest nothing repaints
}

// The needle takes the short way round, across north either way: it never
// strays further from its new course than it started plus the undershoot.
TEST(CourseDial, TakesTheShortWayRound)
{
    const std::pair<int, int> cases[] = {{2, 358}, {358, 2}, {350, 10}, {100, 280}};
    for (const auto& [from, to] : cases) {
        CCourseDial dial;
        const auto away = [&] { return static_cast<int>(std::abs(std::remainder(dial.Painted() - to, 360.0))); };
        int farthest = 0;
        for (int tick = 0; tick < 4000; ++tick) {
            dial.SetCourse(tick < 2000 ? from : to);
            farthest = tick < 2000 ? away() : std::max(farthest, away());
            dial.Tick();
        }
        EXPECT_LE(farthest, static_cast<int>(std::abs(std::remainder(from - to, 360.0))) + 10) << from << " -> " << to;
        EXPECT_EQ(dial.Painted(), to) << from << " -> " << to;
    }
}

TEST(CourseDial, TargetModulo360)
{
    const std::pair<int, int> cases[] = {{370, 10}, {-10, 350}, {359, 359}, {720, 0}};
    for (const auto& [given, target] : cases) {
        CCourseDial dial;
        dial.SetCourse(given);
        EXPECT_EQ(dial.Target(), target) << given;
    }
}

} // namespace
} // namespace kestrelon::test
