// The main window's CD drive menus, over drives that are folders and over
// Video CD images (which also stand in for an unmounted disc's device).
#include "MainWindowFixture.h"
#include "app/DriveMenus.h"
#include "app/SavedPositions.h"
#include "app/frmHelper.h"
#include "cd/ImageDrives.h"
#include "cd/clsFindFile.h"
#include "platform/FileNames.h"

#include <QMap>
#include <QTest>
#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cmath>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

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
    runOnTick(w, TimerTag::RefreshDrives);
    flushDeletes();
    EXPECT_TRUE(refused);
    EXPECT_TRUE(titles.contains("Lumadeck Player. Closing.... Please wait."));
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_EQ(store.writes.size(), 5); // the options were saved once
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

    // A refresh whose scan mounts sr0 (so reports its arrival) and asks for a refresh.
    int pendingDuring = -1;
    QString tagAfterTick;
    mounting.onMount = [&](const QString& drive) {
        if (drive == "sr0" && pendingDuring < 0) {
            mounting.Raise(
                {DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {"sr0"}});
            pendingDuring = mdlCDNotify::PendingNotices();
            runOnTick(w, TimerTag::RefreshDrives);
            tagAfterTick = timer(w)->Tag;
            timer(w)->Tag = TimerTag::Idle;
        }
    };
    runOnTick(w, TimerTag::RefreshDrives);
    EXPECT_EQ(pendingDuring, 1);       // held while the scan ran...
    EXPECT_EQ(tagAfterTick, "1");      // ...like the refresh asked for meanwhile
    QCoreApplication::processEvents(); // ...and delivered after it
    EXPECT_EQ(mdlCDNotify::PendingNotices(), 0);
    EXPECT_EQ(label(w, "status")->text(), "CD inserted in Drive: sr0");
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_FALSE(w.IsSearching());
    const QList<QStringList> overlapping = menusOf(w);

    // The same two scans one after the other give the same menus.
    mounting.onMount = {};
    runOnTick(w, TimerTag::RefreshDrives);
    w.AddCD("sr0");
    EXPECT_EQ(overlapping, menusOf(w));
    EXPECT_EQ(overlapping[0].mid(0, 3), QStringList({"Play All", "Add All To Playlist", "-"}));
    EXPECT_EQ(overlapping[0].size(), 6);
    EXPECT_EQ(overlapping[2], overlapping[0]);
    EXPECT_EQ(overlapping[1], kNothingFound);
    mdlCDNotify::StopCDNotification(&w);
    DriveServices::setCurrent(&drives);
}

namespace {

// Files made under names that are bytes; removed here, as QTemporaryDir cannot name them.
class RawFiles {
public:
    ~RawFiles() {
        for (const QByteArray& path : std::as_const(m_made)) {
            ::unlink(path.constData());
        }
    }
    bool make(const QByteArray& path, qint64 size) {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        m_made << path;
        const bool ok = ::ftruncate(fd, size) == 0;
        ::close(fd);
        return ok;
    }

private:
    QList<QByteArray> m_made;
};

} // namespace

