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
    double error = m_shown - m_target;
    if (std::fabs(error) > 180.0)
        error = std::fabs(error) - 360.0;
    m_errorSum += error;
    // Proportional to the shown direction and integral of the error: settles on
    // the target after an undershoot (90 to 45 within 0.01 degree in ~400 ticks).
    m_shown += -0.05 * m_shown - 0.0008 * m_errorSum;
    const int whole = static_cast<int>(std::trunc(m_shown + 0.05));
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
