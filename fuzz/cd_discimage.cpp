// The readers of Video CD images on arbitrary bytes: cue sheets, directory
// records and volume descriptors, and a whole disc walked and read through
// libcdio from an image made of the input. No crash, no read out of range,
// no endless walk, and what comes out keeps its promises.
#include "cd/CueSheet.h"
#include "cd/IsoDirectory.h"
#include "cd/VcdDisc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace lumadeck;

namespace {

void checkSheet(QByteArrayView bytes) {
    if (const auto sheet = ParseCueSheet(bytes)) {
        if (sheet->file.isEmpty() || sheet->tracks.isEmpty()) {
            std::abort();
        }
        for (qsizetype i = 0; i < sheet->tracks.size(); ++i) {
            const CueTrack& t = sheet->tracks[i];
            if (t.sectorSize <= 0 || t.startSector < 0 ||
                (i > 0 && t.number <= sheet->tracks[i - 1].number)) {
                std::abort();
            }
        }
    }
}

void checkRecords(QByteArrayView bytes) {
    for (const IsoRecord& r : ParseDirectoryRecords(bytes)) {
        if (r.name.isEmpty() || r.name.contains(QLatin1Char('/')) || (r.directory && r.form2)) {
            std::abort();
        }
    }
    if (bytes.size() >= kIsoSectorSize) {
        ParsePrimaryVolume(bytes);
    }
}

// The input as the sectors from 16 on of a Mode 1 image: its volume
// descriptor and whatever directories it points at.
void checkImage(QByteArrayView bytes) {
    static QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("disc.bin"));
    const QString cue = dir.filePath(QStringLiteral("disc.cue"));
    static const bool sheet = [&] {
        QFile f(cue);
        return f.open(QIODevice::WriteOnly) &&
               f.write("FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n") >
                   0;
    }();
    if (!sheet) {
        return;
    }
    {
        QFile f(bin);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return;
        }
        f.write(QByteArray(16 * kIsoSectorSize, '\0'));
        f.write(bytes.data(), bytes.size());
    }
    auto disc = VcdDisc::Open(cue);
    if (!disc) {
        return;
    }
    const QList<DiscFile> files = disc->Files();
    if (files.size() > 5000) {
        std::abort();
    }
    char buf[4096];
    for (qsizetype i = 0; i < std::min<qsizetype>(files.size(), 4); ++i) {
        const DiscFile& f = files[i];
        const qint64 n = disc->Read(f, 0, buf, sizeof buf);
        if (n > qint64(sizeof buf) || n > f.Bytes()) {
            std::abort();
        }
        disc->Find(f.path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 256 * 1024) {
        return 0;
    }
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 3) {
    case 0:
        checkSheet(bytes);
        break;
    case 1:
        checkRecords(bytes);
        break;
    default:
        checkImage(bytes);
        break;
    }
    return 0;
}
