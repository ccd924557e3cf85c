// The real drive services and CD notification against a Video CD image
// mounted with fuseiso, as a user without an optical drive would try them.
#include "cd/DriveServices.h"
#include "cd/SystemDriveServices.h"
#include "cd/VolumeInfo.h"
#include "cd/clsFindFile.h"
#include "cd/mdlCDNotify.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace lumadeck;

namespace {

// Records the notices about one mount point, with how long after the
// clock's start they came, and searches the disc on its arrival, as the
// player does; other mounts that come and go meanwhile (tests running beside
// this one) are left out.
struct Window : ICDNotifyTarget {
    QString ours;  // the mount point of the image
    QString drive; // the drive that arrived there
    QStringList calls;
    QStringList found; // what a search of the arriving drive found
    QElapsedTimer clock;
    qint64 addedAfterMs = -1;
    qint64 removedAfterMs = -1;
    void AddCD(const QString& d) override {
        if (apifuncs::GetCDMountPoint(d) != ours) {
            return;
        }
        addedAfterMs = clock.elapsed();
        drive = d;
        calls << "Add " + d;
        clsFindFile finder;
        QObject::connect(&finder, &clsFindFile::FoundFile,
                         [this](const QString& full, const QString&, bool&) { found << full; });
        finder.FindFiles(ours, "*.*");
    }
    void RemoveCD(const QString& d) override {
        if (d == drive) {
            removedAfterMs = clock.elapsed();
            calls << "Remove " + d;
        }
    }
};

bool Have(const char* tool) {
    return !QStandardPaths::findExecutable(tool).isEmpty();
}

int Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Unmounts, trying again for a few seconds while something still looks
// into the mount ("Device or resource busy").
bool Unmount(const QString& mountPoint) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (Run("fusermount", {"-u", "-q", mountPoint}) == 0) {
            return true;
        }
        if (waited.elapsed() > 5000) {
            return false;
        }
        QThread::msleep(100);
    }
}

// Whatever happens in the test, no mount is left behind.
class FuseIsoTrial : public ::testing::Test {
protected:
    void TearDown() override {
        if (!mountPoint.isEmpty()) {
            QProcess::execute("fusermount", {"-u", "-z", "-q", mountPoint});
        }
    }
    QTemporaryDir tmp;
    QString mountPoint;
};

} // namespace

TEST_F(FuseIsoTrial, AMountedVideoCdImageArrivesIsSearchedAndLeaves) {
    if (!Have("genisoimage") || !Have("fuseiso") || !Have("fusermount") ||
        ::access("/dev/fuse", R_OK | W_OK) != 0) {
        GTEST_SKIP() << "genisoimage, fuseiso or /dev/fuse is missing";
    }
    ASSERT_TRUE(tmp.isValid());
    const QString root = QDir(tmp.path()).canonicalPath();
    ASSERT_TRUE(QDir().mkpath(root + "/src/MPEGAV"));
    ASSERT_TRUE(QDir().mkpath(root + "/mnt point"));
    {
        QFile track(root + "/src/MPEGAV/AVSEQ01.DAT");
        ASSERT_TRUE(track.open(QIODevice::WriteOnly));
        track.write(QByteArray(150000, 'x'));
    }
    ASSERT_EQ(QProcess::execute("genisoimage", {"-quiet", "-V", "VCD_ONE", "-o", root + "/vcd.iso",
                                                root + "/src"}),
              0);

    SystemDriveServices services;
    DriveServices::setCurrent(&services);
    Window window;
    window.ours = root + "/mnt point";
    mdlCDNotify::bHooked = false;
    mdlCDNotify::StartCDNotification(&window);
    ASSERT_TRUE(mdlCDNotify::bHooked);

    window.clock.start();
    mountPoint = root + "/mnt point";
    if (QProcess::execute("fuseiso", {root + "/vcd.iso", root + "/mnt point"}) != 0) {
        mdlCDNotify::StopCDNotification(&window);
        DriveServices::setCurrent(nullptr);
        GTEST_SKIP() << "fuseiso cannot mount here";
    }
    const bool arrived = QTest::qWaitFor([&] { return window.addedAfterMs >= 0; }, 5000);
    const QString drive = window.drive;
    QStringList during;
    apifuncs::GetCDDrives(during);
    const QString mountPoint = apifuncs::GetCDMountPoint(drive);
    const QString driveOfFile = apifuncs::GetDriveOfPath(window.found.value(0));
    const std::optional<VolumeInfo> volumeOfFile = VolumeOfPath(window.found.value(0));

    // Something looks into the mount for a moment as it is unmounted.
    QProcess looking;
    looking.setWorkingDirectory(root + "/mnt point");
    looking.start("sleep", {"0.5"});
    ASSERT_TRUE(looking.waitForStarted());
    const bool unmounted = Unmount(root + "/mnt point");
    looking.waitForFinished();
    window.clock.restart();
    const bool removed = QTest::qWaitFor([&] { return window.removedAfterMs >= 0; }, 5000);
    QStringList after;
    apifuncs::GetCDDrives(after);
    const QString volume = apifuncs::GetVolumeName(drive);
    mdlCDNotify::StopCDNotification(&window);
    DriveServices::setCurrent(nullptr);

    ASSERT_TRUE(arrived);
    ASSERT_TRUE(unmounted);
    ASSERT_TRUE(removed);
    std::printf("fuseiso trial: drive %s; arrival after %lld ms, removal after %lld ms\n",
                qPrintable(drive), window.addedAfterMs, window.removedAfterMs);
    EXPECT_TRUE(drive.startsWith("img"));
    EXPECT_TRUE(during.contains(drive)); // listed while mounted...
    EXPECT_FALSE(after.contains(drive)); // ...and no longer once unmounted
    EXPECT_EQ(volume, "");               // FUSE mounts show no label
    EXPECT_EQ(window.calls, (QStringList{"Add " + drive, "Remove " + drive}));
    EXPECT_EQ(mountPoint, root + "/mnt point"); // the space came through the escapes
    // The image's files, in whatever case the filesystem shows them.
    ASSERT_EQ(window.found.size(), 1);
    EXPECT_EQ(window.found[0].toUpper(), (root + "/mnt point/MPEGAV/AVSEQ01.DAT").toUpper());
    EXPECT_EQ(driveOfFile, drive);
    ASSERT_TRUE(volumeOfFile);
    EXPECT_EQ(volumeOfFile->mountPoint, root + "/mnt point");
    EXPECT_EQ(volumeOfFile->label, "");
    EXPECT_LT(window.addedAfterMs, 1000);
    EXPECT_LT(window.removedAfterMs, 1000);
}
