// The Video CD reader on images made by vcdimager and genisoimage, and on bad ones.
#include "cd/CueSheet.h"
#include "cd/DiscPath.h"
#include "cd/DriveServices.h"
#include "cd/ImageDrives.h"
#include "cd/IsoDirectory.h"
#include "cd/SystemDriveServices.h"
#include "cd/VcdDisc.h"
#include "testing/FolderDriveServices.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <cdio/bytesex.h>
#include <cdio/cdio.h>
#include <cdio/iso9660.h>

using namespace lumadeck;

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

// A directory record as a disc writes it.
QByteArray record(const QByteArray& name, quint32 lsn, quint32 size, bool dir,
                  int xaAttributes = -1) {
    QByteArray r = QByteArray(33, '\0') + name + QByteArray(1 - name.size() % 2, '\0');
    if (xaAttributes >= 0) { // the system use area of a Video CD's files
        r += QByteArray(4, '\0') + char(xaAttributes >> 8) + char(xaAttributes) + "XA" +
             QByteArray(6, '\0');
    }
    r[0] = char(r.size());
    for (int i = 0; i < 4; ++i) {
        r[2 + i] = char(lsn >> (8 * i));
        r[10 + i] = char(size >> (8 * i));
    }
    r[25] = dir ? 2 : 0;
    r[32] = char(name.size());
    return r;
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
    ASSERT_TRUE(sheet.has_value());
    EXPECT_EQ(sheet->file, "my disc.bin");
    ASSERT_EQ(sheet->tracks.size(), 2);
    EXPECT_EQ(sheet->tracks[1].number, 2);
    EXPECT_EQ(sheet->tracks[1].mode, "MODE2/2352");
    EXPECT_EQ(sheet->tracks[1].sectorSize, 2352);
    EXPECT_EQ(sheet->tracks[1].startSector, 6 * 75);

    const struct {
        const char* text;
        const char* why;
    } bad[] = {
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
    for (const auto& b : bad) {
        QString why;
        EXPECT_FALSE(ParseCueSheet(b.text, &why).has_value()) << b.text;
        EXPECT_TRUE(why.contains(b.why)) << b.text << " -> " << why.toStdString();
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
    ASSERT_EQ(cut.size(), 1);
    EXPECT_EQ(cut[0].name, "A.MPG");

    QByteArray pvd(2048, ' ');
    pvd[0] = 1;
    pvd.replace(1, 5, "CD001");
    pvd.replace(40, 7, "VCD_ONE");
    pvd.replace(156, 34, record(QByteArray(1, '\0'), 18, 2048, true));
    const auto v = ParsePrimaryVolume(pvd);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->volumeId, "VCD_ONE");
    EXPECT_EQ(v->rootLsn, 18u);
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
        EXPECT_TRUE(mpeg.contains(QByteArray("\x00\x00\x01\xe0", 4)));
        EXPECT_TRUE(mpeg.contains(QByteArray("\x00\x00\x01\xc0", 4)));
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

TEST(VcdDisc, VolumeIdsAndAMode1DataCd) {
    REQUIRE_IMAGES();
    EXPECT_EQ(VcdDisc::Open(media("two.bin"))->VolumeId(), "VCD_TWO"); // its sheet is beside it

    // A data CD: the .dat in MPEGAV is an ordinary file of 2,048-byte
    // sectors, read back byte for byte.
    auto data = VcdDisc::Open(media("data.cue"));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->VolumeId(), "DATA_CD");
    const auto dat = data->Find("/MPEGAV/AVSEQ01.DAT");
    ASSERT_TRUE(dat.has_value());
    EXPECT_FALSE(dat->form2);
    QFile source(media("clip_a.mpg"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(readAll(*data, *dat), source.readAll());
    EXPECT_EQ(pathsUnder(data->Files(), "/"),
              QStringList({"/MISC/README.TXT", "/MPEGAV/AVSEQ01.DAT"}));
}

TEST(VcdDisc, BadImagesGiveReasonsOrEndEarly) {
    REQUIRE_IMAGES();
    const struct {
        QString source;
        const char* why;
    } bad[] = {
        {media("missing.cue"), "names a file that does not exist"},
        {media("wrong.cue"), "too short"},
        {media("nothing.cue"), "does not exist"},
        {media("clip_a.mpg"), "Cannot open"},
        {media(""), "Not a disc"},
    };
    for (const auto& b : bad) {
        QString why;
        EXPECT_FALSE(VcdDisc::Open(b.source, &why)) << b.source.toStdString();
        EXPECT_TRUE(why.contains(b.why)) << b.source.toStdString() << ": " << why.toStdString();
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
    const QString cue = media("one.cue");
    const struct {
        QString name;
        QString source; // "" when the name is no disc file
        QString path;
    } cases[] = {
        {cue + "/MPEGAV/AVSEQ01.DAT", cue, "/MPEGAV/AVSEQ01.DAT"},
        {media("one.bin") + "/MPEGAV/AVSEQ01.DAT", media("one.bin"), "/MPEGAV/AVSEQ01.DAT"},
        {media("clip_a.mpg") + "/X", "", ""},  // a file that is no image
        {media("nothing.cue") + "/X", "", ""}, // no such image
        {cue, "", ""},                         // the image itself
        {"relative/one.cue/X", "", ""},
        {"/dev/null/X", "", ""}, // a character device
    };
    for (const auto& c : cases) {
        const auto ref = SplitDiscPath(c.name);
        EXPECT_EQ(ref ? ref->source : QString(), c.source) << c.name.toStdString();
        EXPECT_EQ(ref ? ref->path : QString(), c.path) << c.name.toStdString();
    }
    EXPECT_TRUE(DiscFileExists(cue + "/mpegav/avseq01.dat"));
    EXPECT_FALSE(DiscFileExists(cue + "/MPEGAV/AVSEQ09.DAT"));
    EXPECT_FALSE(DiscFileExists(media("clip_a.mpg")));
    // A plain mounted file is not turned into anything.
    EXPECT_EQ(DirectNameOfMountedTrack(media("clip_a.mpg")), "");
}

// Image drives and FUSE-mounted images never take each other's "imgN" number.
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
    EXPECT_TRUE(drives.Remove("img1"));
    EXPECT_FALSE(drives.Remove("img1"));
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0].at(0).toString(), "img1");
    EXPECT_EQ(drives.Add(media("one.cue")), "img1"); // the lowest free number
    EXPECT_EQ(drives.Drives(), QStringList({"img1", "img2"}));

    // A FUSE mount that comes later passes over the image drives' numbers.
    MountEntry fuse;
    fuse.mountId = 77;
    fuse.fsType = "fuse.fuseiso";
    fuse.mountPoint = "/mnt/x";
    QMap<int, int> fuseIds;
    const QList<ImageMount> mounts =
        ListImageMounts({fuse}, fuseIds, drives.Numbers() + QList<int>{0});
    ASSERT_EQ(mounts.size(), 1);
    EXPECT_EQ(mounts[0].id, "img3");
    DriveServices::setCurrent(nullptr);
}
