// Under Xvfb (OpenGL on the CPU, no Xv): the machine's probe picks the plain
// X sink, every zoom size shows the whole picture at the size and shape
// asked for, and keys and double clicks move it into full screen and back.
#include "GstTestSupport.h"
#include "player/VideoSinkProbe.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <cmath>
#include <memory>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

int coloursIn(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            colours.insert(image.pixel(x, y) & 0xf0f0f0);
        }
    }
    return int(colours.size());
}

// The smallest rectangle holding every pixel that is not black.
QRect pictureBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) + qGreen(p) + qBlue(p) > 60) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
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
    {
        GstMediaControl forced(nullptr, {QString(), QStringLiteral("fakeaudiosink")});
        EXPECT_EQ(forced.VideoSinkName(), QStringLiteral("fakevideosink"));
    }
    qunsetenv(ForcedVideoSinkVariable);
}

TEST(VideoOnScreen, EveryZoomSizeShowsTheWholePictureAndKeysChangeIt) {
    REQUIRE_MEDIA("clip.mpg");
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: black"));
    window.resize(900, 700);
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 900, 700);
    c.SetAllowChangeDisplaySize(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(c.VideoSinkName(), QStringLiteral("ximagesink"));
    EXPECT_LE(coloursIn(grab(c, "player", "blank")), 4);

    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing)) << c.ErrorDescription().toStdString();
    QTest::qWait(500);
    c.Pause();
    QTest::qWait(500);
    ASSERT_EQ(c.ImageSourceWidth(), 320);
    ASSERT_EQ(c.ImageSourceHeight(), 240);
    const QImage actual = grab(c, "player", "actual");
    // The test pattern has many colour bars; an empty black control has one.
    EXPECT_GT(coloursIn(actual), 8);
    const QRect actualBounds = pictureBounds(actual);
    ASSERT_FALSE(actualBounds.isEmpty());
    const QImage reference = actual.copy(actualBounds).scaled(160, 120);

    const struct {
        DisplaySizeCode code;
        const char* name;
        QSize size; // empty: the largest 4:3 size inside the picture area
    } zooms[] = {
        {DisplaySizeCode::Half, "half", QSize(160, 120)},
        {DisplaySizeCode::Default, "actual", QSize(320, 240)},
        {DisplaySizeCode::Double, "double", QSize(640, 480)},
        {DisplaySizeCode::FitToWindow, "fit", QSize()},
        {DisplaySizeCode::FullScreen, "fullscreen", QSize()},
    };
    for (const auto& z : zooms) {
        SCOPED_TRACE(z.name);
        c.SetDisplaySize(z.code);
        QTest::qWait(800);
        const QImage shot = grab(c, "player", QStringLiteral("zoom_") + z.name);
        const QSize want =
            z.size.isEmpty() ? QSize(4, 3).scaled(shot.size(), Qt::KeepAspectRatio) : z.size;
        // Without a window manager a full-screen window may keep its size.
        EXPECT_EQ(c.isWindow(), z.code == DisplaySizeCode::FullScreen);
        // The size asked for, centred in the area.
        const QRect bounds = pictureBounds(shot);
        EXPECT_NEAR(bounds.width(), want.width(), 3);
        EXPECT_NEAR(bounds.height(), want.height(), 3);
        EXPECT_NEAR(bounds.center().x(), shot.width() / 2, 3);
        EXPECT_NEAR(bounds.center().y(), shot.height() / 2, 3);
        // The whole picture, not a part of it: scaled to one size it
        // matches the picture at its own size.
        if (!bounds.isEmpty()) {
            EXPECT_LT(meanDifference(shot.copy(bounds).scaled(160, 120), reference), 12.0);
        }
    }

    // F11 enters full screen, Esc leaves it back into the window.
    c.SetDisplaySize(DisplaySizeCode::FitToWindow);
    c.setFocus();
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FullScreen);
    EXPECT_TRUE(c.isWindow());
    QTest::qWait(300);
    QTest::keyClick(&c, Qt::Key_Escape);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    EXPECT_EQ(c.parentWidget(), &window);
    EXPECT_EQ(c.geometry(), QRect(0, 0, 900, 700));
    // A double click on the picture does the same.
    QTest::mouseDClick(&c, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FullScreen);
    QTest::qWait(200);
    QTest::mouseDClick(&c, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    // Full screen is left even where the user may not enter it.
    c.SetDisplaySize(DisplaySizeCode::FullScreen);
    c.SetAllowChangeDisplaySize(false);
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);

    // Space resumes, the arrows seek.
    QTest::keyClick(&c, Qt::Key_Space);
    EXPECT_TRUE(waitForState(c, PlayStateCode::Playing, 3000));
    QTest::keyClick(&c, Qt::Key_Left);
    EXPECT_LT(c.CurrentPosition(), 0.5);

    // The player drew all this without GStreamer's OpenGL library (and the
    // OpenGL, DRM and Wayland libraries behind it) ever being loaded.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("libgstgl-1.0"));

    // Sound only: the clip's title stands where the picture would be.
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.mp3")));
    ASSERT_TRUE(waitForOpen(c));
    QTest::qWait(200);
    EXPECT_GT(coloursIn(grab(c, "player", "sound")), 1);
}

TEST(VideoOnScreen, AFullScreenControlGoesWithItsWindow) {
    auto window = std::make_unique<QWidget>();
    window->resize(320, 240);
    QPointer<GstMediaControl> c = new GstMediaControl(window.get(), fakeSinks());
    window->show();
    c->SetDisplaySize(DisplaySizeCode::FullScreen);
    EXPECT_TRUE(c->isWindow());
    window.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return c.isNull(); }, 2000));
}

} // namespace
