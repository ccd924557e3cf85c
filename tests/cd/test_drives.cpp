// The system's drives from a made-up sysfs tree and mount table, udev
// events, the drive helpers of apifuncs and the drive menus' contents.
#include "cd/DriveMenuModel.h"
#include "cd/DriveServices.h"
#include "cd/SystemDriveServices.h"
#include "testing/FolderDriveServices.h"
#include "testing/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

void Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// Three optical drives, a disk and a loop device; the mount table is the
// root filesystem plus what a test adds.
class SystemDrivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        const QString sys = tmp.path() + "/class/block/";
        for (auto [name, type, dev] : {std::tuple{"sr10", "5", "11:10"},
                                       {"sr2", "5", "11:2"},
                                       {"sr0", "5", "11:0"},
                                       {"sda", "0", "8:0"},
                                       {"loop3", "", "7:3"}}) {
            Write(sys + name + "/dev", QByteArray(dev) + "\n");
            if (*type) {
                Write(sys + name + "/device/type", QByteArray(type) + "\n");
            }
        }
        services.SetSysClassBlock(sys);
        services.SetMountInfoPath(tmp.path() + "/mountinfo");
    }
    void Table(const QByteArray& extra) {
        Write(tmp.path() + "/mountinfo", "27 1 8:1 / / rw - ext4 /dev/sda1 rw\n" + extra);
    }
    QTemporaryDir tmp;
    SystemDriveServices services;
};

} // namespace

TEST_F(SystemDrivesTest, ListsOpticalDrivesThenMountedImagesAndKeepsImageNumbers) {
    Table("50 27 0:45 / /home/u/one rw - fuse.fuseiso fuseiso rw\n"
          "51 27 7:3 / /media/u/loop\\040disc ro - iso9660 /dev/loop3 ro\n"
          "52 27 7:4 / /mnt/data rw - ext4 /dev/loop4 rw\n" // a loop, but no disc image
          "53 27 0:46 / /home/u/two rw - fuse.fuseiso fuseiso rw\n"
          "60 27 11:2 /sub /mnt/bind ro - iso9660 /dev/sr2 ro\n"
          "61 27 11:2 / /media/u/VCD\\040ONE ro - iso9660 /dev/sr2 ro\n");
    EXPECT_EQ(services.CDDrives(), (QStringList{"sr0", "sr2", "sr10", "img0", "loop3", "img1"}));
    EXPECT_EQ(services.MountPoint("loop3", false), "/media/u/loop disc");
    EXPECT_EQ(services.MountPoint("sr2", false), "/media/u/VCD ONE"); // the whole disc
    EXPECT_EQ(services.MountPoint("img1", true), "/home/u/two");
    EXPECT_EQ(services.VolumeName("img0"), ""); // a FUSE mount shows no label
    EXPECT_EQ(services.MountPoint("sr0", false), "");
    EXPECT_EQ(services.MountPoint("nosuch", true), "");
    EXPECT_EQ(services.VolumeName("nosuch"), "");
    EXPECT_EQ(OpticalDrivesFromSysfs(tmp.path() + "/missing"), QStringList());
    // The first image goes: the second keeps its name, a new one takes the free one.
    Table("53 27 0:46 / /home/u/two rw - fuse.fuseiso fuseiso rw\n"
          "64 27 0:47 / /i/c rw - fuse.fuseiso fuseiso rw\n");
    EXPECT_EQ(services.MountPoint("img1", false), "/home/u/two");
    EXPECT_EQ(services.MountPoint("img0", false), "/i/c");
    EXPECT_EQ(services.CDDrives().mid(3), (QStringList{"img1", "img0"}));
}

