// The skinned windows kit on a real X server, first without a window manager: a shaped window's
// cut-away corner passes clicks to the window behind, and DragOBJ / SizeOBJ follow the pointer
// until the button is released. Then under openbox DragOBJ hands it the move.
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
        Target behind(QRect(100, 100, 300, 200)), front(QRect(100, 100, 300, 200));
        for (Target* w : {&behind, &front}) {
            w->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        }
        // Each click lands on the window that should have it; code 9 takes the shape away.
        for (const auto& [code, at, frontPresses, behindPresses] :
             {std::tuple{c.shape, c.cutAway, 0, 1},
              {c.shape, c.kept, 1, 1},
              {9L, c.cutAway, 2, 1}}) {
            clsGuiFuncs().SetWindowShape(&front, code);
            QTest::qWait(100);
            pointer(front.mapToGlobal(at), "click");
            EXPECT_TRUE(waitFor([&] {
                return front.presses == frontPresses && behind.presses == behindPresses;
            })) << at.x()
                << "," << at.y() << " shape " << code;
        }
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

// Last, as the window manager it starts would frame the windows of the cases above.
TEST_F(X11Windows, UnderAWindowManagerDragHandsItTheMoveAndReturnsOnRelease) {
    QProcess openbox;
    openbox.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    openbox.start("openbox", {"--sm-disable"});
    if (!openbox.waitForStarted(5000) || !waitFor([] {
            return x("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("id");
        })) {
        GTEST_SKIP() << "without a window manager";
    }
    QTest::qWait(700); // the check window comes before the manager takes new windows
    QWidget window;
    window.setGeometry(300, 300, 200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 10000));
    ASSERT_TRUE(waitFor(
        [&] {
            return x("xprop", {"-id", QString::number(window.winId()), "_NET_FRAME_EXTENTS"})
                .contains("=");
        },
        10000))
        << "not managed";

    // DragOBJ hands the move to the manager and returns only on release. Qt hears of the moves
    // only after the call: ask X instead, once openbox has placed the window.
    const auto where = [&] {
        const QStringList xy = x("xdotool", {"getwindowgeometry", QString::number(window.winId())})
                                   .section("Position: ", 1)
                                   .section(' ', 0, 0)
                                   .split(',');
        return xy.size() == 2 ? QRect(xy[0].toInt(), xy[1].toInt(), 1, 1) : QRect();
    };
    QRect placed;
    ASSERT_TRUE(waitFor([&] {
        placed = where();
        QTest::qWait(250);
        return placed.isValid() && where() == placed;
    }));
    const QRect qtPlaced = window.geometry();
    const QPoint press = placed.topLeft() + QPoint(50, 50);
    pointer(press, "mousedown");
    ASSERT_TRUE(waitFor([] { return QGuiApplication::mouseButtons() != Qt::NoButton; }));
    const auto held = dragBy(&window, press, {80, 60}, placed.translated(80, 60), where);
    clsGuiFuncs().DragOBJ(&window);
    ASSERT_TRUE(held->has_value()) << "returned before the button was released";
    EXPECT_EQ(**held, placed.translated(80, 60)) << "while the button was held";
    EXPECT_TRUE(waitFor([&] { return window.geometry() == qtPlaced.translated(80, 60); }))
        << "at " << window.x() << "," << window.y();
    openbox.terminate();
    openbox.waitForFinished(3000);
}
