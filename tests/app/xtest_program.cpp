// The real program on a real X server: it starts, shows its main window,
// opens a clip through its File menu and shows the picture, closes through
// the window manager protocol and leaves its options and positions behind.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
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

// Types text and keys into the focused window, as a user would.
void keys(const QStringList& args) {
    QProcess::execute("xdotool", args);
}

// The program started with a fresh config and data folder, and its main
// window once it shows.
struct Program {
    Program() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QString(LUMADECK_BUILD_DIR) + "/lumadeck", {});
    }
    // Waits for a window with this title and returns it (0 if none came).
    Window waitForWindow(const xtest::Display& x, const std::string& title) {
        QElapsedTimer t;
        t.start();
        std::vector<Window> windows;
        while ((windows = xtest::findWindows(x.dpy, title)).empty() && t.elapsed() < 30000) {
            QThread::msleep(50);
        }
        QThread::msleep(300);
        return windows.empty() ? 0 : windows.front();
    }
    QTemporaryDir home;
    QProcess process;
};

} // namespace

TEST(Program, StartsOpensAClipThroughTheFileMenuShowsItsPictureAndSavesOnClose) {
    const QString clip = QString(LUMADECK_BUILD_DIR) + "/testmedia/clip.mpg";
    if (!QFile::exists(clip) || QStandardPaths::findExecutable("xdotool").isEmpty()) {
        GTEST_SKIP() << "test media or xdotool missing";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";
    Program program;
    const Window window = program.waitForWindow(x, "Lumadeck Player.");
    ASSERT_NE(window, 0u) << "the main window did not appear";
    screenshot("main-window.png");
    const QString id = QString::number(window);
    keys({"windowfocus", "--sync", id});
    keys({"key", "--window", id, "alt+f"});
    QThread::msleep(400);
    keys({"key", "o"});
    ASSERT_NE(program.waitForWindow(x, "Open Video File"), 0u) << "the open dialog did not appear";
    keys({"type", "--delay", "10", clip});
    keys({"key", "Return"});
    const Window playing = program.waitForWindow(x, "Lumadeck Player. clip.mpg");
    ASSERT_NE(playing, 0u) << "the clip did not start";
    // The title names the clip while it still opens; give the picture a few
    // seconds to come (opening alone takes over a second under Xvfb).
    const QString shot = QString(LUMADECK_BUILD_DIR) + "/screenshots/playing.png";
    QElapsedTimer waited;
    waited.start();
    int colours = 0;
    do {
        QThread::msleep(300);
        screenshot("playing.png");
        // The picture lies between the toolbar and the control's panel.
        colours = xtest::coloursIn(shot, QRect(0, 80, 640, 380));
    } while (colours <= 8 && waited.elapsed() < 6000);
    EXPECT_GT(colours, 8) << "no picture on the screen";

    // Closing through the window manager ends the program normally.
    xtest::requestClose(x.dpy, playing);
    ASSERT_TRUE(program.process.waitForFinished(20000)) << "the program did not end";
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    // The default options are saved...
    const QString ini = program.home.filePath("config/Lumadeck/Lumadeck.ini");
    ASSERT_TRUE(QFile::exists(ini));
    QSettings saved(ini, QSettings::IniFormat);
    saved.beginGroup("Options");
    EXPECT_EQ(saved.childKeys().size(), 5);
    EXPECT_EQ(saved.value("EnableCDNotify").toString(), "True");
    EXPECT_EQ(saved.value("SaveVideoPosition").toString(), "True");
    EXPECT_EQ(saved.value("ShowControlsOnFullScreen").toString(), "True");
    EXPECT_EQ(saved.value("ThinClient").toString(), "False");
    EXPECT_EQ(saved.value("DisplaySize").toString(), "0");
    // ...and the clip's position, with the database closed at the end: its
    // write-ahead log is folded back, nothing is left beside it.
    const QDir data(program.home.filePath("data/Lumadeck"));
    EXPECT_TRUE(data.exists("registry.sqlite"));
    EXPECT_EQ(data.entryList({"registry.sqlite*"}, QDir::Files | QDir::Hidden),
              QStringList({"registry.sqlite"}));
}
