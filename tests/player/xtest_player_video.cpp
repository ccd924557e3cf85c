// Under a real X server: the control shows the test pattern in its window,
// and F11 / Esc and double clicks move it into full screen and back.
#include "GstTestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QVBoxLayout>
#include <memory>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// How many different colours the screen shows inside the rectangle.
int coloursIn(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            colours.insert(image.pixel(x, y) & 0xf0f0f0);
        }
    }
    return int(colours.size());
}

// The picture area of the control (above its panel), as the screen shows it.
QImage grab(GstMediaControl& c) {
    const QPoint origin = c.mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), c.width(), c.height() - c.PanelHeight())
        .toImage();
}

TEST(VideoOnScreen, TheTestPatternIsDrawnIntoTheControl) {
    REQUIRE_MEDIA("clip.mpg");
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    QWidget window;
    window.resize(480, 400);
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 480, 400);
    c.SetDisplaySize(DisplaySizeCode::FitToWindow);
    c.SetAllowChangeDisplaySize(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const int blank = coloursIn(grab(c));

    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 10000))
        << c.ErrorDescription().toStdString();
    QTest::qWait(700);
    c.Pause();
    QTest::qWait(300);
    const QImage shot = grab(c);
    shot.save(QStringLiteral(LUMADECK_BUILD_DIR "/xtest_player_video.png"));
    // The test pattern has many colour bars; an empty black control has one.
    EXPECT_GT(coloursIn(shot), 8) << "video sink " << c.VideoSinkName().toStdString();
    EXPECT_LE(blank, 4);

    // F11 enters full screen, Esc leaves it.
    c.setFocus();
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FullScreen);
    EXPECT_TRUE(c.isWindow());
    QTest::qWait(300);
    QTest::keyClick(&c, Qt::Key_Escape);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    EXPECT_EQ(c.parentWidget(), &window);
    EXPECT_EQ(c.geometry(), QRect(0, 0, 480, 400));

    // A double click on the picture does the same.
    QTest::mouseDClick(&c, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FullScreen);
    QTest::qWait(200);
    QTest::mouseDClick(&c, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);

    // Full screen is left with Esc even where the user may not enter it.
    c.SetDisplaySize(DisplaySizeCode::FullScreen);
    c.SetAllowChangeDisplaySize(false);
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    QTest::keyClick(&c, Qt::Key_F11);
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::FitToWindow);
    c.SetAllowChangeDisplaySize(true);

    // Space resumes, the arrows seek.
    QTest::keyClick(&c, Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 3000));
    QTest::keyClick(&c, Qt::Key_Left);
    EXPECT_LT(c.CurrentPosition(), 0.5);

    // Sound only: the clip's title stands where the picture would be.
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.mp3")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.OpenState() == OpenStateCode::Open; }, 10000));
    QTest::qWait(200);
    const QImage sound = grab(c);
    sound.save(QStringLiteral(LUMADECK_BUILD_DIR "/xtest_player_sound.png"));
    EXPECT_GT(coloursIn(sound), 1);
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
