// The real program under a Wayland compositor (weston, headless, drawn by
// pixman) that also runs XWayland, started by the test on a private socket:
// left to choose, the program's windows are X11 windows; told to use
// Wayland, it plays the colour bars inside its own window and no other
// window of it holds the picture. The control alone, on Qt's Wayland
// platform at scales 1 and 2, shows the picture at every zoom size and in
// full screen at the size asked for, in screen pixels.
#include "../desktop/PrivateBus.h"
#include "player/GstMediaControl.h"
#include "player/VideoRect.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

namespace {

constexpr const char* ChildVariable = "LUMADECK_TEST_WAYLAND_CHILD";

// weston with XWayland on a socket of its own, in a runtime folder of its own.
class Weston {
public:
    Weston() {
        for (const char* tool : {"weston", "weston-screenshooter", "weston-debug", "Xwayland"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                m_missing = QStringLiteral("%1 is not installed (scripts/install-deps installs it)")
                                .arg(QLatin1String(tool));
                return;
            }
        }
        // XWayland's sockets go where every X server's go.
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix"))) {
            ::mkdir("/tmp/.X11-unix", 01777);
            ::chmod("/tmp/.X11-unix", 01777);
        }
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_socket = QStringLiteral("lumadeck-test-%1").arg(::getpid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(QStringLiteral("weston"),
                        {QStringLiteral("--backend=headless-backend.so"),
                         QStringLiteral("--use-pixman"), QStringLiteral("--socket=") + m_socket,
                         QStringLiteral("--xwayland"), QStringLiteral("--debug"),
                         QStringLiteral("--width=1280"), QStringLiteral("--height=1024"),
                         QStringLiteral("--idle-time=0"), QStringLiteral("--no-config")});
        const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
        QString log;
        (void)QTest::qWaitFor(
            [&] {
                log += QString::fromLocal8Bit(m_process.readAll());
                const auto match = listening.match(log);
                m_display = match.hasMatch() ? match.captured(1) : QString();
                return !m_display.isEmpty() || m_process.state() == QProcess::NotRunning;
            },
            20000);
        if (m_display.isEmpty()) {
            m_missing = QStringLiteral("weston did not start:\n") + log;
        }
    }
    ~Weston() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Why the compositor is not there; "" when it runs.
    QString missing() const { return m_missing; }
    QString xDisplay() const { return m_display; }

    void addTo(QProcessEnvironment& env) const {
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        env.insert(QStringLiteral("DISPLAY"), m_display);
    }

    // Runs one of weston's clients to its end and returns what it printed.
    QByteArray run(const QString& tool, const QStringList& args, const QString& folder = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        addTo(env);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder.isEmpty() ? m_runtime.path() : folder);
        p.start(tool, args);
        if (!p.waitForFinished(15000)) {
            p.kill();
            p.waitForFinished(2000);
        }
        return p.readAllStandardOutput();
    }

