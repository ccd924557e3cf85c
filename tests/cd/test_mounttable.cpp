#include "cd/FileNames.h"
#include "cd/MountTable.h"
#include "cd/VolumeInfo.h"
#include "cd/VolumeLabel.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace lumadeck;

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

    // This process's own table.
    EXPECT_TRUE(MountOfPath(ReadMountTable(), "/"));
    QTemporaryDir dir;
    const auto info = VolumeOfPath(dir.path() + "/file with space.mpg");
    ASSERT_TRUE(info);
    EXPECT_TRUE(dir.path().startsWith(info->mountPoint));
    EXPECT_TRUE(info->mountPoint == "/" || !info->mountPoint.endsWith('/'));
    EXPECT_FALSE(VolumeOfPath("not/absolute"));
    EXPECT_EQ(ReadMountTable("/nonexistent/mountinfo").size(), 0);
}

TEST(VolumeLabel, DecodesUdevEscapesAndIsoDescriptors) {
    EXPECT_EQ(DecodeUdevEscapes("VCD\\x20ONE"), QStringLiteral("VCD ONE"));
    EXPECT_EQ(DecodeUdevEscapes("a\\x2fb\\x"), QStringLiteral("a/b\\x"));
    EXPECT_EQ(DecodeUdevEscapes("\\xc3\\xa9t\\xc3\\xa9"), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
    EXPECT_EQ(DecodeUdevEscapes("\\xzz"), QStringLiteral("\\xzz"));

    QByteArray image(40000, '\0');
    EXPECT_EQ(IsoLabelFromImage(image), QString());
    image[32768] = 1;
    image.replace(32769, 5, "CD001");
    QByteArray id = "VCD ONE";
    id.append(QByteArray(32 - id.size(), ' '));
    image.replace(32768 + 40, 32, id);
    EXPECT_EQ(IsoLabelFromImage(image), QStringLiteral("VCD ONE"));
    EXPECT_EQ(IsoLabelFromImage(image.left(32768 + 50)), QString()); // cut short
    EXPECT_EQ(LabelOfDevice(0, 45, "fuse.fuseiso"), QString());
}

TEST(FileNames, KeepsEveryByteOfNamesThatAreNotUtf8) {
    const char* samples[] = {"plain.dat",
                             "caf\xc3\xa9.mpg",
                             "\xff\xfe.dat",
                             "bad\xc3(.mpg",
                             "\xed\xa0\x80 surrogate",
                             "\xc0\xaf overlong",
                             "\xf4\x90\x80\x80 too high",
                             "\xf0\x9f\x8e\xac emoji",
                             "cut \xe2\x82"};
    for (const QByteArray s : samples) {
        EXPECT_EQ(EncodeFileName(DecodeFileName(s)), s) << s.toHex().constData();
    }
    EXPECT_EQ(DecodeFileName("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(DecodeFileName("\xf0\x9f\x8e\xac").size(), 2);
    EXPECT_EQ(DecodeFileName("\xff").size(), 1);
}

TEST(VolumeLabel, ReadsTheLabelOfADiscImageOnALoopDevice) {
    if (::geteuid() != 0 || QStandardPaths::findExecutable("losetup").isEmpty() ||
        QStandardPaths::findExecutable("genisoimage").isEmpty()) {
        GTEST_SKIP() << "needs root, losetup and genisoimage";
    }
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/src/MPEGAV"));
    ASSERT_EQ(QProcess::execute("genisoimage", {"-quiet", "-V", "VCD ONE", "-o",
                                                tmp.path() + "/vcd.iso", tmp.path() + "/src"}),
              0);
    QProcess attach;
    attach.start("losetup", {"-f", "--show", "-r", tmp.path() + "/vcd.iso"});
    attach.waitForFinished();
    const QString node = QString::fromUtf8(attach.readAllStandardOutput()).trimmed();
    if (attach.exitCode() != 0 || !node.startsWith("/dev/loop")) {
        GTEST_SKIP() << "no loop device to be had";
    }
    struct stat st {};
    const bool found = ::stat(QFile::encodeName(node).constData(), &st) == 0;
    // Unmounted (type unknown) and as mounted; the node found through sysfs
    // or given.
    const QString unknown = found ? LabelOfDevice(major(st.st_rdev), minor(st.st_rdev), "") : "";
    const QString given =
        found ? LabelOfDevice(major(st.st_rdev), minor(st.st_rdev), "iso9660", node) : "";
    const QString other = found ? LabelOfDevice(major(st.st_rdev), minor(st.st_rdev), "ext4") : "x";
    QProcess::execute("losetup", {"-d", node});
    ASSERT_TRUE(found);
    EXPECT_EQ(unknown, "VCD ONE");
    EXPECT_EQ(given, "VCD ONE");
    EXPECT_EQ(other, ""); // not looked for on other filesystems
}
