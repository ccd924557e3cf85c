// `make install` checked file by file, and the desktop files through their checkers.
#include "desktop/MprisPlayer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString source = LUMADECK_SOURCE_DIR;

// Runs a program to its end; gives its exit code (-1 when it did not end normally) and output.
std::pair<int, QString>
run(const QString& program, const QStringList& args,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    const bool ended = p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Every file below a folder, relative to it, sorted.
QStringList filesBelow(const QString& root) {
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        files << QDir(root).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

} // namespace

TEST(Install, DestdirAndPrefixReceiveEveryFileAndTheInstalledProgramRuns) {
    // Where each file of the source tree goes below the prefix ("" for the built program).
    QMap<QString, QString> expected{
        {"bin/lumadeck", ""},
        {"share/applications/lumadeck.desktop", "dist/lumadeck.desktop"},
        {"share/metainfo/org.lumadeck.Lumadeck.metainfo.xml",
         "dist/org.lumadeck.Lumadeck.metainfo.xml"},
        {"share/mime/packages/lumadeck.xml", "dist/lumadeck-mime.xml"},
        {"share/man/man1/lumadeck.1", "dist/lumadeck.1"}};
    for (const QString& f : filesBelow(source + "/data")) {
        if (!f.startsWith("artwork/")) { // the drawings the artwork is rendered from stay behind
            expected.insert(f.startsWith("icons/") ? "share/" + f : "share/lumadeck/" + f,
                            "data/" + f);
        }
    }
    QTemporaryDir dest;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", dest.path());
    const auto [rc, log] =
        run("cmake", {"--install", LUMADECK_BUILD_DIR, "--prefix", "/opt/lumadeck"}, env);
    ASSERT_EQ(rc, 0) << log.toStdString();
    const QString prefix = dest.path() + "/opt/lumadeck";
    EXPECT_EQ(filesBelow(prefix), QStringList(expected.keys()));
    EXPECT_EQ(filesBelow(dest.path()).size(), expected.size()); // nothing beside the prefix
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!it.value().isEmpty()) {
            EXPECT_EQ(contents(prefix + "/" + it.key()), contents(source + "/" + it.value()))
                << it.key().toStdString();
        }
    }
    // The installed program runs without a display.
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        bare.remove(name);
    }
    const auto [code, out] = run(prefix + "/bin/lumadeck", {"--version"}, bare);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out.startsWith("Lumadeck Player 2.0\n")) << out.toStdString();
}

TEST(Install, DesktopEntryAndMetainfoPassTheirCheckersAndOpenWhatTheMediaControlsAnnounce) {
    const QString desktop = source + "/dist/lumadeck.desktop";
    for (const auto& [program, args] :
         {std::pair{QString("desktop-file-validate"), QStringList{desktop}},
          {"appstreamcli",
           {"validate", "--no-net", source + "/dist/org.lumadeck.Lumadeck.metainfo.xml"}}}) {
        const auto [rc, out] = run(program, args);
        EXPECT_EQ(rc, 0) << out.toStdString();
        EXPECT_TRUE(program != "desktop-file-validate" || out.isEmpty()) << out.toStdString();
    }
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(contents(desktop)).split('\n')) {
        keys.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    EXPECT_EQ(keys.value("Exec"), "lumadeck %U");
    EXPECT_EQ(keys.value("MimeType").split(';', Qt::SkipEmptyParts),
              lumadeck::MprisPlayer::SupportedMimeTypes());
}