    // The outer rectangles of a process's Wayland top-level windows, from the
    // compositor's scene graph.
    QList<QRect> topLevels(qint64 pid) {
        const QString graph =
            QString::fromUtf8(run(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")}));
        const QRegularExpression view(
            QStringLiteral("View \\d+ \\(role xdg_toplevel, PID (\\d+)[^\\n]*\\n\\s*position: "
                           "\\((-?\\d+), (-?\\d+)\\) -> \\((-?\\d+), (-?\\d+)\\)"));
        QList<QRect> found;
        for (auto it = view.globalMatch(graph); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(1).toLongLong() == pid) {
                found.append(QRect(QPoint(m.captured(2).toInt(), m.captured(3).toInt()),
                                   QPoint(m.captured(4).toInt() - 1, m.captured(5).toInt() - 1)));
            }
        }
        return found;
    }

    QImage screenshot() {
        QTemporaryDir folder;
        run(QStringLiteral("weston-screenshooter"), {}, folder.path());
        const QStringList shots = QDir(folder.path()).entryList({QStringLiteral("*.png")});
        return shots.isEmpty() ? QImage() : QImage(folder.filePath(shots.first()));
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_process;
    QString m_socket;
    QString m_display;
    QString m_missing;
};

// The viewable X windows anywhere in the tree that belong to a process.
int xWindowsOf(::Display* dpy, Window w, long pid) {
    int n = 0;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
        n += count == 1 && *reinterpret_cast<long*>(data) == pid && xtest::isViewable(dpy, w);
        XFree(data);
    }
    Window root, parent, *children = nullptr;
    unsigned int k = 0;
    if (XQueryTree(dpy, w, &root, &parent, &children, &k)) {
        for (unsigned int i = 0; i < k; ++i) {
            n += xWindowsOf(dpy, children[i], pid);
        }
        if (children) {
            XFree(children);
        }
    }
    return n;
}

// Pixels of the clip's six saturated colour bars inside a rectangle.
int barPixels(const QImage& image, const QRect& area) {
    int n = 0;
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::max({qRed(p), qGreen(p), qBlue(p)}) > 140 &&
                 std::min({qRed(p), qGreen(p), qBlue(p)}) < 50;
        }
    }
    return n;
}

struct Program {
    Program(Weston& weston, const QString& platform, const QStringList& args) {
        QProcessEnvironment env = bus.programEnvironment(home.path(), platform);
        if (platform.isEmpty()) {
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
        weston.addTo(env);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(LUMADECK_BUILD_DIR "/lumadeck"), args);
        process.waitForStarted(10000);
    }
    ~Program() {
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    lumadeck::test::PrivateBus bus;
    QTemporaryDir home;
    QProcess process;
};

TEST(Wayland, LeftToChooseTheProgramUsesXWayland) {
    Weston weston;
    if (!weston.missing().isEmpty()) {
        GTEST_SKIP() << weston.missing().toStdString();
    }
    Program program(weston, QString(), {});
    const qint64 pid = program.process.processId();
    ASSERT_GT(pid, 0);
    qputenv("DISPLAY", weston.xDisplay().toLocal8Bit());
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "XWayland did not start";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return xWindowsOf(x.dpy, DefaultRootWindow(x.dpy), long(pid)) > 0; }, 30000))
        << "no X11 window of the program";
    EXPECT_TRUE(weston.topLevels(pid).isEmpty()) << "a Wayland window of the program";
}

TEST(Wayland, OnWaylandThePictureIsInsideThePlayersWindow) {
    const QString clip = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/bars.mpg");
    if (!QFile::exists(clip)) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    Weston weston;
    if (!weston.missing().isEmpty()) {
        GTEST_SKIP() << weston.missing().toStdString();
    }
    Program program(weston, QStringLiteral("wayland"), {clip});
    const qint64 pid = program.process.processId();
    ASSERT_GT(pid, 0);

    // Every top-level of the program is found; the picture is in one of
    // them, whole (352 x 240, two thirds of it the six bars), and nowhere
    // else on the screen.
    QList<QRect> windows;
    QImage shot;
    QList<int> inside;
    const auto pictureShown = [&] {
        windows = weston.topLevels(pid);
        shot = weston.screenshot();
        inside.clear();
        for (const QRect& w : windows) {
            inside.append(barPixels(shot, w));
        }
        return !inside.isEmpty() && *std::max_element(inside.begin(), inside.end()) > 40000;
    };
    const bool shown = QTest::qWaitFor(pictureShown, 30000);
    shot.save(QStringLiteral(LUMADECK_BUILD_DIR "/xtest_wayland.png"));
    ASSERT_TRUE(shown) << "no picture in any window of the program";
    EXPECT_EQ(std::count_if(inside.begin(), inside.end(), [](int n) { return n > 0; }), 1)
        << "the picture is in more than one window";
    int total = barPixels(shot, shot.rect());
    for (int n : inside) {
        total -= n;
    }
    EXPECT_LT(total, 200) << "colour bars outside the program's windows";
    // No X11 window either.
    qputenv("DISPLAY", weston.xDisplay().toLocal8Bit());
    xtest::Display x;
    if (x.dpy) {
        EXPECT_EQ(xWindowsOf(x.dpy, DefaultRootWindow(x.dpy), long(pid)), 0);
    }
}

