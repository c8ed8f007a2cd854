// Smoothing of the course control.
#include "gps/CourseDial.h"

#include <cmath>

namespace kestrelon {

void CCourseDial::SetCourse(int degrees)
{
    m_target = ((degrees % 360) + 360) % 360;
}

bool CCourseDial::Tick()
{
    ++m_ticks;
    // The shortest signed way round: from 2 towards 358 the error is +4, so
    // the needle crosses north instead of sweeping back through south.
    const double error = std::remainder(m_shown - m_target, 360.0);
    m_errorSum += error;
    // Proportional to the shown direction and integral of the error: settles on
    // the target after an undershoot (90 to 45 within 0.01 degree in ~400 ticks).
    m_shown += -0.05 * m_shown - 0.0008 * m_errorSum;
    // Floor, not truncation: the short way across north takes the shown
    // direction below 0, where -1.5 is 358.5 degrees and paints as 358.
    const int whole = static_cast<int>(std::floor(m_shown + 0.05));
    if (whole == m_lastPainted)
        return false;
    // Remembers the value it compares with: remembering trunc(a) instead would
    // repaint on every tick while a rests just below a whole degree.
    m_lastPainted = whole;
    return true;
}

int CCourseDial::Painted() const
{
    return ((m_lastPainted % 360) + 360) % 360;
}

} // namespace kestrelon
