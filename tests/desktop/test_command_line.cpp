// The command line parsed into the files the program opens, and the built
// program's answers to --help, --version and mistakes.
#include "desktop/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using lumadeck::CommandLine;

namespace {

struct Folder {
    Folder() {
        QDir(dir.path()).mkpath("Vidéos");
        QDir(dir.path()).mkpath("sub dir");
        for (const char* name : {"Vidéos/clip one.mpg", "a.mpg", "list.m3u", "notes:1.mpg"}) {
            QFile f(dir.filePath(QString::fromUtf8(name)));
            f.open(QIODevice::WriteOnly);
        }
    }
    QString path(const QString& relative) const { return dir.filePath(relative); }
    QTemporaryDir dir;
};

CommandLine parse(const Folder& folder, const QStringList& args) {
    return CommandLine::Parse(QStringList{"lumadeck"} + args, folder.dir.path());
}

} // namespace

TEST(CommandLine, NamesAndUrisBecomeAbsoluteLocalFiles) {
    Folder f;
    const QString root = f.dir.path();
    struct Case {
        QString argument;
        QString file; // "" when refused
    } cases[] = {
        {"a.mpg", root + "/a.mpg"},
        {"./sub dir/../a.mpg", root + "/a.mpg"},
        {"Vidéos/clip one.mpg", root + "/Vidéos/clip one.mpg"},
        {root + "/list.m3u", root + "/list.m3u"},
        // missing files are kept: the player reports them when it gets there
        {"missing.mpg", root + "/missing.mpg"},
        {"file://" + root + "/Vid%C3%A9os/clip%20one.mpg", root + "/Vidéos/clip one.mpg"},
        {"file://localhost" + root + "/a.mpg", root + "/a.mpg"},
        {"FILE://" + root + "/a.mpg", root + "/a.mpg"},
        // an existing file whose name looks like a URI is a file
        {"notes:1.mpg", root + "/notes:1.mpg"},
        {"http://example.com/clip.mpg", ""},
        {"smb://server/share/clip.mpg", ""},
        {"mailto:someone", ""},
        {"file://otherhost/clip.mpg", ""},
        {"file:relative.mpg", ""},
        {"sub dir", ""},
        {root, ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        QString problem;
        const QString file = CommandLine::ToLocalFile(c.argument, root, &problem);
        EXPECT_EQ(file, c.file) << c.argument.toStdString();
        EXPECT_EQ(problem.isEmpty(), !c.file.isEmpty()) << c.argument.toStdString();
    }
}

TEST(CommandLine, OpensWhatItCanInOrderAndReportsTheRest) {
    Folder f;
    const CommandLine line =
        parse(f, {"a.mpg", "http://example.com/x.mpg", "sub dir", "list.m3u", "--", "-odd.mpg"});
    EXPECT_FALSE(line.exitNow);
    EXPECT_EQ(line.files, QStringList({f.path("a.mpg"), f.path("list.m3u"), f.path("-odd.mpg")}));
    ASSERT_EQ(line.problems.size(), 2);
    EXPECT_TRUE(line.problems[0].contains("http://example.com/x.mpg"));
    EXPECT_TRUE(line.problems[1].contains("sub dir"));
}

TEST(CommandLine, AThousandFilesKeepTheirOrder) {
    Folder f;
    QStringList args;
    QStringList expected;
    for (int i = 0; i < 1000; ++i) {
        args << QString("clip %1.mpg").arg(i);
        expected << f.path(QString("clip %1.mpg").arg(i));
    }
    const CommandLine line = parse(f, args);
    EXPECT_EQ(line.files, expected);
    EXPECT_TRUE(line.problems.isEmpty());
}

TEST(CommandLine, HelpVersionAndUsageErrorsEndTheProgram) {
    Folder f;
    struct Case {
        QStringList args;
        int exitCode;
        QString output; // a piece of it
        bool problems;
    } cases[] = {
        {{"--version"}, 0, "Lumadeck Player 2.0\n", false},
        {{"-v", "a.mpg"}, 0, "GPL-3.0-or-later", false},
        {{"--help"}, 0, "[FILE|URI...]", false},
        {{"--bogus", "--help"}, 0, "--version", false},
        {{"--bogus", "a.mpg"}, 2, "", true},
    };
    for (const Case& c : cases) {
        const CommandLine line = parse(f, c.args);
        EXPECT_TRUE(line.exitNow) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(line.output.contains(c.output)) << line.output.toStdString();
        EXPECT_EQ(!line.problems.isEmpty(), c.problems) << c.args.join(' ').toStdString();
        EXPECT_TRUE(line.files.isEmpty());
    }
    const QStringList version = CommandLine::VersionText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(version.size(), 2);
    EXPECT_EQ(version[0], "Lumadeck Player 2.0");
    EXPECT_TRUE(version[1].startsWith("Licence GPL-3.0-or-later"));
}

TEST(CommandLine, TheProgramAnswersHelpAndVersionWithoutADisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    struct Case {
        QStringList args;
        int exitCode;
        QString out;
    } cases[] = {
        {{"--version"}, 0, "Lumadeck Player 2.0\nLicence GPL-3.0-or-later"},
        {{"--help"}, 0, "Usage: "},
        {{"-h", "--", "x.mpg"}, 0, "Usage: "},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QString(LUMADECK_BUILD_DIR) + "/lumadeck", c.args);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), c.exitCode);
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).startsWith(c.out))
            << c.args.join(' ').toStdString();
    }
}
