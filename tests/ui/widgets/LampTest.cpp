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

// The blink and alternation machine from a start state, stepped tick by tick.
TEST(LampTest, BlinkAndAlternationStepTickByTick)
{
    struct Row {
        const char* name;
        int start;
        int shown;    // right after `act`
        int interval; // of the timer then, in ms
        std::vector<int> ticks;
        bool blinkingAfter;
        void (*act)(CLamp&);
    };
    // clang-format off
    const Row rows[] = {
        // Rate 9 runs at rate 5; the current state is shown first and comes back.
        {"RateNineTwoCycles", 4, 4, 100, {5, 4, 5, 4, 4}, false, [](CLamp& l) { l.Blink(9, 2); }},
        // From a dim state the bright form is the "on" one.
        {"FromDimOneCycle", 7, 7, 250, {7, 7}, false, [](CLamp& l) { l.Blink(2, 1); }},
        {"FromDimWithoutEnd", 7, 7, 250, {7, 6, 7, 6, 7, 6}, true, [](CLamp& l) { l.Blink(2, 0); }},
        {"AlternateShowsFirstAtOnce", 5, 2, 250, {3, 2, 3, 2, 3, 2, 3, 5}, false, [](CLamp& l) { l.Alternate(2, 3, 2, 4); }},
        // A blink ends a running alternation first, bringing its state back.
        {"BlinkDuringAlternation", 4, 4, 500, {5, 4, 5}, true, [](CLamp& l) { l.Alternate(2, 3, 2, 0), l.Tick(), l.Blink(1, 0); }},
        {"RateZeroOnlyStops", 8, 8, 0, {8}, false, [](CLamp& l) { l.Alternate(2, 3, 5, 0), l.Blink(0, 0); }},
    };
    // clang-format on
    for (const Row& row : rows) {
        CLamp lamp;
        lamp.SetLampState(row.start);
        row.act(lamp);
        EXPECT_EQ(lamp.State(), row.shown) << row.name;
        EXPECT_EQ(lamp.TimerInterval(), row.interval) << row.name;
        EXPECT_EQ(TickStates(lamp, static_cast<int>(row.ticks.size())), row.ticks) << row.name;
        EXPECT_EQ(lamp.IsBlinking(), row.blinkingAfter) << row.name;
        EXPECT_EQ(lamp.TimerInterval() != 0, row.blinkingAfter) << row.name;
    }
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
