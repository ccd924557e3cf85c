// The data folder: beside the program in a build (a share folder next to it is not taken),
// PREFIX/share/lumadeck from PREFIX/bin, and the program's own folder without data anywhere.
#include "platform/DataFiles.h"
#include "platform_test_files.h"

#include <QTemporaryDir>

TEST(DataFiles, FolderFollowsTheProgramsOwnLocation) {
    QTemporaryDir root;
    const QString r = root.path();
    for (const char* folder : {"/share/lumadeck", "/usr/bin", "/lonely/bin"}) {
        ASSERT_TRUE(QDir().mkpath(r + folder));
    }
    WriteFile(r + "/build/Lumadeck.html"), WriteFile(r + "/usr/share/lumadeck/Lumadeck.html");
    for (const auto& [program, data] : {std::pair{"/build", "/build"},
                                        {"/usr/bin", "/usr/share/lumadeck"},
                                        {"/lonely/bin", "/lonely/bin"}}) {
        EXPECT_EQ(lumadeck::DataFiles::FolderFor(r + program), r + data) << program;
    }
}
