// Mount tables, labels, made-up sysfs drives, udev events, the drive helpers and menus, and
// CD notification on folder drives: what is told, when, and on which thread.
#include "cd/DriveMenuModel.h"
#include "cd/DriveServices.h"
#include "cd/MountTable.h"
#include "cd/SystemDriveServices.h"
#include "cd/VolumeInfo.h"
#include "cd/VolumeLabel.h"
#include "cd/mdlCDNotify.h"
#include "testing/CraftedDisc.h"
#include "testing/FolderDriveServices.h"
#include "testing/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;
using namespace lumadeck::mdlCDNotify;
using Event = DeviceChange::Event;
using Device = DeviceChange::Device;

namespace {

// Lines as the kernel writes them.
const char* kTable =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "40 27 11:0 / /media/u/VCD\\040ONE rw,nosuid shared:5 - iso9660 /dev/sr0 ro,uid=1000\n"
    "41 27 0:45 / /home/u/my\\040disc\\011tab\\134x rw - fuse.fuseiso fuseiso rw,user_id=0\n"
    "42 27 7:3 / /media/u/VCD rw master:7 unbindable - udf /dev/loop3 ro\n"
    "garbage line\n"
    "43 27 8:2 /sub /mnt/bind rw - ext4 /dev/sda2 rw\n";

// "id parent major:minor root mount-point type source" of each entry.
QStringList Describe(const QList<MountEntry>& table) {
    QStringList out;
    for (const MountEntry& e : table) {
        out << QString::asprintf("%d %d %u:%u ", e.mountId, e.parentId, e.major, e.minor) + e.root +
                   " " + e.mountPoint + " " + e.fsType + " " + e.source;
    }
    return out;
}

// The mount id of the filesystem that holds a path, or -1.
int MountIdOf(const QList<MountEntry>& table, const QString& path) {
    const auto m = MountOfPath(table, path);
    return m ? m->mountId : -1;
}

void Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// Three optical drives, a disk and a loop device; the mount table is "/" plus a test's lines.
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

struct Window : ICDNotifyTarget {
    QStringList calls;
    std::function<void(const QString&)> duringAdd;
    void AddCD(const QString& d) override {
        calls << "Add " + d;
        if (duringAdd) {
            duringAdd(d);
        }
        calls << "AddDone " + d;
    }
    void RemoveCD(const QString& d) override { calls << "Remove " + d; }
};

class NotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        DriveServices::setCurrent(&drives);
        bHooked = false;
    }
    void TearDown() override {
        StopCDNotification(&window);
        DriveServices::setCurrent(nullptr);
    }
    FolderDriveServices drives;
    Window window;
};

DeviceChange Change(Event e, QStringList names, bool media = true, Device d = Device::Volume) {
    return {e, d, media, std::move(names)};
}

} // namespace

// Malformed lines are skipped; two optional tags before "-" are fine.
TEST(MountTable, ParsesFieldsEscapesAndTagsAndRejectsMalformedLines) {
    EXPECT_EQ(Describe(ParseMountInfo(kTable)),
              QStringList({"22 27 0:21 / /proc proc proc", "27 1 8:1 / / ext4 /dev/sda1",
                           "40 27 11:0 / /media/u/VCD ONE iso9660 /dev/sr0",
                           "41 27 0:45 / /home/u/my disc\ttab\\x fuse.fuseiso fuseiso",
                           "42 27 7:3 / /media/u/VCD udf /dev/loop3",
                           "43 27 8:2 /sub /mnt/bind ext4 /dev/sda2"}));
    for (const char* line : {"", "1 2 3:4 / /x rw - ext4", "1 2 3:4 / /x rw ext4 dev opts a b",
                             "x 2 3:4 / /x rw - ext4 dev rw", "1 2 34 / /x rw - ext4 dev rw",
                             "1 2 3:4 / relative rw - ext4 dev rw"}) {
        EXPECT_FALSE(ParseMountInfoLine(line)) << line;
    }
    // Escapes cut short, over a byte or not octal stay literal.
    for (const char* field : {"a\\04", "a\\", "\\777", "\\08x"}) {
        EXPECT_EQ(UnescapeMountField(field), QByteArray(field));
    }
    EXPECT_EQ(UnescapeMountField("\\0401"), QByteArray(" 1"));
}

