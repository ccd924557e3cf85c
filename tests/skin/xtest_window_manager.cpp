// The skinned windows kit under a real window manager (openbox, started
// here): CFormBorder's title bar really goes and comes back, taskbar
// presence reaches the window manager, and DragOBJ hands the move to the
// window manager and still returns only on release.
#include "skin/CFormBorder.h"
#include "skin/clsGuiFuncs.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace lumadeck;

namespace {

template <class F> bool waitFor(F done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QTest::qWait(25);
    }
    return done();
}

std::vector<long> cardinals(::Display* dpy, ::Window w, const char* name, Atom type) {
    std::vector<long> values;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 64, False, type, &actual,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (format == 32) {
            const long* v = reinterpret_cast<const long*>(data);
            values.assign(v, v + count);
        }
        XFree(data);
    }
    return values;
}

struct WindowManager {
    QProcess openbox;
    ::Display* dpy = XOpenDisplay(nullptr);
    bool running = false;
    WindowManager() {
        if (QStandardPaths::findExecutable("openbox").isEmpty() || !dpy) {
            return;
        }
        openbox.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        openbox.start("openbox", {"--sm-disable"});
        running = openbox.waitForStarted(5000) && waitFor([&] {
                      return !cardinals(dpy, DefaultRootWindow(dpy), "_NET_SUPPORTING_WM_CHECK",
                                        XA_WINDOW)
                                  .empty();
                  });
        // The check window comes before the manager takes new windows.
        QTest::qWait(700);
    }
    ~WindowManager() {
        if (openbox.state() != QProcess::NotRunning) {
            openbox.terminate();
            if (!openbox.waitForFinished(3000)) {
                openbox.kill();
                openbox.waitForFinished(3000);
            }
        }
        if (dpy) {
            XCloseDisplay(dpy);
        }
    }
    // left, right, top, bottom; empty before the window manager set them.
    std::vector<long> frame(QWidget& w) {
        return cardinals(dpy, static_cast<::Window>(w.winId()), "_NET_FRAME_EXTENTS", XA_CARDINAL);
    }
    bool hasState(QWidget& w, const char* state) {
        const std::vector<long> atoms =
            cardinals(dpy, static_cast<::Window>(w.winId()), "_NET_WM_STATE", XA_ATOM);
        return std::find(atoms.begin(), atoms.end(), long(XInternAtom(dpy, state, False))) !=
               atoms.end();
    }
};

bool decorated(const std::vector<long>& extents) {
    return extents.size() == 4 && extents[2] > 0;
}

bool bare(const std::vector<long>& extents) {
    return extents.size() == 4 && extents[0] == 0 && extents[1] == 0 && extents[2] == 0 &&
           extents[3] == 0;
}

} // namespace

// One window manager for all cases: it is started once and stopped at the end.
class UnderWindowManager : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_wm = new WindowManager; }
    static void TearDownTestSuite() {
        delete s_wm;
        s_wm = nullptr;
    }
    void SetUp() override {
        if (!wm.running) {
            GTEST_SKIP() << "openbox is not installed or did not start; the window-manager cases "
                            "are skipped";
        }
    }
    static WindowManager* s_wm;
    WindowManager& wm = *s_wm;
};

WindowManager* UnderWindowManager::s_wm = nullptr;

TEST_F(UnderWindowManager, TitlebarFalseRemovesTheFrame) {
    QWidget w;
    w.setWindowTitle("Frame test");
    w.setGeometry(200, 200, 300, 150);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 10000));
    ASSERT_TRUE(waitFor([&] { return decorated(wm.frame(w)); }))
        << "the window manager gave no frame";

    CFormBorder border;
    border.SetClient(&w);
    ASSERT_TRUE(border.Titlebar());
    border.SetTitlebar(false);
    EXPECT_FALSE(border.Titlebar());
    EXPECT_TRUE(waitFor([&] { return bare(wm.frame(w)); })) << "frame still there";
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.size(), QSize(300, 150));

    border.SetTitlebar(true);
    EXPECT_TRUE(border.Titlebar());
    EXPECT_TRUE(waitFor([&] { return decorated(wm.frame(w)); })) << "frame did not come back";
}

TEST_F(UnderWindowManager, TaskbarPresenceReachesTheWindowManager) {
    QWidget w;
    w.setWindowTitle("Taskbar test");
    w.setGeometry(100, 100, 200, 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 10000));
    CFormBorder border;
    border.SetClient(&w);
    border.SetShowInTaskbar(false);
    EXPECT_FALSE(border.ShowInTaskbar());
    EXPECT_TRUE(waitFor([&] { return wm.hasState(w, "_NET_WM_STATE_SKIP_TASKBAR"); }));
    EXPECT_TRUE(w.isVisible());
    border.SetShowInTaskbar(true);
    EXPECT_TRUE(waitFor([&] { return !wm.hasState(w, "_NET_WM_STATE_SKIP_TASKBAR"); }));
}

TEST_F(UnderWindowManager, DragReturnsOnlyOnRelease) {
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    QWidget w(nullptr, Qt::FramelessWindowHint);
    w.setWindowTitle("Drag test");
    w.setGeometry(300, 300, 200, 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 10000));
    QTest::qWait(300);
    const QPoint start = w.pos();
    bool released = false;
    QTimer::singleShot(300, [] { QProcess::execute("xdotool", {"mousemove", "380", "340"}); });
    QTimer::singleShot(500, [] { QProcess::execute("xdotool", {"mousemove", "430", "380"}); });
    QTimer::singleShot(800, [&] {
        released = true;
        QProcess::execute("xdotool", {"mouseup", "1"});
    });
    QProcess::execute("xdotool", {"mousemove", "350", "320", "mousedown", "1"});
    ASSERT_TRUE(waitFor([] { return QGuiApplication::mouseButtons() != Qt::NoButton; }, 2000));
    clsGuiFuncs().DragOBJ(&w);
    EXPECT_TRUE(released) << "returned before the button was released";
    EXPECT_TRUE(waitFor([&] { return w.pos() == start + QPoint(80, 60); }, 2000))
        << "at " << w.pos().x() << "," << w.pos().y();
}
