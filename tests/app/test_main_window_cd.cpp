// The main window's CD drive menus, over drives that are folders.
#include "../support/MainWindowFixture.h"
#include "app/DriveMenus.h"
#include "app/SavedPositions.h"
#include "app/frmHelper.h"
#include "cd/clsFindFile.h"

#include <QTest>
#include <functional>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// A drive's dropdown items; one "<no button>" item when it has no button.
QList<DriveMenuItem> itemsOf(frmLumadeck& w, const QString& key) {
    for (const DriveMenuContents& b : w.DriveMenus().Drives()) {
        if (b.key == key) {
            return b.items;
        }
    }
    return {{"<no button>", "<no button>", false}};
}
QStringList buttonTexts(frmLumadeck& w, const QString& key) {
    QStringList out;
    for (const DriveMenuItem& item : itemsOf(w, key)) {
        out << item.text;
    }
    return out;
}
// The listed files: the items after the three fixed ones.
QList<DriveMenuItem> listedFiles(frmLumadeck& w, const QString& key) {
    return itemsOf(w, key).mid(3);
}

const QStringList kNothingFound = {"(No Video Files found)"};

class DriveMenusTest : public MainWindowTest {
protected:
    // A Video CD with tracks, data files and other media.
    QString makeDisc(const QString& name) {
        for (const char* other :
             {"/DATA/X.DAT", "/SEGMENT/ITEM0001.DAT", "/X.DAT", "/README.TXT"}) {
            file(name + other);
        }
        file(name + "/MPEGAV/AVSEQ01.DAT", 12345 * 1024);
        file(name + "/CLIPS/A.MPG", 3584); // 3.5 KB: halves go to the even neighbour
        file(name + "/B.AVI", 2560);       // 2.5 KB
        return dir.filePath(name);
    }
};

} // namespace

TEST_F(DriveMenusTest, ScanListsTracksInTheirFoldersAndMediaAnywhereInEveryMenu) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    frmLumadeck& w = start();
    const QStringList items = {"Play All",     "Add All To Playlist", "-",
                               "B.AVI (2 KB)", "A.MPG (4 KB)",        "AVSEQ01.DAT (12,345 KB)"};
    EXPECT_EQ(buttonTexts(w, "CDsr0"), items);
    EXPECT_EQ(itemsOf(w, "CDsr0")[5].key, dir.filePath("disc1/MPEGAV/AVSEQ01.DAT"));
    EXPECT_EQ(w.DriveMenus().Drives()[0].toolTip, "CD Drive: sr0");
    EXPECT_EQ(w.DriveMenuTag(0), "CDsr0");
    EXPECT_EQ(driveMenu(w, 0)->title(), "sr0: (VCD_ONE)");
    EXPECT_TRUE(driveMenu(w, 0)->menuAction()->isVisible());
    EXPECT_EQ(texts(driveMenu(w, 0)->actions(), true), items);
    EXPECT_FALSE(driveMenu(w, 1)->menuAction()->isVisible());
    auto* button = named<QToolButton>(w, "CDsr0");
    ASSERT_TRUE(button);
    EXPECT_EQ(texts(button->menu()->actions()), items);

    // The helper window's menus list only the files, and add what is chosen.
    frmHelper& helper = Forms::Helper.get();
    QStringList added;
    QObject::connect(&helper, &frmHelper::AddToPL, &w, [&](const QString& f) { added.append(f); });
    helper.ShowDriveMenus(w.DriveMenuViews(true));
    EXPECT_EQ(texts(driveMenu(helper, 0)->actions(), true), items.mid(3));
    EXPECT_EQ(driveMenu(helper, 0)->title(), "sr0: (VCD_ONE)");
    driveMenu(helper, 0)->actions()[5]->trigger();
    EXPECT_EQ(added, QStringList({dir.filePath("disc1/MPEGAV/AVSEQ01.DAT")}));
    EXPECT_FALSE(helper.isVisible());
}

TEST_F(DriveMenusTest, PlayAllAddAllAndASingleFile) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    frmLumadeck& w = start();
    clsPlayList& pl = *w.cPlayList();
    const QString track = dir.filePath("disc1/MPEGAV/AVSEQ01.DAT");

    w.Toolbar1_ButtonMenuClick("CDsr0", track);
    EXPECT_EQ(pl.cFiles().Count(), 1);
    EXPECT_EQ(w.cPlay()->FileName(), track);
    w.Toolbar1_ButtonMenuClick("CDsr0", "AddAll");
    EXPECT_EQ(pl.cFiles().Count(), 4);
    EXPECT_EQ(w.cPlay()->FileName(), track); // appending does not interrupt
    w.Toolbar1_ButtonMenuClick("CDsr0", "PlayAll");
    EXPECT_EQ(pl.cFiles().Count(), 3);
    EXPECT_EQ(pl.CurrentFileIndex(), 0);
    EXPECT_EQ(w.cPlay()->FileName(), dir.filePath("disc1/B.AVI"));
    w.Toolbar1_ButtonMenuClick("CDsr0", "Sep");
    EXPECT_EQ(pl.cFiles().Count(), 3);
    driveMenu(w, 0)->actions()[4]->trigger(); // a drive menu item does what its dropdown item does
    EXPECT_EQ(pl.cFiles().Count(), 1);
    EXPECT_EQ(w.cPlay()->FileName(), dir.filePath("disc1/CLIPS/A.MPG"));
}

