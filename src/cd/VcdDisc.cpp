#include "VcdDisc.h"

#include "CueSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/read.h>
#include <mutex>
#include <sys/stat.h>

namespace lumadeck {

namespace {

constexpr quint32 kPvdSector = 16;
constexpr quint32 kMaxDirectorySectors = 64; // 128 KB: thousands of records
constexpr int kMaxDepth = 8;
constexpr int kMaxFiles = 5000;
// A real disc has a few dozen folders; these bound the walk of a disc whose
// directories point at one another (each read costs a seek on a drive).
constexpr int kMaxFolders = 2000;
constexpr quint32 kMaxFolderSectors = 8192; // 16 MB of directories
constexpr int kRawMode2 = 2336;             // subheader (8), payload (2,324), EDC (4)
constexpr quint32 kSectorsPerRead = 32;
constexpr int kRawSector = 2352; // the sectors of a BIN/CUE image

void fail(QString* error, const QString& why) {
    if (error) {
        *error = why;
    }
}

// libcdio reports through a global handler; a failed read is the caller's
// business, not a line on the terminal.
void quietLog(cdio_log_level_t, const char*) {}

bool isBlockDevice(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISBLK(st.st_mode);
}

} // namespace

qint64 DiscFile::Bytes() const {
    if (form2) {
        return qint64(sectors) * 2324;
    }
    return std::min<qint64>(recordedSize, qint64(sectors) * kIsoSectorSize);
}

VcdDisc::~VcdDisc() {
    if (m_cdio) {
        cdio_destroy(m_cdio);
    }
}

std::unique_ptr<VcdDisc> VcdDisc::Open(const QString& source, QString* error) {
    // libcdio sets up its drivers on the first open, which is no place for
    // two threads at once: it is done here, once.
    static std::once_flag setUp;
    std::call_once(setUp, [] {
        cdio_log_set_handler(quietLog);
        cdio_init();
    });

    const QFileInfo info(source);
    if (!info.exists()) {
        fail(error, QStringLiteral("The disc image does not exist: ") + source);
        return nullptr;
    }
    QString open = source;
    driver_id_t driver = DRIVER_UNKNOWN;
    qint64 imageSectors = -1; // sectors the image file holds, when known
    QString dataFile;
    int dataSectorSize = 0;
    std::unique_ptr<QTemporaryDir> sheetFolder;
    if (isBlockDevice(source)) {
        driver = DRIVER_DEVICE;
    } else if (!info.isFile()) {
        fail(error, QStringLiteral("Not a disc or a disc image: ") + source);
        return nullptr;
    } else if (IsDiscImageName(source)) {
        QString cue = source;
        if (source.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) {
            cue = CueSheetOfBin(source);
            if (cue.isEmpty()) {
                fail(error, QStringLiteral("There is no cue sheet beside the image ") + source);
                return nullptr;
            }
        }
        QFile f(cue);
        if (!f.open(QIODevice::ReadOnly)) {
            fail(error, QStringLiteral("Cannot read the cue sheet ") + cue);
            return nullptr;
        }
        QString why;
        const auto sheet = ParseCueSheet(f.read(64 * 1024 + 1), &why);
        if (!sheet) {
            fail(error, why + QStringLiteral(": ") + cue);
            return nullptr;
        }
        const QFileInfo bin(QDir(QFileInfo(cue).absolutePath()), sheet->file);
        if (!bin.isFile()) {
            fail(error, QStringLiteral("The cue sheet names a file that does not exist: ") +
                            bin.absoluteFilePath());
            return nullptr;
        }
        // libcdio reads an image as sectors of 2,352 bytes, whatever the
        // sheet says: another size would be read from the wrong places.
        for (const CueTrack& t : std::as_const(sheet->tracks)) {
            if (t.sectorSize != kRawSector) {
                fail(error,
                     QStringLiteral("Only images of whole 2,352-byte sectors can be read: ") + cue);
                return nullptr;
            }
        }
        const int sectorSize = kRawSector;
        imageSectors = bin.size() / sectorSize;
        if (imageSectors <= qint64(kPvdSector)) {
            fail(error, QStringLiteral("The image is too short to hold a disc: ") +
                            bin.absoluteFilePath());
            return nullptr;
        }
        // libcdio reads the sheet again with a parser of its own, which
        // takes some lines differently, and reads the data from the .bin
        // named like the sheet, whatever the sheet says. It is handed the
        // sheet as read here, beside a link to the data file checked here,
        // so that the file checked is the file read.
        sheetFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                      QStringLiteral("/lumadeck-disc-XXXXXX"));
        const QString linked = sheetFolder->filePath(QStringLiteral("disc.bin"));
        const QString handed = sheetFolder->filePath(QStringLiteral("disc.cue"));
        QFile handedSheet(handed);
        const QByteArray canonical = CanonicalCueSheet(*sheet, "disc.bin");
        if (!sheetFolder->isValid() || !QFile::link(bin.absoluteFilePath(), linked) ||
            !handedSheet.open(QIODevice::WriteOnly) ||
            handedSheet.write(canonical) != canonical.size() || !handedSheet.flush()) {
            fail(error, QStringLiteral("Cannot open the disc or image ") + source);
            return nullptr;
        }
        open = handed;
        driver = DRIVER_BINCUE;
        dataFile = bin.absoluteFilePath();
        dataSectorSize = sectorSize;
    }

