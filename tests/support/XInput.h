#pragma once

// Real pointer input on the X server the test runs under (xdotool, through
// XTest), and a drag of the held left button played while a move or size call
// runs its own loop.
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace xinput {

// Runs an X tool; gives what it printed.
inline QString x(const QString& tool, const QStringList& args) {
    QProcess process;
    process.start(tool, args);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The first of these tools that is not installed, or "".
inline QString missing(std::initializer_list<const char*> tools) {
    for (const char* tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            return tool;
        }
    }
    return {};
}

// Moves the pointer to p (global), then does `action` ("click", "mousedown",
// "mouseup") with `button`; "click --repeat 2" is a double click.
inline void pointer(QPoint p, const QString& action = {}, int button = 1) {
    // --sync waits for the pointer to move: not when it is already there.
    QStringList args{"mousemove", QString::number(p.x()), QString::number(p.y())};
    if (QCursor::pos() != p) {
        args.insert(1, "--sync");
    }
    if (!action.isEmpty()) {
        args << action.split(' ') << QString::number(button);
    }
    x("xdotool", args);
}
inline void click(const QWidget* w, QPoint at, const QString& action = "click") {
    pointer(w->mapToGlobal(at), action);
}
inline void click(const QWidget* w) {
    click(w, w->rect().center());
}

template <class F> bool waitFor(F done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QTest::qWait(20);
    }
    return done();
}

// Plays a drag of the held left button for a move or size call: once Qt has
// seen the press, the pointer goes from `from` by `delta` in two steps and is
// nudged until `window` reaches `expected` (or for 1.5 s, always when it must
// stay put), then the button goes up. Timed from the press, never from the
// start, so a slow machine cannot let go before the call has begun. Gives
// the window's geometry (as `where` reads it) at the release, once released.
inline std::shared_ptr<std::optional<QRect>> dragBy(QWidget* window, QPoint from, QPoint delta,
                                                    QRect expected,
                                                    std::function<QRect()> where = {}) {
    if (!where) {
        where = [window] { return window->geometry(); };
    }
    auto held = std::make_shared<std::optional<QRect>>();
    auto step = std::make_shared<int>(0);
    auto clock = std::make_shared<QElapsedTimer>();
    const bool stays = where() == expected;
    auto* timer = new QTimer(window);
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (*step == 0 && QGuiApplication::mouseButtons() == Qt::NoButton) {
            return;
        }
        if (*step < 2) {
            pointer(from + delta * (++*step) / 2);
            clock->start();
        } else if ((stays || where() != expected) && clock->elapsed() < 1500) {
            pointer(from + delta - QPoint(1, 0)); // off and back: motion a late mover sees
            pointer(from + delta);
        } else {
            timer->stop();
            timer->deleteLater();
            *held = where();
            x("xdotool", {"mouseup", "1"});
        }
    });
    timer->start(50);
    return held;
}

// Drags a window by the point `at` (its own coordinates) over `delta` with a real
// press, and waits for the release; true when the window went where it was pulled.
inline bool dragWindow(QWidget* window, QPoint at, QPoint delta) {
    const QRect expected = window->geometry().translated(delta);
    const QPoint from = window->mapToGlobal(at);
    const auto held = dragBy(window, from, delta, expected);
    pointer(from, "mousedown");
    return waitFor([&] { return held->has_value(); }, 10000) && **held == expected;
}

} // namespace xinput
