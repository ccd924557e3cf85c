// The skinned windows kit on a real X server, first without a window
// manager: a shaped window's cut-away corner passes clicks to the window
// behind, and DragOBJ / SizeOBJ follow the pointer until the button is
// released. Then under openbox (started here): CFormBorder's title bar and
// taskbar presence reach the window manager, and DragOBJ hands it the move.
#include "../support/XInput.h"
#include "skin/CFormBorder.h"
#include "skin/clsGuiFuncs.h"

#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace xinput;

namespace {

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
        if (const QString tool = missing({"xdotool", "xprop", "openbox"}); !tool.isEmpty()) {
            GTEST_SKIP() << tool.toStdString() << " is not installed";
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
        const auto held = dragBy(&window, {260, 200}, c.delta, c.expected);
        std::optional<bool> releasedOnReturn;
        window.onPress = [&] { // after CFormBorder's own handling of the press
            if (c.what == "move") {
                clsGuiFuncs().DragOBJ(&window);
            } else if (!c.what.startsWith("AutoDrag")) {
                clsGuiFuncs().SizeOBJ(&window, c.what);
            }
            releasedOnReturn = held->has_value();
        };
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        pointer({260, 200}, "mousedown");
        ASSERT_TRUE(waitFor([&] { return held->has_value() && releasedOnReturn; }));
        EXPECT_EQ(*releasedOnReturn, c.what != "AutoDrag off") << "returned before the release";
        EXPECT_EQ(**held, c.expected) << "while the button was held";
        EXPECT_EQ(window.geometry(), c.expected);
    }
}

namespace {

QString property(QWidget& w, const char* name) {
    return x("xprop", {"-id", QString::number(w.winId()), name}).section('=', 1).simplified();
}

} // namespace

// One window manager for these cases, started after the cases above.
class UnderWindowManager : public X11Windows {
protected:
    static void SetUpTestSuite() {
        s_openbox = new QProcess;
        s_openbox->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        s_openbox->start("openbox", {"--sm-disable"});
        s_running =
            s_openbox->waitForStarted(5000) && waitFor([] {
                return x("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
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
    bool decorated() { // the frame's top (left, right, top, bottom)
        const QStringList f = property(m_window, "_NET_FRAME_EXTENTS").split(", ");
        return f.size() == 4 && f[2].toInt() > 0;
    }
    bool skipsTaskbar() { return property(m_window, "_NET_WM_STATE").contains("SKIP_TASKBAR"); }
    inline static QProcess* s_openbox = nullptr;
    inline static bool s_running = false;
    QWidget m_window;
    CFormBorder m_border;
};

TEST_F(UnderWindowManager, TitleBarAndTaskbarPresenceReachTheWindowManager) {
    ASSERT_TRUE(m_border.Titlebar());
    m_border.SetTitlebar(false);
    EXPECT_FALSE(m_border.Titlebar());
    EXPECT_TRUE(waitFor([&] { return property(m_window, "_NET_FRAME_EXTENTS") == "0, 0, 0, 0"; }))
        << "frame still there";
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_EQ(m_window.size(), QSize(200, 100));
    m_border.SetTitlebar(true);
    EXPECT_TRUE(m_border.Titlebar());
    EXPECT_TRUE(waitFor([&] { return decorated(); })) << "frame not back";

    m_border.SetShowInTaskbar(false);
    EXPECT_FALSE(m_border.ShowInTaskbar());
    EXPECT_FALSE(m_border.ToolWindow()); // a separate property
    EXPECT_TRUE(waitFor([&] { return skipsTaskbar(); }));
    EXPECT_TRUE(m_window.isVisible());
    m_border.SetShowInTaskbar(true);
    EXPECT_TRUE(m_border.ShowInTaskbar());
    EXPECT_TRUE(waitFor([&] { return !skipsTaskbar(); }));
}

TEST_F(UnderWindowManager, DragHandsTheMoveToTheManagerAndReturnsOnlyOnRelease) {
    // Qt hears of the manager's moves only after the call: ask X instead.
    auto where = [&] {
        const QStringList xy =
            x("xdotool", {"getwindowgeometry", QString::number(m_window.winId())})
                .section("Position: ", 1)
                .section(' ', 0, 0)
                .split(',');
        return xy.size() == 2 ? QRect(xy[0].toInt(), xy[1].toInt(), 1, 1) : QRect();
    };
    QRect placed; // openbox may still be placing it: wait until it stays put
    ASSERT_TRUE(waitFor([&] {
        placed = where();
        QTest::qWait(250);
        return placed.isValid() && where() == placed;
    }));
    const QRect qtPlaced = m_window.geometry();
    const QPoint press = placed.topLeft() + QPoint(50, 50);
    pointer(press, "mousedown");
    ASSERT_TRUE(waitFor([] { return QGuiApplication::mouseButtons() != Qt::NoButton; }));
    const auto held = dragBy(&m_window, press, {80, 60}, placed.translated(80, 60), where);
    clsGuiFuncs().DragOBJ(&m_window);
    ASSERT_TRUE(held->has_value()) << "returned before the button was released";
    EXPECT_EQ(**held, placed.translated(80, 60)) << "while the button was held";
    EXPECT_TRUE(waitFor([&] { return m_window.geometry() == qtPlaced.translated(80, 60); }))
        << "at " << m_window.x() << "," << m_window.y();
}
