// The command line: names become local files or reasons, only its own options are taken,
// and a start runs or hands its files over.
#include "desktop/CommandLine.h"
#include "desktop/MprisPlayer.h"
#include "desktop/Startup.h"
#include "platform/FileNames.h"
#include "testing/FakeDesktopSession.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace lumadeck;

TEST(CommandLine, NamesBecomeLocalFilesOrReasonsAndOnlyItsOwnOptionsAreTaken) {
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir(root).mkpath("sub dir");
    const QByteArray latin1 = EncodeFileName(root) + "/caf\xe9.mpg";
    ::close(::open(latin1.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    const auto removed = qScopeGuard([&] { ::unlink(latin1.constData()); }); // Qt cannot
    QFile(dir.filePath("notes:1.mpg")).open(QIODevice::WriteOnly);
    // The local file, or "" and a piece of the reason.
    for (const auto& [argument, file, reason] :
         {std::tuple<QString, QString, QString>{"./sub dir/../a.mpg", root + "/a.mpg", ""},
          {"file://" + root + "/Vid%C3%A9os/clip%20one.mpg", root + "/Vidéos/clip one.mpg", ""},
          {"FILE://localhost" + root + "/a.mpg", root + "/a.mpg", ""},
          {"notes:1.mpg", root + "/notes:1.mpg", ""}, // an existing file that looks like a URI
          {"http://example.com/clip.mpg", "", "not \"http:\" addresses"},
          {DecodeFileName("http://host/caf\xe9.mpg"), "", "not \"http:\" addresses"},
          {"file://otherhost/clip.mpg", "", "another computer"},
          {"file:relative.mpg", "", "not a valid file URI"},
          {"sub dir", "", "folder"},
          {"", "", "empty"},
          {root + "/a" + QChar(0) + ".m3u", "", "NUL"},
          {root + "/" + QString(5000, 'a'), "", "4096 bytes"}}) {
        QString problem;
        EXPECT_EQ(CommandLine::ToLocalFile(argument, root, &problem), file);
        EXPECT_TRUE(problem.contains(reason) && problem.isEmpty() == reason.isEmpty())
            << problem.toStdString();
    }
    // "-platform" before "--" is the toolkit's; after it, a name like any other.
    const char* argv[] = {"lumadeck", "-platform", "offscreen", "caf\xe9.mpg", "http://x.org/y",
                          "sub dir",  "--",        "-platform", "-odd.mpg",    nullptr};
    const CommandLine line = CommandLine::Parse(CommandLine::Arguments(9, argv), root);
    EXPECT_TRUE(!line.exitNow && line.platform == "offscreen");
    EXPECT_EQ(EncodeFileName(line.files.value(0)), latin1);
    EXPECT_EQ(line.files.mid(1), QStringList({root + "/-platform", root + "/-odd.mpg"}));
    EXPECT_EQ(line.missing, line.files.mid(1));
    ASSERT_EQ(line.problems.size(), 2);
    EXPECT_TRUE(line.problems[0].contains("http://x.org/y") && line.problems[1].contains("sub"));
    // Version, help and a wrong option end the start, printing this among other things.
    for (const auto& [args, exitCode, output] :
         {std::tuple{QStringList{"-v", "a.mpg"}, 0,
                     "Lumadeck Player 2.0\nLicence GPL-3.0-or-later"},
          {{"--bogus", "--help"}, 0, "[FILE|URI...]"},
          {{"--bogus", "a.mpg"}, 2, ""}}) {
        const CommandLine end = CommandLine::Parse(QStringList{"lumadeck"} + args, root);
        EXPECT_TRUE(end.exitNow && end.files.isEmpty() && end.exitCode == exitCode &&
                    end.output.contains(output) && end.problems.isEmpty() == (exitCode == 0))
            << args.join(QChar(32)).toStdString();
    }
}

// A second start hands its files to the running one; without files, or unanswered, it runs
// on its own under a name of its own.
TEST(Startup, RunsOrHandsItsFilesToTheRunningInstance) {
    using enum IDesktopSession::Claim;
    using enum Startup::Outcome;
    const QStringList two = {"/v/a.mpg", "/v/b.mpg"};
    const QString handOver = "HandOver /v/a.mpg,/v/b.mpg", own = "PublishAsInstance";
    for (const auto& [claim, takesFiles, files, outcome, calls] :
         {std::tuple{NoSession, true, two, Run, QStringList{"Publish"}},
          {Taken, true, two, HandedOver, {"Publish", handOver}},
          {Taken, true, {}, Run, {"Publish", own}},
          {Taken, false, two, Run, {"Publish", handOver, own}}}) {
        test::FakeSession session;
        session.claim = claim, session.takesFiles = takesFiles;
        MprisPlayer player;
        EXPECT_EQ(Startup::Begin(session, player, files), outcome);
        EXPECT_EQ(session.calls, calls);
    }
}
