#include "playlist/cFiles.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace lumadeck;

TEST(clsFiles, TitleIsThePartAfterTheLastSlash) {
    clsFiles entry;
    EXPECT_EQ(entry.szFileName(), "");
    EXPECT_EQ(entry.szFileTitle(), "");

    entry.setSzFileName("/media/u/VCD_ONE/MPEGAV/AVSEQ01.DAT");
    EXPECT_EQ(entry.szFileTitle(), "AVSEQ01.DAT");
    entry.setSzFileName("trip.mpg");
    EXPECT_EQ(entry.szFileTitle(), "trip.mpg");
    entry.setSzFileName("/v/folder/");
    EXPECT_EQ(entry.szFileTitle(), "");
    entry.setSzFileName("relative/clip.avi");
    EXPECT_EQ(entry.szFileName(), "relative/clip.avi");
    EXPECT_EQ(entry.szFileTitle(), "clip.avi");
}

class cFilesTest : public ::testing::Test {
protected:
    QStringList names() const {
        QStringList out;
        for (const auto& e : files) {
            out << e->szFileName();
        }
        return out;
    }
    cFiles files;
};

TEST_F(cFilesTest, AddAppendsAndHandsOutTheSharedEntry) {
    auto a = files.Add("/v/a.mpg");
    files.Add("/v/b.mpg");
    files.Add("/v/a.mpg");
    EXPECT_EQ(files.Count(), 3);
    EXPECT_EQ(names(), QStringList({"/v/a.mpg", "/v/b.mpg", "/v/a.mpg"}));

    // Changing the returned entry changes the one in the list.
    a->setSzFileName("/v/renamed.mpg");
    EXPECT_EQ(files.Item(0)->szFileName(), "/v/renamed.mpg");
    EXPECT_EQ(files.Item(0).get(), a.get());
}

TEST_F(cFilesTest, ItemByPositionAndByExactName) {
    EXPECT_EQ(files.Item(0), nullptr);
    files.Add("/v/One.mpg");
    files.Add("/v/two.mpg");
    files.Add("/v/One.mpg");

    EXPECT_EQ(files.Item(1)->szFileName(), "/v/two.mpg");
    EXPECT_EQ(files.Item(short(1))->szFileName(), "/v/two.mpg");
    EXPECT_EQ(files.Item(1L)->szFileName(), "/v/two.mpg");
    EXPECT_EQ(files.Item(files.Count()), nullptr);
    EXPECT_EQ(files.Item(-1), nullptr);

    // By name: the first match from the front, letter case counts.
    EXPECT_EQ(files.Item("/v/One.mpg").get(), files.Item(0).get());
    EXPECT_EQ(files.Item(QStringLiteral("/v/one.mpg")), nullptr);
    EXPECT_EQ(files.Item("missing"), nullptr);
}

TEST_F(cFilesTest, NumbersThatAreNotIntegersAndTextAreNames) {
    files.Add("zero");
    files.Add("2");
    files.Add("2.5");
    files.Add("three");

    // A floating-point 2 is the name "2", found at position 1, not entry 2.
    EXPECT_EQ(files.Item(2.0)->szFileName(), "2");
    EXPECT_EQ(files.Item(2.5)->szFileName(), "2.5");
    EXPECT_EQ(files.Item(QStringLiteral("2"))->szFileName(), "2");
    EXPECT_EQ(files.Item(2)->szFileName(), "2.5");
    EXPECT_EQ(files.Item(0.0), nullptr);

    files.Remove(2.5);
    EXPECT_EQ(names(), QStringList({"zero", "2", "three"}));
    files.Remove("0");
    EXPECT_EQ(files.Count(), 3);
    files.Remove(0);
    EXPECT_EQ(names(), QStringList({"2", "three"}));
}

TEST_F(cFilesTest, RemoveByPositionOrFirstNameIgnoringCase) {
    files.Add("/v/A.mpg");
    files.Add("/v/b.mpg");
    files.Add("/v/a.MPG");
    files.Add("/v/c.mpg");

    files.Remove(QStringLiteral("/V/A.MPG"));
    EXPECT_EQ(names(), QStringList({"/v/b.mpg", "/v/a.MPG", "/v/c.mpg"}));
    files.Remove("/v/a.mpg");
    EXPECT_EQ(names(), QStringList({"/v/b.mpg", "/v/c.mpg"}));

    // Out of range or unknown: nothing happens.
    files.Remove(2);
    files.Remove(-1);
    files.Remove("/v/nothing.mpg");
    EXPECT_EQ(names(), QStringList({"/v/b.mpg", "/v/c.mpg"}));

    files.Remove(1);
    EXPECT_EQ(names(), QStringList({"/v/b.mpg"}));
}

TEST_F(cFilesTest, ClearEmptiesButEntriesHeldElsewhereLiveOn) {
    auto kept = files.Add("/v/a.mpg");
    files.Add("/v/b.mpg");
    files.Clear();
    EXPECT_EQ(files.Count(), 0);
    EXPECT_EQ(files.begin(), files.end());
    EXPECT_EQ(kept->szFileTitle(), "a.mpg");
    files.Add("/v/c.mpg");
    EXPECT_EQ(names(), QStringList({"/v/c.mpg"}));
}

TEST_F(cFilesTest, FindIgnoringCaseFollowsEveryEdit) {
    EXPECT_EQ(files.FindIgnoringCase("/v/a.mpg"), -1);
    files.Add("/v/A.mpg");
    files.Add("/v/b.mpg");
    files.Add("/v/a.MPG");
    EXPECT_EQ(files.FindIgnoringCase("/V/a.mpg"), 0);
    EXPECT_EQ(files.FindIgnoringCase(QStringLiteral("/v/B.MPG")), 1);
    EXPECT_EQ(files.FindIgnoringCase("/v/c.mpg"), -1);

    files.Add("/v/C.mpg"); // added after the first look-up
    EXPECT_EQ(files.FindIgnoringCase("/v/c.mpg"), 3);
    files.Remove(0);
    EXPECT_EQ(files.FindIgnoringCase("/v/a.mpg"), 1);
    EXPECT_EQ(files.FindIgnoringCase("/v/c.mpg"), 2);
    files.Remove("/V/A.MPG");
    EXPECT_EQ(files.FindIgnoringCase("/v/a.mpg"), -1);

    // An entry renamed through a shared reference is still found.
    files.Item(0)->setSzFileName("/v/renamed.mpg");
    EXPECT_EQ(files.FindIgnoringCase("/v/RENAMED.mpg"), 0);
    EXPECT_EQ(files.FindIgnoringCase(QStringLiteral("/v/straße.mpg")), -1);
    files.Add(QStringLiteral("/v/Straße.mpg"));
    EXPECT_EQ(files.FindIgnoringCase(QStringLiteral("/v/STRAßE.mpg")), 2);

    files.Clear();
    EXPECT_EQ(files.FindIgnoringCase("/v/b.mpg"), -1);
    EXPECT_EQ(files.FindIgnoringCase(""), -1);
    files.Add("");
    EXPECT_EQ(files.FindIgnoringCase(""), 0);
}
