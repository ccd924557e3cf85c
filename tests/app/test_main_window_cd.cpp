// The main window's CD drive menus with drives that are folders: scans,
// the files listed and their captions, disc insertion and removal, five
// drives, and stopping or closing during a scan.
#include "MainWindowFixture.h"
#include "app/DriveMenus.h"
#include "cd/clsFindFile.h"

#include <QMenu>
#include <functional>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

const DriveMenuContents* buttonOf(frmLumadeck& w, const QString& key) {
    for (const DriveMenuContents& b : w.DriveMenus().Drives()) {
        if (b.key == key) {
            return &b;
        }
    }
    return nullptr;
}

// The texts of a drive's dropdown items; "<no button>" when it has none.
QStringList buttonTexts(frmLumadeck& w, const QString& key) {
    QStringList out;
    const DriveMenuContents* button = buttonOf(w, key);
    for (const DriveMenuItem& item : button ? button->items : QList<DriveMenuItem>{}) {
        out.append(item.text);
    }
    return button ? out : QStringList{"<no button>"};
}

} // namespace

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

TEST_F(DriveMenusTest, ScanListsTracksInTheirFoldersAndMediaAnywhere) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    frmLumadeck& w = start();
    const DriveMenuContents* button = buttonOf(w, "CDsr0");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolTip, "CD Drive: sr0");
    EXPECT_EQ(buttonTexts(w, "CDsr0"),
              QStringList({"Play All", "Add All To Playlist", "-", "B.AVI (2 KB)", "A.MPG (4 KB)",
                           "AVSEQ01.DAT (12,345 KB)"}));
    EXPECT_EQ(button->items[5].key, dir.filePath("disc1/MPEGAV/AVSEQ01.DAT"));
    EXPECT_EQ(w.DriveMenuTag(0), "CDsr0");
    EXPECT_EQ(driveMenu(w, 0)->title(), "sr0: (VCD_ONE)");
    EXPECT_TRUE(driveMenu(w, 0)->menuAction()->isVisible());
    EXPECT_EQ(texts(driveMenu(w, 0)->actions(), true), buttonTexts(w, "CDsr0"));
    EXPECT_FALSE(driveMenu(w, 1)->menuAction()->isVisible());
    // The toolbar button's dropdown carries the same items.
    auto* widget = named<QToolButton>(w, "CDsr0");
    ASSERT_TRUE(widget);
    EXPECT_EQ(texts(widget->menu()->actions()), buttonTexts(w, "CDsr0"));
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
    EXPECT_EQ(buttonTexts(w, "CDsr1"), QStringList({"(No Video Files found)"}));
    EXPECT_EQ(driveMenu(w, 1)->title(), "Drive sr1:");

    drives.InsertDisc("sr1", makeDisc("disc2"), "VCD_TWO");
    QCoreApplication::processEvents();
    EXPECT_EQ(label(w, "status")->text(), "CD inserted in Drive: sr1");
    EXPECT_EQ(buttonTexts(w, "CDsr1").size(), 6);
    EXPECT_EQ(driveMenu(w, 1)->title(), "sr1: (VCD_TWO)");
    EXPECT_EQ(texts(driveMenu(w, 1)->actions(), true).value(5), "AVSEQ01.DAT (12,345 KB)");
    EXPECT_EQ(buttonTexts(w, "CDsr0"), QStringList({"(No Video Files found)"}));

    drives.RemoveDisc("sr1");
    QCoreApplication::processEvents();
    EXPECT_EQ(label(w, "status")->text(), "CD removed from Drive: sr1");
    EXPECT_EQ(buttonTexts(w, "CDsr1"), QStringList({"(No Video Files found)"}));
    EXPECT_EQ(texts(driveMenu(w, 1)->actions(), true), QStringList({"(No Video Files found)"}));
    EXPECT_FALSE(driveMenu(w, 1)->actions()[0]->isEnabled());
    // The status text goes six seconds later.
    for (int i = 0; i < 60; ++i) {
        w.cPlay()->Tick();
    }
    EXPECT_EQ(label(w, "status")->text(), "");
}

TEST_F(DriveMenusTest, FiveDrivesGetFiveButtonsAndFourMenus) {
    for (int i = 0; i < 5; ++i) {
        drives.AddDrive(QString("sr%1").arg(i));
    }
    frmLumadeck& w = start();
    EXPECT_EQ(w.DriveMenus().Drives().size(), 5);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(w.DriveMenuTag(n), QString("CDsr%1").arg(n));
        EXPECT_TRUE(driveMenu(w, n)->menuAction()->isVisible());
    }
    EXPECT_EQ(buttonTexts(w, "CDsr4"), QStringList({"(No Video Files found)"}));
}

TEST_F(DriveMenusTest, RefreshRunsOnTheNextTickAndStopEndsTheScan) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    drives.InsertDisc("sr1", makeDisc("disc2"), "VCD_TWO");
    frmLumadeck& w = start();
    ASSERT_EQ(w.DriveMenus().Drives().size(), 2);

    action(w, "mnuRefresh")->trigger();
    EXPECT_FALSE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_EQ(timer(w)->Tag, TimerTag::RefreshDrives);
    // Stop at the first file found: the first drive keeps what it had, the
    // second is not scanned at all.
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
    stopped = true;
    timer(w)->Tag = TimerTag::RefreshDrives;
    w.Timer1_Timer();
    EXPECT_EQ(w.DriveMenus().Drives().size(), 2);
    EXPECT_EQ(buttonTexts(w, "CDsr1").size(), 6);
}