    std::unique_ptr<VcdDisc> disc(new VcdDisc);
    disc->m_source = source;
    disc->m_dataFile = dataFile;
    disc->m_dataSectorSize = dataSectorSize;
    disc->m_sheetFolder = std::move(sheetFolder);
    disc->m_cdio = cdio_open(QFile::encodeName(open).constData(), driver);
    if (!disc->m_cdio) {
        fail(error, QStringLiteral("Cannot open the disc or image ") + source);
        return nullptr;
    }
    const lsn_t last = cdio_get_disc_last_lsn(disc->m_cdio);
    if (last == CDIO_INVALID_LSN || last <= lsn_t(kPvdSector)) {
        fail(error, QStringLiteral("There is no disc in ") + source);
        return nullptr;
    }
    disc->m_readableEnd = quint32(last);
    if (imageSectors >= 0 && imageSectors < qint64(disc->m_readableEnd)) {
        disc->m_readableEnd = quint32(imageSectors); // a cut-off image ends early
    }
    const auto pvd = disc->ReadDataSectors(kPvdSector, 1);
    const auto volume = pvd ? ParsePrimaryVolume(*pvd) : std::nullopt;
    if (!volume) {
        fail(error, QStringLiteral("The disc holds no ISO 9660 filesystem: ") + source);
        return nullptr;
    }
    disc->m_volume = *volume;
    return disc;
}

