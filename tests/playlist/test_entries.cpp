// The playlist's entries: look-ups by position and by name, and titles.
#include "playlist/cFiles.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

QStringList names(const cFiles& files) {
    QStringList out;
    for (const auto& e : files) {
        out << e->szFileName();
    }
    return out;
}

} // namespace

TEST(cFiles, PositionsNamesAndTitles) {
    cFiles files;
    EXPECT_EQ(files.Item(0), nullptr);
    auto first = files.Add("/v/A.mpg");
    for (const char* n : {"2", "/v/a.MPG", "2.5", "/v/A.mpg"}) {
        files.Add(n);
    }
    // Entries are shared with the list, not copied.
    EXPECT_EQ(files.Item(0).get(), first.get());
    EXPECT_EQ(files.Count(), 5);
    EXPECT_EQ(files.Item(short(1))->szFileName(), "2");
    EXPECT_EQ(files.Item(5L), nullptr);
    EXPECT_EQ(files.Item(-1), nullptr);

    // Item by name: first match, letter case counts. A floating-point or
    // text number is a name, not a position.
    EXPECT_EQ(files.Item("/v/A.mpg").get(), first.get());
    EXPECT_EQ(files.Item(QStringLiteral("/v/a.mpg")), nullptr);
    EXPECT_EQ(files.Item(2.0)->szFileName(), "2");
    EXPECT_EQ(files.Item(2.5)->szFileName(), "2.5");
    EXPECT_EQ(files.Item(2)->szFileName(), "/v/a.MPG");
    EXPECT_EQ(files.Item(0.0), nullptr);

    // Remove by name: first match, letter case ignored.
    files.Remove("/V/A.MPG");
    EXPECT_EQ(names(files), QStringList({"2", "/v/a.MPG", "2.5", "/v/A.mpg"}));
    files.Remove(2.5);
    files.Remove(0);
    EXPECT_EQ(names(files), QStringList({"/v/a.MPG", "/v/A.mpg"}));
    // Unknown names and positions out of range remove nothing.
    files.Remove(2);
    files.Remove(-1);
    files.Remove("/v/none.mpg");
    EXPECT_EQ(files.Count(), 2);
    files.Clear();
    EXPECT_EQ(files.begin(), files.end());
    EXPECT_EQ(first->szFileTitle(), "A.mpg"); // still alive where it is held

    // The title is the part after the last slash.
    for (const auto& [name, title] : {std::pair{"/media/u/VCD/MPEGAV/AVSEQ01.DAT", "AVSEQ01.DAT"},
                                      {"trip.mpg", "trip.mpg"},
                                      {"/v/folder/", ""},
                                      {"", ""}}) {
        first->setSzFileName(name);
        EXPECT_EQ(first->szFileTitle(), title) << name;
    }
}

TEST(cFiles, FindIgnoringCaseFollowsEveryEdit) {
    cFiles files;
    EXPECT_EQ(files.FindIgnoringCase(""), -1);
    for (const char* n : {"/v/A.mpg", "/v/b.mpg", "/v/a.MPG"}) {
        files.Add(n);
    }
    EXPECT_EQ(files.FindIgnoringCase("/V/a.mpg"), 0);
    EXPECT_EQ(files.FindIgnoringCase("/v/c.mpg"), -1);
    files.Add(QStringLiteral("/v/Straße.mpg")); // added after a look-up
    EXPECT_EQ(files.FindIgnoringCase(QStringLiteral("/v/STRAßE.MPG")), 3);
    files.Remove(0);
    EXPECT_EQ(files.FindIgnoringCase("/v/a.mpg"), 1);
    // An entry renamed through a shared reference is found under its new name.
    files.Item(0)->setSzFileName("/v/renamed.mpg");
    EXPECT_EQ(files.FindIgnoringCase("/v/RENAMED.mpg"), 0);
    EXPECT_EQ(files.FindIgnoringCase("/v/b.mpg"), -1);
    files.Clear();
    EXPECT_EQ(files.FindIgnoringCase("/v/a.mpg"), -1);
}
