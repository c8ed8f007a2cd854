// Frame with persistent layout: where a saved window goes, and what is (not)
// written or read back. The restart itself is tested on the main window.
#include "ui/widgets/FrameWndEx.h"

#include "support/TempDir.h"

#include <QSettings>
#include <gtest/gtest.h>

#include <tuple>

namespace kestrelon {
namespace {

// One 1920 x 1080 screen whose work area starts below a 30-pixel panel.
TEST(PlaceSavedWindow, LandsOnTheScreen)
{
    const QRect workArea(0, 30, 1920, 1050);
    const QRect screen(0, 0, 1920, 1080);
    const std::tuple<const char*, CFramePlacement, QRect> rows[] = {
        {"OnScreen", {1, 100, 200, 700, 1000}, {200, 130, 800, 600}},
        {"FarRight", {1, 100, 5000, 700, 5800}, {1888, 130, 800, 600}},
        {"FarDown", {1, 4000, 10, 4600, 810}, {10, 1048, 800, 600}},
        {"FarLeft", {1, 100, -3000, 700, -2200}, {-768, 130, 800, 600}},
        {"AboveTheTop", {1, -500, 10, 100, 810}, {10, 0, 800, 600}},
        {"WiderThanTheScreen", {1, 100, 300, 700, 2600}, {96, 130, 1728, 600}},
        {"TallerThanTheWorkArea", {1, 20, 10, 1120, 810}, {10, 82, 800, 945}},
    };
    for (const auto& [name, saved, expected] : rows)
        EXPECT_EQ(PlaceSavedWindow(saved, workArea, screen, {32, 32}), expected) << name;
}

class FramePersistenceTest : public ::testing::Test {
protected:
    std::unique_ptr<QSettings> Settings() const
    {
        return std::make_unique<QSettings>(QString::fromStdString(dir.File("profile.ini")), QSettings::IniFormat);
    }
    test::TempDir dir;
};

TEST_F(FramePersistenceTest, ClosingDuringPrintPreviewWritesNothing)
{
    auto settings = Settings();
    CFrameWndEx frame;
    frame.SetProfile(settings.get());
    frame.SetInPrintPreview(true);
    frame.show();
    frame.close();
    settings->sync();
    EXPECT_TRUE(settings->allKeys().isEmpty());
}

TEST_F(FramePersistenceTest, IncompletePlacementCountsAsFirstRun)
{
    auto settings = Settings();
    settings->setValue("Frame/Status", 1);
    settings->setValue("Frame/Top", 10);
    settings->setValue("Frame/Left", 10);
    settings->setValue("Frame/Bottom", "garbage");
    settings->setValue("Frame/Right", 300);
    CFrameWndEx frame;
    frame.SetProfile(settings.get());
    EXPECT_FALSE(frame.ReadPlacement().IsComplete());
    EXPECT_EQ(frame.RestorePlacement(), -1);
    EXPECT_FALSE(frame.RestoreBarState());
}

} // namespace
} // namespace kestrelon
