// The real program on a real X server and a private session bus, from its
// start with a file to its close through the window manager, which saves.
#include "../support/PrivateBus.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

namespace {

Window waitForWindow(const xtest::Display& x, const std::string& title, int ms = 30000) {
    std::vector<Window> windows;
    const auto found = [&] { return !(windows = xtest::findWindows(x.dpy, title)).empty(); };
    return QTest::qWaitFor(found, ms) ? windows.front() : 0;
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

TEST(DesktopProgram, PlaysItsFileTakesASecondStartsAnswersMediaControlsAndSavesOnClose) {
    for (const char* tool : {"ffmpeg", "gdbus"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            GTEST_SKIP() << tool << " is not installed";
        }
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";
    lumadeck::test::PrivateBus bus;
    ASSERT_TRUE(bus.running());
    QTemporaryDir home;
    QDir(home.path()).mkpath("Vidéos");
    ASSERT_TRUE(makeClip(home.filePath("Vidéos/clip one.mpg")));
    ASSERT_TRUE(
        QFile::copy(home.filePath("Vidéos/clip one.mpg"), home.filePath("Vidéos/other.mpg")));

    const QProcessEnvironment env = bus.programEnvironment(home.path(), "xcb");
    const QString program = QString(LUMADECK_BUILD_DIR) + "/lumadeck";

    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(home.path());
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start(program, {"--", "Vidéos/clip one.mpg"}); // "--": no option follows
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_NE(waitForWindow(x, "Lumadeck Player. clip one.mpg"), 0u)
        << "the file named on the command line did not start";

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
    const Window paused = waitForWindow(x, "Lumadeck Player. other.mpg (Paused)", 10000);
    ASSERT_NE(paused, 0u) << "PlayPause did not pause";

    // Closing through the window manager ends the program normally...
    xtest::requestClose(x.dpy, paused);
    ASSERT_TRUE(first.waitForFinished(20000)) << "the program did not end";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    // ...with the default options saved...
    const QString ini = home.filePath("config/Lumadeck/Lumadeck.ini");
    ASSERT_TRUE(QFile::exists(ini));
    QSettings saved(ini, QSettings::IniFormat);
    saved.beginGroup("Options");
    EXPECT_EQ(saved.childKeys().size(), 5);
    EXPECT_EQ(saved.value("ThinClient").toString(), "False");
    // ...and the positions, the database closed with its write-ahead log folded back.
    const QDir data(home.filePath("data/Lumadeck"));
    EXPECT_TRUE(data.exists("registry.sqlite"));
    EXPECT_EQ(data.entryList({"registry.sqlite*"}, QDir::Files | QDir::Hidden),
              QStringList({"registry.sqlite"}));
}

TEST(DesktopProgram, TakesNoToolkitOptionsFromItsFilesAndPlaysALatin1Name) {
    const QString clip = QString(LUMADECK_BUILD_DIR) + "/testmedia/clip.mpg";
    if (QStandardPaths::findExecutable("gdbus").isEmpty() || !QFile::exists(clip)) {
        GTEST_SKIP() << "gdbus or the test media missing";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";
    lumadeck::test::PrivateBus bus;
    ASSERT_TRUE(bus.running());
    QTemporaryDir home;
    const QString program = QString(LUMADECK_BUILD_DIR) + "/lumadeck";
    QProcess run;
    run.setProcessEnvironment(bus.programEnvironment(home.path(), "xcb"));
    run.setWorkingDirectory(home.path());

    // Names after "--" are files, even one that reads as the toolkit's option.
    run.start(program, {"--", "-platform", "minimal"});
    const Window window = waitForWindow(x, "Lumadeck Player. minimal"); // the last one tried
    ASSERT_NE(window, 0u) << "no window on X";
    xtest::requestClose(x.dpy, window);
    ASSERT_TRUE(run.waitForFinished(20000));
    const QString errors = QString::fromLocal8Bit(run.readAllStandardError());
    for (const char* name : {"-platform", "minimal"}) {
        EXPECT_TRUE(errors.contains("not found: " + home.filePath(name))) << errors.toStdString();
    }

    // A name that is not UTF-8 opens the file of exactly those bytes.
    const QByteArray latin1 = QFile::encodeName(home.path()) + "/caf\xe9.mpg";
    ASSERT_TRUE(QProcess::execute("cp", {clip, home.filePath("latin1.mpg")}) == 0 &&
                ::rename(QFile::encodeName(home.filePath("latin1.mpg")).constData(),
                         latin1.constData()) == 0);
    run.start("/bin/sh", {"-c", R"sh(exec "$0" "$(printf 'caf\351.mpg')")sh", program});
    const auto status = [&] {
        QProcess get;
        get.start("gdbus",
                  {"call", "--address", bus.address(), "--dest", "org.mpris.MediaPlayer2.lumadeck",
                   "--object-path", "/org/mpris/MediaPlayer2", "--method",
                   "org.freedesktop.DBus.Properties.Get", "org.mpris.MediaPlayer2.Player",
                   "PlaybackStatus"});
        get.waitForFinished(5000);
        return QString::fromUtf8(get.readAllStandardOutput());
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return status().contains("Playing"); }, 30000))
        << run.readAllStandardError().toStdString();
    QProcess::execute("gdbus",
                      {"call", "--address", bus.address(), "--dest",
                       "org.mpris.MediaPlayer2.lumadeck", "--object-path",
                       "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit"});
    EXPECT_TRUE(run.waitForFinished(20000));
    ::unlink(latin1.constData()); // a name the folder's own clean-up cannot spell
}
