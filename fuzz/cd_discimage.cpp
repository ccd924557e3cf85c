// The readers of Video CD images on arbitrary bytes: cue sheets, directory
// records and volume descriptors, and whole discs walked and read through
// libcdio from images made of the input (2,048-byte sectors, raw Mode 2
// sectors of 2,352, and images with a cue sheet of the input's own). No
// crash, no read out of range, no endless walk, and what comes out keeps its
// promises. The first byte picks the case (modulo 5):
//   0 a cue sheet     1 directory records
//   2 the data of sectors 16 on, 2,048 each, in raw Mode 1 sectors
//   3 raw Mode 2 sectors 16 on, 2,352 each, as they are
//   4 a cue sheet of n bytes (n in the next two bytes, little-endian), then
//     the whole data file; beside it lies "disc.bin BINARY", a decoy for a
//     reader that takes an unquoted FILE line to its end.
// Seeds maze_* are testing/CraftedDisc.h's DirectoryMaze: every sector a
// directory of 60 folders pointing elsewhere.
#include "cd/CueSheet.h"
#include "cd/IsoDirectory.h"
#include "cd/VcdDisc.h"
#include "testing/CraftedDisc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace lumadeck;

namespace {

constexpr size_t kMaxInput = 4 * 1024 * 1024;

void check(bool promise) {
    if (!promise) {
        std::abort();
    }
}

void checkSheet(QByteArrayView bytes) {
    const auto sheet = ParseCueSheet(bytes);
    if (!sheet) {
        return;
    }
    check(!sheet->file.isEmpty() && !sheet->tracks.isEmpty());
    for (qsizetype i = 0; i < sheet->tracks.size(); ++i) {
        const CueTrack& t = sheet->tracks[i];
        check(t.sectorSize > 0 && t.startSector >= 0 &&
              (i == 0 || t.number > sheet->tracks[i - 1].number));
    }
    // The sheet handed on reads back as the same sheet, naming the same file.
    const QByteArray canonical = CanonicalCueSheet(*sheet, sheet->file.toUtf8());
    if (canonical.isEmpty()) {
        return;
    }
    const auto again = ParseCueSheet(canonical);
    check(again && again->file == sheet->file && again->tracks.size() == sheet->tracks.size());
    for (qsizetype i = 0; i < sheet->tracks.size(); ++i) {
        check(again->tracks[i].number == sheet->tracks[i].number &&
              again->tracks[i].mode == sheet->tracks[i].mode &&
              again->tracks[i].sectorSize == sheet->tracks[i].sectorSize &&
              again->tracks[i].startSector == sheet->tracks[i].startSector);
    }
}

void checkRecords(QByteArrayView bytes) {
    for (const IsoRecord& r : ParseDirectoryRecords(bytes)) {
        check(!r.name.isEmpty() && !r.name.contains(QLatin1Char('/')) && !(r.directory && r.form2));
    }
    if (bytes.size() >= kIsoSectorSize) {
        ParsePrimaryVolume(bytes);
    }
}

bool writeFile(const QString& path, QByteArrayView head, QByteArrayView body) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(head.data(), head.size()) == head.size() &&
           f.write(body.data(), body.size()) == body.size();
}

// Reads of a file at offsets spread by seed: never more than asked or than
// the file holds, and a shorter read of the same place gives the same bytes.
void checkReads(VcdDisc& disc, const DiscFile& f, quint32 seed) {
    static char whole[3 * 2352 + 64];
    static char part[3 * 2352 + 64];
    const qint64 bytes = f.Bytes();
    const qint64 offsets[] = {0,         bytes > 0 ? qint64(seed % quint64(bytes)) : 0,
                              bytes - 1, qint64(seed % 2324),
                              bytes,     bytes + 1};
    const qint64 lengths[] = {1, qint64(sizeof whole), 2324, 2048 + seed % 700};
    for (const qint64 at : offsets) {
        for (const qint64 length : lengths) {
            const qint64 n = disc.Read(f, at, whole, length);
            check(n >= -1 && n <= length && (n <= 0 || n <= bytes - at));
            if (n > 1) {
                const qint64 half = n / 2;
                check(disc.Read(f, at, part, half) == half && std::memcmp(whole, part, half) == 0);
            }
        }
    }
}

void checkDisc(const QString& source, quint32 seed) {
    auto disc = VcdDisc::Open(source);
    if (!disc) {
        return;
    }
    const QList<DiscFile> files = disc->Files();
    check(files.size() <= 5000);
    for (qsizetype i = 0; i < std::min<qsizetype>(files.size(), 4); ++i) {
        checkReads(*disc, files[i], seed + quint32(i));
        // A damaged disc may hold two entries of one name: the file found
        // by the path need not be the one listed, but it reads as well.
        if (const auto found = disc->Find(files[i].path)) {
            checkReads(*disc, *found, seed);
        }
    }
}

void checkImage(int kind, QByteArrayView bytes, quint32 seed) {
    static QTemporaryDir dir;
    const QString cue = dir.filePath(QStringLiteral("disc.cue"));
    const QString bin = dir.filePath(QStringLiteral("disc.bin"));
    static const bool decoy =
        writeFile(dir.filePath(QStringLiteral("disc.bin BINARY")), QByteArray(20 * 2048, 'D'), {});
    if (!decoy) {
        return;
    }
    bool written = false;
    if (kind == 2 || kind == 3) {
        const QByteArray sheet = kind == 2 ? "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n"
                                             "    INDEX 01 00:00:00\n"
                                           : "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE2/2352\n"
                                             "    INDEX 01 00:00:00\n";
        QByteArray image;
        if (kind == 2) {
            QList<QByteArray> sectors(16, QByteArray(2048, '\0'));
            for (qsizetype at = 0; at < bytes.size(); at += 2048) {
                sectors.append(bytes.sliced(at, std::min<qsizetype>(2048, bytes.size() - at))
                                   .toByteArray()
                                   .leftJustified(2048, '\0'));
            }
            image = test::ImageBytes(sectors, test::RawLayout::Mode1);
        } else {
            image = QByteArray(16 * 2352, '\0') + bytes.toByteArray();
        }
        written = writeFile(cue, sheet, {}) && writeFile(bin, image, {});
    } else if (bytes.size() >= 2) {
        const qsizetype n =
            std::min<qsizetype>(quint8(bytes[0]) | quint8(bytes[1]) << 8, bytes.size() - 2);
        written = writeFile(cue, bytes.sliced(2, n), {}) && writeFile(bin, bytes.sliced(2 + n), {});
    }
    if (written) {
        checkDisc(cue, seed);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kMaxInput) {
        return 0;
    }
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    quint32 seed = 2166136261u;
    for (size_t i = 0; i < std::min<size_t>(size, 64); ++i) {
        seed = (seed ^ data[i]) * 16777619u;
    }
    switch (data[0] % 5) {
    case 0:
        checkSheet(bytes);
        break;
    case 1:
        checkRecords(bytes);
        break;
    default:
        checkImage(data[0] % 5, bytes, seed);
        break;
    }
    return 0;
}