TEST(MountTable, FindsTheLongestMountPointByWholeFoldersAlsoInThisProcess) {
    const QList<MountEntry> t = ParseMountInfo(kTable);
    EXPECT_EQ(MountIdOf(t, "/media/u/VCD ONE/MPEGAV/AVSEQ01.DAT"), 40);
    EXPECT_EQ(MountIdOf(t, "/media/u/VCD/x.mpg"), 42); // not "/media/u/VCD ONE"
    EXPECT_EQ(MountIdOf(t, "/media/u/VCDX/x.mpg"), 27);
    EXPECT_EQ(MountIdOf(t, "/media/u/VCD/../VCD ONE/./a"), 40);
    EXPECT_EQ(MountIdOf(t, "relative/path"), -1);
    // A mount point mounted over: the later entry is the one in sight.
    const QList<MountEntry> stacked = ParseMountInfo("1 0 8:1 / / rw - ext4 a rw\n"
                                                     "2 1 8:2 / /m rw - ext4 b rw\n"
                                                     "3 2 8:3 / /m rw - ext4 c rw\n");
    EXPECT_EQ(MountIdOf(stacked, "/m/f"), 3);
    EXPECT_FALSE(VolumeOfPath("not/absolute"));
    EXPECT_EQ(ReadMountTable("/nonexistent/mountinfo").size(), 0);
}

TEST(VolumeLabel, DecodesUdevEscapesAndIsoDescriptors) {
    EXPECT_EQ(DecodeUdevEscapes("VCD\\x20ONE"), QStringLiteral("VCD ONE"));
    EXPECT_EQ(DecodeUdevEscapes("a\\x2fb\\x"), QStringLiteral("a/b\\x"));
    EXPECT_EQ(DecodeUdevEscapes("\\xc3\\xa9t\\xc3\\xa9"), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
    EXPECT_EQ(DecodeUdevEscapes("\\xzz"), QStringLiteral("\\xzz"));

    EXPECT_EQ(IsoLabelFromImage(QByteArray(40000, '\0')), QString());
    const QByteArray image = QByteArray(32768, '\0') + PrimaryVolume("VCD ONE", 18, 2048) + "x";
    EXPECT_EQ(IsoLabelFromImage(image), QStringLiteral("VCD ONE"));
    EXPECT_EQ(IsoLabelFromImage(image.left(32768 + 50)), QString()); // cut short
    EXPECT_EQ(LabelOfDevice(0, 45, "fuse.fuseiso"), QString());
}

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
    QSignalSpy spy(&services, &IDriveServices::DeviceChanged); // repeated looks change nothing
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
}

TEST(ApiFuncs, DrivesLabelsAndPaths) {
    FolderDriveServices drives;
    DriveServices::setCurrent(&drives);
    QTemporaryDir disc;
    drives.InsertDisc("sr0", disc.path(), "VCD ONE");
    drives.AddDrive("sr1");
    QStringList list{"stale"};
    EXPECT_EQ(apifuncs::GetCDDrives(list), 2);
    EXPECT_EQ(list, (QStringList{"sr0", "sr1"}));
    QStringList labels; // an empty drive and no drive have none
    for (const char* name : {"sr0", "sr0:", "/dev/sr0", "sr1", "zz", ""}) {
        labels << apifuncs::GetVolumeName(name);
    }
    EXPECT_EQ(labels.join('|'), "VCD ONE|VCD ONE|VCD ONE|||");
    EXPECT_EQ(apifuncs::GetCDMountPoint("sr0") + "|" + apifuncs::GetCDMountPoint("sr1"),
              disc.path() + "|");
    EXPECT_EQ(apifuncs::GetDriveOfPath(disc.path() + "/MPEGAV/AVSEQ01.DAT"), "sr0");
    EXPECT_EQ(apifuncs::GetDriveOfPath(disc.path() + "x/a.dat") +
                  apifuncs::GetDriveOfPath("relative/a.dat"),
              "");
    EXPECT_EQ(apifuncs::DriveOfKey(apifuncs::DriveKey("img0")), "img0");
    EXPECT_EQ(apifuncs::DriveOfKey("open") + apifuncs::DriveOfKey("cdsr0"), ""); // exact keys
    DriveServices::setCurrent(nullptr); // back to the system's
    EXPECT_NE(dynamic_cast<SystemDriveServices*>(&DriveServices::current()), nullptr);
    EXPECT_EQ(apifuncs::StripNulls(QString::fromLatin1("VCD_ONE \0junk", 13)), "VCD_ONE");
}

