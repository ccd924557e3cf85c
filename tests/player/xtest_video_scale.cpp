// Under Xvfb on a scaled screen (QT_SCALE_FACTOR, or Xft.dpi 192): the
// picture covers the clip's size times the scale in screen pixels, and a
// picture made smaller leaves nothing of itself around its new place. The
// scale is fixed when the application starts, so each one is tried in a
// process of its own (this program, started again for one test).
#include "GstTestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <cmath>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

constexpr const char* ChildVariable = "LUMADECK_TEST_SCALE_CHILD";

bool lit(QRgb p) {
    return qRed(p) + qGreen(p) + qBlue(p) > 60;
}

// Pixels of the six saturated colour bars (one channel off, the others on
// or one of them), however the picture was scaled.
int barPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
            const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
            n += hi > 140 && lo < 50;
        }
    }
    return n;
}

QRect litBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (lit(image.pixel(x, y))) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

// Run in the child: plays the colour bars at 100 %, prints the bars' area,
// then zooms 200 % -> 50 % and checks the picture's place.
TEST(VideoScaleChild, PictureAtThisScale) {
    if (qEnvironmentVariableIsEmpty(ChildVariable)) {
        GTEST_SKIP() << "runs in the processes VideoScale starts";
    }
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: black"));
    window.resize(600, 480);
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 600, 480);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const qreal scale = window.devicePixelRatioF();
    std::printf("scale=%.3f\n", scale);

    ASSERT_TRUE(c.Open(mediaPath("bars.mpg")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing)) << c.ErrorDescription().toStdString();
    QTest::qWait(500);
    c.Pause();
    QTest::qWait(600);
    ASSERT_EQ(QSize(c.ImageSourceWidth(), c.ImageSourceHeight()), QSize(352, 240));

    const QImage actual = grab(c, "scale", QStringLiteral("actual_%1").arg(scale));
    ASSERT_NEAR(actual.width(), qRound(c.width() * scale), 1) << "not grabbed in screen pixels";
    const QRect bounds = litBounds(actual);
    EXPECT_NEAR(bounds.width(), 352 * scale, 3);
    EXPECT_NEAR(bounds.height(), 240 * scale, 3);
    std::printf("bars=%d\n", barPixels(actual));

    c.SetDisplaySize(DisplaySizeCode::Double);
    QTest::qWait(800);
    c.SetDisplaySize(DisplaySizeCode::Half);
    QTest::qWait(800);
    const QImage half = grab(c, "scale", QStringLiteral("half_%1").arg(scale));
    // The picture at half size, centred, and nothing lit around it.
    const QSize want(qRound(176 * scale), qRound(120 * scale));
    const QRect expected(
        QPoint((half.width() - want.width()) / 2, (half.height() - want.height()) / 2), want);
    const QRect margin = expected.adjusted(-2, -2, 2, 2);
    int stale = 0;
    for (int y = 0; y < half.height(); ++y) {
        for (int x = 0; x < half.width(); ++x) {
            stale += !margin.contains(x, y) && lit(half.pixel(x, y));
        }
    }
    EXPECT_EQ(stale, 0) << "pixels of the old picture outside the new one";
    EXPECT_GT(barPixels(half.copy(expected)), want.width() * want.height() / 3);
}

struct ScaleRun {
    qreal scale = 0;
    int bars = 0;
    bool passed = false;
};

// Runs the child test with the scale the environment sets.
ScaleRun runAt(const char* variable, const char* value) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildVariable), QStringLiteral("1"));
    if (variable) {
        env.insert(QString::fromLatin1(variable), QString::fromLatin1(value));
    }
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=VideoScaleChild.*")});
    ScaleRun run;
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return run;
    }
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    std::fputs(out.toLocal8Bit().constData(), stdout);
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("scale="))) {
            run.scale = line.mid(6).toDouble();
        } else if (line.startsWith(QLatin1String("bars="))) {
            run.bars = line.mid(5).toInt();
        }
    }
    run.passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return run;
}

// Sets (or, with "", removes) the X resources Qt reads its dpi from.
void setXResources(const char* text) {
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr);
    const Atom resources = XInternAtom(x.dpy, "RESOURCE_MANAGER", False);
    if (*text) {
        XChangeProperty(x.dpy, DefaultRootWindow(x.dpy), resources, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text), int(std::strlen(text)));
    } else {
        XDeleteProperty(x.dpy, DefaultRootWindow(x.dpy), resources);
    }
    XSync(x.dpy, False);
}

TEST(VideoScale, ThePictureGrowsWithTheScaleAndLeavesNothingBehind) {
    REQUIRE_MEDIA("bars.mpg");
    const ScaleRun one = runAt(nullptr, nullptr);
    ASSERT_TRUE(one.passed);
    ASSERT_EQ(one.scale, 1.0);
    ASSERT_GT(one.bars, 352 * 240 / 3);
    const struct {
        const char* variable;
        const char* value;
        qreal scale;
    } cases[] = {
        {"QT_SCALE_FACTOR", "2", 2.0},
        {"QT_SCALE_FACTOR", "1.5", 1.5},
        {"QT_SCALE_FACTOR", "1.25", 1.25},
        {nullptr, "Xft.dpi:\t192\n", 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variable ? c.value : "Xft.dpi 192");
        if (!c.variable) {
            setXResources(c.value);
        }
        const ScaleRun run = runAt(c.variable, c.value);
        if (!c.variable) {
            setXResources("");
        }
        EXPECT_TRUE(run.passed);
        EXPECT_EQ(run.scale, c.scale);
        // The colour bars cover scale² times the pixels (within 10 %).
        EXPECT_NEAR(double(run.bars) / one.bars, c.scale * c.scale, 0.1 * c.scale * c.scale);
    }
}

} // namespace
