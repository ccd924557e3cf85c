#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace lumadeck {

// One line of /proc/self/mountinfo.
struct MountEntry {
    int mountId = 0;
    int parentId = 0;
    unsigned major = 0;
    unsigned minor = 0;
    QString root;       // the folder of the filesystem mounted here ("/" for a whole one)
    QString mountPoint; // absolute
    QString fsType;     // "iso9660", "fuse.fuseiso", ...
    QString source;     // "/dev/sr0", "fuseiso", ...
};

// Undoes the kernel's octal escapes (\040 for a space, \011, \012, \134).
// A backslash not followed by three octal digits stays as it is.
QByteArray UnescapeMountField(QByteArrayView field);

// One line, without its newline; nothing when the line is malformed.
std::optional<MountEntry> ParseMountInfoLine(QByteArrayView line);

// Every well-formed line of a whole table, in table order.
QList<MountEntry> ParseMountInfo(QByteArrayView text);

// The process's mount table as it is now (empty when it cannot be read).
QList<MountEntry> ReadMountTable(const QString& path = QStringLiteral("/proc/self/mountinfo"));

// The entry of the filesystem holding an absolute path: the one whose mount
// point is the longest leading run of the path's folders (the last such
// entry when a mount point is mounted over). Matching is on the cleaned
// path as written; symbolic links are not resolved.
std::optional<MountEntry> MountOfPath(const QList<MountEntry>& table, const QString& absolutePath);

} // namespace lumadeck
