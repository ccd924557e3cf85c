// The real program on a real X server: it starts, shows its main window,
// closes through the window manager protocol and leaves its options behind.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

namespace {

// Polls until pred() holds or the time runs out.
template <class Pred> bool waitFor(Pred pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (pred()) {
            return true;
        }
        QThread::msleep(50);
    }
    return pred();
}

void screenshot(const QString& name) {
    const QString dir = QString(LUMADECK_BUILD_DIR) + "/screenshots";
    QDir().mkpath(dir);
    QProcess::execute("import", {"-window", "root", dir + "/" + name});
}

// Types text and keys into the focused window, as a user would.
void keys(const QStringList& args) {
    QProcess::execute("xdotool", args);
}

// How many distinct colours a screenshot shows inside a rectangle.
int coloursIn(const QString& png, const QRect& area) {
    const QImage image(png);
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom() && y < image.height(); y += 3) {
        for (int x = area.left(); x <= area.right() && x < image.width(); x += 3) {
            colours.insert(image.pixel(x, y) & 0xf0f0f0);
        }
    }
    return int(colours.size());
}

} // namespace

TEST(Program, StartsShowsTheMainWindowAndSavesTheDefaultOptionsOnClose) {
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";

    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString(LUMADECK_BUILD_DIR) + "/lumadeck", {});
    ASSERT_TRUE(program.waitForStarted(10000));

    std::vector<Window> windows;
    ASSERT_TRUE(waitFor(
        [&] {
            windows = xtest::findWindows(x.dpy, "Lumadeck Player.");
            return !windows.empty();
        },
        30000))
        << "the main window did not appear";
    QThread::msleep(300);
    screenshot("main-window.png");

    xtest::requestClose(x.dpy, windows.front());
    ASSERT_TRUE(program.waitForFinished(20000)) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const QString ini = home.filePath("config/Lumadeck/Lumadeck.ini");
    ASSERT_TRUE(QFile::exists(ini));
    QSettings saved(ini, QSettings::IniFormat);
    saved.beginGroup("Options");
    EXPECT_EQ(saved.childKeys().size(), 5);
    EXPECT_EQ(saved.value("EnableCDNotify").toString(), "True");
    EXPECT_EQ(saved.value("SaveVideoPosition").toString(), "True");
    EXPECT_EQ(saved.value("ShowControlsOnFullScreen").toString(), "True");
    EXPECT_EQ(saved.value("ThinClient").toString(), "False");
    EXPECT_EQ(saved.value("DisplaySize").toString(), "0");
}

TEST(Program, OpensAClipThroughTheFileMenuAndShowsItsPicture) {
    const QString clip = QString(LUMADECK_BUILD_DIR) + "/testmedia/clip.mpg";
    if (!QFile::exists(clip) || QStandardPaths::findExecutable("xdotool").isEmpty()) {
        GTEST_SKIP() << "test media or xdotool missing";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";
    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString(LUMADECK_BUILD_DIR) + "/lumadeck", {});
    ASSERT_TRUE(program.waitForStarted(10000));
    std::vector<Window> windows;
    ASSERT_TRUE(waitFor(
        [&] {
            windows = xtest::findWindows(x.dpy, "Lumadeck Player.");
            return !windows.empty();
        },
        30000));
    QThread::msleep(300);
    const QString id = QString::number(windows.front());
    keys({"windowfocus", "--sync", id});
    keys({"key", "--window", id, "alt+f"});
    QThread::msleep(400);
    keys({"key", "o"});
    ASSERT_TRUE(
        waitFor([&] { return !xtest::findWindows(x.dpy, "Open Video File").empty(); }, 15000))
        << "the open dialog did not appear";
    QThread::msleep(300);
    keys({"type", "--delay", "10", clip});
    keys({"key", "Return"});
    ASSERT_TRUE(waitFor(
        [&] { return !xtest::findWindows(x.dpy, "Lumadeck Player. clip.mpg").empty(); }, 20000))
        << "the clip did not start";
    QThread::msleep(1200);
    const QString shot = QString(LUMADECK_BUILD_DIR) + "/screenshots/playing.png";
    screenshot("playing.png");
    // The picture lies between the toolbar and the control's panel.
    EXPECT_GT(coloursIn(shot, QRect(0, 80, 640, 380)), 8) << "no picture on the screen";

    xtest::requestClose(x.dpy, xtest::findWindows(x.dpy, "Lumadeck Player. clip.mpg").front());
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 0);
}
