// The drive menus' contents without widgets: what the four menus show and
// which files "Play All" takes.
#include "cd/DriveMenuModel.h"
#include "testing/QtPrinters.h"

#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

QString caption(const QString& drive) {
    return drive + ": (LABEL)";
}

// "text" for a shown item, "(text)" for a hidden one, "!text" when disabled.
QStringList shown(const DriveMenuView& view) {
    QStringList out;
    for (const DriveMenuItem& item : view.items) {
        const QString text = item.enabled ? item.text : "!" + item.text;
        out.append(item.visible ? text : "(" + text + ")");
    }
    return out;
}

} // namespace

TEST(DriveMenuModel, MenusShowTheFirstFourDrivesAndHideFixedItemsWhenOnlyFilesAreAsked) {
    DriveMenuModel model;
    for (const char* drive : {"sr0", "sr1", "sr2", "sr3", "sr4"}) {
        model.Add(drive);
    }
    DriveMenuContents& first = *model.Find("CDsr0");
    EXPECT_TRUE(DriveMenuModel::AddFixedItems(first));
    EXPECT_FALSE(DriveMenuModel::AddFixedItems(first)); // only once
    DriveMenuModel::AddFile(first, "/media/a/MPEGAV/AVSEQ01.DAT", 2560);
    DriveMenuModel::SetNoFiles(*model.Find("CDsr1"));

    struct Case {
        bool onlyFiles;
        QStringList first, second, third;
    } cases[] = {
        {false,
         {"Play All", "Add All To Playlist", "-", "AVSEQ01.DAT (2 KB)"},
         {"!(No Video Files found)"},
         {"!(No Files Found)"}},
        {true,
         {"(Play All)", "(Add All To Playlist)", "(-)", "AVSEQ01.DAT (2 KB)"},
         {"!(No Video Files found)"},
         {"!(No Files Found)"}},
    };
    for (const Case& c : cases) {
        const QList<DriveMenuView> menus = model.Menus(c.onlyFiles, caption);
        ASSERT_EQ(menus.size(), DriveMenuModel::MenuCount) << "a fifth drive has no menu";
        EXPECT_EQ(menus[0].tag, "CDsr0");
        EXPECT_EQ(menus[3].title, "sr3: (LABEL)");
        EXPECT_EQ(shown(menus[0]), c.first) << c.onlyFiles;
        EXPECT_EQ(shown(menus[1]), c.second) << c.onlyFiles;
        EXPECT_EQ(shown(menus[2]), c.third) << c.onlyFiles;
    }
    EXPECT_EQ(DriveMenuModel::Files(first), QStringList({"/media/a/MPEGAV/AVSEQ01.DAT"}));
    EXPECT_TRUE(DriveMenuModel::Files(*model.Find("CDsr1")).isEmpty());
    EXPECT_TRUE(DriveMenuModel().Menus(false, caption).isEmpty());
}
