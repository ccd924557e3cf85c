// Video CD images as drives of the main window, and a disc that nothing has
// mounted read from its drive's device (an image stands in for the device:
// the same libcdio calls open both). Real images from make-test-media.
#include "MainWindowFixture.h"
#include "app/DriveMenus.h"
#include "app/SavedPositions.h"
#include "app/frmHelper.h"
#include "cd/ImageDrives.h"

#include <QMenu>
#include <QTest>
#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cmath>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

QString media(const QString& name) {
    return QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/") + name;
}

#define REQUIRE_IMAGES()                                                                           \
    do {                                                                                           \
        if (!QFileInfo::exists(media("two.cue"))) {                                                \
            GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";        \
        }                                                                                          \
    } while (0)

QList<DriveMenuItem> itemsOf(frmLumadeck& w, const QString& key) {
    for (const DriveMenuContents& b : w.DriveMenus().Drives()) {
        if (b.key == key) {
            return b.items;
        }
    }
    return {{"<no button>", "<no button>", false}};
}

QStringList textsOf(const QList<DriveMenuItem>& items) {
    QStringList out;
    for (const DriveMenuItem& i : items) {
        out << i.text;
    }
    return out;
}

// "AVSEQ01.DAT (674 KB)" from libiso9660's own record of the track: whole
// 2,324-byte payloads.
QString trackCaption(const QString& cue, const QString& path) {
    CdIo_t* cdio = cdio_open(QFile::encodeName(cue).constData(), DRIVER_BINCUE);
    iso9660_stat_t* st = iso9660_fs_stat(cdio, QFile::encodeName(path + ";1").constData());
    const qint64 bytes = st ? qint64(st->secsize) * 2324 : -1;
    iso9660_stat_free(st);
    cdio_destroy(cdio);
    return path.mid(path.lastIndexOf('/') + 1) + " (" +
           QLocale().toString(qlonglong(std::nearbyint(bytes / 1024.0))) + " KB)";
}

} // namespace

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

TEST_F(ImageDrivesTest, AnOpenedImageBecomesADriveListingItsTracksAndPlaysThemAll) {
    REQUIRE_IMAGES();
    frmLumadeck& w = start();
    const QString cue = copyImage("two");
    w.OpenPath(cue);
    ASSERT_EQ(ImageDrives::current().Drives(), QStringList({"img0"}));
    const QList<DriveMenuItem> items = itemsOf(w, "CDimg0");
    EXPECT_EQ(textsOf(items),
              QStringList({"Play All", "Add All To Playlist", "-",
                           trackCaption(cue, "/MPEGAV/AVSEQ01.DAT"),
                           trackCaption(cue, "/MPEGAV/AVSEQ02.DAT"), "-", "Remove Image"}));
    EXPECT_EQ(items[3].key, cue + "/MPEGAV/AVSEQ01.DAT");
    // The drive menu carries the volume id, and "Play All" ran: both
    // tracks are the playlist, the first one playing.
    EXPECT_EQ(driveMenu(w, 0)->title(), "img0: (VCD_TWO)");
    ASSERT_EQ(w.cPlayList()->cFiles().Count(), 2);
    EXPECT_EQ(w.cPlayList()->cFiles().Item(1LL)->szFileName(), cue + "/MPEGAV/AVSEQ02.DAT");
    EXPECT_EQ(control->FileName(), cue + "/MPEGAV/AVSEQ01.DAT");
    EXPECT_TRUE(dialogs.boxes.isEmpty());

    // The playlist window's popup shows the files only.
    frmHelper& helper = Forms::Helper.get();
    helper.ShowDriveMenus(w.DriveMenuViews(true));
    EXPECT_EQ(texts(driveMenu(helper, 0)->actions(), true),
              QStringList({items[3].text, items[4].text}));
    EXPECT_EQ(texts(driveMenu(w, 0)->actions(), true), textsOf(items));

    // Saved positions are kept under the track's path on the disc and the
    // disc's volume id, as for a mounted disc.
    EXPECT_EQ(mdlGlobals::PositionKey(items[4].key),
              "Software\\Lumadeck\\MPEGAV\\AVSEQ02.DAT\\VCD_TWO");

    // Opening the same image again keeps its one drive.
    w.OpenPath(dir.filePath("two.bin"));
    EXPECT_EQ(ImageDrives::current().Drives(), QStringList({"img0"}));

    // "Remove Image" takes the drive and its menu away.
    w.Toolbar1_ButtonMenuClick("CDimg0", "RemoveImage");
    EXPECT_TRUE(ImageDrives::current().Drives().isEmpty());
    EXPECT_EQ(itemsOf(w, "CDimg0").first().key, "<no button>");
    EXPECT_EQ(driveMenu(w, 0)->title(), "No Drives Found");
}

TEST_F(ImageDrivesTest, DeletingTheImageRemovesItsDrive) {
    REQUIRE_IMAGES();
    frmLumadeck& w = start();
    w.OpenPath(copyImage("one"));
    ASSERT_EQ(textsOf(itemsOf(w, "CDimg0")).size(), 6);
    QFile::remove(dir.filePath("one.bin"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.DriveMenus().Drives().isEmpty(); }, 5000));
    EXPECT_FALSE(driveMenu(w, 0)->title().startsWith("img0"));
}

TEST_F(ImageDrivesTest, BadImagesAreRefusedWithAMessageOrListedByTheDiscRules) {
    REQUIRE_IMAGES();
    frmLumadeck& w = start();
    for (const char* bad : {"missing.cue", "wrong.cue", "nothing.bin"}) {
        dialogs.boxes.clear();
        w.OpenPath(media(bad));
        ASSERT_EQ(dialogs.boxes.size(), 1) << bad;
        EXPECT_EQ(dialogs.boxes[0].title, "Lumadeck: Error opening disc image");
        EXPECT_TRUE(w.DriveMenus().Drives().isEmpty()) << bad;
    }
    dialogs.boxes.clear();
    // A CD with no video files: a drive with nothing to play.
    w.OpenPath(media("plain.cue"));
    EXPECT_EQ(textsOf(itemsOf(w, "CDimg0")),
              QStringList({"(No Video Files found)", "-", "Remove Image"}));
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 0);
    // A data CD's .dat in MPEGAV counts, as on a mounted disc.
    w.OpenPath(media("data.cue"));
    EXPECT_EQ(textsOf(itemsOf(w, "CDimg1")).mid(3, 1), QStringList({"AVSEQ01.DAT (504 KB)"}));
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(ImageDrivesTest, AnUnmountedDiscIsListedFromItsDevice) {
    REQUIRE_IMAGES();
    drives.InsertUnmountedDisc("sr0", media("two.cue"), "VCD_TWO");
    frmLumadeck& w = start();
    const QList<DriveMenuItem> items = itemsOf(w, "CDsr0");
    EXPECT_EQ(textsOf(items).mid(3),
              QStringList({trackCaption(media("two.cue"), "/MPEGAV/AVSEQ01.DAT"),
                           trackCaption(media("two.cue"), "/MPEGAV/AVSEQ02.DAT")}));
    EXPECT_EQ(driveMenu(w, 0)->title(), "sr0: (VCD_TWO)");
    // Taking the disc out leaves the drive with nothing found.
    drives.RemoveDisc("sr0");
    w.RemoveCD("sr0");
    EXPECT_EQ(textsOf(itemsOf(w, "CDsr0")), QStringList({"(No Video Files found)"}));
}
