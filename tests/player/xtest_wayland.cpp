// Under weston with XWayland (tests/support/with-weston): left to choose, the
// real program's windows are X11 windows; told to use Wayland, it plays the
// colour bars inside its own window and nowhere else. The control on Qt's
// Wayland platform (run at scales 1 and 2) shows the picture at every zoom size
// and in full screen at the size asked for, in screen pixels.
#include "../support/PrivateBus.h"
#include "../support/XInput.h"
#include "GstTestSupport.h"
#include "player/VideoRect.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <numeric>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

#define REQUIRE_WAYLAND()                                                                          \
    if (const char* why = std::getenv("LUMADECK_NO_WAYLAND")) {                                    \
        GTEST_SKIP() << why;                                                                       \
    }                                                                                              \
    REQUIRE_MEDIA("bars.mpg")

QImage screenshot(const QString& name) {
    const QString file = QStringLiteral(LUMADECK_BUILD_DIR "/xtest_wayland_%1.png").arg(name);
    QProcess::execute(QStringLiteral(LUMADECK_SOURCE_DIR "/tests/support/with-weston"),
                      {QStringLiteral("--screenshot"), file});
    return QImage(file);
}

// The outer rectangles of a process's Wayland top-level windows, from the
// compositor's scene graph.
QList<QRect> topLevels(qint64 pid) {
    const QRegularExpression view(
        QStringLiteral("View \\d+ \\(role xdg_toplevel, PID (\\d+)[^\\n]*\\n\\s*position: "
                       "\\((-?\\d+), (-?\\d+)\\) -> \\((-?\\d+), (-?\\d+)\\)"));
    QList<QRect> found;
    for (auto it = view.globalMatch(xinput::x("weston-debug", {"scene-graph"})); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1).toLongLong() == pid) {
            found.append(QRect(QPoint(m.captured(2).toInt(), m.captured(3).toInt()),
                               QPoint(m.captured(4).toInt() - 1, m.captured(5).toInt() - 1)));
        }
    }
    return found;
}

// The process's viewable X11 windows (by their _NET_WM_PID).
int xWindowsOf(qint64 pid) {
    return int(xinput::x("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
                   .split('\n', Qt::SkipEmptyParts)
                   .size());
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

// The real program on a private bus and home; left to choose its platform with "".
struct Program : QProcess {
    Program(const QString& platform, const QStringList& args) {
        setProcessEnvironment(bus.programEnvironment(home.path(), platform));
        setProcessChannelMode(QProcess::ForwardedChannels);
        start(QStringLiteral(LUMADECK_BUILD_DIR "/lumadeck"), args);
        waitForStarted(10000);
    }
    ~Program() override {
        terminate();
        if (!waitForFinished(10000)) {
            kill();
            waitForFinished(5000);
        }
    }
    PrivateBus bus;
    QTemporaryDir home;
};

TEST(Wayland, LeftToChooseTheProgramUsesXWayland) {
    REQUIRE_WAYLAND();
    Program program(QString(), {});
    const qint64 pid = program.processId();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return xWindowsOf(pid) > 0; }, 30000))
        << "no X11 window of the program";
    EXPECT_TRUE(topLevels(pid).isEmpty()) << "a Wayland window of the program";
}

// Every top-level of the program is found; the picture is in one of them,
// whole (352 x 240, two thirds of it the six bars), and nowhere else.
TEST(Wayland, OnWaylandThePictureIsInsideThePlayersWindow) {
    REQUIRE_WAYLAND();
    Program program(QStringLiteral("wayland"), {mediaPath("bars.mpg")});
    const qint64 pid = program.processId();
    ASSERT_GT(pid, 0);
    QImage shot;
    QList<int> inside;
    const bool shown = QTest::qWaitFor(
        [&] {
            shot = screenshot("program");
            inside.clear();
            for (const QRect& w : topLevels(pid)) {
                inside.append(barPixels(shot, w));
            }
            return !inside.isEmpty() && *std::max_element(inside.begin(), inside.end()) > 40000;
        },
        30000);
    ASSERT_TRUE(shown) << "no picture in any window of the program";
    EXPECT_EQ(std::count_if(inside.begin(), inside.end(), [](int n) { return n > 0; }), 1)
        << "the picture is in more than one window";
    EXPECT_LT(barPixels(shot, shot.rect()) - std::accumulate(inside.begin(), inside.end(), 0), 200)
        << "colour bars outside the program's windows";
    EXPECT_EQ(xWindowsOf(pid), 0);
}

// The bars cover three fifths of the picture at every size: a picture of the
// wrong size, or an old one left around, shows.
TEST(Wayland, EveryZoomSizeAndFullScreen) {
    REQUIRE_WAYLAND();
    ASSERT_EQ(QGuiApplication::platformName(), "wayland");
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: black"));
    window.resize(600, 400);
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 600, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window) && c.Open(mediaPath("bars.mpg")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing));
    EXPECT_EQ(c.VideoSinkName(), QStringLiteral("appsink"));
    c.Pause();
    const qreal scale = window.devicePixelRatioF();
    EXPECT_EQ(scale, qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    const QSize source(c.ImageSourceWidth(), c.ImageSourceHeight());
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const struct {
        DisplaySizeCode code;
        const char* name;
    } zooms[] = {
        {DisplaySizeCode::Default, "actual"},  {DisplaySizeCode::Double, "double"},
        {DisplaySizeCode::Half, "half"},       {DisplaySizeCode::FitToWindow, "fit"},
        {DisplaySizeCode::FullScreen, "full"}, {DisplaySizeCode::Default, "back"},
    };
    for (const auto& z : zooms) {
        SCOPED_TRACE(z.name);
        c.SetDisplaySize(z.code);
        QTest::qWait(1000);
        const QImage shot = screenshot(QStringLiteral("%1_%2").arg(z.name).arg(scale));
        const QSize area = z.code == DisplaySizeCode::FullScreen ? screen : c.size();
        const QRect r = VideoRect(QRect(QPoint(0, 0), area - QSize(0, c.PanelHeight())), source,
                                  z.code, screen);
        EXPECT_NEAR(barPixels(shot, shot.rect()) / (r.width() * r.height() * scale * scale), 0.6,
                    0.07);
    }
    EXPECT_FALSE(c.isWindow());
}

} // namespace
