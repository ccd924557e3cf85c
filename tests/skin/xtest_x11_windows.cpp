// The skinned windows kit on a real X server, first without a window
// manager: a shaped window's cut-away corner passes clicks to the window
// behind, and DragOBJ / SizeOBJ follow the pointer until the button is
// released. Then under openbox (started here): CFormBorder's title bar and
// taskbar presence reach the window manager, and DragOBJ hands it the move.
#include "skin/CFormBorder.h"
#include "skin/clsGuiFuncs.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>

using namespace lumadeck;

namespace {

// Moves the pointer to p, then does `action` ("click", "mousedown") with button 1.
void pointer(QPoint p, const QString& action = {}) {
    QStringList args{"mousemove", QString::number(p.x()), QString::number(p.y())};
    if (!action.isEmpty()) {
        args << action << "1";
    }
    QProcess::execute("xdotool", args);
}

template <class F> bool waitFor(F done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QTest::qWait(20);
    }
    return done();
}

// Plays a drag on the held left button from inside a move or size call:
// once Qt has seen the press, the pointer goes from `from` by `delta` in two
// steps, then (nudged again until `arrived`, at most 1.5 s) `atRelease` runs
// and the button goes up. Timed from the press, never from the start, so a
// slow machine cannot let go before the call has begun. Reports the release.
std::shared_ptr<bool> dragBy(QPoint from, QPoint delta, std::function<bool()> arrived,
                             std::function<void()> atRelease = {}) {
    auto released = std::make_shared<bool>(false);
    auto step = std::make_shared<int>(0);
    auto clock = std::make_shared<QElapsedTimer>();
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (*step == 0 && QGuiApplication::mouseButtons() == Qt::NoButton) {
            return;
        }
        if (*step < 2) {
            pointer(from + delta * (++*step) / 2);
            clock->start();
        } else if (!arrived() && clock->elapsed() < 1500) {
            // Off and back: motion the mover sees even if it started late.
            pointer(from + delta - QPoint(1, 0));
            pointer(from + delta);
        } else {
            timer->stop();
            timer->deleteLater();
            if (atRelease) {
                atRelease();
            }
            *released = true;
            QProcess::execute("xdotool", {"mouseup", "1"});
        }
    });
    timer->start(50);
    return released;
}

// A frameless top-level window that counts the presses it receives.
struct Target : QWidget {
    explicit Target(const QRect& geometry) : QWidget(nullptr, Qt::FramelessWindowHint) {
        setGeometry(geometry);
    }
    int presses = 0;
    std::function<void()> onPress;
    void mousePressEvent(QMouseEvent*) override {
        ++presses;
        if (onPress) {
            onPress();
        }
    }
};

class X11Windows : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"xdotool", "xprop", "openbox"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                GTEST_SKIP() << tool << " is not installed";
            }
        }
    }
};

} // namespace

TEST_F(X11Windows, CutAwayPartsPassClicksToTheWindowBehind) {
    const struct {
        long shape;
        QPoint cutAway, kept; // in window coordinates
    } cases[] = {{0, {3, 3}, {150, 5}}, {1, {1, 1}, {10, 10}}, {2, {20, 20}, {150, 100}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        Target behind(QRect(100, 100, 300, 200));
        Target front(QRect(100, 100, 300, 200));
        behind.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&behind));
        front.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&front));
        clsGuiFuncs().SetWindowShape(&front, c.shape);
        QTest::qWait(100);
        pointer(front.mapToGlobal(c.cutAway), "click");
        EXPECT_TRUE(waitFor([&] { return behind.presses == 1; }, 2000)) << "the window behind";
        EXPECT_EQ(front.presses, 0);
        pointer(front.mapToGlobal(c.kept), "click");
        EXPECT_TRUE(waitFor([&] { return front.presses == 1; }, 2000)) << "the shaped window";
        EXPECT_EQ(behind.presses, 1);
        // Another code takes the shape away again: the corner is the front's.
        clsGuiFuncs().SetWindowShape(&front, 9);
        QTest::qWait(100);
        pointer(front.mapToGlobal(c.cutAway), "click");
        EXPECT_TRUE(waitFor([&] { return front.presses == 2; }, 2000)) << "shape removed";
    }
}

