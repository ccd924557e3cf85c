// The Video CD reader on images made by vcdimager and genisoimage, on bad ones
// and on ones made to mislead or stall it; the entry points of Video CDs.
#include "cd/CueSheet.h"
#include "cd/DiscPath.h"
#include "cd/DiscScan.h"
#include "cd/DriveServices.h"
#include "cd/ImageDrives.h"
#include "cd/IsoDirectory.h"
#include "cd/SystemDriveServices.h"
#include "cd/VcdDisc.h"
#include "cd/VcdEntries.h"
#include "testing/CraftedDisc.h"
#include "testing/FolderDriveServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cdio/bytesex.h>
#include <cdio/cdio.h>
#include <cdio/iso9660.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

QString media(const QString& name) {
    return QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/") + name;
}

#define REQUIRE_IMAGES()                                                                           \
    do {                                                                                           \
        if (!QFileInfo::exists(media("two.cue")) || !QFileInfo::exists(media("data.cue"))) {       \
            GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";        \
        }                                                                                          \
    } while (0)

QByteArray readAll(VcdDisc& disc, const DiscFile& f) {
    QByteArray out(f.Bytes(), '\0');
    qint64 at = 0;
    for (qint64 n = 1; at < out.size() && n > 0; at += n) {
        n = std::max<qint64>(disc.Read(f, at, out.data() + at, 10000), 0);
    }
    out.truncate(at);
    return out;
}

QStringList pathsUnder(const QList<DiscFile>& files, const QString& folder) {
    QStringList out;
    for (const DiscFile& f : files) {
        if (f.path.startsWith(folder)) {
            out.append(f.path);
        }
    }
    return out;
}

// A directory record, with the system use area of a Video CD's files where it has XA attributes.
QByteArray record(const QByteArray& name, quint32 lsn, quint32 size, bool dir, int xa = -1) {
    QByteArray r = DirectoryRecord(name, lsn, size, dir);
    if (xa >= 0) {
        r += QByteArray(4, '\0') + char(xa >> 8) + char(xa) + "XA" + QByteArray(6, '\0');
        r[0] = char(r.size());
    }
    return r;
}

QByteArray table(const char* id, int count, QList<QByteArray> entries) {
    QByteArray t = QByteArray(id) + '\x02' + '\x00' + char(count >> 8) + char(count & 0xFF);
    for (const QByteArray& e : entries) {
        t += e;
    }
    return t.leftJustified(2048, '\0');
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(CueSheet, ReadsTheSheetsImagingProgramsWriteAndRefusesTheRest) {
    const auto sheet = ParseCueSheet("\xEF\xBB\xBF"
                                     R"(REM made by hand
FILE "my disc.bin" BINARY
  TRACK 01 MODE2/2352
    FLAGS DCP
    INDEX 01 00:00:00
  TRACK 02 mode2/2352
    INDEX 00 00:04:00
    INDEX 01 00:06:00)");
    ASSERT_TRUE(sheet.has_value() && sheet->tracks.size() == 2);
    const auto& t = sheet->tracks[1];
    EXPECT_EQ(
        sheet->file +
            QString(" %1 %2 %3 %4").arg(t.number).arg(t.mode).arg(t.sectorSize).arg(t.startSector),
        "my disc.bin 2 MODE2/2352 2352 450");

    const std::pair<const char*, const char*> bad[] = {
        {"", "names no file"},
        {"TRACK 01 MODE2/2352\nINDEX 01 00:00:00", "before its FILE"},
        {"FILE \"a.bin\" BINARY\nFILE \"b.bin\" BINARY", "more than one file"},
        {"FILE \"a.bin\" BINARY\n", "no tracks"},
        {"FILE \"a.bin\" BINARY\nTRACK 01 MODE9/1\nINDEX 01 00:00:00", "cannot read"},
        {"FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:61:00", "index it cannot read"},
        {"FILE \"a.bin\" BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 01 AUDIO", "cannot read"},
        {"FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\n", "no start"},
        {"FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:09:00\nTRACK 02 AUDIO\nINDEX 01 "
         "00:01:00",
         "out of order"},
        {"FILE \"\" BINARY", "names no file"},
    };
    for (const auto& [text, reason] : bad) {
        QString why;
        EXPECT_FALSE(ParseCueSheet(text, &why).has_value()) << text;
        EXPECT_TRUE(why.contains(reason)) << text << " -> " << why.toStdString();
    }
    QString why;
    EXPECT_FALSE(ParseCueSheet(QByteArray("FILE \"a\0b\" BINARY", 17), &why));
    EXPECT_FALSE(ParseCueSheet(QByteArray(70000, ' '), &why));
}

TEST(IsoDirectory, RecordsOfASectorAndTheirFaults) {
    QByteArray sector;
    sector += record(QByteArray(1, '\0'), 20, 2048, true); // "."
    sector += record(QByteArray(1, '\1'), 20, 2048, true); // ".."
    sector += record("AVSEQ01.DAT;1", 300, 4096, false, 0x1555);
    sector += record("INFO.VCD;1", 150, 2048, false, 0x0d55);
    sector += record("MPEGAV", 22, 2048, true, 0x8d55);
    sector += record("README.;1", 31, 10, false);
    sector += record("BAD/NAME;1", 32, 10, false);
    sector = sector.leftJustified(2048, '\0');
    sector += record("NEXT.MPG;1", 40, 5000, false); // in the second sector
    sector = sector.leftJustified(4096, '\0');

    const QList<IsoRecord> records = ParseDirectoryRecords(sector);
    QStringList got;
    for (const IsoRecord& r : records) {
        got << r.name + QString::asprintf(" %u %u %s%s", r.lsn, r.size,
                                          r.directory ? "dir" : "file", r.form2 ? " form2" : "");
    }
    EXPECT_EQ(got,
              QStringList({"AVSEQ01.DAT 300 4096 file form2", "INFO.VCD 150 2048 file",
                           "MPEGAV 22 2048 dir", "README 31 10 file", "NEXT.MPG 40 5000 file"}));
    EXPECT_TRUE(ParseDirectoryRecords(QByteArray(10, '\x22')).isEmpty());
    // A record that says it is longer than what is left of the extent.
    QByteArray tooLong = record("LONG.DAT;1", 33, 10, false);
    tooLong[0] = char(200);
    const QList<IsoRecord> cut = ParseDirectoryRecords(record("A.MPG;1", 1, 2, false) + tooLong);
    EXPECT_EQ(cut.size() == 1 ? cut[0].name : "", "A.MPG");

    QByteArray pvd = PrimaryVolume("VCD_ONE", 18, 2048);
    const auto v = ParsePrimaryVolume(pvd);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->volumeId + " " + QString::number(v->rootLsn), "VCD_ONE 18");
    pvd[156 + 25] = 0; // a root that is no directory
    EXPECT_FALSE(ParsePrimaryVolume(pvd).has_value());
    EXPECT_FALSE(ParsePrimaryVolume(pvd.left(100)).has_value());
}

// Every file the reader lists sits where libiso9660's own lookup puts it.
TEST(VcdDisc, FilesMatchLibiso9660AndTracksReadAsMpeg) {
    REQUIRE_IMAGES();
    for (const char* image : {"one.cue", "two.cue", "svcd.cue"}) {
        if (!QFileInfo::exists(media(image))) {
            continue;
        }
        SCOPED_TRACE(image);
        QString why;
        auto disc = VcdDisc::Open(media(image), &why);
        ASSERT_TRUE(disc) << why.toStdString();
        const QList<DiscFile> files = disc->Files();
        ASSERT_FALSE(files.isEmpty());
        CdIo_t* cdio = cdio_open(QFile::encodeName(media(image)).constData(), DRIVER_BINCUE);
        ASSERT_NE(cdio, nullptr);
        for (const DiscFile& f : files) {
            iso9660_stat_t* st =
                iso9660_fs_stat(cdio, QFile::encodeName(f.path + ";1").constData());
            ASSERT_NE(st, nullptr) << f.path.toStdString();
            EXPECT_EQ(f.lsn, quint32(st->lsn)) << f.path.toStdString();
            EXPECT_EQ(f.sectors, st->secsize) << f.path.toStdString();
            EXPECT_EQ(f.form2,
                      bool(st->b_xa && (uint16_from_be(st->xa.attributes) & XA_ATTR_MODE2FORM2)))
                << f.path.toStdString();
            iso9660_stat_free(st);
        }
        cdio_destroy(cdio);

        const QString folder = QString(image) == "svcd.cue" ? "/MPEG2/" : "/MPEGAV/";
        const QStringList tracks = pathsUnder(files, folder);
        ASSERT_EQ(tracks.size(), QString(image) == "two.cue" ? 2 : 1);
        const auto track = disc->Find(tracks.first().toLower() + ";1");
        ASSERT_TRUE(track.has_value());
        EXPECT_TRUE(track->form2);
        EXPECT_EQ(track->Bytes(), qint64(track->sectors) * 2324);
        const QByteArray mpeg = readAll(*disc, *track);
        ASSERT_EQ(mpeg.size(), track->Bytes());
        // The payload is an MPEG program stream: packs of video and audio.
        EXPECT_GT(mpeg.count(QByteArray("\x00\x00\x01\xba", 4)), 50);
        EXPECT_TRUE(mpeg.contains(QByteArray("\x00\x00\x01\xe0", 4)) &&
                    mpeg.contains(QByteArray("\x00\x00\x01\xc0", 4)));
        if (QString(image) == "svcd.cue") {
            // vcdimager keeps an SVCD's MPEG as it was: it reads back whole.
            QFile source(media("clip_svcd.mpg"));
            ASSERT_TRUE(source.open(QIODevice::ReadOnly));
            EXPECT_EQ(mpeg, source.readAll());
        }
        // Reads at any offset give the same bytes as one whole read.
        char piece[5000];
        for (const qint64 at : {qint64(0), qint64(2323), qint64(2324), mpeg.size() - 100}) {
            const qint64 n = disc->Read(*track, at, piece, sizeof piece);
            ASSERT_EQ(n, std::min<qint64>(sizeof piece, mpeg.size() - at));
            EXPECT_EQ(QByteArray(piece, int(n)), mpeg.mid(at, n)) << at;
        }
        EXPECT_EQ(disc->Read(*track, mpeg.size(), piece, 10), 0);
    }
}

TEST(VcdDisc, BadImagesGiveReasonsOrEndEarly) {
    REQUIRE_IMAGES();
    const std::pair<QString, const char*> bad[] = {
        {media("missing.cue"), "names a file that does not exist"},
        {media("wrong.cue"), "too short"},
        {media("nothing.cue"), "does not exist"},
        {media("clip_a.mpg"), "Cannot open"},
        {media(""), "Not a disc"},
    };
    for (const auto& [source, reason] : bad) {
        QString why;
        EXPECT_FALSE(VcdDisc::Open(source, &why)) << source.toStdString();
        EXPECT_TRUE(why.contains(reason)) << source.toStdString() << ": " << why.toStdString();
    }

    // A cut-off image: the second track ends where the image does, and
    // reading stops there cleanly.
    auto whole = VcdDisc::Open(media("two.cue"));
    auto cut = VcdDisc::Open(media("cut.cue"));
    ASSERT_TRUE(whole && cut);
    const auto full = whole->Find("/MPEGAV/AVSEQ02.DAT");
    const auto part = cut->Find("/MPEGAV/AVSEQ02.DAT");
    ASSERT_TRUE(full && part);
    EXPECT_GT(part->sectors, 0u);
    EXPECT_LT(part->sectors, full->sectors);
    const QByteArray partBytes = readAll(*cut, *part);
    EXPECT_EQ(partBytes.size(), part->Bytes());
    EXPECT_EQ(partBytes, readAll(*whole, *full).left(partBytes.size()));
    // Asking for sectors past the end of what can be read fails, it does
    // not read stale memory.
    DiscFile beyond = *part;
    beyond.sectors = full->sectors;
    char buf[2324];
    EXPECT_EQ(cut->Read(beyond, qint64(full->sectors - 1) * 2324, buf, sizeof buf), -1);

    // A CD that is no Video CD opens and lists what it holds.
    auto plain = VcdDisc::Open(media("plain.cue"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(pathsUnder(plain->Files(), "/"), QStringList({"/DOCS/README.TXT"}));
    EXPECT_FALSE(plain->Find("/MPEGAV/AVSEQ01.DAT").has_value());
}

TEST(DiscPath, NamesOfFilesOnADisc) {
    REQUIRE_IMAGES();
    const QString cue = media("one.cue"), bin = media("one.bin");
    const std::pair<QString, QString> cases[] = {
        {cue + "/MPEGAV/AVSEQ01.DAT", cue + "|/MPEGAV/AVSEQ01.DAT"},
        {bin + "/MPEGAV/AVSEQ01.DAT", bin + "|/MPEGAV/AVSEQ01.DAT"},
        // No disc file: no image, no such image, the image itself, relative, a device.
        {media("clip_a.mpg") + "/X", ""},
        {media("nothing.cue") + "/X", ""},
        {cue, ""},
        {"relative/one.cue/X", ""},
        {"/dev/null/X", ""}};
    for (const auto& [name, expected] : cases) {
        const auto ref = SplitDiscPath(name);
        EXPECT_EQ(ref ? ref->source + "|" + ref->path : QString(), expected) << name.toStdString();
    }
    EXPECT_TRUE(DiscFileExists(cue + "/mpegav/avseq01.dat"));
    EXPECT_FALSE(DiscFileExists(cue + "/MPEGAV/AVSEQ09.DAT") ||
                 DiscFileExists(media("clip_a.mpg")));
    EXPECT_EQ(DirectNameOfMountedTrack(media("clip_a.mpg")), ""); // a plain file stays as it is
}

TEST(ImageDrives, NumbersAreSharedWithMountedImages) {
    REQUIRE_IMAGES();
    test::FolderDriveServices system;
    system.AddDrive("sr0");
    system.AddDrive("img0"); // a FUSE-mounted image
    DriveServices::setCurrent(&system);
    ImageDrives drives;
    QSignalSpy removed(&drives, &ImageDrives::Removed);
    QString why;
    EXPECT_EQ(drives.Add(media("one.cue"), &why), "img1") << why.toStdString();
    EXPECT_EQ(drives.Add(media("two.bin")), "img2");
    EXPECT_EQ(drives.Source("img2"), media("two.cue"));
    EXPECT_EQ(drives.Add(media("missing.cue"), &why), "");
    EXPECT_TRUE(why.contains("does not exist"));
    EXPECT_TRUE(drives.Remove("img1") && !drives.Remove("img1"));
    EXPECT_EQ(removed.size() == 1 ? removed[0].at(0).toString() : "", "img1");
    EXPECT_EQ(drives.Add(media("one.cue")), "img1"); // the lowest free number
    EXPECT_EQ(drives.Drives(), QStringList({"img1", "img2"}));

    // A FUSE mount that comes later passes over the image drives' numbers.
    MountEntry fuse;
    fuse.mountId = 77;
    fuse.mountPoint = "/mnt/x";
    fuse.fsType = "fuse.fuseiso";
    QMap<int, int> fuseIds;
    const QList<ImageMount> mounts =
        ListImageMounts({fuse}, fuseIds, drives.Numbers() + QList<int>{0});
    ASSERT_EQ(mounts.size(), 1);
    EXPECT_EQ(mounts[0].id, "img3");
    DriveServices::setCurrent(nullptr);
}

TEST(VcdEntries, ImagesGiveTheirChaptersOtherFilesNone) {
    if (!QFileInfo::exists(media("chapters.cue"))) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    // From the first picture (0.48 s on the clip's clock) on.
    const QList<double> four{0, 1.2, 2.4, 3.0};
    const std::pair<QString, QList<double>> rows[] = {
        {media("chapters.cue/MPEGAV/AVSEQ01.DAT"), four},
        {media("chapters.bin/mpegav/avseq01.dat"), four},
        {media("chapters_svcd.cue/MPEG2/AVSEQ01.MPG"), four},
        {media("two.cue/MPEGAV/AVSEQ02.DAT"), {0}},
        {media("chapters.cue/VCD/ENTRIES.VCD"), {}}, // not a track
        {media("karaoke.mpg"), {}},
    };
    for (const auto& [name, chapters] : rows) {
        SCOPED_TRACE(name.toStdString());
        const QList<double> got = ChaptersOfFile(name);
        ASSERT_EQ(got.size(), chapters.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i] - got[0], chapters[i], 0.001);
        }
        if (!got.isEmpty()) {
            EXPECT_NEAR(got[0], 0.48, 0.1);
        }
    }
    // Entries outside the track's sectors are no chapters of it.
    auto disc = VcdDisc::Open(media("chapters.cue"));
    ASSERT_TRUE(disc);
    const auto track = disc->Find("/MPEGAV/AVSEQ01.DAT");
    ASSERT_TRUE(track);
    QList<VcdEntry> entries = ReadVcdEntries(*disc);
    ASSERT_EQ(entries.size(), 4);
    entries.append({2, track->lsn + track->sectors});
    entries.append({2, track->lsn - 1});
    EXPECT_EQ(VcdEntryTimes(*disc, *track, entries).size(), 4);
}

TEST(VcdEntries, DamagedTablesAreRefusedOrReadWithinBounds) {
    const QByteArray one("\x02\x00\x08\x00", 4); // track 2 at 00:08:00, sector 450
    const std::pair<QByteArray, int> rows[] = {
        // entries, -1: refused
        {table("ENTRYVCD", 1, {one}), 1},
        {table("ENTRYSVD", 2, {one, one}), 2},
        {table("ENTRYXYZ", 1, {one}), -1},
        {table("ENTRYVCD", 501, {}), -1},
        {table("ENTRYVCD", 500, {}).left(2000), -1}, // cut short of its count
        {table("ENTRYVCD", 500, {}), 0},             // 500 zero entries: track 0, none
        {table("ENTRYVCD", 3,
               {QByteArray("\x01\x00\x08\x00", 4), QByteArray("\x02\x00\x8A\x00", 4),
                QByteArray("\x02\x00\x01\x00", 4)}),
         0}, // track 1, seconds not BCD, before the first sector
        {QByteArray("ENTRY"), -1},
    };
    for (const auto& [data, entries] : rows) {
        const auto got = ParseVcdEntries(data);
        EXPECT_EQ(got ? int(got->size()) : -1, entries) << data.left(12).toHex().data();
    }
}

// Every sector a directory of 60 folders pointing elsewhere: walked whole,
// 10,000 sectors would cost hours. The walk is bounded, and it runs on a
// thread of its own while the caller's events keep running.
TEST(HostileDisc, ADirectoryMazeIsReadBoundedOffTheWaitingThread) {
    QTemporaryDir dir;
    const std::tuple<int, int, RawLayout> mazes[] = {{10000, 1, RawLayout::Mode2Form1},
                                                     {6000, 64, RawLayout::Mode1}};
    for (const auto& [sectors, extent, layout] : mazes) {
        SCOPED_TRACE(extent);
        const QString cue =
            WriteImage(dir.path(), "maze", DirectoryMaze(sectors, 60, extent), layout);
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
    // The volume read, "" when refused: its sectors would be read at the wrong places.
    const std::pair<const char*, const char*> cases[] = {
        {"FILE disc.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", "RIGHT"},
        {"FILE \"disc.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00", "RIGHT"},
        {"file \"two disc.bin\"\n track 1 mode2/2352\n  index 1 0:0:0\n", "TWO"},
        {"FILE dis\"c.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", "QUOTED"},
        {"FILE cooked.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n", ""},
        {"FILE cooked.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
         "TRACK 02 MODE2/2336\nINDEX 01 00:00:20\n",
         ""},
    };
    for (const auto& [sheet, volume] : cases) {
        SCOPED_TRACE(sheet);
        write(dir.filePath("sheet.cue"), sheet);
        QString why;
        const auto disc = VcdDisc::Open(dir.filePath("sheet.cue"), &why);
        if (!*volume) {
            EXPECT_FALSE(disc);
            EXPECT_TRUE(why.contains("2,352")) << why.toStdString();
            continue;
        }
        ASSERT_TRUE(disc) << why.toStdString();
        EXPECT_EQ(disc->VolumeId(), volume);
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
