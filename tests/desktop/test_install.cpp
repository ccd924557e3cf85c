// `make install` checked file by file, the desktop files through their
// checkers, and the Debian package through dpkg-deb.
#include "desktop/MprisPlayer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString build = LUMADECK_BUILD_DIR;
const QString source = LUMADECK_SOURCE_DIR;

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Outcome r;
    if (p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Every file below a folder, as paths relative to it.
QStringList filesBelow(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QDir(root).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Where each file of the source tree goes under the prefix.
QMap<QString, QString> expectedInstall() {
    QMap<QString, QString> expected; // installed path (below the prefix) -> source file
    for (const QString& f : filesBelow(source + "/data")) {
        if (f.startsWith("artwork/")) {
            continue; // the drawings the artwork is rendered from
        }
        if (f.startsWith("icons/")) {
            expected.insert("share/" + f, source + "/data/" + f);
        } else {
            expected.insert("share/lumadeck/" + f, source + "/data/" + f);
        }
    }
    expected.insert("share/applications/lumadeck.desktop", source + "/dist/lumadeck.desktop");
    expected.insert("share/metainfo/org.lumadeck.Lumadeck.metainfo.xml",
                    source + "/dist/org.lumadeck.Lumadeck.metainfo.xml");
    expected.insert("share/mime/packages/lumadeck.xml", source + "/dist/lumadeck-mime.xml");
    expected.insert("share/man/man1/lumadeck.1", source + "/dist/lumadeck.1");
    expected.insert("bin/lumadeck", {}); // the built program, its run path adjusted
    return expected;
}

} // namespace

TEST(Install, DestdirAndPrefixReceiveEveryFileAndNothingElse) {
    QTemporaryDir dest;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", dest.path());
    const Outcome install = run("cmake", {"--install", build, "--prefix", "/opt/lumadeck"}, env);
    ASSERT_EQ(install.exitCode, 0) << install.err.toStdString();
    EXPECT_FALSE(QFile::exists(dest.filePath("usr"))) << "the prefix was not honoured";

    const QString prefix = dest.path() + "/opt/lumadeck";
    const QMap<QString, QString> expected = expectedInstall();
    EXPECT_EQ(filesBelow(prefix), QStringList(expected.keys()));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!it.value().isEmpty()) {
            EXPECT_EQ(contents(prefix + "/" + it.key()), contents(it.value()))
                << it.key().toStdString();
        }
    }

    // The theme icons: one per size, each of that size, and the drawing.
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(
            QString("%1/share/icons/hicolor/%2x%2/apps/lumadeck.png").arg(prefix).arg(n));
        EXPECT_EQ(icon.size(), QSize(n, n)) << n;
    }
    EXPECT_TRUE(QFile::exists(prefix + "/share/icons/hicolor/scalable/apps/lumadeck.svg"));

    // The installed program runs without a display and finds its data beside bin.
    EXPECT_TRUE(QFile::exists(prefix + "/share/lumadeck/Lumadeck.html"));
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        bare.remove(name);
    }
    const std::pair<QStringList, QString> answers[] = {
        {{"--version"}, "Lumadeck Player 2.0\nLicence GPL-3.0-or-later"},
        {{"--help"}, "Usage: "},
        {{"-h", "--", "x.mpg"}, "Usage: "}};
    for (const auto& [args, out] : answers) {
        const Outcome answer = run(prefix + "/bin/lumadeck", args, bare);
        EXPECT_EQ(answer.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(answer.out.startsWith(out)) << answer.out.toStdString();
    }
}

TEST(Install, DesktopEntryMetainfoAndManualPagePassTheirCheckers) {
    const QString desktop = source + "/dist/lumadeck.desktop";
    const Outcome entry = run("desktop-file-validate", {desktop});
    EXPECT_EQ(entry.exitCode, 0) << entry.out.toStdString() << entry.err.toStdString();
    EXPECT_TRUE(entry.out.isEmpty()) << entry.out.toStdString();

    const Outcome metainfo =
        run("appstreamcli",
            {"validate", "--no-net", source + "/dist/org.lumadeck.Lumadeck.metainfo.xml"});
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.out.toStdString();

    // groff names every problem of the page on standard error.
    const Outcome man = run("groff", {"-man", "-Tutf8", "-ww", "-z", source + "/dist/lumadeck.1"});
    EXPECT_EQ(man.exitCode, 0);
    EXPECT_TRUE(man.err.isEmpty()) << man.err.toStdString();

    // The entry opens URIs of every type the media controls announce.
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(contents(desktop)).split('\n')) {
        keys.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    EXPECT_EQ(keys.value("Exec"), "lumadeck %U");
    EXPECT_EQ(keys.value("Icon"), "lumadeck");
    const QStringList types = keys.value("MimeType").split(';', Qt::SkipEmptyParts);
    EXPECT_EQ(types, lumadeck::MprisPlayer::SupportedMimeTypes());
    for (const char* type : {"video/mpeg", "video/x-cdxa", "audio/x-mpegurl", "video/x-msvideo",
                             "video/x-ms-wmv", "audio/mpeg", "audio/midi", "audio/basic"}) {
        EXPECT_TRUE(types.contains(type)) << type;
    }
}

TEST(Install, ThePackageHoldsTheInstalledFilesAndItsLibrariesAsDependencies) {
    QTemporaryDir out;
    const Outcome cpack =
        run("cpack", {"-G", "DEB", "-B", out.path(), "--config", build + "/CPackConfig.cmake"});
    ASSERT_EQ(cpack.exitCode, 0) << cpack.out.toStdString() << cpack.err.toStdString();
    const QStringList debs = QDir(out.path()).entryList({"*.deb"});
    ASSERT_EQ(debs.size(), 1) << cpack.out.toStdString();
    const QString deb = out.filePath(debs.first());
    EXPECT_TRUE(debs.first().startsWith("lumadeck_2.0")) << debs.first().toStdString();

    const Outcome info = run("dpkg-deb", {"--info", deb});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(" Package: lumadeck\n"));
    EXPECT_TRUE(info.out.contains(" Version: 2.0"));
    EXPECT_TRUE(info.out.contains(" Section: video\n"));
    QString depends;
    for (const QString& line : info.out.split('\n')) {
        if (line.startsWith(" Depends: ")) {
            depends = line;
        }
    }
    // Read from the program's libraries, and the plugins it loads.
    for (const char* dependency :
         {"libqt6widgets6", "libqt6dbus6", "libgstreamer1.0-0", "libsqlite3-0", "libudev1", "libc6",
          "gstreamer1.0-plugins-good"}) {
        EXPECT_TRUE(depends.contains(dependency)) << dependency << " in " << depends.toStdString();
    }

    const Outcome listing = run("dpkg-deb", {"--contents", deb});
    ASSERT_EQ(listing.exitCode, 0);
    QStringList packaged;
    for (const QString& line : listing.out.split('\n', Qt::SkipEmptyParts)) {
        const QString path = line.section(' ', -1);
        if (!path.endsWith('/')) {
            packaged << path.mid(QString("./usr/").size());
        }
    }
    packaged.sort();
    EXPECT_EQ(packaged, QStringList(expectedInstall().keys()));
}
