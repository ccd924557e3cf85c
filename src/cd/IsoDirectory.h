#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace lumadeck {

constexpr int kIsoSectorSize = 2048;

// One directory record of an ISO 9660 filesystem.
struct IsoRecord {
    QString name;     // without its ";1" version and a trailing "."
    quint32 lsn = 0;  // first sector of the extent
    quint32 size = 0; // recorded length in bytes (2,048 per sector, Form 2 files too)
    bool directory = false;
    bool form2 = false; // XA attributes say Mode 2 Form 2 (Video CD MPEG data)
};

// The primary volume descriptor (sector 16 of the disc).
struct IsoVolume {
    QString volumeId; // trailing blanks removed
    quint32 rootLsn = 0;
    quint32 rootSize = 0;
};

// Reads a primary volume descriptor; nothing when the sector is not one.
std::optional<IsoVolume> ParsePrimaryVolume(QByteArrayView sector);

// The records of a directory's extent (whole 2,048-byte sectors), without
// "." and "..". Records that run past their sector or name no usable file
// are left out; a record of length 0 moves on to the next sector.
QList<IsoRecord> ParseDirectoryRecords(QByteArrayView extent);

} // namespace lumadeck
