// Under Xvfb (OpenGL on the CPU, no Xv), also on scaled screens (see CMakeLists.txt): the probe
// picks the plain X sink, every zoom size shows the whole picture at the size asked for times the
// scale, and keys and double clicks move it into full screen and back.
#include "GstTestSupport.h"
#include "player/VideoSinkProbe.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSet>
#include <memory>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// The control's picture area (above its panel) on screen, kept as xtest_player_NAME.png.
QImage grab(GstMediaControl& c, const QString& name) {
    const QPoint at = c.mapToGlobal(QPoint(0, 0));
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, at.x(), at.y(), c.width(), c.height() - c.PanelHeight())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    shot.save(QStringLiteral(LUMADECK_BUILD_DIR "/xtest_player_%1.png").arg(name));
    return shot;
}

template <typename F> void eachPixel(const QImage& image, F f) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            f(x, y, image.pixel(x, y));
        }
    }
}

int coloursIn(const QImage& image) {
    QSet<QRgb> colours;
    eachPixel(image, [&](int, int, QRgb p) { colours.insert(p & 0xf0f0f0); });
    return int(colours.size());
}

// The smallest rectangle holding every pixel that is not black.
QRect pictureBounds(const QImage& image) {
    QRect bounds;
    eachPixel(image, [&](int x, int y, QRgb p) {
        bounds |= qRed(p) + qGreen(p) + qBlue(p) > 60 ? QRect(x, y, 1, 1) : QRect();
    });
    return bounds;
}

// The mean difference per channel between two pictures of one size.
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    eachPixel(a, [&](int x, int y, QRgb p) {
        const QRgb q = b.pixel(x, y);
        sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
               std::abs(qBlue(p) - qBlue(q));
    });
    return sum / (3.0 * a.width() * a.height());
}

TEST(SoftwareVideoSink, TheProbeFindsOpenGlOnTheCpuAndNoXv) {
    const VideoSinkFacts facts = ProbeVideoSinkFacts();
    EXPECT_TRUE(facts.forced.isEmpty());
    EXPECT_TRUE(!facts.glWorks || IsSoftwareGlRenderer(facts.glRenderer));
    EXPECT_FALSE(facts.xvPorts);
    EXPECT_EQ(ChooseVideoSink(facts), QStringLiteral("ximagesink"));
    // Where the display cannot tell, the program run again in its probing mode prints the renderer.
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUMADECK_GL_RENDERER_PROBE"), QStringLiteral("1"));
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=-*")});
    ASSERT_TRUE(probe.waitForFinished(20000));
    EXPECT_EQ(probe.exitCode(), 0);
    EXPECT_TRUE(IsSoftwareGlRenderer(QString::fromLatin1(probe.readAllStandardOutput()).trimmed()));
    qputenv(ForcedVideoSinkVariable, "fakevideosink");
    EXPECT_EQ(GstMediaControl(nullptr, {QString(), "fakeaudiosink"}).VideoSinkName(),
              QStringLiteral("fakevideosink"));
    qunsetenv(ForcedVideoSinkVariable);
}

TEST(VideoOnScreen, EveryZoomSizeShowsTheWholePictureAndKeysChangeIt) {
    REQUIRE_MEDIA("clip.mpg");
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: black"));
    window.resize(900, 700);
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 900, 700);
    c.SetAllowChangeDisplaySize(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const qreal scale = window.devicePixelRatioF();
    EXPECT_EQ(scale, qEnvironmentVariable("LUMADECK_TEST_SCALE", "1").toDouble());
    EXPECT_EQ(c.VideoSinkName(), QStringLiteral("ximagesink"));
    EXPECT_LE(coloursIn(grab(c, "blank")), 4);

    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing)) << c.ErrorDescription().toStdString();
    QTest::qWait(500);
    c.Pause();
    QTest::qWait(500);
    ASSERT_EQ(QSize(c.ImageSourceWidth(), c.ImageSourceHeight()), QSize(320, 240));
    const QImage actual = grab(c, QStringLiteral("actual_%1").arg(scale));
    ASSERT_NEAR(actual.width(), qRound(c.width() * scale), 1) << "not grabbed in screen pixels";
    EXPECT_GT(coloursIn(actual), 8); // the test pattern's bars, not an empty control
    const QRect actualBounds = pictureBounds(actual);
    ASSERT_FALSE(actualBounds.isEmpty());
    const QImage reference = actual.copy(actualBounds).scaled(160, 120);
    using D = DisplaySizeCode;
    const struct { // smaller after larger: what is left of the larger picture shows in the bounds
        D code;
        const char* name;
        QSize size; // empty: the largest 4:3 size inside the picture area
    } zooms[] = {{D::Default, "actual", {320, 240}},
                 {D::Double, "double", {640, 480}},
                 {D::Half, "half", {160, 120}},
                 {D::FitToWindow, "fit", {}},
                 {D::FullScreen, "fullscreen", {}}};
    for (const auto& z : zooms) {
        SCOPED_TRACE(z.name);
        c.SetDisplaySize(z.code);
        QTest::qWait(800);
        const QImage shot = grab(c, QStringLiteral("%1_%2").arg(z.name).arg(scale));
        const QSize want = z.size.isEmpty() ? QSize(4, 3).scaled(shot.size(), Qt::KeepAspectRatio)
                                            : z.size * scale;
        EXPECT_EQ(c.isWindow(), z.code == DisplaySizeCode::FullScreen);
        const QRect bounds = pictureBounds(shot);
        EXPECT_NEAR(bounds.width(), want.width(), 3);
        EXPECT_NEAR(bounds.height(), want.height(), 3);
        EXPECT_LE((bounds.center() - shot.rect().center()).manhattanLength(), 5); // centred
        if (!bounds.isEmpty()) { // the whole picture, not a part of it
            EXPECT_LT(meanDifference(shot.copy(bounds).scaled(160, 120), reference), 12.0);
        }
    }

    // F11 enters full screen, Esc leaves it into the window; so do double clicks.
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
    QTest::mouseDClick(&c, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FullScreen);
    QTest::qWait(200);
    QTest::mouseDClick(&c, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    // Full screen is left even where the user may not enter it; Space resumes, the arrows seek.
    c.SetDisplaySize(DisplaySizeCode::FullScreen);
    c.SetAllowChangeDisplaySize(false);
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    QTest::keyClick(&c, Qt::Key_Space);
    EXPECT_TRUE(waitForState(c, PlayStateCode::Playing, 3000));
    QTest::keyClick(&c, Qt::Key_Left);
    EXPECT_LT(c.CurrentPosition(), 0.5);
    // All this without GStreamer's OpenGL library loaded.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("libgstgl-1.0"));
    // Sound only: the clip's title stands where the picture would be.
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.mp3")) && waitForOpen(c));
    QTest::qWait(200);
    EXPECT_GT(coloursIn(grab(c, "sound")), 1);
}

TEST(VideoOnScreen, AFullScreenControlGoesWithItsWindow) {
    auto window = std::make_unique<QWidget>();
    QPointer<GstMediaControl> c = new GstMediaControl(window.get(), fakeSinks());
    window->show();
    c->SetDisplaySize(DisplaySizeCode::FullScreen);
    EXPECT_TRUE(c->isWindow());
    window.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return c.isNull(); }, 2000));
}

} // namespace