TEST_F(SystemDrivesTest, RechecksReportSwitchesOnly) {
    Table("");
    ASSERT_TRUE(services.StartWatching());
    QSignalSpy spy(&services, &IDriveServices::DeviceChanged);
    const auto take = [&] {
        QStringList out;
        for (const auto& args : spy) {
            const auto c = args.at(0).value<DeviceChange>();
            out << QString(c.event == DeviceChange::Event::Arrival ? "+" : "-") +
                       c.drives.join(',') + (c.media ? "" : "?");
        }
        spy.clear();
        return out;
    };
    services.Recheck();
    EXPECT_EQ(take(), QStringList());
    Table("70 27 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
          "71 27 0:45 / /i/a rw - fuse.fuseiso fuseiso rw\n");
    services.Recheck({"sr2"}); // a look at another drive sees nothing
    EXPECT_EQ(take(), QStringList());
    services.Recheck();
    EXPECT_EQ(take(), (QStringList{"+img0", "+sr0"}));
    services.Recheck(); // repeated events change nothing
    EXPECT_EQ(take(), QStringList());
    // sr0 remounted elsewhere between two looks: gone, then back.
    Table("72 27 11:0 / /media/cd2 ro - iso9660 /dev/sr0 ro\n"
          "71 27 0:45 / /i/a rw - fuse.fuseiso fuseiso rw\n");
    services.Recheck({"sr0"});
    EXPECT_EQ(take(), (QStringList{"-sr0", "+sr0"}));
    Table("");
    services.Recheck();
    EXPECT_EQ(take(), (QStringList{"-img0", "-sr0"}));
    services.StopWatching();
}

TEST(UdevEvents, RecordedPropertiesDecodeToDrivesOrNothing) {
    // As `udevadm monitor --property` shows a disc going into sr0.
    const QHash<QByteArray, QByteArray> insert{
        {"ACTION", "change"},    {"DEVPATH", "/devices/pci0000:00/ata2/host1/block/sr0"},
        {"SUBSYSTEM", "block"},  {"DISK_MEDIA_CHANGE", "1"},
        {"DEVNAME", "/dev/sr0"}, {"DEVTYPE", "disk"},
        {"ID_CDROM", "1"},       {"ID_FS_LABEL", "VCD_ONE"}};
    // The event with some properties changed ("" removes one).
    const auto with = [&](QHash<QByteArray, QByteArray> changes) {
        auto p = insert;
        for (auto [key, value] : changes.asKeyValueRange()) {
            value.isEmpty() ? void(p.remove(key)) : void(p[key] = value);
        }
        return DriveOfUdevEvent(p);
    };
    EXPECT_EQ(DriveOfUdevEvent(insert), "sr0");
    EXPECT_EQ(with({{"DISK_MEDIA_CHANGE", ""}, {"DISK_EJECT_REQUEST", "1"}}), "sr0");
    EXPECT_EQ(with({{"DEVNAME", ""}}), "sr0");
    // Hotplug, other changes of the drive, a disk, a partition, other devices.
    for (const QHash<QByteArray, QByteArray>& change :
         {QHash<QByteArray, QByteArray>{{"ACTION", "add"}},
          {{"DISK_MEDIA_CHANGE", ""}},
          {{"ID_CDROM", ""}, {"DEVNAME", "/dev/sdb"}},
          {{"DEVTYPE", "partition"}},
          {{"SUBSYSTEM", "usb"}}}) {
        EXPECT_EQ(with(change), "") << change.keys().join(',').constData();
    }
    EXPECT_EQ(DriveOfUdevEvent({}), "");
}

