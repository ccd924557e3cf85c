// `make install` checked file by file, and the desktop files through their checkers.
#include "desktop/MprisPlayer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
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

    // The installed program runs without a display and finds its data beside bin.
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        bare.remove(name);
    }
    const Outcome answer = run(prefix + "/bin/lumadeck", {"--version"}, bare);
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_TRUE(answer.out.startsWith("Lumadeck Player 2.0\n")) << answer.out.toStdString();
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

    // The entry opens URIs of every type the media controls announce.
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(contents(desktop)).split('\n')) {
        keys.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    EXPECT_EQ(keys.value("Exec"), "lumadeck %U");
    EXPECT_EQ(keys.value("MimeType").split(';', Qt::SkipEmptyParts),
              lumadeck::MprisPlayer::SupportedMimeTypes());
}
