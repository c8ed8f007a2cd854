// Runs the window's event loop until a condition holds, for the benchmarks that
// drive the real main window.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace kestrelon::bench {

// False when `timeoutMs` passed first.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace kestrelon::bench