TEST_F(DriveMenusTest, ClosingDuringAScanWaitsForTheScanThenEnds) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    drives.InsertDisc("sr1", makeDisc("disc2"), "VCD_TWO");
    frmLumadeck& w = start();
    QStringList titles;
    QObject::connect(&w, &QWidget::windowTitleChanged, &w,
                     [&](const QString& t) { titles.append(t); });
    bool refused = false, asked = false;
    QObject::connect(w.cFind(), &clsFindFile::FoundFile, &w,
                     [&](const QString&, const QString&, bool&) {
                         if (!asked) {
                             asked = true;
                             refused = !w.close();
                         }
                     });
    store.writes.clear();
    timer(w)->Tag = TimerTag::RefreshDrives;
    w.Timer1_Timer();
    flushDeletes();
    EXPECT_TRUE(refused);
    EXPECT_TRUE(titles.contains("Lumadeck Player. Closing.... Please wait."));
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_EQ(store.writes.size(), 5); // the options were saved once
}

TEST_F(DriveMenusTest, TheHelperWindowsMenusListOnlyFiles) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    frmLumadeck& w = start();
    frmHelper& helper = Forms::Helper.get();
    QStringList added;
    QObject::connect(&helper, &frmHelper::AddToPL, &w, [&](const QString& f) { added.append(f); });
    helper.ShowDriveMenus(w.DriveMenuViews(true));
    EXPECT_EQ(texts(driveMenu(helper, 0)->actions(), true),
              QStringList({"B.AVI (2 KB)", "A.MPG (4 KB)", "AVSEQ01.DAT (12,345 KB)"}));
    EXPECT_EQ(driveMenu(helper, 0)->title(), "sr0: (VCD_ONE)");
    driveMenu(helper, 0)->actions()[5]->trigger();
    EXPECT_EQ(added, QStringList({dir.filePath("disc1/MPEGAV/AVSEQ01.DAT")}));
    EXPECT_FALSE(helper.isVisible());
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

struct Menus {
    QStringList sr0, sr1, menu0, menu1;
    bool operator==(const Menus&) const = default;
};

Menus menusOf(frmLumadeck& w) {
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
    // The start-up scan: refresh disabled, stop enabled, as in any scan.
    QStringList states;
    mounting.onMount = [&](const QString& drive) {
        frmLumadeck* w = Forms::Lumadeck.ifLoaded();
        states << QStringLiteral("%1 refresh %2 stop %3")
                      .arg(drive)
                      .arg(action(*w, "mnuRefresh")->isEnabled())
                      .arg(action(*w, "mnuStop")->isEnabled());
    };
    frmLumadeck& w = start();
    EXPECT_EQ(states, QStringList({"sr0 refresh 0 stop 1", "sr1 refresh 0 stop 1"}));
    ASSERT_TRUE(mdlCDNotify::bHooked);

    // A refresh whose scan of sr0 reports sr0's arrival (the mount it made)
    // and during which a refresh is asked for on a tick.
    bool raised = false;
    int pendingDuring = -1;
    QString tagAfterTick;
    mounting.onMount = [&](const QString& drive) {
        if (drive == "sr0" && !raised) {
            raised = true;
            mounting.Raise(
                {DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {"sr0"}});
            pendingDuring = mdlCDNotify::PendingNotices();
            timer(w)->Tag = TimerTag::RefreshDrives;
            w.Timer1_Timer();
            tagAfterTick = timer(w)->Tag;
            timer(w)->Tag = TimerTag::Idle;
        }
    };
    timer(w)->Tag = TimerTag::RefreshDrives;
    w.Timer1_Timer();
    EXPECT_EQ(pendingDuring, 1);       // held while the scan ran...
    EXPECT_EQ(tagAfterTick, "1");      // ...like the refresh asked for meanwhile
    QCoreApplication::processEvents(); // ...and delivered after it
    EXPECT_EQ(mdlCDNotify::PendingNotices(), 0);
    EXPECT_EQ(label(w, "status")->text(), "CD inserted in Drive: sr0");
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_FALSE(w.IsSearching());
    const Menus overlapping = menusOf(w);

    // The same two scans one after the other.
    mounting.onMount = {};
    timer(w)->Tag = TimerTag::RefreshDrives;
    w.Timer1_Timer();
    w.AddCD("sr0");
    EXPECT_EQ(overlapping, menusOf(w));
    EXPECT_EQ(overlapping.sr0.mid(0, 3), QStringList({"Play All", "Add All To Playlist", "-"}));
    EXPECT_EQ(overlapping.sr0.size(), 6);
    EXPECT_EQ(overlapping.menu0, overlapping.sr0);
    EXPECT_EQ(overlapping.sr1, QStringList({"(No Video Files found)"}));
    mdlCDNotify::StopCDNotification(&w);
    DriveServices::setCurrent(&drives);
}