// A name that is not UTF-8, its look-alike, and one with "&", a tab and markup
// on a disc whose label has them too: each is listed as it is and plays itself.
TEST_F(DriveMenusTest, ForeignNamesAreListedAsTheyAreAndEachPlaysItself) {
    const QString disc = dir.filePath("disc");
    QDir().mkpath(disc);
    const QByteArray folder = EncodeFileName(disc);
    RawFiles raws;
    ASSERT_TRUE(raws.make(folder + "/\xE9.mpg", 3 * 1024));
    ASSERT_TRUE(raws.make(folder + "/?.mpg", 5 * 1024));
    file("disc/Tom & Jerry\t<b>x<b>.mpg", 2048);
    drives.InsertDisc("sr0", disc, "R&B\tHITS");
    frmLumadeck& w = start();

    EXPECT_EQ(shownMenuText(driveMenu(w, 0)->title()), "sr0: (R&BHITS)");
    EXPECT_TRUE(QKeySequence::mnemonic(driveMenu(w, 0)->title()).isEmpty());
    const QString raw = disc + "/" + QChar(0xDCE9) + ".mpg"; // the byte kept as it is
    const QMap<QString, QString> expected = {
        {raw, QString(QChar(0xDCE9)) + ".mpg (3 KB)"},
        {disc + "/?.mpg", "?.mpg (5 KB)"},
        {disc + "/Tom & Jerry\t<b>x<b>.mpg", "Tom & Jerry<b>x<b>.mpg (2 KB)"}};
    // The items in the menus, in the order the drive's button lists them.
    const QList<DriveMenuItem> files = listedFiles(w, "CDsr0");
    const QStringList shownItems = texts(driveMenu(w, 0)->actions(), true).mid(3);
    ASSERT_EQ(shownItems.size(), files.size());
    QMap<QString, QString> listed;
    for (int i = 0; i < files.size(); ++i) {
        listed.insert(files[i].key, shownMenuText(shownItems[i]));
        EXPECT_TRUE(QKeySequence::mnemonic(shownItems[i]).isEmpty()) << i;
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(texts(named<QToolButton>(w, "CDsr0")->menu()->actions()).mid(3), shownItems);

    // Each item opens its own file, told apart by its length.
    double length = 10;
    for (const QString& key : expected.keys()) {
        SimulatedMedia media;
        media.duration = ++length;
        control->Script(key, media);
        w.Toolbar1_ButtonMenuClick("CDsr0", key);
        EXPECT_EQ(w.cPlay()->FileName(), key);
        EXPECT_EQ(control->FileName(), key);
        EXPECT_EQ(w.cPlay()->Length(), length);
    }
    EXPECT_EQ(EncodeFileName(raw), folder + "/\xE9.mpg");
}

TEST_F(DriveMenusTest, FiveDrivesGetFiveButtonsAndFourMenusEachListingBoundedFiles) {
    Environment().maxVideoFilesPerDrive = 25; // the program's is 50,000
    for (int i = 0; i < 40; ++i) {
        file(QStringLiteral("many/%1.mpg").arg(100 + i));
        file(QStringLiteral("many/%1.txt").arg(100 + i)); // not counted
    }
    for (int i = 0; i < 10; ++i) {
        file(QStringLiteral("few/%1.mpg").arg(100 + i));
    }
    // Clips on levels 0 to 9 and 60 to 69 of a deep tree; levels 0 to 64 are listed.
    QString folder = "deep";
    for (int level = 0; level < 70; ++level) {
        if (level < 10 || level >= 60) {
            file(folder + QStringLiteral("/L%1.mpg").arg(level));
        }
        folder += "/d";
    }
    drives.InsertDisc("sr0", dir.filePath("many"), "MANY");
    drives.InsertDisc("sr1", dir.filePath("few"), "FEW");
    drives.InsertDisc("sr2", dir.filePath("deep"), "DEEP");
    drives.AddDrive("sr3");
    drives.AddDrive("sr4");
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
    EXPECT_EQ(label(w, "status")->text(), "Drive sr0: only the first 25 video files are listed");
    QList<int> levels;
    for (const DriveMenuItem& item : listedFiles(w, "CDsr2")) {
        const QString name = item.key.mid(item.key.lastIndexOf('/') + 1); // "L<level>.mpg"
        levels << name.mid(1, name.size() - 5).toInt();
    }
    std::sort(levels.begin(), levels.end());
    EXPECT_EQ(levels, QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 60, 61, 62, 63, 64}));

    // A disc inserted later is held to the same bound.
    Environment().maxVideoFilesPerDrive = 5;
    drives.RemoveDisc("sr1");
    w.RemoveCD("sr1");
    drives.InsertDisc("sr1", dir.filePath("few"), "FEW");
    w.AddCD("sr1");
    EXPECT_EQ(listedFiles(w, "CDsr1").size(), 5);
    EXPECT_EQ(label(w, "status")->text(), "Drive sr1: only the first 5 video files are listed");
    EXPECT_FALSE(w.IsSearching());
}

// ------------------------------------------------------ Video CD images

namespace {

QString media(const QString& name) {
    return QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/") + name;
}

// "AVSEQ01.DAT (674 KB)" from libiso9660's record of the track's 2,324-byte payloads.
QString trackCaption(const QString& cue, const QString& path) {
    CdIo_t* cdio = cdio_open(QFile::encodeName(cue).constData(), DRIVER_BINCUE);
    iso9660_stat_t* st = iso9660_fs_stat(cdio, QFile::encodeName(path + ";1").constData());
    const qint64 bytes = st ? qint64(st->secsize) * 2324 : -1;
    iso9660_stat_free(st);
    cdio_destroy(cdio);
    return path.mid(path.lastIndexOf('/') + 1) + " (" +
           QLocale().toString(qlonglong(std::nearbyint(bytes / 1024.0))) + " KB)";
}

class ImageDrivesTest : public MainWindowTest {
protected:
    void TearDown() override {
        for (const QString& d : ImageDrives::current().Drives()) {
            ImageDrives::current().Remove(d);
        }
        MainWindowTest::TearDown();
    }
    // A copy of an image (its sheet and data) in the test's folder.
    QString copyImage(const QString& name) {
        for (const char* ext : {".cue", ".bin"}) {
            QFile::copy(media(name + ext), dir.filePath(name + ext));
        }
        return dir.filePath(name + ".cue");
    }
};

} // namespace

