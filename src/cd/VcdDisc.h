#pragma once

#include "IsoDirectory.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <optional>

struct _CdIo; // libcdio's CdIo_t

namespace lumadeck {

// A file of a disc as its directory records it.
struct DiscFile {
    QString path;        // on the disc, from its root: "/MPEGAV/AVSEQ01.DAT"
    quint32 lsn = 0;     // first sector
    quint32 sectors = 0; // sectors that can be read (fewer than recorded on a cut-off image)
    quint32 recordedSize = 0;
    bool form2 = false; // Mode 2 Form 2: 2,324 bytes of MPEG in each sector

    int BytesPerSector() const { return form2 ? 2324 : kIsoSectorSize; }
    // What reading the file gives: whole payloads for Form 2, the recorded
    // length (as far as it can be read) otherwise.
    qint64 Bytes() const;
};

// A Video CD (or any ISO 9660 CD) read sector by sector through libcdio:
// from an optical drive ("/dev/sr0"), a BIN/CUE image (the .cue, or a .bin
// with its .cue beside it) or another image libcdio opens. Files are found
// through the disc's own directory, so nothing needs to be mounted, and the
// Form 2 files of MPEGAV, MPEG2 and SEGMENT come out as the MPEG they hold.
// One object serves one thread at a time.
class VcdDisc {
public:
    ~VcdDisc();
    VcdDisc(const VcdDisc&) = delete;
    VcdDisc& operator=(const VcdDisc&) = delete;

    // Nothing, with a reason in error, when the source cannot be opened or
    // holds no ISO 9660 filesystem.
    static std::unique_ptr<VcdDisc> Open(const QString& source, QString* error = nullptr);

    const QString& Source() const { return m_source; }
    const QString& VolumeId() const { return m_volume.volumeId; }

    // Every file of the disc: a folder's own files first (sorted without
    // regard to case), then its subfolders, depth first, the way the file
    // finder walks a mounted disc. However the directories point at each
    // other, the walk visits each at most once and reads a bounded number of
    // folders and sectors; a disc that holds more is listed as far as that
    // goes. Ends early, with what it has found, once stop (when given) is set.
    QList<DiscFile> Files(const std::atomic<bool>* stop = nullptr);
    // The file at a path on the disc ("/MPEGAV/AVSEQ01.DAT"), names matched
    // without regard to case and version; nothing when there is none.
    std::optional<DiscFile> Find(const QString& pathOnDisc);

    // Copies up to length bytes of the file from offset. Returns the bytes
    // copied (0 at the end of the file), or -1 when a sector cannot be read.
    qint64 Read(const DiscFile& file, qint64 offset, char* out, qint64 length);

private:
    VcdDisc() = default;
    std::optional<QByteArray> ReadDataSectors(quint32 lsn, quint32 count);
    bool StillReadable(quint32 lsn, quint32 count) const;
    QList<IsoRecord> Directory(quint32 lsn, quint32 size);
    DiscFile FileOf(const QString& path, const IsoRecord& record) const;
    struct WalkState {
        QList<DiscFile> files;
        QSet<quint32> visited;
        quint32 sectorsRead = 0;
        const std::atomic<bool>* stop = nullptr;
    };
    void Walk(const QString& folder, quint32 lsn, quint32 size, int depth, WalkState& walk);

    _CdIo* m_cdio = nullptr;
    QString m_source;
    IsoVolume m_volume;
    quint32 m_readableEnd = 0; // first sector past what can be read
    // An image's data file and its sector size: libcdio reads past the end
    // of a file that shrank without saying so, so reads look at its size.
    QString m_dataFile;
    int m_dataSectorSize = 0;
    // What libcdio reads an image through: the sheet as read here and a
    // link to its data file, for as long as the disc is open.
    std::unique_ptr<QTemporaryDir> m_sheetFolder;
    QByteArray m_buffer;
};

} // namespace lumadeck