TEST_F(X11Windows, DragSizeAndAutoDragFollowThePointerUntilRelease) {
    const QRect start(200, 150, 160, 120);
    const struct {
        QString what; // "move", an edge code, or AutoDrag on the window's CFormBorder
        QPoint delta;
        QRect expected;
    } cases[] = {{"move", {90, 50}, start.translated(90, 50)},
                 {"br", {40, 30}, QRect(200, 150, 200, 150)},
                 {"tL", {-20, -10}, QRect(180, 140, 180, 130)},
                 {"R", {25, 60}, QRect(200, 150, 185, 120)},
                 {"AutoDrag on", {40, 60}, start.translated(40, 60)},
                 {"AutoDrag off", {40, 60}, start}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        Target window(start);
        CFormBorder border;
        border.SetClient(&window);
        border.SetAutoDrag(c.what == "AutoDrag on");
        QRect seenWhileHeld;
        // Nothing to wait for when the window must stay: the full time then.
        const auto released = dragBy(
            {260, 200}, c.delta,
            [&] { return c.expected != start && window.geometry() == c.expected; },
            [&] { seenWhileHeld = window.geometry(); });
        std::optional<bool> releasedOnReturn;
        window.onPress = [&] { // after CFormBorder's own handling of the press
            if (c.what == "move") {
                clsGuiFuncs().DragOBJ(&window);
            } else if (!c.what.startsWith("AutoDrag")) {
                clsGuiFuncs().SizeOBJ(&window, c.what);
            }
            releasedOnReturn = *released;
        };
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        pointer({260, 200}, "mousedown");
        ASSERT_TRUE(waitFor([&] { return *released && releasedOnReturn; }));
        EXPECT_EQ(*releasedOnReturn, c.what != "AutoDrag off") << "returned before the release";
        EXPECT_EQ(seenWhileHeld, c.expected) << "while the button was held";
        EXPECT_EQ(window.geometry(), c.expected);
    }
}

namespace {

QString xprop(const QStringList& args) {
    QProcess process;
    process.start("xprop", args);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A window's frame as the manager reports it: left, right, top, bottom.
QStringList frame(QWidget& w) {
    const QString text = xprop({"-id", QString::number(w.winId()), "_NET_FRAME_EXTENTS"});
    return text.contains('=') ? text.section('=', 1).simplified().split(", ") : QStringList();
}

bool skipsTaskbar(QWidget& w) {
    return xprop({"-id", QString::number(w.winId()), "_NET_WM_STATE"})
        .contains("_NET_WM_STATE_SKIP_TASKBAR");
}

} // namespace

// One window manager for these cases, started after the cases above.
class UnderWindowManager : public X11Windows {
protected:
    static void SetUpTestSuite() {
        s_openbox = new QProcess;
        s_openbox->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        s_openbox->start("openbox", {"--sm-disable"});
        s_running = s_openbox->waitForStarted(5000) && waitFor([] {
                        return xprop({"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
                    });
        QTest::qWait(700); // the check window comes before the manager takes new windows
    }
    static void TearDownTestSuite() {
        s_openbox->terminate();
        s_openbox->waitForFinished(3000);
        delete s_openbox; // kills it if it is still running
    }
    void SetUp() override {
        X11Windows::SetUp();
        if (IsSkipped() || !s_running) {
            GTEST_SKIP() << "without a window manager";
        }
        m_window.setGeometry(300, 300, 200, 100);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window, 10000));
        ASSERT_TRUE(waitFor([&] { return decorated(); }, 10000)) << "no frame given";
        m_border.SetClient(&m_window);
    }
    bool decorated() {
        const QStringList f = frame(m_window);
        return f.size() == 4 && f[2].toInt() > 0;
    }
    inline static QProcess* s_openbox = nullptr;
    inline static bool s_running = false;
    QWidget m_window;
    CFormBorder m_border;
};

TEST_F(UnderWindowManager, TitleBarAndTaskbarPresenceReachTheWindowManager) {
    ASSERT_TRUE(m_border.Titlebar());
    m_border.SetTitlebar(false);
    EXPECT_FALSE(m_border.Titlebar());
    EXPECT_TRUE(waitFor([&] {
        return frame(m_window) == QStringList{"0", "0", "0", "0"};
    })) << "frame still there";
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_EQ(m_window.size(), QSize(200, 100));
    m_border.SetTitlebar(true);
    EXPECT_TRUE(m_border.Titlebar());
    EXPECT_TRUE(waitFor([&] { return decorated(); })) << "frame not back";

    m_border.SetShowInTaskbar(false);
    EXPECT_FALSE(m_border.ShowInTaskbar());
    EXPECT_FALSE(m_border.ToolWindow()); // a separate property
    EXPECT_TRUE(waitFor([&] { return skipsTaskbar(m_window); }));
    EXPECT_TRUE(m_window.isVisible());
    m_border.SetShowInTaskbar(true);
    EXPECT_TRUE(m_border.ShowInTaskbar());
    EXPECT_TRUE(waitFor([&] { return !skipsTaskbar(m_window); }));
}

TEST_F(UnderWindowManager, DragHandsTheMoveToTheManagerAndReturnsOnlyOnRelease) {
    QTest::qWait(300);
    const QPoint start = m_window.pos();
    const QPoint press = m_window.mapToGlobal(QPoint(50, 20));
    pointer(press, "mousedown");
    ASSERT_TRUE(waitFor([] { return QGuiApplication::mouseButtons() != Qt::NoButton; }));
    const auto released =
        dragBy(press, {80, 60}, [&] { return m_window.pos() == start + QPoint(80, 60); });
    clsGuiFuncs().DragOBJ(&m_window);
    EXPECT_TRUE(*released) << "returned before the button was released";
    EXPECT_TRUE(waitFor([&] { return m_window.pos() == start + QPoint(80, 60); }, 2000))
        << "at " << m_window.pos().x() << "," << m_window.pos().y();
}
