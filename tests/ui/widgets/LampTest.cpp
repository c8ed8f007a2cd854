// Indicator lamp: colours, bright/dim forms, the blink and alternation state
// machine stepped tick by tick, repaints and the drawing.
#include "ui/widgets/Lamp.h"
#include "support/EventWait.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace kestrelon {
namespace {

// Counts the paints the lamp really gets.
class CCountingLamp : public CLamp {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        CLamp::paintEvent(event);
    }
};

std::vector<int> TickStates(CLamp& lamp, int ticks)
{
    std::vector<int> states;
    for (int i = 0; i < ticks; ++i) {
        lamp.Tick();
        states.push_back(lamp.State());
    }
    return states;
}

struct FormCase {
    int state;
    int brightened;
    int dimmed;
};

TEST(LampTest, BrightenAndDimMoveBetweenTheFormsOfOneColour)
{
    const std::vector<FormCase> cases{{0, 0, 0}, {1, 1, 1}, {2, 2, 3}, {3, 2, 3}, {4, 4, 5},
                                      {5, 4, 5}, {6, 6, 7}, {7, 6, 7}, {8, 8, 9}, {9, 8, 9}};
    for (const FormCase& c : cases) {
        CLamp bright;
        bright.SetLampState(c.state);
        bright.Brighten();
        CLamp dim;
        dim.SetLampState(c.state);
        dim.Dim();
        EXPECT_EQ(bright.State(), c.brightened) << "state " << c.state;
        EXPECT_EQ(dim.State(), c.dimmed) << "state " << c.state;
    }
}

TEST(LampTest, BlinkRateNineRunsAtRateFiveForTwoCyclesThenRestores)
{
    CLamp lamp;
    lamp.Blink(9, 2);
    EXPECT_EQ(lamp.TimerInterval(), 100);
    EXPECT_EQ(lamp.State(), 4); // blinking leaves the current state shown first
    EXPECT_EQ(TickStates(lamp, 5), (std::vector<int>{5, 4, 5, 4, 4}));
    EXPECT_FALSE(lamp.IsBlinking());
    EXPECT_EQ(lamp.TimerInterval(), 0);
}

TEST(LampTest, BlinkFromDimStateUsesBrightFormOnAndReturnsToDim)
{
    CLamp lamp;
    lamp.SetLampState(7);
    lamp.Blink(2, 1);
    EXPECT_EQ(lamp.TimerInterval(), 250);
    EXPECT_EQ(TickStates(lamp, 2), (std::vector<int>{7, 7}));
    EXPECT_FALSE(lamp.IsBlinking());
    lamp.Blink(2, 0); // without end
    EXPECT_EQ(TickStates(lamp, 6), (std::vector<int>{7, 6, 7, 6, 7, 6}));
    EXPECT_TRUE(lamp.IsBlinking());
}

TEST(LampTest, AlternateShowsFirstAtOnceAndReturnsAfterItsCycles)
{
    CLamp lamp;
    lamp.SetLampState(5);
    lamp.Alternate(2, 3, 2, 4);
    EXPECT_EQ(lamp.State(), 2);
    EXPECT_EQ(lamp.TimerInterval(), 250);
    EXPECT_EQ(TickStates(lamp, 8), (std::vector<int>{3, 2, 3, 2, 3, 2, 3, 5}));
    EXPECT_FALSE(lamp.IsBlinking());
}

TEST(LampTest, BlinkDuringAlternationEndsItFirst)
{
    CLamp lamp;
    lamp.SetLampState(4);
    lamp.Alternate(2, 3, 2, 0);
    lamp.Tick(); // showing 3
    lamp.Blink(1, 0);
    EXPECT_EQ(lamp.State(), 4); // the state from before the alternation is back
    EXPECT_EQ(lamp.TimerInterval(), 500);
    EXPECT_EQ(TickStates(lamp, 3), (std::vector<int>{5, 4, 5}));
}

TEST(LampTest, BlinkRateZeroOnlyStops)
{
    CLamp lamp;
    lamp.SetLampState(8);
    lamp.Alternate(2, 3, 5, 0);
    lamp.Blink(0, 0);
    EXPECT_EQ(lamp.State(), 8);
    EXPECT_FALSE(lamp.IsBlinking());
    lamp.Tick();
    EXPECT_EQ(lamp.State(), 8);
}

TEST(LampTest, SettingTheSameStateDoesNotRepaint)
{
    CCountingLamp lamp;
    lamp.resize(16, 16);
    lamp.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lamp));
    ASSERT_TRUE(test::WaitFor([&] { return lamp.paints > 0; }));
    QTest::qWait(20);
    lamp.paints = 0;
    lamp.SetLampState(4);
    QTest::qWait(30);
    EXPECT_EQ(lamp.paints, 0);
    lamp.SetLampState(2);
    ASSERT_TRUE(test::WaitFor([&] { return lamp.paints == 1; }));
}

TEST(LampTest, DrawsCentredLampWithHighlightAndShadowPixels)
{
    CLamp lamp;
    lamp.resize(16, 20);
    lamp.SetLampState(2);
    const QImage image = lamp.grab().toImage();
    const QPoint origin((16 - 11) / 2, (20 - 11) / 2);
    EXPECT_EQ(image.pixel(origin + QPoint(5, 6)), qRgb(255, 0, 0)); // inside
    EXPECT_EQ(image.pixel(origin + QPoint(3, 5)), lamp.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(image.pixel(origin + QPoint(10, 5)), lamp.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(image.pixel(origin + QPoint(1, 5)), lamp.palette().color(QPalette::Shadow).rgb());
    EXPECT_EQ(image.pixel(origin + QPoint(5, 0)), lamp.palette().color(QPalette::Dark).rgb()); // outer rim
    EXPECT_NE(image.pixel(origin + QPoint(0, 0)), qRgb(255, 0, 0)); // corner outside the circle
}

} // namespace
} // namespace kestrelon
