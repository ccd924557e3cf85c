// Where the program finds its artwork and help page: beside itself in the
// build folder, in PREFIX/share/lumadeck when installed as PREFIX/bin.
#include "platform/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(DataFiles, FolderFollowsTheProgramsOwnLocation) {
    QTemporaryDir root;
    const QString r = root.path();
    // A build folder: the help page beside the program, and a share folder
    // that happens to lie next to it is not taken.
    touch(r + "/build/Lumadeck.html");
    QDir().mkpath(r + "/share/lumadeck");
    // An installed program.
    touch(r + "/usr/share/lumadeck/Lumadeck.html");
    QDir().mkpath(r + "/usr/bin");
    // A program alone in a folder, without data anywhere.
    QDir().mkpath(r + "/lonely/bin");

    struct Case {
        QString program;
        QString data;
    } cases[] = {
        {r + "/build", r + "/build"},
        {r + "/usr/bin", r + "/usr/share/lumadeck"},
        {r + "/lonely/bin", r + "/lonely/bin"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DataFiles::FolderFor(c.program), c.data) << c.program.toStdString();
    }
}
