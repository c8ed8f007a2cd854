// The arithmetic of the course control: the shown direction follows the target
// course by a damped step every 30 ms tick, so the needle swings over instead of
// jumping. The widget only paints Painted().
#pragma once

namespace kestrelon {

class CCourseDial {
public:
    static constexpr int TICK_MS = 30;
    static constexpr double START_DIRECTION = 90.0;

    // The target becomes `degrees` modulo 360.
    void SetCourse(int degrees);
    // One timer tick; true when the whole-degree direction to paint changed.
    bool Tick();

    int Target() const { return m_target; }
    double Shown() const { return m_shown; }
    // The whole-degree direction last painted, 0..359.
    int Painted() const;
    long Ticks() const { return m_ticks; }

private:
    int m_target = 0;
    double m_shown = START_DIRECTION;
    int m_lastPainted = static_cast<int>(START_DIRECTION);
    double m_errorSum = 0.0;
    long m_ticks = 0;
};

} // namespace kestrelon