TEST(ApiFuncs, DrivesLabelsCaptionsAndPaths) {
    EXPECT_NE(dynamic_cast<SystemDriveServices*>(&DriveServices::current()), nullptr);
    FolderDriveServices drives;
    DriveServices::setCurrent(&drives);
    QTemporaryDir disc;
    drives.InsertDisc("sr0", disc.path(), "VCD ONE");
    drives.AddDrive("sr1");
    QStringList list{"stale"};
    EXPECT_EQ(apifuncs::GetCDDrives(list), 2);
    EXPECT_EQ(list, (QStringList{"sr0", "sr1"}));
    for (const char* name : {"sr0", "sr0:", "/dev/sr0"}) {
        EXPECT_EQ(apifuncs::GetVolumeName(name), "VCD ONE") << name;
    }
    for (const char* name : {"sr1", "zz", ""}) { // empty drive, no such drive
        EXPECT_EQ(apifuncs::GetVolumeName(name), "") << name;
    }
    EXPECT_EQ(apifuncs::GetCDMountPoint("sr0"), disc.path());
    EXPECT_EQ(apifuncs::GetCDMountPoint("sr1"), "");
    EXPECT_EQ(apifuncs::GetDriveOfPath(disc.path() + "/MPEGAV/AVSEQ01.DAT"), "sr0");
    EXPECT_EQ(apifuncs::GetDriveOfPath(disc.path() + "x/a.dat"), "");
    EXPECT_EQ(apifuncs::GetDriveOfPath("relative/a.dat"), "");
    EXPECT_EQ(apifuncs::DriveCaption("sr0", "VCD_ONE"), "sr0: (VCD_ONE)");
    EXPECT_EQ(apifuncs::DriveCaption("sr0", ""), "Drive sr0:");
    EXPECT_EQ(apifuncs::DriveOfKey(apifuncs::DriveKey("img0")), "img0");
    EXPECT_EQ(apifuncs::DriveOfKey("open"), "");
    EXPECT_EQ(apifuncs::DriveOfKey("cdsr0"), ""); // keys are matched exactly
    DriveServices::setCurrent(nullptr);           // back to the system's
    EXPECT_NE(dynamic_cast<SystemDriveServices*>(&DriveServices::current()), nullptr);

    EXPECT_EQ(apifuncs::StripNulls(QString::fromLatin1("VCD_ONE \0junk", 13)), "VCD_ONE");
    EXPECT_EQ(apifuncs::StripNulls(" keep "), " keep "); // no NUL: unchanged
    EXPECT_EQ(apifuncs::StripNulls(QString::fromLatin1("\0", 1)), "");
}

// The menus themselves are checked through the main window (app tests);
// here what they do not reach: an empty entry, fixed items added twice.
TEST(DriveMenuModel, FirstFourDrivesOnlyAndOnlyFilesHidesTheFixedItems) {
    DriveMenuModel model;
    for (const char* drive : {"sr0", "sr1", "sr2", "sr3", "sr4"}) {
        model.Add(drive);
    }
    DriveMenuContents& first = *model.Find("CDsr0");
    EXPECT_TRUE(DriveMenuModel::AddFixedItems(first));
    EXPECT_FALSE(DriveMenuModel::AddFixedItems(first)); // only once
    DriveMenuModel::AddFile(first, "/media/a/MPEGAV/AVSEQ01.DAT", 2560);
    const auto caption = [](const QString& drive) { return drive + ": (LABEL)"; };
    for (const bool onlyFiles : {false, true}) {
        const QList<DriveMenuView> menus = model.Menus(onlyFiles, caption);
        ASSERT_EQ(menus.size(), DriveMenuModel::MenuCount) << "a fifth drive has no menu";
        EXPECT_EQ(menus[3].title, "sr3: (LABEL)");
        QStringList shown; // "(text)" for a hidden item
        for (const DriveMenuItem& item : menus[0].items) {
            shown << (item.visible ? item.text : "(" + item.text + ")");
        }
        const QString fixed = onlyFiles ? "(%1)" : "%1";
        EXPECT_EQ(shown, QStringList({fixed.arg("Play All"), fixed.arg("Add All To Playlist"),
                                      fixed.arg("-"), "AVSEQ01.DAT (2 KB)"}));
        ASSERT_EQ(menus[1].items.size(), 1);
        EXPECT_EQ(menus[1].items[0].text, "(No Files Found)");
        EXPECT_FALSE(menus[1].items[0].enabled);
    }
    EXPECT_EQ(DriveMenuModel::Files(first), QStringList({"/media/a/MPEGAV/AVSEQ01.DAT"}));
    EXPECT_TRUE(DriveMenuModel().Menus(false, caption).isEmpty());
}
