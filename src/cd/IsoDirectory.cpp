#include "IsoDirectory.h"

namespace lumadeck {

namespace {

quint32 le32(QByteArrayView b, qsizetype at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

// File names of a disc are d-characters; anything that would make a path
// ambiguous or unprintable disqualifies the record.
bool usableName(QByteArrayView name) {
    for (const char c : name) {
        const auto u = quint8(c);
        if (u < 0x20 || u == 0x7f || c == '/' || c == '\\') {
            return false;
        }
    }
    return !name.isEmpty();
}

} // namespace

std::optional<IsoVolume> ParsePrimaryVolume(QByteArrayView sector) {
    if (sector.size() < kIsoSectorSize || quint8(sector[0]) != 1 ||
        sector.sliced(1, 5) != QByteArrayView("CD001")) {
        return std::nullopt;
    }
    // The root directory's record sits at 156, 34 bytes long.
    const QByteArrayView root = sector.sliced(156, 34);
    if (quint8(root[0]) < 34 || !(quint8(root[25]) & 0x02)) {
        return std::nullopt;
    }
    IsoVolume v;
    v.volumeId = QString::fromLatin1(sector.sliced(40, 32).toByteArray()).trimmed();
    for (const QChar c : std::as_const(v.volumeId)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            v.volumeId.clear(); // a label that cannot be shown is none
            break;
        }
    }
    v.rootLsn = le32(root, 2);
    v.rootSize = le32(root, 10);
    return v;
}

QList<IsoRecord> ParseDirectoryRecords(QByteArrayView extent) {
    QList<IsoRecord> out;
    qsizetype at = 0;
    while (at < extent.size()) {
        const qsizetype sectorEnd = (at / kIsoSectorSize + 1) * kIsoSectorSize;
        const int length = quint8(extent[at]);
        if (length == 0) {
            at = sectorEnd; // the rest of this sector is padding
            continue;
        }
        if (length < 34 || at + length > sectorEnd || at + length > extent.size()) {
            at = sectorEnd; // a record must fit its sector
            continue;
        }
        const QByteArrayView rec = extent.sliced(at, length);
        at += length;
        const int nameLength = quint8(rec[32]);
        if (33 + nameLength > length) {
            continue;
        }
        QByteArrayView name = rec.sliced(33, nameLength);
        if (nameLength == 1 && (name[0] == '\0' || name[0] == '\1')) {
            continue; // "." and ".."
        }
        if (const qsizetype semi = name.indexOf(';'); semi >= 0) {
            name = name.first(semi);
        }
        if (name.endsWith('.')) {
            name.chop(1);
        }
        if (!usableName(name) || name == QByteArrayView(".") || name == QByteArrayView("..")) {
            continue;
        }
        IsoRecord r;
        r.name = QString::fromLatin1(name.toByteArray());
        r.lsn = le32(rec, 2);
        r.size = le32(rec, 10);
        r.directory = quint8(rec[25]) & 0x02;
        // The XA system use field: 14 bytes after the (even-padded) name,
        // "XA" at its offset 6, attributes big-endian at offset 4.
        const qsizetype su = 33 + nameLength + ((nameLength % 2 == 0) ? 1 : 0);
        if (su + 14 <= length && rec[su + 6] == 'X' && rec[su + 7] == 'A') {
            const unsigned attributes = unsigned(quint8(rec[su + 4])) << 8 | quint8(rec[su + 5]);
            r.form2 = !r.directory && (attributes & 0x1000);
        }
        out.append(r);
    }
    return out;
}

} // namespace lumadeck
