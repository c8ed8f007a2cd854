// Indicator lamp: state colours, blink and alternation state machine, drawing.
#include "ui/widgets/Lamp.h"

#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <array>

namespace kestrelon {

namespace {

struct PixelOffset {
    int x;
    int y;
};

// Single pixels that give the lamp its rounded, lit look: light along the lower
// right rim and the spot of the reflection, dark along the upper left rim.
constexpr std::array<PixelOffset, 17> kHighlightPixels{{{3, 5}, {4, 4}, {5, 4}, {9, 2}, {9, 3}, {10, 4},
                                                        {10, 5}, {10, 6}, {9, 7}, {9, 8}, {8, 9}, {7, 9},
                                                        {6, 10}, {5, 10}, {4, 10}, {3, 9}, {2, 9}}};
constexpr std::array<PixelOffset, 12> kShadowPixels{
    {{2, 7}, {1, 6}, {1, 5}, {1, 4}, {2, 3}, {2, 2}, {3, 2}, {4, 1}, {5, 1}, {6, 1}, {7, 2}, {8, 2}}};

} // namespace

CLamp::CLamp(QWidget* parent) : QWidget(parent), m_colour(StateColour(4))
{
    connect(&m_blinkTimer, &QTimer::timeout, this, &CLamp::Tick);
    connect(&m_alternateTimer, &QTimer::timeout, this, &CLamp::Tick);
}

QColor CLamp::StateColour(int state)
{
    switch (state) {
    case 0:
    case 1: return {128, 128, 128};
    case 2: return {255, 0, 0};
    case 3: return {128, 0, 0};
    case 5: return {0, 128, 0};
    case 6: return {255, 255, 0};
    case 7: return {128, 128, 0};
    case 8: return {0, 0, 255};
    case 9: return {0, 0, 128};
    default: return {0, 255, 0};
    }
}

int CLamp::BrightForm(int state)
{
    return (state == 3 || state == 5 || state == 7 || state == 9) ? state - 1 : state;
}

int CLamp::DimForm(int state)
{
    return (state == 2 || state == 4 || state == 6 || state == 8) ? state + 1 : state;
}

void CLamp::SetLampState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    m_colour = StateColour(state);
    update();
}

void CLamp::Brighten() { SetLampState(BrightForm(m_state)); }

void CLamp::Dim() { SetLampState(DimForm(m_state)); }

void CLamp::Show(int state) { SetLampState(state); }

void CLamp::Stop()
{
    m_blinkTimer.stop();
    m_alternateTimer.stop();
    if (m_mode != Mode::Steady) {
        m_mode = Mode::Steady;
        Show(m_savedState);
    }
}

void CLamp::Start(Mode mode, QTimer& timer, int rate, int count)
{
    m_savedState = m_state;
    m_mode = mode;
    m_phaseOn = true;
    m_count = std::max(count, 0);
    timer.start(500 / std::min(rate, MAX_RATE));
}

void CLamp::Blink(int rate, int count)
{
    Stop();
    if (rate <= 0)
        return;
    Start(Mode::Blinking, m_blinkTimer, rate, count);
}

void CLamp::Alternate(int first, int second, int rate, int count)
{
    Stop();
    if (rate <= 0)
        return;
    Start(Mode::Alternating, m_alternateTimer, rate, count);
    m_first = first;
    m_second = second;
    Show(first);
}

int CLamp::TimerInterval() const
{
    if (m_blinkTimer.isActive())
        return m_blinkTimer.interval();
    if (m_alternateTimer.isActive())
        return m_alternateTimer.interval();
    return 0;
}

void CLamp::Tick()
{
    if (m_mode == Mode::Steady)
        return;
    m_phaseOn = !m_phaseOn;
    // A cycle is one "on" and one "off" period: it is complete when the phase
    // comes back to "on", and the last one ends on the saved state rather than
    // flashing the "on" form once more.
    if (m_phaseOn && m_count > 0 && --m_count == 0) {
        Stop();
        return;
    }
    if (m_mode == Mode::Blinking)
        Show(m_phaseOn ? BrightForm(m_savedState) : DimForm(m_savedState));
    else
        Show(m_phaseOn ? m_first : m_second);
}

void CLamp::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QPoint origin((width() - LAMP_SIZE) / 2, (height() - LAMP_SIZE) / 2);
    painter.setClipRect(rect());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(m_colour);
    // A rectangle of size n - 1 gives an outline covering n pixels with a 1-pixel pen.
    painter.setPen(QPen(palette().color(QPalette::Dark), 1));
    painter.drawEllipse(QRect(origin, QSize(LAMP_SIZE - 1, LAMP_SIZE - 1)));
    painter.setPen(QPen(palette().color(QPalette::Button), 1));
    painter.drawEllipse(QRect(origin + QPoint(1, 1), QSize(LAMP_SIZE - 3, LAMP_SIZE - 3)));
    painter.setPen(palette().color(QPalette::Light));
    for (const auto& p : kHighlightPixels)
        painter.drawPoint(origin + QPoint(p.x, p.y));
    painter.setPen(palette().color(QPalette::Shadow));
    for (const auto& p : kShadowPixels)
        painter.drawPoint(origin + QPoint(p.x, p.y));
}

} // namespace kestrelon