TEST_F(DriveMenusTest, InsertionRescansOneDriveAndRemovalEmptiesIt) {
    stored("EnableCDNotify", "True");
    drives.AddDrive("sr0");
    drives.AddDrive("sr1");
    frmLumadeck& w = start();
    ASSERT_TRUE(mdlCDNotify::bHooked);
    EXPECT_EQ(buttonTexts(w, "CDsr1"), kNothingFound);
    EXPECT_EQ(driveMenu(w, 1)->title(), "Drive sr1:");

    drives.InsertDisc("sr1", makeDisc("disc2"), "VCD_TWO");
    QCoreApplication::processEvents();
    EXPECT_EQ(label(w, "status")->text(), "CD inserted in Drive: sr1");
    EXPECT_EQ(buttonTexts(w, "CDsr1").size(), 6);
    EXPECT_EQ(driveMenu(w, 1)->title(), "sr1: (VCD_TWO)");
    EXPECT_EQ(texts(driveMenu(w, 1)->actions(), true).value(5), "AVSEQ01.DAT (12,345 KB)");
    EXPECT_EQ(buttonTexts(w, "CDsr0"), kNothingFound);

    drives.RemoveDisc("sr1");
    QCoreApplication::processEvents();
    EXPECT_EQ(label(w, "status")->text(), "CD removed from Drive: sr1");
    EXPECT_EQ(buttonTexts(w, "CDsr1"), kNothingFound);
    EXPECT_EQ(texts(driveMenu(w, 1)->actions(), true), kNothingFound);
    EXPECT_FALSE(driveMenu(w, 1)->actions()[0]->isEnabled());
    EXPECT_FALSE(named<QToolButton>(w, "CDsr1")->menu()->actions()[0]->isEnabled());
    for (int i = 0; i < 60; ++i) { // the status text goes six seconds later
        w.cPlay()->Tick();
    }
    EXPECT_EQ(label(w, "status")->text(), "");
}

TEST_F(DriveMenusTest, RefreshRunsOnTheNextTickAndStopEndsTheScan) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    drives.InsertDisc("sr1", makeDisc("disc2"), "VCD_TWO");
    frmLumadeck& w = start();
    ASSERT_EQ(w.DriveMenus().Drives().size(), 2);

    action(w, "mnuRefresh")->trigger();
    EXPECT_FALSE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_EQ(timer(w)->Tag, TimerTag::RefreshDrives);
    // Stopped at the first file: the first drive keeps it, the second is not scanned.
    bool stopped = false, stopVisible = false;
    QObject::connect(
        w.cFind(), &clsFindFile::FoundFile, &w, [&](const QString&, const QString&, bool&) {
            if (!stopped) {
                stopped = true;
                stopVisible = action(w, "stop")->isVisible() && action(w, "mnuStop")->isEnabled();
                action(w, "mnuStop")->trigger();
            }
        });
    w.Timer1_Timer();
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(stopVisible);
    EXPECT_EQ(timer(w)->Tag, TimerTag::Idle);
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_FALSE(action(w, "mnuStop")->isEnabled());
    EXPECT_FALSE(action(w, "stop")->isVisible());
    EXPECT_FALSE(w.IsSearching());
    EXPECT_EQ(w.DriveMenus().Drives().size(), 1);
    EXPECT_EQ(buttonTexts(w, "CDsr1"), QStringList({"<no button>"}));
    EXPECT_LT(buttonTexts(w, "CDsr0").size(), 6);

    // The next refresh scans every drive again.
    runOnTick(w, TimerTag::RefreshDrives);
    EXPECT_EQ(w.DriveMenus().Drives().size(), 2);
    EXPECT_EQ(buttonTexts(w, "CDsr1").size(), 6);
}

