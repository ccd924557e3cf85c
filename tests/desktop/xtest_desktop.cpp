// The real program on a real X server and a private session bus: started
// with a file name it plays it; a second start hands its file over and
// ends; the desktop's media controls pause it and end it.
#include "PrivateBus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

namespace {

void screenshot(const QString& name) {
    const QString dir = QString(LUMADECK_BUILD_DIR) + "/screenshots";
    QDir().mkpath(dir);
    QProcess::execute("import", {"-window", "root", dir + "/" + name});
}

Window waitForWindow(const xtest::Display& x, const std::string& title, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    std::vector<Window> windows;
    while ((windows = xtest::findWindows(x.dpy, title)).empty() && t.elapsed() < ms) {
        QThread::msleep(50);
    }
    return windows.empty() ? 0 : windows.front();
}

// A 30-second clip with a moving test pattern.
bool makeClip(const QString& path) {
    const QString args = "-hide_banner -loglevel error -nostdin -y"
                         " -f lavfi -i testsrc=size=320x240:rate=25:duration=30"
                         " -f lavfi -i sine=frequency=440:duration=30"
                         " -c:v mpeg1video -b:v 400k -c:a mp2 -f mpeg";
    return QProcess::execute("ffmpeg", args.split(' ') << path) == 0;
}

} // namespace

TEST(DesktopProgram, OpensItsFileHandsOverASecondStartAndAnswersMediaControls) {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
        QStandardPaths::findExecutable("gdbus").isEmpty()) {
        GTEST_SKIP() << "ffmpeg or gdbus missing";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";
    lumadeck::test::PrivateBus bus;
    ASSERT_TRUE(bus.running());
    QTemporaryDir home;
    QDir(home.path()).mkpath("Vidéos");
    ASSERT_TRUE(makeClip(home.filePath("Vidéos/clip one.mpg")));
    ASSERT_TRUE(makeClip(home.filePath("Vidéos/other.mpg")));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    env.insert("QT_QPA_PLATFORM", "xcb");
    const QString program = QString(LUMADECK_BUILD_DIR) + "/lumadeck";

    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(home.path());
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start(program, {"Vidéos/clip one.mpg"});
    ASSERT_TRUE(first.waitForStarted(10000));
    const Window playing = waitForWindow(x, "Lumadeck Player. clip one.mpg");
    ASSERT_NE(playing, 0u) << "the file named on the command line did not start";
    // The picture lies between the toolbar and the control's panel; on a
    // busy machine the first frames may take a while.
    const QString shot = QString(LUMADECK_BUILD_DIR) + "/screenshots/desktop-command-line.png";
    QElapsedTimer t;
    t.start();
    int colours = 0;
    do {
        QThread::msleep(500);
        screenshot("desktop-command-line.png");
        colours = xtest::coloursIn(shot, QRect(0, 80, 640, 380));
    } while (colours <= 8 && t.elapsed() < 20000);
    EXPECT_GT(colours, 8) << "no picture on the screen";

    // A second start hands its file to the first and ends at once.
    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(home.filePath("Vidéos"));
    second.start(program, {"other.mpg"});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_NE(waitForWindow(x, "Lumadeck Player. other.mpg"), 0u) << "the first did not take it";
    EXPECT_EQ(first.state(), QProcess::Running);

    // The desktop's play/pause control.
    QThread::msleep(1000);
    const int rc = QProcess::execute("gdbus", {"call", "--address", bus.address(), "--dest",
                                               "org.mpris.MediaPlayer2.lumadeck", "--object-path",
                                               "/org/mpris/MediaPlayer2", "--method",
                                               "org.mpris.MediaPlayer2.Player.PlayPause"});
    EXPECT_EQ(rc, 0);
    EXPECT_NE(waitForWindow(x, "Lumadeck Player. other.mpg (Paused)", 10000), 0u)
        << "PlayPause did not pause";
    screenshot("desktop-paused.png");

    // And Quit ends the program as its Exit command does.
    QProcess::execute("gdbus",
                      {"call", "--address", bus.address(), "--dest",
                       "org.mpris.MediaPlayer2.lumadeck", "--object-path",
                       "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit"});
    ASSERT_TRUE(first.waitForFinished(20000)) << "Quit did not end the program";
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(home.filePath("config/Lumadeck/Lumadeck.ini")))
        << "the options were not saved on the way out";
}
