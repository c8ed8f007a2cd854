// Course over ground as a compass tape that swings to each new course: a timer
// steps the dial model every 30 ms and the tape repaints when the whole-degree
// direction changes.
#pragma once

#include "gps/CourseDial.h"

#include <QTimer>
#include <QWidget>

namespace kestrelon {

class CCourseControl : public QWidget {
    Q_OBJECT
public:
    explicit CCourseControl(QWidget* parent = nullptr);

    void SetCourse(int degrees);
    const CCourseDial& Dial() const { return m_dial; }
    // One timer period; the timer calls it, tests may step it by hand.
    void Tick();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CCourseDial m_dial;
    QTimer m_timer;
};

} // namespace kestrelon