TEST_F(DriveMenusTest, FiveDrivesGetFiveButtonsAndFourMenusEachListingBoundedFiles) {
    Environment().maxVideoFilesPerDrive = 25; // the program's is 50,000
    for (int i = 0; i < 40; ++i) {
        file(QStringLiteral("many/%1.mpg").arg(100 + i));
    }
    for (int i = 0; i < 10; ++i) {
        file(QStringLiteral("few/%1.mpg").arg(100 + i));
    }
    drives.InsertDisc("sr0", dir.filePath("many"), "MANY");
    drives.InsertDisc("sr1", dir.filePath("few"), "FEW");
    for (const char* empty : {"sr2", "sr3", "sr4"}) {
        drives.AddDrive(empty);
    }
    frmLumadeck& w = start();
    EXPECT_EQ(w.DriveMenus().Drives().size(), 5);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(w.DriveMenuTag(n), QString("CDsr%1").arg(n));
        EXPECT_TRUE(driveMenu(w, n)->menuAction()->isVisible());
    }
    EXPECT_EQ(buttonTexts(w, "CDsr4"), kNothingFound);
    const QList<DriveMenuItem> many = listedFiles(w, "CDsr0");
    ASSERT_EQ(many.size(), 25);
    EXPECT_EQ(many.last().key, dir.filePath("many/124.mpg"));
    EXPECT_EQ(driveMenu(w, 0)->actions().size(), 3 + 25);
    EXPECT_EQ(listedFiles(w, "CDsr1").size(), 10); // the next drive is scanned all the same
    // The notice goes sixty ticks (six seconds) later.
    EXPECT_EQ(label(w, "status")->text(), "Drive sr0: only the first 25 video files are listed");
    for (int tick = 0; tick < 59; ++tick) {
        w.cPlay()->Tick();
    }
    EXPECT_FALSE(label(w, "status")->text().isEmpty());
    w.cPlay()->Tick();
    EXPECT_EQ(label(w, "status")->text(), "");
}

namespace {

// Folder drives that run a step when a scan asks for a drive's mount point,
// as the real drives mount a disc (and so report its arrival) at that moment.
class MountingDrives : public FolderDriveServices {
public:
    QString MountPoint(const QString& drive, bool mount) override {
        if (mount && onMount) {
            onMount(drive);
        }
        return FolderDriveServices::MountPoint(drive, mount);
    }
    std::function<void(const QString&)> onMount;
};

QList<QStringList> menusOf(frmLumadeck& w) {
    return {buttonTexts(w, "CDsr0"), buttonTexts(w, "CDsr1"),
            texts(driveMenu(w, 0)->actions(), true), texts(driveMenu(w, 1)->actions(), true)};
}

} // namespace

TEST_F(DriveMenusTest, DiscNoticesAndRefreshesWaitForTheRunningScan) {
    MountingDrives mounting;
    DriveServices::setCurrent(&mounting);
    stored("EnableCDNotify", "True");
    mounting.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    mounting.AddDrive("sr1");
    // The start-up scan: refresh disabled, stop enabled, the drive's menu saying so.
    QStringList states;
    mounting.onMount = [&](const QString& drive) {
        frmLumadeck* w = Forms::Lumadeck.ifLoaded();
        states << QStringLiteral("%1 refresh %2 stop %3 %4")
                      .arg(drive)
                      .arg(action(*w, "mnuRefresh")->isEnabled())
                      .arg(action(*w, "mnuStop")->isEnabled())
                      .arg(texts(driveMenu(*w, drive == "sr0" ? 0 : 1)->actions(), true).join('/'));
    };
    frmLumadeck& w = start();
    EXPECT_EQ(states,
              QStringList({"sr0 refresh 0 stop 1 Finding.", "sr1 refresh 0 stop 1 Finding."}));
    ASSERT_TRUE(mdlCDNotify::bHooked);

    // A refresh whose scan mounts sr0 (so reports its arrival) and asks for a refresh.
    int pendingDuring = -1;
    QString tagAfterTick, menuDuring;
    mounting.onMount = [&](const QString& drive) {
        if (drive == "sr0" && pendingDuring < 0) {
            menuDuring = texts(driveMenu(w, 0)->actions(), true).join('/'); // rescanned: emptied
            mounting.Raise(
                {DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {"sr0"}});
            pendingDuring = mdlCDNotify::PendingNotices();
            runOnTick(w, TimerTag::RefreshDrives);
            tagAfterTick = timer(w)->Tag;
            timer(w)->Tag = TimerTag::Idle;
        }
    };
    runOnTick(w, TimerTag::RefreshDrives);
    EXPECT_EQ(menuDuring, "Finding.");
    EXPECT_EQ(pendingDuring, 1);       // held while the scan ran...
    EXPECT_EQ(tagAfterTick, "1");      // ...like the refresh asked for meanwhile
    QCoreApplication::processEvents(); // ...and delivered after it
    EXPECT_EQ(mdlCDNotify::PendingNotices(), 0);
    EXPECT_EQ(label(w, "status")->text(), "CD inserted in Drive: sr0");
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_FALSE(w.IsSearching());
    // The overlapping scans left the menus as one scan does.
    const QList<QStringList> overlapping = menusOf(w);
    EXPECT_EQ(overlapping[0].size(), 6);
    EXPECT_EQ(overlapping[2], overlapping[0]);
    EXPECT_EQ(overlapping[1], kNothingFound);
    mdlCDNotify::StopCDNotification(&w);
    DriveServices::setCurrent(&drives);
}
