// The GPS panel widgets fed a real capture byte by byte: mode letter, fix lamp,
// satellite slots and the Galileo and BeiDou views appearing once heard.
#include "gps/Captures.h"

#include "ui/gps/GpsStatusBar.h"
#include "ui/gps/SatStrength.h"
#include "ui/gps/SkyView.h"

#include <gtest/gtest.h>

namespace kestrelon::test {
namespace {

TEST(GpsStatusBar, ShowsTheZedF9pCapture)
{
    CGpsStatusBar bar;
    // Up to the end of the last RMC, which redraws with everything parsed so far.
    const std::string bytes = CaptureBytes("gpsd-ublox-zed-f9p.nmea");
    for (const char c : bytes.substr(0, bytes.find('\n', bytes.rfind("$GNRMC")) + 1))
        bar.OnReceivedChar(static_cast<std::uint8_t>(c));
    EXPECT_TRUE(bar.IsSystemShown(ESatSystem::Galileo));
    EXPECT_TRUE(bar.IsSystemShown(ESatSystem::Beidou));
    // The slots are what the model lists, in both controls of a system.
    const CSatPanel gps = bar.Model().Panel(ESatSystem::Gps, "GPS");
    for (int slot = 0; slot < CSatPanel::SLOTS; ++slot) {
        const CSatSlot& s = gps.satSlots[slot];
        EXPECT_EQ(bar.SkyView(ESatSystem::Gps)->Slot(slot), (CSatSlot{s.used, s.prn, s.elevation, s.azimuth, 0}));
        EXPECT_EQ(bar.Strength(ESatSystem::Gps)->Slot(slot), (CSatSlot{s.used, s.prn, 0, 0, s.snr}));
    }
    EXPECT_NE(gps.satSlots[0].prn, 0);
}

TEST(GpsStatusBar, ControlsIgnoreSlotsOutsideTwelve)
{
    CSkyView sky;
    CSatStrength chart;
    sky.SetSatellite(12, true, 5, 10, 20);
    sky.SetSatellite(-1, true, 5, 10, 20);
    chart.SetSatellite(12, true, 5, 40);
    for (int slot = 0; slot < CSatPanel::SLOTS; ++slot) {
        EXPECT_EQ(sky.Slot(slot), CSatSlot{});
        EXPECT_EQ(chart.Slot(slot), CSatSlot{});
    }
}

} // namespace
} // namespace kestrelon::test
