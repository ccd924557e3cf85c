// `make install` checked file by file, and the desktop files through their checkers.
#include "desktop/MprisPlayer.h"

#include <QDir>
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
    return {ended ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(Install, EveryFileGoesBelowThePrefixTheProgramRunsAndTheDesktopFilesPassTheirCheckers) {
    const QString source = LUMADECK_SOURCE_DIR;
    // Where each file goes below the prefix, and where it comes from ("" for the built program).
    QMap<QString, QString> expected{
        {"bin/lumadeck", ""},
        {"share/applications/lumadeck.desktop", "dist/lumadeck.desktop"},
        {"share/metainfo/org.lumadeck.Lumadeck.metainfo.xml",
         "dist/org.lumadeck.Lumadeck.metainfo.xml"},
        {"share/mime/packages/lumadeck.xml", "dist/lumadeck-mime.xml"},
        {"share/man/man1/lumadeck.1", "dist/lumadeck.1"}};
    for (QDirIterator it(source + "/data", QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString f = QDir(source + "/data").relativeFilePath(it.next());
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
    QStringList installed;
    for (QDirIterator it(dest.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        installed << QDir(dest.path() + "/opt/lumadeck").relativeFilePath(it.next());
    }
    installed.sort();
    EXPECT_EQ(installed, QStringList(expected.keys())); // nothing beside the prefix either
    const QString prefix = dest.path() + "/opt/lumadeck";
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        EXPECT_TRUE(it.value().isEmpty() ||
                    contents(prefix + "/" + it.key()) == contents(source + "/" + it.value()))
            << it.key().toStdString();
    }
    // The installed program runs without a display.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(name);
    }
    const auto [code, out] = run(prefix + "/bin/lumadeck", {"--version"}, env);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out.startsWith("Lumadeck Player 2.0\n")) << out.toStdString();

    const QString desktop = source + "/dist/lumadeck.desktop";
    EXPECT_EQ(run("desktop-file-validate", {desktop}), std::pair(0, QString()));
    const auto [valid, said] =
        run("appstreamcli",
            {"validate", "--no-net", source + "/dist/org.lumadeck.Lumadeck.metainfo.xml"});
    EXPECT_EQ(valid, 0) << said.toStdString();
    // The desktop entry opens what the media controls announce.
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(contents(desktop)).split('\n')) {
        keys.insert(line.section('=', 0, 0), line.section('=', 1));
    }
    EXPECT_EQ(keys.value("Exec"), "lumadeck %U");
    EXPECT_EQ(keys.value("MimeType").split(';', Qt::SkipEmptyParts),
              lumadeck::MprisPlayer::SupportedMimeTypes());
}