// Run by the next test inside its compositor, on Qt's Wayland platform.
TEST(WaylandChild, EveryZoomSizeAndFullScreen) {
    using namespace lumadeck;
    if (qEnvironmentVariableIsEmpty(ChildVariable)) {
        GTEST_SKIP() << "runs in the process Wayland.EveryZoomSizeAndFullScreen starts";
    }
    ASSERT_EQ(QGuiApplication::platformName(), "wayland");
    const QString clip = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/bars.mpg");
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: black"));
    window.resize(600, 400);
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 600, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(c.Open(clip));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 10000));
    EXPECT_EQ(c.VideoSinkName(), QStringLiteral("appsink"));
    c.Pause();
    const qreal scale = window.devicePixelRatioF();
    const QSize source(c.ImageSourceWidth(), c.ImageSourceHeight());
    const QSize screen = QGuiApplication::primaryScreen()->size();
    // The picture's area in screen pixels where VideoRect puts it.
    const auto pictureArea = [&](DisplaySizeCode code) {
        const bool full = code == DisplaySizeCode::FullScreen;
        const QSize control = full ? screen : c.size();
        const QRect r = VideoRect(QRect(QPoint(0, 0), control - QSize(0, c.PanelHeight())), source,
                                  code, screen);
        return r.width() * scale * r.height() * scale;
    };
    const struct {
        DisplaySizeCode code;
        const char* name;
    } zooms[] = {
        {DisplaySizeCode::Default, "actual"},  {DisplaySizeCode::Double, "double"},
        {DisplaySizeCode::Half, "half"},       {DisplaySizeCode::FitToWindow, "fit"},
        {DisplaySizeCode::FullScreen, "full"}, {DisplaySizeCode::Default, "back"},
    };
    double barsPerPixel = 0;
    for (const auto& z : zooms) {
        SCOPED_TRACE(z.name);
        c.SetDisplaySize(z.code);
        QTest::qWait(1000);
        QTemporaryDir folder;
        QProcess shooter;
        shooter.setWorkingDirectory(folder.path());
        shooter.start(QStringLiteral("weston-screenshooter"), {});
        ASSERT_TRUE(shooter.waitForFinished(10000));
        const QStringList shots = QDir(folder.path()).entryList({QStringLiteral("*.png")});
        ASSERT_EQ(shots.size(), 1);
        const QImage shot(folder.filePath(shots.first()));
        shot.save(
            QStringLiteral(LUMADECK_BUILD_DIR "/xtest_wayland_%1_%2.png").arg(z.name).arg(scale));
        // The bars cover the same share of the picture at every size: a
        // picture of the wrong size, or an old one left around, shows.
        const double perPixel = barPixels(shot, shot.rect()) / pictureArea(z.code);
        if (barsPerPixel == 0) {
            barsPerPixel = perPixel;
            EXPECT_NEAR(perPixel, 0.6, 0.05);
        } else {
            EXPECT_NEAR(perPixel / barsPerPixel, 1.0, 0.1);
        }
    }
    EXPECT_FALSE(c.isWindow());
}

TEST(Wayland, EveryZoomSizeAndFullScreen) {
    if (!QFile::exists(QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/bars.mpg"))) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    Weston weston;
    if (!weston.missing().isEmpty()) {
        GTEST_SKIP() << weston.missing().toStdString();
    }
    for (const char* scale : {"1", "2"}) {
        SCOPED_TRACE(scale);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        weston.addTo(env);
        env.insert(QString::fromLatin1(ChildVariable), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=WaylandChild.*")});
        ASSERT_TRUE(child.waitForFinished(90000));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0);
    }
}

} // namespace
