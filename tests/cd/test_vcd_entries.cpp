// Entry points of Video CDs: the images' chapters, and the table reader on
// damaged and random sectors.
#include "cd/VcdDisc.h"
#include "cd/VcdEntries.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

const QString kMedia = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/");

QByteArray table(const char* id, int count, QList<QByteArray> entries) {
    QByteArray t = QByteArray(id) + '\x02' + '\x00' + char(count >> 8) + char(count & 0xFF);
    for (const QByteArray& e : entries) {
        t += e;
    }
    return t.leftJustified(2048, '\0');
}

} // namespace

TEST(VcdEntries, ImagesGiveTheirChaptersOtherFilesNone) {
    if (!QFileInfo::exists(kMedia + "chapters.cue")) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    // From the first picture (0.48 s on the clip's clock) on.
    const QList<double> four{0, 1.2, 2.4, 3.0};
    const struct {
        QString name;
        QList<double> chapters;
    } rows[] = {
        {kMedia + "chapters.cue/MPEGAV/AVSEQ01.DAT", four},
        {kMedia + "chapters.bin/mpegav/avseq01.dat", four},
        {kMedia + "chapters_svcd.cue/MPEG2/AVSEQ01.MPG", four},
        {kMedia + "two.cue/MPEGAV/AVSEQ02.DAT", {0}},
        {kMedia + "chapters.cue/VCD/ENTRIES.VCD", {}}, // not a track
        {kMedia + "karaoke.mpg", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        const QList<double> got = ChaptersOfFile(row.name);
        ASSERT_EQ(got.size(), row.chapters.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i] - got[0], row.chapters[i], 0.001);
        }
        if (!got.isEmpty()) {
            EXPECT_NEAR(got[0], 0.48, 0.1);
        }
    }
    // Entries outside the track's sectors are no chapters of it.
    auto disc = VcdDisc::Open(kMedia + "chapters.cue");
    ASSERT_TRUE(disc);
    const auto track = disc->Find("/MPEGAV/AVSEQ01.DAT");
    ASSERT_TRUE(track);
    QList<VcdEntry> entries = ReadVcdEntries(*disc);
    ASSERT_EQ(entries.size(), 4);
    entries.append({2, track->lsn + track->sectors});
    entries.append({2, track->lsn - 1});
    EXPECT_EQ(VcdEntryTimes(*disc, *track, entries).size(), 4);
}

TEST(VcdEntries, DamagedAndRandomTablesAreRefusedOrReadWithinBounds) {
    const QByteArray one("\x02\x00\x08\x00", 4); // track 2 at 00:08:00, sector 450
    const struct {
        QByteArray data;
        int entries; // -1: refused
    } rows[] = {
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
    for (const auto& row : rows) {
        const auto got = ParseVcdEntries(row.data);
        EXPECT_EQ(got ? int(got->size()) : -1, row.entries) << row.data.left(12).toHex().data();
    }
    // Random damage to a table: never more than 500 entries, each a track
    // of 2 to 99 at a sector a disc can have.
    QRandomGenerator random(26);
    QByteArray base = table("ENTRYVCD", 4, {one, one, one, one});
    for (int round = 0; round < 3000; ++round) {
        QByteArray data = base;
        for (int flips = random.bounded(1, 12); flips > 0; --flips) {
            data[random.bounded(data.size())] = char(random.bounded(256));
        }
        data.truncate(random.bounded(data.size() + 1));
        const auto got = ParseVcdEntries(data);
        if (got) {
            ASSERT_LE(got->size(), kMaxVcdEntries);
            for (const VcdEntry& e : *got) {
                ASSERT_TRUE(e.track >= 2 && e.track <= 99 && e.lsn < 100 * 60 * 75);
            }
        }
        ASSERT_GE(FirstVideoPts(data), -1);
        ASSERT_GE(FirstGopSeconds(data), -1);
    }
}
