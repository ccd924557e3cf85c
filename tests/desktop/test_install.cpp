// `make install` checked file by file, and the desktop files through their checkers.
#include "desktop/MprisPlayer.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs a program to its end: its exit code (-1 when it did not end normally) and output.
std::pair<int, QString>
run(const QString& program, const QStringList& args,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    const bool ended = p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, p.readAllStandardOutput() + p.readAllStandardError()};
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Every file below a folder, relative to another.
QStringList filesBelow(const QString& root, const QString& relativeTo) {
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        files << QDir(relativeTo).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

} // namespace

TEST(Install, EveryFileGoesBelowThePrefixTheProgramRunsAndTheDesktopFilesPassTheirCheckers) {
    const QString source = LUMADECK_SOURCE_DIR, dist = source + "/dist/";
    // Where each file goes below the prefix, and where it comes from ("" for the built program).
    QMap<QString, QString> expected{
        {"bin/lumadeck", ""},
        {"share/applications/lumadeck.desktop", dist + "lumadeck.desktop"},
        {"share/metainfo/org.lumadeck.Lumadeck.metainfo.xml",
         dist + "org.lumadeck.Lumadeck.metainfo.xml"},
        {"share/mime/packages/lumadeck.xml", dist + "lumadeck-mime.xml"},
        {"share/man/man1/lumadeck.1", dist + "lumadeck.1"}};
    for (const QString& f : filesBelow(source + "/data", source + "/data")) {
        if (!f.startsWith("artwork/")) { // the drawings the artwork is rendered from stay behind
            expected.insert((f.startsWith("icons/") ? "share/" : "share/lumadeck/") + f,
                            source + "/data/" + f);
        }
    }
    QTemporaryDir dest;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", dest.path());
    const QString prefix = dest.path() + "/opt/lumadeck";
    const auto [rc, log] =
        run("cmake", {"--install", LUMADECK_BUILD_DIR, "--prefix", "/opt/lumadeck"}, env);
    ASSERT_EQ(rc, 0) << log.toStdString();
    EXPECT_EQ(filesBelow(dest.path(), prefix), QStringList(expected.keys())); // nothing beside
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        EXPECT_TRUE(it->isEmpty() || contents(prefix + "/" + it.key()) == contents(*it))
            << it.key().toStdString();
    }
    // The installed program runs without a display.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(name);
    }
    const auto [code, out] = run(prefix + "/bin/lumadeck", {"--version"}, env);
    EXPECT_TRUE(code == 0 && out.startsWith("Lumadeck Player 2.0\n")) << out.toStdString();

    EXPECT_EQ(run("desktop-file-validate", {dist + "lumadeck.desktop"}), std::pair(0, QString()));
    const auto [valid, said] =
        run("appstreamcli", {"validate", "--no-net", dist + "org.lumadeck.Lumadeck.metainfo.xml"});
    EXPECT_EQ(valid, 0) << said.toStdString();
    // The desktop entry opens what the media controls announce.
    const QString entry = contents(dist + "lumadeck.desktop");
    EXPECT_TRUE(entry.contains("\nExec=lumadeck %U\n"));
    EXPECT_TRUE(entry.contains(
        "\nMimeType=" + lumadeck::MprisPlayer::SupportedMimeTypes().join(';') + ";\n"));
}
