// The real program's compact bar on an X server: sharp at scale 2, and under openbox the window
// below it placed by its frame, its labels answering the first click, the playlist's Alt+F4.
#include "../support/XInput.h"

#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

using namespace xinput;

namespace {

const QString Bar = "Lumadeck Player Ver2.0";

// The program in compact mode with a home of its own and no session bus.
struct Program {
    explicit Program(const QString& scale) {
        QDir().mkpath(home.filePath("config/Lumadeck"));
        QFile f(home.filePath("config/Lumadeck/Lumadeck.ini"));
        if (f.open(QIODevice::WriteOnly)) {
            f.write("[Options]\nThinClient=True\nEnableCDNotify=False\n");
        }
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [k, v] : {std::pair<QString, QString>{"HOME", home.path()},
                                   {"XDG_CONFIG_HOME", home.filePath("config")},
                                   {"XDG_DATA_HOME", home.filePath("data")},
                                   {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("x")},
                                   {"QT_QPA_PLATFORM", "xcb"},
                                   {"QT_SCALE_FACTOR", scale}}) {
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
    Window found = 0;
    return waitFor(
               [&] {
                   found = x("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"})
                               .section('\n', 0, 0)
                               .toULong();
                   return found != 0 && xtest::isViewable(dpy, found);
               },
               30000)
               ? found
               : 0;
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

TEST(CompactProgram, SharpAtScaleTwoAndUnderOpenboxWindowsGoBelowTheBarByTheirFrames) {
    const QString clip = LUMADECK_BUILD_DIR "/testmedia/clip.mpg";
    if (!missing({"xdotool", "openbox"}).isEmpty() || !QFile::exists(clip)) {
        GTEST_SKIP() << "xdotool, openbox or the test media (scripts/make-test-media) missing";
    }
    xtest::Display xd;
    ASSERT_NE(xd.dpy, nullptr);
    QProcess openbox;
    openbox.start("openbox", {"--sm-disable"});
    ASSERT_TRUE(openbox.waitForStarted());
    QTest::qWait(1000);
    QImage shots[2];
    std::unique_ptr<Program> program;
    Window bar = 0;
    for (int scale : {2, 1}) {
        program = nullptr; // the one before ends first
        program = std::make_unique<Program>(QString::number(scale));
        bar = waitForWindow(xd.dpy, Bar);
        ASSERT_NE(bar, 0u) << "no compact bar at scale " << scale;
        QTest::qWait(700); // drawn
        shots[scale - 1] = QGuiApplication::primaryScreen()->grabWindow(bar).toImage();
    }
    ASSERT_EQ(shots[0].size(), QSize(458, 32));
    ASSERT_EQ(shots[1].size(), QSize(916, 64));
    // Away from the lettering (the icon left, the skin buttons right), the same picture as the
    // scale-1 one with each pixel repeated, but with steps between neighbours at least as tall:
    // one smoothed up from scale 1 has about half their squared sum.
    const QImage doubled = shots[0].scaled(916, 64);
    for (const QRect& big : {QRect(0, 0, 128, 64), QRect(800, 0, 116, 64)}) {
        double difference = 0, energy[2] = {0, 0};
        for (int y = big.top(); y < big.bottom(); ++y) {
            for (int x = big.left(); x < big.right(); ++x) {
                difference += std::abs(qGray(shots[1].pixel(x, y)) - qGray(doubled.pixel(x, y)));
                int i = 0;
                for (const QImage* im : {&std::as_const(shots[1]), &doubled}) {
                    const int here = qGray(im->pixel(x, y)), right = qGray(im->pixel(x + 1, y)),
                              below = qGray(im->pixel(x, y + 1));
                    energy[i++] +=
                        (right - here) * (right - here) + (below - here) * (below - here);
                }
            }
        }
        EXPECT_LT(difference / (big.width() * big.height()), 24) << big.left();
        EXPECT_GT(energy[0] / energy[1], 0.8) << "blurred: the scale-1 artwork enlarged";
    }

    // Scale 1: File > Open Video File from the bar puts the video window below it by its frame.
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
    EXPECT_TRUE(program->process.waitForFinished(10000)) << "Alt+F4 left the program running";
    openbox.terminate();
    openbox.waitForFinished(3000);
}
