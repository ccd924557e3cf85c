// The command line parsed into files, --help, --version and mistakes, and a
// start that runs or hands its files to the running instance.
#include "desktop/CommandLine.h"
#include "desktop/IDesktopSession.h"
#include "desktop/MprisPlayer.h"
#include "desktop/Startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;

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
    } cases[] = {{"a.mpg", root + "/a.mpg"},
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
                 {"", ""}};
    for (const Case& c : cases) {
        QString problem;
        const QString file = CommandLine::ToLocalFile(c.argument, root, &problem);
        EXPECT_EQ(file, c.file) << c.argument.toStdString();
        EXPECT_EQ(problem.isEmpty(), !c.file.isEmpty()) << c.argument.toStdString();
    }
}

TEST(CommandLine, OpensWhatItCanInOrderAndReportsTheRest) {
    Folder f;
    QStringList args = {"a.mpg", "http://example.com/x.mpg", "sub dir", "list.m3u"};
    QStringList files = {f.path("a.mpg"), f.path("list.m3u")};
    for (int i = 0; i < 1000; ++i) {
        args << QString("clip %1.mpg").arg(i);
        files << f.path(QString("clip %1.mpg").arg(i));
    }
    const CommandLine line = parse(f, args + QStringList{"--", "-odd.mpg"});
    EXPECT_FALSE(line.exitNow);
    EXPECT_EQ(line.files, files + QStringList{f.path("-odd.mpg")});
    ASSERT_EQ(line.problems.size(), 2);
    EXPECT_TRUE(line.problems[0].contains("http://example.com/x.mpg"));
    EXPECT_TRUE(line.problems[1].contains("sub dir"));
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
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine line = parse(f, c.args);
        EXPECT_TRUE(line.exitNow);
        EXPECT_EQ(line.exitCode, c.exitCode);
        EXPECT_TRUE(line.output.contains(c.output)) << line.output.toStdString();
        EXPECT_EQ(!line.problems.isEmpty(), c.problems);
        EXPECT_TRUE(line.files.isEmpty());
    }
}

namespace {

// A session that answers Publish and HandOver as told and records the calls.
struct FakeSession : IDesktopSession {
    Claim claim = Claim::Owner;
    bool takesFiles = true;
    QStringList calls;
    Claim Publish(MprisPlayer&) override {
        calls << "Publish";
        return claim;
    }
    bool HandOver(const QStringList& files) override {
        calls << "HandOver " + files.join(',');
        return takesFiles;
    }
    void PublishAsInstance() override { calls << "PublishAsInstance"; }
};

} // namespace

TEST(Startup, RunsOrHandsItsFilesToTheRunningInstance) {
    using Claim = IDesktopSession::Claim;
    using Outcome = Startup::Outcome;
    const QStringList one = {"/v/a.mpg"}, two = {"/v/a.mpg", "/v/b.mpg"};
    struct Case {
        Claim claim;
        bool takesFiles;
        QStringList files;
        Outcome outcome;
        QStringList calls;
    } cases[] = {
        {Claim::Owner, true, one, Outcome::Run, {"Publish"}}, // the first start
        {Claim::NoSession, true, one, Outcome::Run, {"Publish"}},
        {Claim::Taken, true, two, Outcome::HandedOver, {"Publish", "HandOver " + two.join(',')}},
        // Without files, or unanswered, a second start runs on its own.
        {Claim::Taken, true, {}, Outcome::Run, {"Publish", "PublishAsInstance"}},
        {Claim::Taken,
         false,
         one,
         Outcome::Run,
         {"Publish", "HandOver /v/a.mpg", "PublishAsInstance"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.calls.join(", ").toStdString());
        FakeSession session;
        session.claim = c.claim;
        session.takesFiles = c.takesFiles;
        MprisPlayer player;
        EXPECT_EQ(Startup::Begin(session, player, c.files), c.outcome);
        EXPECT_EQ(session.calls, c.calls);
    }
}