// The menus are checked through the main window; here what it cannot reach.
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

TEST_F(NotifyTest, DeliversDiscsComingAndGoingWhileHookedOnceHoweverOftenStarted) {
    drives.InsertDisc("sr0", "/tmp", "BEFORE"); // not watched yet: not reported
    StartCDNotification(&window);
    bHooked = false; // cleared by hand, as the program's start does: still told once
    StartCDNotification(&window);
    StartCDNotification(&window);
    ASSERT_TRUE(bHooked);
    drives.RemoveDisc("sr0");
    drives.InsertDisc("sr1", "/tmp", "VCD_ONE"); // the drive appearing is no medium change
    // Nothing for queries, node changes, no medium change, other devices, no drive; the
    // first named volume for the rest.
    for (const DeviceChange& c :
         {Change(Event::QueryRemove, {"sr1"}), Change(Event::NodesChanged, {"sr0"}),
          Change(Event::Other, {"sr0"}), Change(Event::Arrival, {"sr0"}, false),
          Change(Event::RemoveComplete, {"sr0"}, false),
          Change(Event::Arrival, {"sr0"}, true, Device::Other), Change(Event::Arrival, {}),
          Change(Event::Arrival, {""}), Change(Event::Arrival, {"sr1", "sr0"}),
          Change(Event::Arrival, {"", "sr3"}), Change(Event::RemoveComplete, {"img1"})}) {
        drives.Raise(c);
    }
    EXPECT_EQ(window.calls, (QStringList{"Remove sr0", "Add sr1", "AddDone sr1", "Add sr1",
                                         "AddDone sr1", "Add sr3", "AddDone sr3", "Remove img1"}));
    StopCDNotification(&window);
    StopCDNotification(&window);
    EXPECT_FALSE(bHooked);
    EXPECT_FALSE(drives.Watching());
    window.calls.clear();
    drives.RemoveDisc("sr1");
    EXPECT_TRUE(window.calls.isEmpty());

    // The menu command flips the mark; the result is whether it is in force.
    const auto click = [&](bool checked) {
        const bool mark = mnuEnableCDNotification_Click(checked, &window);
        EXPECT_EQ(mark, bHooked);
        return mark;
    };
    EXPECT_TRUE(click(false));
    EXPECT_FALSE(click(true));
    // A mark out of step with the state: only the mark changes.
    StartCDNotification(&window);
    EXPECT_TRUE(click(false)); // "on" while hooked
    StopCDNotification(&window);
    EXPECT_FALSE(click(true));  // "off" while unhooked
    drives.SetWatchable(false); // cannot be watched: the mark comes back off
    EXPECT_FALSE(click(false));
}

TEST_F(NotifyTest, ChangesDuringAScanWaitUntilItReturnsAndStoppingDropsThem) {
    StartCDNotification(&window);
    int nested = 0;
    window.duringAdd = [&](const QString& d) {
        if (d == "sr0" && nested++ == 0) {
            drives.RemoveDisc("sr0");
            drives.InsertDisc("sr1", "/tmp", "B");
            EXPECT_EQ(PendingNotices(), 2);
        }
    };
    drives.InsertDisc("sr0", "/tmp", "A");
    EXPECT_EQ(window.calls,
              (QStringList{"Add sr0", "AddDone sr0", "Remove sr0", "Add sr1", "AddDone sr1"}));
    EXPECT_EQ(PendingNotices(), 0);

    window.calls.clear();
    window.duringAdd = [&](const QString&) {
        drives.RemoveDisc("sr2");
        StopCDNotification(&window);
    };
    drives.InsertDisc("sr2", "/tmp", "C");
    EXPECT_EQ(window.calls, (QStringList{"Add sr2", "AddDone sr2"}));
    EXPECT_EQ(PendingNotices(), 0);
    EXPECT_FALSE(bHooked);
}
