// The program as `make install` leaves it (each file below the prefix, a valid menu entry), on X
// and a private bus: no toolkit options after "--", a name that is not UTF-8 plays, a second
// start hands its file over, a close ends it.
#include "../support/PrivateBus.h"
#include "desktop/MprisPlayer.h"

#include <QDBusReply>
#include <QDBusVariant>
#include <QDirIterator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <unistd.h>

// Xlib last: its macros clash with Qt's names.
#include "../support/XWindows.h"

TEST(DesktopProgram, InstalledItTakesOnlyItsOwnOptionsTakesASecondStartsFileAndEndsOnClose) {
    const QString clip = LUMADECK_BUILD_DIR "/testmedia/clip.mpg",
                  dist = LUMADECK_SOURCE_DIR "/dist/";
    if (!QFile::exists(clip)) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    xtest::Display x;
    ASSERT_NE(x.dpy, nullptr) << "no X server";
    lumadeck::test::PrivateBus bus;
    ASSERT_TRUE(bus.running());
    QTemporaryDir home;
    const QString data = LUMADECK_SOURCE_DIR "/data/", prefix = home.filePath("opt/lumadeck/");
    QStringList expected{
        "bin/lumadeck", "share/applications/lumadeck.desktop", "share/man/man1/lumadeck.1",
        "share/metainfo/org.lumadeck.Lumadeck.metainfo.xml", "share/mime/packages/lumadeck.xml"},
        installed;
    for (QDirIterator it(data, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString f = it.next().mid(data.size());
        if (!f.startsWith("artwork/")) { // the drawings the artwork is rendered from stay behind
            expected << (f.startsWith("icons/") ? "share/" : "share/lumadeck/") + f;
        }
    }
    ASSERT_EQ(QProcess::execute("/usr/bin/env", {"DESTDIR=" + home.path(), "cmake", "--install",
                                                 LUMADECK_BUILD_DIR, "--prefix", "/opt/lumadeck"}),
              0);
    for (QDirIterator it(prefix, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        installed << it.next().mid(prefix.size());
    }
    installed.sort(), expected.sort();
    EXPECT_EQ(installed, expected);
    EXPECT_EQ(QProcess::execute("desktop-file-validate", {dist + "lumadeck.desktop"}), 0);
    QFile entry(dist + "lumadeck.desktop"); // opens what the media controls announce
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains(
        "\nMimeType=" + lumadeck::MprisPlayer::SupportedMimeTypes().join(';').toUtf8() + ";\n"));

    const QString program = prefix + "bin/lumadeck"; // --version needs no display
    EXPECT_EQ(QProcess::execute("/usr/bin/env", {"-u", "DISPLAY", program, "--version"}), 0);
    const QByteArray latin1 = QFile::encodeName(home.path()) + "/caf\xe9.mpg";
    ASSERT_TRUE(QFile::copy(clip, home.filePath("other.mpg")) &&
                ::symlink(QFile::encodeName(clip).constData(), latin1.constData()) == 0);
    const auto removed = qScopeGuard([&] { ::unlink(latin1.constData()); }); // Qt cannot
    QDBusConnection client = bus.connect();
    const auto playing = [&] {
        const QDBusReply<QDBusVariant> r = client.call(
            lumadeck::test::mprisCall("org.freedesktop.DBus.Properties", "Get",
                                      {"org.mpris.MediaPlayer2.Player", "PlaybackStatus"}));
        return r.value().variant().toString() == "Playing";
    };
    QProcess first, second;
    for (QProcess* p : {&first, &second}) {
        p->setProcessEnvironment(bus.programEnvironment(home.path(), "xcb"));
        p->setWorkingDirectory(home.path());
    }
    first.start("/bin/sh",
                {"-c", R"sh(exec "$0" -- -platform minimal "$(printf 'caf\351.mpg')")sh", program});
    EXPECT_TRUE(QTest::qWaitFor(playing, 30000)) << "the name that is not UTF-8 did not play";
    second.start(program, {"other.mpg"});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_TRUE(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
    std::vector<Window> found;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !(found = xtest::findWindows(x.dpy, "Lumadeck Player. other.mpg")).empty(); },
        20000))
        << "no window on X that took the file";
    EXPECT_TRUE(QTest::qWaitFor(playing, 10000));

    xtest::requestClose(x.dpy, found.front());
    ASSERT_TRUE(first.waitForFinished(20000)) << "the program did not end";
    EXPECT_TRUE(first.exitStatus() == QProcess::NormalExit && first.exitCode() == 0);
    EXPECT_TRUE(first.readAllStandardError().contains("not found: " +
                                                      QFile::encodeName(home.filePath("minimal"))));
}
