#pragma once

// Disc images built byte by byte for the tests and the fuzz seeds: a small
// well-formed one, and a hostile one whose directories point at each other
// without end.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace lumadeck::test {

// One ISO 9660 directory record: a name of one or more characters, its
// extent and whether it is a folder.
inline QByteArray DirectoryRecord(const QByteArray& name, quint32 lsn, quint32 size, bool folder) {
    QByteArray r = QByteArray(33, '\0') + name + QByteArray(1 - name.size() % 2, '\0');
    r[0] = char(r.size());
    for (int i = 0; i < 4; ++i) {
        r[2 + i] = char(lsn >> (8 * i));
        r[10 + i] = char(size >> (8 * i));
    }
    r[25] = folder ? 2 : 0;
    r[32] = char(name.size());
    return r;
}

// A primary volume descriptor whose root directory is at rootLsn.
inline QByteArray PrimaryVolume(const QByteArray& volumeId, quint32 rootLsn, quint32 rootSize) {
    QByteArray pvd(2048, '\0');
    pvd[0] = 1;
    pvd.replace(1, 5, "CD001");
    pvd.replace(40, 32, volumeId.leftJustified(32, ' ', true));
    const QByteArray root = DirectoryRecord(QByteArray(1, '\0'), rootLsn, rootSize, true);
    pvd.replace(156, root.size(), root);
    return pvd;
}

// The 2,048-byte sectors of a hostile disc: sector 16 its volume
// descriptor, every sector from 17 on a directory of perSector folder
// records, each naming a directory of extentSectors sectors somewhere else
// on the disc. Walked naively, every directory leads to every other.
inline QList<QByteArray> DirectoryMaze(int sectors, int perSector = 60, int extentSectors = 1) {
    QList<QByteArray> out(sectors, QByteArray(2048, '\0'));
    const quint32 first = 17;
    const quint32 span = quint32(sectors) - first - quint32(extentSectors) + 1;
    out[16] = PrimaryVolume("MAZE", first, quint32(extentSectors) * 2048);
    quint32 seed = 12345;
    for (int s = int(first); s < sectors; ++s) {
        QByteArray dir;
        for (int j = 0; j < perSector; ++j) {
            seed = seed * 1103515245u + 12345u;
            const quint32 target = first + (seed >> 8) % span;
            dir += DirectoryRecord(QByteArray(1, char('A' + j % 26)), target,
                                   quint32(extentSectors) * 2048, true);
        }
        out[s].replace(0, std::min<qsizetype>(dir.size(), 2048), dir.left(2048));
    }
    return out;
}

// The sectors of a small disc: the root holds DATA.BIN (the given bytes,
// 2,048 to a sector) and an empty folder.
inline QList<QByteArray> SmallDisc(const QByteArray& volumeId, const QByteArray& data) {
    const int dataSectors = int((data.size() + 2047) / 2048);
    QList<QByteArray> out(19 + dataSectors, QByteArray(2048, '\0'));
    out[16] = PrimaryVolume(volumeId, 17, 2048);
    const QByteArray root = DirectoryRecord(QByteArray(1, '\0'), 17, 2048, true) +
                            DirectoryRecord(QByteArray(1, '\1'), 17, 2048, true) +
                            DirectoryRecord("DATA.BIN;1", 19, quint32(data.size()), false) +
                            DirectoryRecord("EMPTY", 18, 2048, true);
    out[17].replace(0, root.size(), root);
    for (int s = 0; s < dataSectors; ++s) {
        const QByteArray piece = data.mid(qsizetype(s) * 2048, 2048);
        out[19 + s].replace(0, piece.size(), piece);
    }
    return out;
}

// How a 2,048-byte sector is laid out in a raw sector of 2,352 bytes.
enum class RawLayout {
    Mode1,     // sync, header, the data, error codes ("MODE1/2352")
    Mode2Form1 // sync, header, subheader, the data, error codes ("MODE2/2352")
};

// The sectors as an image file of raw sectors.
inline QByteArray ImageBytes(const QList<QByteArray>& sectors, RawLayout layout) {
    const bool mode2 = layout == RawLayout::Mode2Form1;
    QByteArray out;
    out.reserve(sectors.size() * 2352);
    for (qsizetype i = 0; i < sectors.size(); ++i) {
        QByteArray head(mode2 ? 24 : 16, '\0');
        head.replace(1, 10, QByteArray(10, '\xff'));
        const qsizetype lba = i + 150;
        const auto bcd = [](int v) { return char((v / 10) << 4 | (v % 10)); };
        head[12] = bcd(int(lba / 4500));
        head[13] = bcd(int(lba / 75 % 60));
        head[14] = bcd(int(lba % 75));
        head[15] = mode2 ? 2 : 1;
        if (mode2) {
            head[18] = head[22] = 8; // subheader: data, Form 1
        }
        out += head + sectors[i] + QByteArray(2352 - 2048 - head.size(), '\0');
    }
    return out;
}

// Writes an image and the cue sheet for it (name.bin, name.cue in folder);
// returns the sheet's path, or "" when the files cannot be written.
inline QString WriteImage(const QString& folder, const QString& name,
                          const QList<QByteArray>& sectors,
                          RawLayout layout = RawLayout::Mode2Form1) {
    const QString bin = folder + QLatin1Char('/') + name + QStringLiteral(".bin");
    const QString cue = folder + QLatin1Char('/') + name + QStringLiteral(".cue");
    QFile b(bin);
    QFile c(cue);
    const QByteArray mode = layout == RawLayout::Mode1 ? "MODE1/2352" : "MODE2/2352";
    if (!b.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        b.write(ImageBytes(sectors, layout)) < 0 ||
        !c.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        c.write("FILE \"" + QFile::encodeName(name) + ".bin\" BINARY\r\n  TRACK 01 " + mode +
                "\r\n    INDEX 01 00:00:00\r\n") < 0) {
        return {};
    }
    return cue;
}

} // namespace lumadeck::test
