// Where the program finds its artwork and help page: beside itself in the
// build folder, in PREFIX/share/lumadeck when installed as PREFIX/bin.
#include "platform/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;

TEST(DataFiles, FolderFollowsTheProgramsOwnLocation) {
    QTemporaryDir root;
    const QString r = root.path();
    // A build folder with the help page, next to a share folder not taken; an
    // installed program; a program alone in a folder, without data anywhere.
    for (const char* folder :
         {"/build", "/share/lumadeck", "/usr/share/lumadeck", "/usr/bin", "/lonely/bin"}) {
        ASSERT_TRUE(QDir().mkpath(r + folder));
    }
    for (const char* page : {"/build/Lumadeck.html", "/usr/share/lumadeck/Lumadeck.html"}) {
        QFile f(r + page);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    for (const auto& [program, data] : {std::pair{"/build", "/build"},
                                        {"/usr/bin", "/usr/share/lumadeck"},
                                        {"/lonely/bin", "/lonely/bin"}}) {
        EXPECT_EQ(DataFiles::FolderFor(r + program), r + data) << program;
    }
}
