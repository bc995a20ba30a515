// Waiting on real time for the serial adapter, with the Qt event loop running meanwhile.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace orbek::test {

// True once `done` holds, or its value after `ms`.
inline bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace orbek::test
