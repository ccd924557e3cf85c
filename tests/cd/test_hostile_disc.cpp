// Disc images and mounts made to mislead or stall the reader.
#include "cd/DiscPath.h"
#include "cd/DiscScan.h"
#include "cd/VcdDisc.h"
#include "testing/CraftedDisc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

// Every sector a directory of 60 folders pointing elsewhere: walked whole,
// 10,000 sectors would cost hours. The walk is bounded, and it runs on a
// thread of its own while the caller's events keep running.
TEST(HostileDisc, ADirectoryMazeIsReadBoundedOffTheWaitingThread) {
    QTemporaryDir dir;
    const struct {
        int sectors, extent;
        RawLayout layout;
    } mazes[] = {{10000, 1, RawLayout::Mode2Form1}, {6000, 64, RawLayout::Mode1}};
    for (const auto& m : mazes) {
        SCOPED_TRACE(m.extent);
        const QString cue =
            WriteImage(dir.path(), "maze", DirectoryMaze(m.sectors, 60, m.extent), m.layout);
        ASSERT_FALSE(cue.isEmpty());
        DiscScan scan(cue);
        int ticksWhileReading = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ticksWhileReading += !scan.IsDone(); });
        tick.start(0);
        scan.Wait();
        EXPECT_TRUE(scan.Opened()) << scan.Error().toStdString();
        EXPECT_TRUE(scan.Files().isEmpty());
        EXPECT_GT(ticksWhileReading, 0);
    }

    // A scan stopped while it is waited for returns at once, without files.
    DiscScan stopped(WriteImage(dir.path(), "small", SmallDisc("SMALL", "x")));
    stopped.Wait([] { return true; });
    EXPECT_FALSE(stopped.Opened());
    EXPECT_TRUE(stopped.Files().isEmpty());
}

// The sheet's data file is the file read, however its FILE line is
// written and whatever the sheet itself is called.
TEST(HostileDisc, TheFileTheSheetNamesIsTheFileRead) {
    QTemporaryDir dir;
    QTemporaryDir temp; // where what libcdio reads is put
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    const QByteArray right = QByteArray("right ").repeated(1000);
    write(dir.filePath("disc.bin"), ImageBytes(SmallDisc("RIGHT", right), RawLayout::Mode1));
    write(dir.filePath("two disc.bin"), ImageBytes(SmallDisc("TWO", right), RawLayout::Mode2Form1));
    write(dir.filePath("dis\"c.bin"), ImageBytes(SmallDisc("QUOTED", right), RawLayout::Mode1));
    write(dir.filePath("cooked.bin"), ImageBytes(SmallDisc("COOKED", right), RawLayout::Mode1));
    // Decoys: the sheet's own name as .bin, and an unquoted line read to its end.
    for (const char* decoy : {"sheet.bin", "disc.bin BINARY"}) {
        write(dir.filePath(decoy), ImageBytes(SmallDisc("WRONG", "x"), RawLayout::Mode1));
    }
    const struct {
        const char* sheet;
        const char* volume; // "" when refused: its sectors would be read at the wrong places
    } cases[] = {
        {"FILE disc.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", "RIGHT"},
        {"FILE \"disc.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00", "RIGHT"},
        {"file \"two disc.bin\"\n track 1 mode2/2352\n  index 1 0:0:0\n", "TWO"},
        {"FILE dis\"c.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", "QUOTED"},
        {"FILE cooked.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n", ""},
        {"FILE cooked.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
         "TRACK 02 MODE2/2336\nINDEX 01 00:00:20\n",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sheet);
        write(dir.filePath("sheet.cue"), c.sheet);
        QString why;
        const auto disc = VcdDisc::Open(dir.filePath("sheet.cue"), &why);
        if (!*c.volume) {
            EXPECT_FALSE(disc);
            EXPECT_TRUE(why.contains("2,352")) << why.toStdString();
            continue;
        }
        ASSERT_TRUE(disc) << why.toStdString();
        EXPECT_EQ(disc->VolumeId(), c.volume);
        const QList<DiscFile> files = disc->Files();
        ASSERT_EQ(files.size(), 1);
        EXPECT_EQ(files[0].path, "/DATA.BIN");
        QByteArray back(right.size(), '\0');
        EXPECT_EQ(disc->Read(files[0], 0, back.data(), back.size()), right.size());
        EXPECT_EQ(back, right);
    }
    // Nothing is left behind once the discs are closed.
    qunsetenv("TMPDIR");
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
}

// A fuseiso mount leads to its image only through the user's own process.
TEST(HostileDisc, AFuseisoMountIsTracedOnlyThroughTheUsersProcesses) {
    QTemporaryDir proc;
    const auto process = [&](const QString& pid, const QByteArray& cmdline) {
        ASSERT_TRUE(QDir(proc.path()).mkpath(pid));
        write(proc.filePath(pid + "/cmdline"), cmdline);
        ASSERT_TRUE(QFile::link("/home/u", proc.filePath(pid + "/cwd")));
    };
    process("100", QByteArray("/usr/bin/fuseiso\0-p\0disc.cue\0/mnt/a\0", 36));
    process("200", QByteArray("/usr/bin/other\0x.cue\0/mnt/b\0", 28));
    const uint me = ::getuid();
    EXPECT_EQ(FuseisoImageOf("/mnt/a/", proc.path(), me), "/home/u/disc.cue");
    EXPECT_EQ(FuseisoImageOf("/mnt/a", proc.path(), me + 1), "");
    EXPECT_EQ(FuseisoImageOf("/mnt/b", proc.path(), me), "");
}
