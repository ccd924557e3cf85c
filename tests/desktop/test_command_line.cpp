// The command line parsed into files, --help, --version and mistakes, and a
// start that runs or hands its files to the running instance.
#include "desktop/CommandLine.h"
#include "desktop/IDesktopSession.h"
#include "desktop/MprisPlayer.h"
#include "desktop/Startup.h"
#include "testing/FakeDesktopSession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;

TEST(CommandLine, NamesAndUrisBecomeAbsoluteLocalFilesTheRestIsReported) {
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir(root).mkpath("sub dir");
    for (const char* name : {"a.mpg", "notes:1.mpg"}) {
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    }
    const std::pair<QString, QString> cases[] = {
        // argument, file ("" when refused)
        {"./sub dir/../a.mpg", root + "/a.mpg"},
        {"missing.mpg", root + "/missing.mpg"}, // the player reports it when it gets there
        {"file://" + root + "/Vid%C3%A9os/clip%20one.mpg", root + "/Vidéos/clip one.mpg"},
        {"FILE://localhost" + root + "/a.mpg", root + "/a.mpg"},
        {"notes:1.mpg", root + "/notes:1.mpg"}, // an existing file that looks like a URI
        {"http://example.com/clip.mpg", ""},
        {"file://otherhost/clip.mpg", ""},
        {"file:relative.mpg", ""},
        {"sub dir", ""},
        {"", ""}};
    for (const auto& [argument, file] : cases) {
        QString problem;
        EXPECT_EQ(CommandLine::ToLocalFile(argument, root, &problem), file)
            << argument.toStdString();
        EXPECT_EQ(problem.isEmpty(), !file.isEmpty()) << argument.toStdString();
    }

    const CommandLine line = CommandLine::Parse(
        {"lumadeck", "a.mpg", "http://example.com/x.mpg", "sub dir", "b.mpg", "--", "-odd.mpg"},
        root);
    EXPECT_FALSE(line.exitNow);
    EXPECT_EQ(line.files, QStringList({root + "/a.mpg", root + "/b.mpg", root + "/-odd.mpg"}));
    ASSERT_EQ(line.problems.size(), 2);
    EXPECT_TRUE(line.problems[0].contains("http://example.com/x.mpg"));
    EXPECT_TRUE(line.problems[1].contains("sub dir"));

    const struct {
        QStringList args;
        int exitCode;
        QString output; // a piece of it
    } ends[] = {{{"-v", "a.mpg"}, 0, "Lumadeck Player 2.0\nLicence GPL-3.0-or-later"},
                {{"--bogus", "--help"}, 0, "[FILE|URI...]"},
                {{"--bogus", "a.mpg"}, 2, ""}};
    for (const auto& c : ends) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine end = CommandLine::Parse(QStringList{"lumadeck"} + c.args, root);
        EXPECT_TRUE(end.exitNow);
        EXPECT_EQ(end.exitCode, c.exitCode);
        EXPECT_TRUE(end.output.contains(c.output)) << end.output.toStdString();
        EXPECT_EQ(end.problems.isEmpty(), c.exitCode == 0);
        EXPECT_TRUE(end.files.isEmpty());
    }
}

TEST(Startup, RunsOrHandsItsFilesToTheRunningInstance) {
    using Claim = IDesktopSession::Claim;
    using Outcome = Startup::Outcome;
    const QStringList two = {"/v/a.mpg", "/v/b.mpg"};
    const struct {
        Claim claim;
        bool takesFiles;
        QStringList files;
        Outcome outcome;
        QStringList calls;
    } cases[] = {
        {Claim::NoSession, true, two, Outcome::Run, {"Publish"}},
        {Claim::Taken, true, two, Outcome::HandedOver, {"Publish", "HandOver /v/a.mpg,/v/b.mpg"}},
        // Without files, or unanswered, a second start runs on its own.
        {Claim::Taken, true, {}, Outcome::Run, {"Publish", "PublishAsInstance"}},
        {Claim::Taken,
         false,
         two,
         Outcome::Run,
         {"Publish", "HandOver /v/a.mpg,/v/b.mpg", "PublishAsInstance"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.calls.join(", ").toStdString());
        FakeSession session;
        session.claim = c.claim;
        session.takesFiles = c.takesFiles;
        MprisPlayer player;
        EXPECT_EQ(Startup::Begin(session, player, c.files), c.outcome);
        EXPECT_EQ(session.calls, c.calls);
    }
}
