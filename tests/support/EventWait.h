// Waiting in widget tests: runs the event loop until a condition holds or the
// time is up. (QTest's QTRY macros return silently on failure outside a QTest
// test function, so GoogleTest would never see the failure.)
#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

namespace kestrelon::test {

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace kestrelon::test
