// Under weston (tests/support/with-weston), at scales 1 and 2: the control on Qt's Wayland platform
// shows the picture in its own window at every zoom size and in full screen at the size asked for.
#include "GstTestSupport.h"
#include "player/VideoRect.h"

#include <QProcess>

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

// The bars cover three fifths of the picture at every size: a picture of the wrong size, an old
// one left around or one in a window of its own shows.
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
