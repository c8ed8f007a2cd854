// Painting of the course tape: ticks every 5 degrees, numbers every 30, the
// shown direction under the centre mark.
#include "ui/gps/CourseControl.h"

#include <QPainter>

namespace kestrelon {

namespace {

constexpr int VISIBLE_DEGREES = 90; // across the whole width

} // namespace

CCourseControl::CCourseControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&m_timer, &QTimer::timeout, this, &CCourseControl::Tick);
}

QSize CCourseControl::sizeHint() const
{
    return {120, fontMetrics().height() * 2 + 10};
}

void CCourseControl::SetCourse(int degrees)
{
    m_dial.SetCourse(degrees);
    m_timer.start(CCourseDial::TICK_MS);
}

void CCourseControl::Tick()
{
    if (m_dial.Tick())
        repaint();
}

void CCourseControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    p.setFont(font);
    const int shown = m_dial.Painted();
    const double pixelsPerDegree = static_cast<double>(width()) / VISIBLE_DEGREES;
    const int centre = width() / 2;
    const int numberHeight = QFontMetrics(font).height();
    p.setPen(palette().color(QPalette::Text));
    for (int offset = -VISIBLE_DEGREES / 2 - 5; offset <= VISIBLE_DEGREES / 2 + 5; ++offset) {
        const int degree = ((shown + offset) % 360 + 360) % 360;
        if (degree % 5 != 0)
            continue;
        const int x = centre + static_cast<int>(offset * pixelsPerDegree);
        const int length = degree % 10 == 0 ? 8 : 4;
        p.drawLine(x, height() - 2, x, height() - 2 - length);
        if (degree % 30 == 0)
            p.drawText(QRect(x - 20, 2, 40, numberHeight), Qt::AlignCenter, QString::number(degree));
    }
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(centre, numberHeight + 2, centre, height() - 2);
}

} // namespace kestrelon
