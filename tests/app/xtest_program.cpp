// The real program on a real X server: it starts, shows its main window,
// closes through the window manager protocol and leaves its options behind.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
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