TEST_F(ImageDrivesTest, ImagesAndUnmountedDiscsBecomeDrivesListedByTheDiscRules) {
    if (!QFileInfo::exists(media("two.cue"))) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    frmLumadeck& w = start();
    const QString cue = copyImage("two");
    w.OpenPath(cue);
    ASSERT_EQ(ImageDrives::current().Drives(), QStringList({"img0"}));
    const QStringList items = {"Play All",
                               "Add All To Playlist",
                               "-",
                               trackCaption(cue, "/MPEGAV/AVSEQ01.DAT"),
                               trackCaption(cue, "/MPEGAV/AVSEQ02.DAT"),
                               "-",
                               "Remove Image"};
    EXPECT_EQ(buttonTexts(w, "CDimg0"), items);
    EXPECT_EQ(texts(driveMenu(w, 0)->actions(), true), items);
    EXPECT_EQ(itemsOf(w, "CDimg0")[3].key, cue + "/MPEGAV/AVSEQ01.DAT");
    // The menu carries the volume id, and "Play All" ran.
    EXPECT_EQ(driveMenu(w, 0)->title(), "img0: (VCD_TWO)");
    ASSERT_EQ(w.cPlayList()->cFiles().Count(), 2);
    EXPECT_EQ(w.cPlayList()->cFiles().Item(1LL)->szFileName(), cue + "/MPEGAV/AVSEQ02.DAT");
    EXPECT_EQ(control->FileName(), cue + "/MPEGAV/AVSEQ01.DAT");
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    // Positions are saved under the track's path and volume id, as for a mounted disc.
    EXPECT_EQ(mdlGlobals::PositionKey(itemsOf(w, "CDimg0")[4].key),
              "Software\\Lumadeck\\MPEGAV\\AVSEQ02.DAT\\VCD_TWO");

    // Opening the same image again keeps its one drive.
    w.OpenPath(dir.filePath("two.bin"));
    EXPECT_EQ(ImageDrives::current().Drives(), QStringList({"img0"}));
    // "Remove Image" takes the drive and its menu away.
    w.Toolbar1_ButtonMenuClick("CDimg0", "RemoveImage");
    EXPECT_TRUE(ImageDrives::current().Drives().isEmpty());
    EXPECT_EQ(buttonTexts(w, "CDimg0"), QStringList({"<no button>"}));
    EXPECT_EQ(driveMenu(w, 0)->title(), "No Drives Found");

    // Deleting an image's data removes its drive.
    w.OpenPath(copyImage("one"));
    ASSERT_EQ(ImageDrives::current().Drives().size(), 1);
    QFile::remove(dir.filePath("one.bin"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.DriveMenus().Drives().isEmpty(); }, 5000));
    EXPECT_EQ(driveMenu(w, 0)->title(), "No Drives Found");

    // Bad images are refused; a CD without video plays nothing; a data CD's MPEGAV counts.
    for (const char* bad : {"missing.cue", "wrong.cue", "nothing.bin"}) {
        SCOPED_TRACE(bad);
        dialogs.boxes.clear();
        w.OpenPath(media(bad));
        ASSERT_EQ(dialogs.boxes.size(), 1);
        EXPECT_EQ(dialogs.boxes[0].title, "Lumadeck: Error opening disc image");
        EXPECT_TRUE(w.DriveMenus().Drives().isEmpty());
    }
    dialogs.boxes.clear();
    w.cPlayList()->Clear();
    w.OpenPath(media("plain.cue"));
    EXPECT_EQ(buttonTexts(w, "CDimg0"), kNothingFound + QStringList({"-", "Remove Image"}));
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 0);
    w.OpenPath(media("data.cue"));
    EXPECT_EQ(buttonTexts(w, "CDimg1").mid(3, 1), QStringList({"AVSEQ01.DAT (504 KB)"}));
    EXPECT_TRUE(dialogs.boxes.isEmpty());

    // A disc that nothing has mounted is listed from its drive's device.
    drives.InsertUnmountedDisc("sr0", media("two.cue"), "VCD_TWO");
    runOnTick(w, TimerTag::RefreshDrives);
    EXPECT_EQ(buttonTexts(w, "CDsr0").mid(3),
              QStringList({trackCaption(media("two.cue"), "/MPEGAV/AVSEQ01.DAT"),
                           trackCaption(media("two.cue"), "/MPEGAV/AVSEQ02.DAT")}));
    EXPECT_EQ(driveMenu(w, 0)->title(), "sr0: (VCD_TWO)");
    drives.RemoveDisc("sr0");
    w.RemoveCD("sr0");
    EXPECT_EQ(buttonTexts(w, "CDsr0"), kNothingFound);
}
