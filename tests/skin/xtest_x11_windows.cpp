// The skinned windows on a real X server, first without a window manager: a shaped window's
// cut-away corner passes clicks to the window behind, and DragOBJ / SizeOBJ follow the pointer
// until the button is released. Then under openbox: DragOBJ hands it the move, and the real
// program's compact bar places the window below it by its frame, its labels answer the first
// click, the playlist's Alt+F4 ends the program.
#include "../support/XInput.h"
#include "skin/CFormBorder.h"
#include "skin/clsGuiFuncs.h"

#include <QDir>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

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
                 {"b", {10, -90}, QRect(200, 150, 160, 100)}, // no lower than its minimum
                 {"AutoDrag on", {40, 60}, start.translated(40, 60)},
                 {"AutoDrag off", {40, 60}, start}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        Target window(start);
        window.setMinimumSize(100, 100);
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

namespace {

const QString Bar = "Lumadeck Player Ver2.0";

// The program in compact mode with a home of its own and no session bus.
struct Program {
    Program() {
        QDir().mkpath(home.filePath("config/Lumadeck"));
        QFile f(home.filePath("config/Lumadeck/Lumadeck.ini"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) &&
                    f.write("[Options]\nThinClient=True\nEnableCDNotify=False\n") > 0);
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [k, v] : {std::pair<QString, QString>{"HOME", home.path()},
                                   {"XDG_CONFIG_HOME", home.filePath("config")},
                                   {"XDG_DATA_HOME", home.filePath("data")},
                                   {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("x")},
                                   {"QT_QPA_PLATFORM", "xcb"}}) {
            env.insert(k, v);
        }
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(LUMADECK_BUILD_DIR "/lumadeck", {});
    }
    ~Program() {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }
    QTemporaryDir home;
    QProcess process;
};

// The shown client window with this title (through any window manager's frames), or 0.
Window waitForWindow(::Display* dpy, const QString& title) {
    const auto found = [&] {
        const Window w = x("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"})
                             .section('\n', 0, 0)
                             .toULong();
        return w && xtest::isViewable(dpy, w) ? w : 0;
    };
    waitFor(found, 30000);
    return found();
}

// A window's rectangle on the screen; with `frame`, that of its topmost ancestor (the frame).
QRect rectOf(::Display* dpy, Window w, bool frame = false) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    while (frame && XQueryTree(dpy, w, &root, &parent, &children, &n)) {
        XFree(children);
        frame = parent != root;
        w = frame ? parent : w;
    }
    XWindowAttributes a;
    int x = 0, y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(dpy, w, &a) ||
        !XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child)) {
        return {};
    }
    return {x, y, a.width, a.height};
}

// Whether a popup (a window the manager leaves alone) is shown with its corner at `at`.
bool menuAt(::Display* dpy, QPoint at) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    bool open = false;
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && !open; ++i) {
            XWindowAttributes a;
            open = XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable &&
                   a.override_redirect && (QPoint(a.x, a.y) - at).manhattanLength() <= 4 &&
                   a.width > 50;
        }
        XFree(children);
    }
    return open;
}

} // namespace

TEST_F(X11Windows, TheCompactBarPlacesWindowsBelowByTheirFramesAndOpensMenusAtOnce) {
    const QString clip = LUMADECK_BUILD_DIR "/testmedia/clip.mpg";
    if (!QFile::exists(clip)) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    xtest::Display xd;
    ASSERT_NE(xd.dpy, nullptr);
    QProcess openbox;
    openbox.start("openbox", {"--sm-disable"});
    ASSERT_TRUE(openbox.waitForStarted());
    QTest::qWait(1000);
    Program program;
    const Window bar = waitForWindow(xd.dpy, Bar);
    ASSERT_NE(bar, 0u) << "no compact bar";

    // File > Open Video File from the bar puts the video window below it by its frame.
    const QRect barRect = rectOf(xd.dpy, bar, true);
    // A press on the label at `left` opens its menu below the label's left edge.
    const auto open = [&](int left, int width) {
        pointer(barRect.topLeft() + QPoint(left + width / 2, 13), "click");
        return waitFor([&] { return menuAt(xd.dpy, barRect.topLeft() + QPoint(left, 22)); });
    };

    ASSERT_TRUE(open(66, 37)) << "no File menu";
    x("xdotool", {"key", "o"}); // Open Video File
    const Window dialog = waitForWindow(xd.dpy, "Open Video File");
    ASSERT_NE(dialog, 0u);
    x("xdotool", {"windowfocus", "--sync", QString::number(dialog)});
    QTest::qWait(700);
    x("xdotool", {"key", "ctrl+a"});
    x("xdotool", {"type", "--delay", "10", clip});
    x("xdotool", {"key", "Return"});
    const Window video = waitForWindow(xd.dpy, "Lumadeck Player. clip.mpg");
    ASSERT_NE(video, 0u) << "the clip did not open";
    QRect frame;
    EXPECT_TRUE(waitFor([&] {
        frame = rectOf(xd.dpy, video, true);
        return frame.top() == barRect.bottom() + 1;
    })) << "the video window's frame starts at "
        << frame.top() << ", the bar ends at " << barRect.bottom() + 1;
    EXPECT_LT(frame.top(), rectOf(xd.dpy, video).top()) << "no title bar";

    EXPECT_TRUE(open(156, 38)) << "no View menu at the first click";
    x("xdotool", {"key", "Escape"});
    ASSERT_TRUE(waitFor([&] { return !menuAt(xd.dpy, barRect.topLeft() + QPoint(156, 22)); }));

    // Play List > Show Playlist; Alt+F4 there closes the compact player and the program.
    ASSERT_TRUE(open(205, 44)) << "no Play List menu";
    x("xdotool", {"key", "s"});
    const Window playlist = waitForWindow(xd.dpy, "(Lumadeck Play List.*|Play List .Lumadeck.*)");
    ASSERT_NE(playlist, 0u) << "no playlist window";
    x("xdotool", {"windowactivate", "--sync", QString::number(playlist)});
    x("xdotool", {"key", "alt+F4"});
    EXPECT_TRUE(program.process.waitForFinished(10000)) << "Alt+F4 left the program running";
    openbox.terminate();
    openbox.waitForFinished(3000);
}
