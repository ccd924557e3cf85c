// The real drive services and CD notices on a Video CD image mounted with fuseiso.
#include "app/SavedPositions.h"
#include "cd/DiscPath.h"
#include "cd/DriveServices.h"
#include "cd/SystemDriveServices.h"
#include "cd/VcdDisc.h"
#include "cd/VcdEntries.h"
#include "cd/VolumeInfo.h"
#include "cd/clsFindFile.h"
#include "cd/mdlCDNotify.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace lumadeck;

namespace {

// Notices about our mount only (other tests mount too); an arrival searches the disc.
struct Window : ICDNotifyTarget {
    QString ours, drive;
    QStringList calls, found;
    void AddCD(const QString& d) override {
        if (apifuncs::GetCDMountPoint(d) == ours) {
            drive = d;
            calls << "Add " + d;
            clsFindFile finder;
            QObject::connect(&finder, &clsFindFile::FoundFile,
                             [this](const QString& full, const QString&, bool&) { found << full; });
            finder.FindFiles(ours, "*.dat");
        }
    }
    void RemoveCD(const QString& d) override {
        if (d == drive) {
            calls << "Remove " + d;
        }
    }
};

// Whatever happens in the test, no mount is left behind.
class FuseIsoTrial : public ::testing::Test {
protected:
    void TearDown() override {
        if (!mountPoint.isEmpty()) {
            QProcess::execute("fusermount", {"-u", "-z", "-q", mountPoint});
        }
        mdlCDNotify::StopCDNotification(&window);
        DriveServices::setCurrent(nullptr);
    }
    QTemporaryDir tmp;
    QString mountPoint;
    Window window;
};

} // namespace

TEST_F(FuseIsoTrial, AMountedVideoCdImageArrivesIsSearchedPlaysFromItsImageAndLeaves) {
    const QString image = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/two.bin");
    if (!QFileInfo::exists(image)) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    if (QStandardPaths::findExecutable("fuseiso").isEmpty() ||
        QStandardPaths::findExecutable("fusermount").isEmpty() || ::access("/dev/fuse", W_OK)) {
        GTEST_SKIP() << "fuseiso or /dev/fuse is missing";
    }
    const QString root = QDir(tmp.path()).canonicalPath();
    const QString mnt = root + "/mnt point";
    ASSERT_TRUE(QDir().mkpath(mnt));
    ASSERT_TRUE(QFile::copy(image, root + "/two.bin"));
    ASSERT_TRUE(QFile::copy(image.left(image.size() - 3) + "cue", root + "/two.cue"));
    // The copy's VCD/INFO.VCD made a Form 2 file: outside a track folder it is still no track.
    QFile bin(root + "/two.bin");
    ASSERT_TRUE(bin.open(QIODevice::ReadWrite));
    const QByteArray head = bin.read(300 * 2352);
    const qsizetype xa = head.indexOf("XA", head.indexOf("INFO.VCD;1"));
    ASSERT_TRUE(xa > 0 && bin.seek(xa - 2) && bin.write("\x15\x55", 2) == 2);
    bin.close();

    SystemDriveServices services;
    DriveServices::setCurrent(&services);
    window.ours = mnt;
    mdlCDNotify::bHooked = false;
    mdlCDNotify::StartCDNotification(&window);
    ASSERT_TRUE(mdlCDNotify::bHooked);
    if (QProcess::execute("fuseiso", {root + "/two.bin", mnt}) != 0) {
        GTEST_SKIP() << "fuseiso cannot mount here";
    }
    mountPoint = mnt;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.calls.isEmpty(); }, 5000));
    const QString drive = window.drive;
    QStringList during;
    apifuncs::GetCDDrives(during);
    EXPECT_TRUE(drive.startsWith("img") && during.contains(drive));
    EXPECT_EQ(apifuncs::GetCDMountPoint(drive), mnt); // the space came through the escapes
    // The mount is traced to its image, whose volume id labels the drive.
    EXPECT_EQ(apifuncs::DriveCaption(drive, apifuncs::GetVolumeName(drive)), drive + ": (VCD_TWO)");
    // The tracks, in whatever case the filesystem shows them, are of this drive.
    const QString cooked = mnt + "/mpegav/avseq02.dat";
    EXPECT_TRUE(window.found.contains(cooked, Qt::CaseInsensitive))
        << window.found.join(' ').toStdString();
    EXPECT_EQ(apifuncs::GetDriveOfPath(window.found.value(0)), drive);
    const std::optional<VolumeInfo> volume = VolumeOfPath(window.found.value(0));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->mountPoint + "|" + volume->label, mnt + "|VCD_TWO");
    QString below = window.found.value(0).mid(mnt.size() + 1);
    EXPECT_EQ(mdlGlobals::PositionKey(window.found.value(0)),
              "Software\\Lumadeck\\" + below.replace('/', '\\') + "\\VCD_TWO");

    // Its tracks show as cooked 2,048-byte sectors that do not play; they are
    // read from the image instead.
    const QString direct = DirectNameOfMountedTrack(cooked);
    const qint64 cookedSize = QFileInfo(cooked).size();
    EXPECT_EQ(DirectNameOfMountedTrack(mnt + "/vcd/info.vcd"), ""); // not a track
    EXPECT_EQ(direct, root + "/two.bin/MPEGAV/AVSEQ02.DAT");
    const auto ref = SplitDiscPath(direct);
    ASSERT_TRUE(ref.has_value());
    auto disc = VcdDisc::Open(ref->source);
    ASSERT_TRUE(disc);
    const auto track = disc->Find(ref->path);
    ASSERT_TRUE(track.has_value());
    EXPECT_EQ(cookedSize, qint64(track->sectors) * 2048);
    EXPECT_EQ(track->Bytes(), qint64(track->sectors) * 2324);
    // Its entry point is read from the image too: the track's one chapter.
    EXPECT_EQ(ChaptersOfFile(cooked).size(), 1);

    // Unmounted, the drive leaves.
    ASSERT_EQ(QProcess::execute("fusermount", {"-u", "-z", "-q", mnt}), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.calls.size() == 2; }, 5000));
    apifuncs::GetCDDrives(during);
    EXPECT_FALSE(during.contains(drive));
    EXPECT_EQ(window.calls, (QStringList{"Add " + drive, "Remove " + drive}));
}
