// The real program's compact bar on an X server: drawn sharp at scale 2 (its
// artwork at twice the detail, not the scale-1 picture enlarged), and under
// openbox, the window below it placed by its frame, its labels reachable at
// the first click, and the playlist window's Alt+F4 closing the compact player.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

namespace {

const QString Bar = "Lumadeck Player Ver2.0";

void tool(const QString& program, const QStringList& args) {
    QProcess::execute(program, args);
}

void click(QPoint p) {
    tool("xdotool", {"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
}

// The program in compact mode with a home of its own and no session bus.
struct Program {
    explicit Program(const QString& scale) {
        const QString ini = home.filePath("config/Lumadeck/Lumadeck.ini");
        QDir().mkpath(QFileInfo(ini).path());
        QFile f(ini);
        if (f.open(QIODevice::WriteOnly)) {
            f.write("[Options]\nThinClient=True\nEnableCDNotify=False\n");
        }
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("no-bus"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_SCALE_FACTOR", scale);
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

// The client window (found through any window manager's frames) with this
// title, once it is shown.
Window waitForWindow(::Display* dpy, const QString& title, int ms = 30000) {
    Window found = 0;
    const bool shown = QTest::qWaitFor(
        [&] {
            QProcess search;
            search.start("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
            search.waitForFinished();
            found = QString(search.readAllStandardOutput()).section('\n', 0, 0).toULong();
            return found != 0 && xtest::isViewable(dpy, found);
        },
        ms);
    return shown ? found : 0;
}

// A window's rectangle on the screen; with `frame`, the rectangle of the
// window manager's frame around it (the window's topmost ancestor).
QRect rectOf(::Display* dpy, Window w, bool frame = false) {
    if (frame) {
        for (;;) {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned n = 0;
            if (!XQueryTree(dpy, w, &root, &parent, &children, &n)) {
                return {};
            }
            if (children) {
                XFree(children);
            }
            if (parent == root) {
                break;
            }
            w = parent;
        }
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

QImage picture(::Display* dpy, Window w) {
    const QRect r = rectOf(dpy, w);
    XImage* xi = XGetImage(dpy, w, 0, 0, r.width(), r.height(), AllPlanes, ZPixmap);
    if (!xi) {
        return {};
    }
    QImage image(r.size(), QImage::Format_RGB32);
    for (int y = 0; y < r.height(); ++y) {
        for (int x = 0; x < r.width(); ++x) {
            image.setPixel(x, y, 0xff000000u | XGetPixel(xi, x, y));
        }
    }
    XDestroyImage(xi);
    return image;
}

// Whether a menu is open at a point: a shown window the window manager
// leaves alone (a popup) with its top-left corner there.
bool menuAt(::Display* dpy, QPoint at) {
    Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
    unsigned n = 0;
    bool open = false;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &n)) {
        return false;
    }
    for (unsigned i = 0; i < n && !open; ++i) {
        XWindowAttributes a;
        open = XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable &&
               a.override_redirect && (QPoint(a.x, a.y) - at).manhattanLength() <= 4 &&
               a.width > 50;
    }
    XFree(children);
    return open;
}

// The sum of squared steps between neighbouring pixels inside `area`: the
// same edges drawn sharper give more, as their steps are taller.
double edgeEnergy(const QImage& image, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y < area.bottom(); ++y) {
        for (int x = area.left(); x < area.right(); ++x) {
            const int here = qGray(image.pixel(x, y));
            const int right = qGray(image.pixel(x + 1, y));
            const int below = qGray(image.pixel(x, y + 1));
            sum += (right - here) * (right - here) + (below - here) * (below - here);
        }
    }
    return sum;
}

bool toolsMissing(const QStringList& tools) {
    for (const QString& t : tools) {
        if (QStandardPaths::findExecutable(t).isEmpty()) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(CompactProgram, BarIsDrawnFromDoubleSizeArtworkAtScaleTwo) {
    if (toolsMissing({"xdotool"})) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr);
    QImage shots[2];
    for (int scale : {1, 2}) {
        Program program(QString::number(scale));
        const Window bar = waitForWindow(x.dpy, Bar);
        ASSERT_NE(bar, 0u) << "no compact bar at scale " << scale;
        QTest::qWait(700); // drawn
        shots[scale - 1] = picture(x.dpy, bar);
    }
    ASSERT_EQ(shots[0].size(), QSize(458, 32));
    ASSERT_EQ(shots[1].size(), QSize(916, 64));
    // The artwork away from the lettering: the program icon and the left of
    // the bar, the show-video icon and the skin buttons on the right.
    const QImage doubled = shots[0].scaled(916, 64); // each pixel repeated
    for (const QRect& area : {QRect(0, 0, 64, 32), QRect(400, 0, 58, 32)}) {
        SCOPED_TRACE(area.left());
        const QRect big(area.topLeft() * 2, area.size() * 2);
        double difference = 0;
        for (int y = big.top(); y <= big.bottom(); ++y) {
            for (int x = big.left(); x <= big.right(); ++x) {
                difference += std::abs(qGray(shots[1].pixel(x, y)) - qGray(doubled.pixel(x, y)));
            }
        }
        // The same picture...
        EXPECT_LT(difference / (big.width() * big.height()), 24);
        // ...with its edges at least as steep as the enlarged one's: a
        // picture smoothed up from scale 1 has about half its energy.
        const double ratio = edgeEnergy(shots[1], big) / edgeEnergy(doubled, big);
        EXPECT_GT(ratio, 0.8) << "blurred: the scale-1 artwork enlarged";
    }
}

TEST(CompactProgram, UnderOpenboxWindowsGoBelowTheBarByTheirFrames) {
    const QString clip = LUMADECK_BUILD_DIR "/testmedia/clip.mpg";
    if (toolsMissing({"xdotool", "openbox"}) || !QFile::exists(clip)) {
        GTEST_SKIP() << "xdotool, openbox or the test media (scripts/make-test-media) missing";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr);
    QProcess openbox;
    openbox.start("openbox", {"--sm-disable"});
    ASSERT_TRUE(openbox.waitForStarted());
    QTest::qWait(1000);

    Program program("1");
    const Window bar = waitForWindow(x.dpy, Bar);
    ASSERT_NE(bar, 0u);
    QTest::qWait(500);
    const QRect barRect = rectOf(x.dpy, bar, true);
    // A label's middle, and where its menu opens: below its left edge.
    const auto label = [&](int left, int width) {
        return barRect.topLeft() + QPoint(left + width / 2, 13);
    };
    const auto menu = [&](int left) { return barRect.topLeft() + QPoint(left, 22); };

    // File > Open Video File, from the bar.
    click(label(66, 37));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menuAt(x.dpy, menu(66)); })) << "no File menu";
    tool("xdotool", {"key", "o"});
    const Window dialog = waitForWindow(x.dpy, "Open Video File");
    ASSERT_NE(dialog, 0u);
    tool("xdotool", {"windowfocus", "--sync", QString::number(dialog)});
    QTest::qWait(700);
    tool("xdotool", {"key", "ctrl+a"});
    tool("xdotool", {"type", "--delay", "10", clip});
    tool("xdotool", {"key", "Return"});
    const Window video = waitForWindow(x.dpy, "Lumadeck Player. clip.mpg");
    ASSERT_NE(video, 0u) << "the clip did not open";
    QRect frame;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        frame = rectOf(x.dpy, video, true);
        return frame.top() == barRect.bottom() + 1;
    })) << "the video window's frame starts at "
        << frame.top() << ", the bar ends at " << barRect.bottom() + 1;
    EXPECT_LT(frame.top(), rectOf(x.dpy, video).top()) << "no title bar";

    // The View label takes the first click.
    click(label(156, 38));
    EXPECT_TRUE(QTest::qWaitFor([&] { return menuAt(x.dpy, menu(156)); })) << "no View menu";
    tool("xdotool", {"key", "Escape"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !menuAt(x.dpy, menu(156)); }));

    // Play List > Show Playlist; the window manager's Alt+F4 there closes
    // the compact player and with it the program.
    click(label(205, 44));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menuAt(x.dpy, menu(205)); })) << "no Play List menu";
    tool("xdotool", {"key", "s"});
    const Window playlist = waitForWindow(x.dpy, "(Lumadeck Play List.*|Play List .Lumadeck.*)");
    ASSERT_NE(playlist, 0u) << "no playlist window";
    tool("xdotool", {"windowactivate", "--sync", QString::number(playlist)});
    tool("xdotool", {"key", "alt+F4"});
    EXPECT_TRUE(program.process.waitForFinished(10000)) << "Alt+F4 left the program running";

    openbox.terminate();
    openbox.waitForFinished(3000);
}