std::optional<QByteArray> VcdDisc::ReadDataSectors(quint32 lsn, quint32 count) {
    if (count == 0 || lsn >= m_readableEnd || count > m_readableEnd - lsn ||
        !StillReadable(lsn, count)) {
        return std::nullopt;
    }
    QByteArray data(qsizetype(count) * kIsoSectorSize, Qt::Uninitialized);
    if (cdio_read_data_sectors(m_cdio, data.data(), lsn_t(lsn), kIsoSectorSize, count) !=
        DRIVER_OP_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

bool VcdDisc::StillReadable(quint32 lsn, quint32 count) const {
    if (m_dataFile.isEmpty()) {
        return true; // a drive reports its own read errors
    }
    const qint64 size = QFileInfo(m_dataFile).size();
    return (qint64(lsn) + count) * m_dataSectorSize <= size;
}

QList<IsoRecord> VcdDisc::Directory(quint32 lsn, quint32 size) {
    const quint32 sectors =
        std::min<quint32>((size + kIsoSectorSize - 1) / kIsoSectorSize, kMaxDirectorySectors);
    const auto extent = ReadDataSectors(lsn, sectors);
    return extent ? ParseDirectoryRecords(*extent) : QList<IsoRecord>{};
}

DiscFile VcdDisc::FileOf(const QString& path, const IsoRecord& record) const {
    DiscFile f;
    f.path = path;
    f.lsn = record.lsn;
    f.recordedSize = record.size;
    f.form2 = record.form2;
    const quint32 recorded = (record.size + kIsoSectorSize - 1) / kIsoSectorSize;
    const quint32 available = record.lsn < m_readableEnd ? m_readableEnd - record.lsn : 0;
    f.sectors = std::min(recorded, available);
    return f;
}

void VcdDisc::Walk(const QString& folder, quint32 lsn, quint32 size, int depth, WalkState& walk) {
    if (depth > kMaxDepth || walk.visited.contains(lsn) || walk.visited.size() >= kMaxFolders ||
        walk.sectorsRead >= kMaxFolderSectors ||
        (walk.stop && walk.stop->load(std::memory_order_relaxed))) {
        return; // a directory that contains itself, or a pathological tree
    }
    walk.visited.insert(lsn);
    const quint32 sectors =
        std::min<quint32>({(size + kIsoSectorSize - 1) / kIsoSectorSize, kMaxDirectorySectors,
                           kMaxFolderSectors - walk.sectorsRead});
    walk.sectorsRead += std::max<quint32>(sectors, 1);
    QList<IsoRecord> records = Directory(lsn, sectors * kIsoSectorSize);
    std::stable_sort(records.begin(), records.end(), [](const IsoRecord& a, const IsoRecord& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    for (const IsoRecord& r : std::as_const(records)) {
        if (!r.directory && walk.files.size() < kMaxFiles) {
            walk.files.append(FileOf(folder + QLatin1Char('/') + r.name, r));
        }
    }
    for (const IsoRecord& r : std::as_const(records)) {
        if (r.directory && walk.files.size() < kMaxFiles && !walk.visited.contains(r.lsn)) {
            Walk(folder + QLatin1Char('/') + r.name, r.lsn, r.size, depth + 1, walk);
        }
    }
}

QList<DiscFile> VcdDisc::Files(const std::atomic<bool>* stop) {
    WalkState walk;
    walk.stop = stop;
    Walk(QString(), m_volume.rootLsn, m_volume.rootSize, 0, walk);
    return walk.files;
}

std::optional<DiscFile> VcdDisc::Find(const QString& pathOnDisc) {
    const QStringList parts = pathOnDisc.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > kMaxDepth + 1) {
        return std::nullopt;
    }
    quint32 lsn = m_volume.rootLsn;
    quint32 size = m_volume.rootSize;
    QString path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString want = parts[i];
        if (const qsizetype semi = want.indexOf(QLatin1Char(';')); semi >= 0) {
            want.truncate(semi);
        }
        const bool last = i + 1 == parts.size();
        std::optional<IsoRecord> hit;
        for (const IsoRecord& r : Directory(lsn, size)) {
            if (r.directory != last && r.name.compare(want, Qt::CaseInsensitive) == 0) {
                hit = r;
                break;
            }
        }
        if (!hit) {
            return std::nullopt;
        }
        path += QLatin1Char('/') + hit->name;
        if (last) {
            return FileOf(path, *hit);
        }
        lsn = hit->lsn;
        size = hit->size;
    }
    return std::nullopt;
}

qint64 VcdDisc::Read(const DiscFile& file, qint64 offset, char* out, qint64 length) {
    const qint64 total = file.Bytes();
    if (offset < 0 || length <= 0 || offset >= total) {
        return 0;
    }
    length = std::min(length, total - offset);
    const int per = file.BytesPerSector();
    const int raw = file.form2 ? kRawMode2 : kIsoSectorSize;
    const int skip = file.form2 ? 8 : 0; // the subheader before the payload
    qint64 done = 0;
    while (done < length) {
        const qint64 at = offset + done;
        const quint32 sector = quint32(at / per);
        const int within = int(at % per);
        const qint64 wanted = length - done;
        const quint32 count =
            std::min<quint32>(kSectorsPerRead, quint32((within + wanted + per - 1) / per));
        const lsn_t lsn = lsn_t(file.lsn + sector);
        if (sector + count > file.sectors || !StillReadable(file.lsn + sector, count)) {
            return -1;
        }
        m_buffer.resize(qsizetype(count) * raw);
        const driver_return_code_t rc =
            file.form2
                ? cdio_read_mode2_sectors(m_cdio, m_buffer.data(), lsn, true, count)
                : cdio_read_data_sectors(m_cdio, m_buffer.data(), lsn, kIsoSectorSize, count);
        if (rc != DRIVER_OP_SUCCESS) {
            return -1;
        }
        for (quint32 s = 0; s < count && done < length; ++s) {
            const int from = s == 0 ? within : 0;
            const qint64 n = std::min<qint64>(per - from, length - done);
            memcpy(out + done, m_buffer.constData() + qsizetype(s) * raw + skip + from, size_t(n));
            done += n;
        }
    }
    return done;
}

} // namespace lumadeck
