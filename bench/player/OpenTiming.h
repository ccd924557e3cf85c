// Timing pieces the player benchmarks share: a median, an event-loop wait
// without QTest::qWaitFor's pauses, and the open-to-Started time of a file.
#pragma once

#include "player/GstMediaControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <vector>

namespace lumadeck::bench {

inline double median(std::vector<double> v) {
    if (v.empty()) {
        return -1;
    }
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs the event loop until the condition holds or the time is up.
template <typename F> bool waitUntil(F condition, int ms) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Open to the Started notification, in milliseconds; -1 on failure.
inline double openToStarted(GstMediaControl& c, const QString& file) {
    bool started = false;
    bool failed = false;
    const auto a =
        QObject::connect(&c, &MediaControl::PlayStateChange, [&](PlayStateCode, PlayStateCode n) {
            started = started || n == PlayStateCode::Playing;
        });
    const auto b = QObject::connect(&c, &MediaControl::Error, [&] { failed = true; });
    QElapsedTimer t;
    t.start();
    const bool ok = c.Open(file) && waitUntil([&] { return started || failed; }, 10000);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    QObject::disconnect(a);
    QObject::disconnect(b);
    return ok && started ? ms : -1;
}

} // namespace lumadeck::bench
