// The playlist's entries: look-ups by position and by name, titles, and the case-blind index.
#include "playlist/cFiles.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace lumadeck;

TEST(cFiles, PositionsNamesTitlesAndTheCaseBlindIndexFollowingEveryEdit) {
    cFiles files;
    auto first = files.Add("/v/A.mpg");
    for (const char* n : {"2", "/v/a.MPG", "2.5", "/v/A.mpg"}) {
        files.Add(n);
    }
    // Shared with the list, not copied. A floating-point or text number is a name, not a position;
    // by name the first match counts, with its letter case.
    EXPECT_EQ(files.Item("/v/A.mpg").get(), first.get());
    EXPECT_EQ(files.Item(QStringLiteral("/v/a.mpg")), nullptr);
    EXPECT_EQ(files.Item(2.0)->szFileName(), "2");
    EXPECT_EQ(files.Item(2)->szFileName(), "/v/a.MPG");
    EXPECT_EQ(files.FindIgnoringCase("/V/a.mpg"), 0);
    // Remove by name (first match, case ignored) or position; unknown ones remove nothing.
    for (const FileKey& gone : {FileKey("/V/A.MPG"), FileKey(2.5), FileKey(0), FileKey(2),
                                FileKey(-1), FileKey("/v/none.mpg")}) {
        files.Remove(gone);
    }
    EXPECT_EQ(files.Count(), 2);
    EXPECT_EQ(files.FindIgnoringCase("2"), -1);
    files.Add(QStringLiteral("/v/Straße.mpg")); // added after a look-up
    EXPECT_EQ(files.FindIgnoringCase(QStringLiteral("/v/STRAßE.MPG")), 2);
    files.Clear();
    EXPECT_EQ(files.FindIgnoringCase("/v/a.mpg"), -1);
    for (const auto& [name, title] : {std::pair{"/media/u/VCD/MPEGAV/AVSEQ01.DAT", "AVSEQ01.DAT"},
                                      {"trip.mpg", "trip.mpg"},
                                      {"/v/folder/", ""}}) {
        first->setSzFileName(name); // still alive where it is held
        EXPECT_EQ(first->szFileTitle(), title) << name;
    }
}
