// The real program on a real X server and a private session bus: it takes no
// toolkit options from its files, plays a name that is not UTF-8, takes a
// second start's file, answers on the bus and saves on its close.
#include "../support/PrivateBus.h"

#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

TEST(DesktopProgram, TakesOnlyItsOwnOptionsTakesASecondStartsFileAndSavesOnClose) {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";
    lumadeck::test::PrivateBus bus;
    ASSERT_TRUE(bus.running());
    QTemporaryDir home;
    QDir(home.path()).mkpath("Vidéos");
    const QString other = home.filePath("Vidéos/other.mpg");
    const QString args =
        "-hide_banner -loglevel error -nostdin -y"
        " -f lavfi -i testsrc=size=320x240:rate=25:duration=30"
        " -f lavfi -i sine=frequency=440:duration=30 -c:v mpeg1video -c:a mp2 -f mpeg";
    ASSERT_EQ(QProcess::execute("ffmpeg", args.split(' ') << other), 0);
    const QByteArray latin1 = QFile::encodeName(home.path()) + "/caf\xe9.mpg";
    ASSERT_TRUE(QFile::copy(other, home.filePath("latin1.mpg")) &&
                ::rename(QFile::encodeName(home.filePath("latin1.mpg")).constData(),
                         latin1.constData()) == 0);
    const std::shared_ptr<void> unlink(nullptr, [&](void*) { ::unlink(latin1.constData()); });
    const QProcessEnvironment env = bus.programEnvironment(home.path(), "xcb");
    const QString program = QString(LUMADECK_BUILD_DIR) + "/lumadeck";
    QDBusConnection client = bus.connect();
    const QString player = "org.mpris.MediaPlayer2.Player";
    const auto status = [&] {
        const QDBusReply<QDBusVariant> r = client.call(lumadeck::test::mprisCall(
            "org.freedesktop.DBus.Properties", "Get", {player, "PlaybackStatus"}));
        return r.value().variant().toString();
    };

    // Names after "--" are files, even those that read as the toolkit's options.
    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(home.path());
    first.start("/bin/sh",
                {"-c", R"sh(exec "$0" -- -platform minimal "$(printf 'caf\351.mpg')")sh", program});
    EXPECT_TRUE(QTest::qWaitFor([&] { return status() == "Playing"; }, 30000))
        << "the name that is not UTF-8 did not play";

    // A second start hands its file to the first, on X, and ends at once.
    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(home.filePath("Vidéos"));
    second.start(program, {"other.mpg"});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    std::vector<Window> found;
    const auto window = [&](const std::string& title) {
        return QTest::qWaitFor([&] { return !(found = xtest::findWindows(x.dpy, title)).empty(); },
                               20000);
    };
    ASSERT_TRUE(window("Lumadeck Player. other.mpg")) << "no window on X that took the file";
    EXPECT_TRUE(QTest::qWaitFor([&] { return status() == "Playing"; }, 10000));

    // The close through the window manager ends the program normally.
    xtest::requestClose(x.dpy, found.front());
    ASSERT_TRUE(first.waitForFinished(20000)) << "the program did not end";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    const QString errors = QString::fromLocal8Bit(first.readAllStandardError());
    for (const char* name : {"-platform", "minimal"}) {
        EXPECT_TRUE(errors.contains("not found: " + home.filePath(name))) << errors.toStdString();
    }
    // The default options saved, and the positions' database closed with its log folded back.
    QSettings saved(home.filePath("config/Lumadeck/Lumadeck.ini"), QSettings::IniFormat);
    saved.beginGroup("Options");
    EXPECT_EQ(saved.childKeys().size(), 5);
    EXPECT_EQ(saved.value("ThinClient").toString(), "False");
    EXPECT_EQ(QDir(home.filePath("data/Lumadeck"))
                  .entryList({"registry.sqlite*"}, QDir::Files | QDir::Hidden),
              QStringList({"registry.sqlite"}));
}
