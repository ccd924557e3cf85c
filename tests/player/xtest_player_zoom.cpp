// Under Xvfb (OpenGL on the CPU, no Xv): the machine's probe picks the
// plain X sink, and every zoom size and full screen show the whole picture
// at the size and shape asked for.
#include "GstTestSupport.h"
#include "player/VideoSinkProbe.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <cmath>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// The control's picture area (above its panel) as the screen shows it.
QImage grab(GstMediaControl& c) {
    const QPoint origin = c.mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), c.width(), c.height() - c.PanelHeight())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel that is not black.
QRect pictureBounds(const QImage& image) {
    int left = image.width();
    int top = image.height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) + qGreen(p) + qBlue(p) > 60) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The mean difference per channel between two pictures of one size.
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

TEST(SoftwareVideoSink, TheProbeFindsOpenGlOnTheCpuAndNoXv) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const VideoSinkFacts facts = ProbeVideoSinkFacts();
    EXPECT_TRUE(facts.forced.isEmpty());
    if (facts.glWorks) {
        EXPECT_TRUE(IsSoftwareGlRenderer(facts.glRenderer)) << facts.glRenderer.toStdString();
    }
    EXPECT_FALSE(facts.xvPorts);
    EXPECT_EQ(ChooseVideoSink(facts), QStringLiteral("ximagesink"));

    // Where the display cannot tell, the renderer is asked by the program
    // started again in its probing mode: it prints the renderer and ends
    // before anything else of it runs (here Xvfb's, drawn on the CPU).
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUMADECK_GL_RENDERER_PROBE"), QStringLiteral("1"));
    probe.setProcessEnvironment(env);
    // (Should the probing mode not take over, the filter runs no test.)
    probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=-*")});
    ASSERT_TRUE(probe.waitForFinished(20000));
    EXPECT_EQ(probe.exitCode(), 0);
    const QString renderer = QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
    EXPECT_TRUE(IsSoftwareGlRenderer(renderer)) << renderer.toStdString();

    // The variable forces a sink by name.
    qputenv(ForcedVideoSinkVariable, "fakevideosink");
    EXPECT_EQ(ChooseVideoSink(ProbeVideoSinkFacts()), QStringLiteral("fakevideosink"));
    {
        GstMediaControl forced(nullptr, {QString(), QStringLiteral("fakeaudiosink")});
        EXPECT_EQ(forced.VideoSinkName(), QStringLiteral("fakevideosink"));
    }
    qunsetenv(ForcedVideoSinkVariable);
}

TEST(SoftwareVideoSink, EveryZoomSizeShowsTheWholePicture) {
    REQUIRE_MEDIA("clip.mpg");
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: black"));
    window.resize(900, 700);
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 900, 700);
    c.SetAllowChangeDisplaySize(true);
    c.SetDisplaySize(DisplaySizeCode::Default);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(c.VideoSinkName(), QStringLiteral("ximagesink"));

    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 10000))
        << c.ErrorDescription().toStdString();
    QTest::qWait(500);
    c.Pause();
    QTest::qWait(500);
    ASSERT_EQ(c.ImageSourceWidth(), 320);
    ASSERT_EQ(c.ImageSourceHeight(), 240);

    const QImage actual = grab(c);
    const QRect actualBounds = pictureBounds(actual);
    ASSERT_FALSE(actualBounds.isEmpty());
    const QImage reference = actual.copy(actualBounds).scaled(160, 120);

    struct Zoom {
        DisplaySizeCode code;
        const char* name;
        QSize size; // empty: the largest 4:3 size inside the picture area
    };
    const Zoom zooms[] = {
        {DisplaySizeCode::Half, "half", QSize(160, 120)},
        {DisplaySizeCode::Default, "actual", QSize(320, 240)},
        {DisplaySizeCode::Double, "double", QSize(640, 480)},
        {DisplaySizeCode::FitToWindow, "fit", QSize()},
        {DisplaySizeCode::FullScreen, "fullscreen", QSize()},
    };
    for (const Zoom& z : zooms) {
        c.SetDisplaySize(z.code);
        QTest::qWait(800);
        const QImage shot = grab(c);
        shot.save(QStringLiteral(LUMADECK_BUILD_DIR "/xtest_player_zoom_%1.png")
                      .arg(QLatin1String(z.name)));
        const QSize area = shot.size();
        QSize want = z.size;
        if (want.isEmpty()) {
            want = QSize(4, 3).scaled(area, Qt::KeepAspectRatio);
        }
        if (z.code == DisplaySizeCode::FullScreen) {
            // Without a window manager the window may keep its size.
            EXPECT_TRUE(c.isWindow());
        }
        const QRect bounds = pictureBounds(shot);
        // The size asked for, centred in the area.
        EXPECT_NEAR(bounds.width(), want.width(), 3) << z.name;
        EXPECT_NEAR(bounds.height(), want.height(), 3) << z.name;
        EXPECT_NEAR(bounds.center().x(), area.width() / 2, 3) << z.name;
        EXPECT_NEAR(bounds.center().y(), area.height() / 2, 3) << z.name;
        // The whole picture, not a part of it: scaled to one size it
        // matches the picture at its own size.
        if (!bounds.isEmpty()) {
            const QImage seen = shot.copy(bounds).scaled(160, 120);
            EXPECT_LT(meanDifference(seen, reference), 12.0) << z.name;
        }
    }
    c.SetDisplaySize(DisplaySizeCode::FitToWindow);
}

} // namespace
