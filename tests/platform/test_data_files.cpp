// The data folder: beside the program in a build, PREFIX/share/lumadeck from PREFIX/bin.
#include "platform/DataFiles.h"
#include "platform_test_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;

TEST(DataFiles, FolderFollowsTheProgramsOwnLocation) {
    QTemporaryDir root;
    const QString r = root.path();
    // A build folder with the help page, next to a share folder not taken; an
    // installed program; a program alone in a folder, without data anywhere.
    for (const char* folder : {"/share/lumadeck", "/usr/bin", "/lonely/bin"}) {
        ASSERT_TRUE(QDir().mkpath(r + folder));
    }
    WriteFile(r + "/build/Lumadeck.html");
    WriteFile(r + "/usr/share/lumadeck/Lumadeck.html");
    for (const auto& [program, data] : {std::pair{"/build", "/build"},
                                        {"/usr/bin", "/usr/share/lumadeck"},
                                        {"/lonely/bin", "/lonely/bin"}}) {
        EXPECT_EQ(DataFiles::FolderFor(r + program), r + data) << program;
    }
}
