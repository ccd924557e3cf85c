#include "DiscPath.h"

#include "CueSheet.h"
#include "MountTable.h"
#include "VcdDisc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace lumadeck {

namespace {

QString readSmall(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(f.read(4096)).trimmed();
}

// The device name behind a block device number ("sr0"), from sysfs.
QString deviceOfNumbers(unsigned major, unsigned minor) {
    const QString link =
        QFileInfo(QStringLiteral("/sys/dev/block/%1:%2").arg(major).arg(minor)).symLinkTarget();
    return link.isEmpty() ? QString() : QFileInfo(link).fileName();
}

int trackFolderVersion(const QString& folder) {
    const QString f = folder.toLower();
    return f == QLatin1String("mpegav") ? 1 : f == QLatin1String("mpeg2") ? 2 : 0;
}

// The track folders, and SEGMENT, which holds a disc's menu pictures and clips.
bool isVideoCdFolder(const QString& folder) {
    return trackFolderVersion(folder) != 0 ||
           folder.compare(QLatin1String("segment"), Qt::CaseInsensitive) == 0;
}

} // namespace

int VideoCdTrackVersion(const QString& fileName) {
    return trackFolderVersion(QFileInfo(QFileInfo(fileName).path()).fileName());
}

std::optional<DiscFileRef> SplitDiscPath(const QString& name) {
    if (!name.startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    const QString clean = QDir::cleanPath(name);
    qsizetype slash = 0;
    while ((slash = clean.indexOf(QLatin1Char('/'), slash + 1)) > 0) {
        const QString prefix = clean.left(slash);
        struct stat st {};
        if (::stat(QFile::encodeName(prefix).constData(), &st) != 0) {
            return std::nullopt;
        }
        if (S_ISDIR(st.st_mode)) {
            continue;
        }
        if (S_ISBLK(st.st_mode) || (S_ISREG(st.st_mode) && IsDiscImageName(prefix))) {
            return DiscFileRef{prefix, clean.mid(slash)};
        }
        return std::nullopt;
    }
    return std::nullopt;
}

QString DiscFileName(const QString& source, const QString& pathOnDisc) {
    return source +
           (pathOnDisc.startsWith(QLatin1Char('/')) ? pathOnDisc : QLatin1Char('/') + pathOnDisc);
}

bool DiscFileExists(const QString& name) {
    const auto ref = SplitDiscPath(name);
    if (!ref) {
        return false;
    }
    const auto disc = VcdDisc::Open(ref->source);
    return disc && disc->Find(ref->path).has_value();
}

QString FuseisoImageOf(const QString& mountPoint, const QString& procRoot, uint uid) {
    const QStringList pids = QDir(procRoot).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        if (pid.isEmpty() || !pid.at(0).isDigit()) {
            continue;
        }
        const QString process = procRoot + QLatin1Char('/') + pid;
        struct stat st {};
        if (::stat(QFile::encodeName(process).constData(), &st) != 0 || st.st_uid != uid) {
            continue; // another user's process (or one that has gone)
        }
        QFile f(process + QStringLiteral("/cmdline"));
        if (!f.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QList<QByteArray> args = f.read(16384).split('\0');
        if (args.isEmpty() || !args[0].endsWith("fuseiso")) {
            continue;
        }
        QStringList plain;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i].startsWith('-')) {
                if (args[i] == "-o" || args[i] == "-c") {
                    ++i; // an option with a value
                }
                continue;
            }
            if (!args[i].isEmpty()) {
                plain.append(QFile::decodeName(args[i]));
            }
        }
        if (plain.size() < 2) {
            continue;
        }
        const QString cwd = QFileInfo(process + QStringLiteral("/cwd")).symLinkTarget();
        auto absolute = [&](const QString& p) {
            return QDir::cleanPath(QDir::isAbsolutePath(p) ? p : cwd + QLatin1Char('/') + p);
        };
        if (absolute(plain[1]) == QDir::cleanPath(mountPoint)) {
            return absolute(plain[0]);
        }
    }
    return {};
}

QString LoopBackingFile(unsigned minor) {
    return readSmall(QStringLiteral("/sys/dev/block/7:%1/loop/backing_file").arg(minor));
}

QString DirectNameOfMountedTrack(const QString& fileName) {
    if (!fileName.startsWith(QLatin1Char('/'))) {
        return {};
    }
    const QString clean = QDir::cleanPath(fileName);
    const QString folder = QFileInfo(QFileInfo(clean).path()).fileName();
    if (!isVideoCdFolder(folder)) {
        return {};
    }
    const auto entry = MountOfPath(ReadMountTable(), clean);
    if (!entry || entry->mountPoint == QLatin1String("/")) {
        return {};
    }
    QString source;
    if (entry->fsType == QLatin1String("fuse.fuseiso")) {
        source = FuseisoImageOf(entry->mountPoint, QStringLiteral("/proc"), ::getuid());
    } else if (entry->major == 7) {
        source = LoopBackingFile(entry->minor);
    } else if (entry->major == 11) {
        const QString dev = deviceOfNumbers(entry->major, entry->minor);
        if (!dev.isEmpty()) {
            source = QStringLiteral("/dev/") + dev;
        }
    }
    // A cooked image (.iso) holds 2,048 bytes of each sector: nothing more
    // can be read from it than through the mount.
    if (source.isEmpty() || (QFileInfo(source).isFile() && !IsDiscImageName(source))) {
        return {};
    }
    QString mp = QDir::cleanPath(entry->mountPoint);
    QString below = clean.mid(mp.size());
    if (entry->root != QLatin1String("/")) {
        below = QDir::cleanPath(entry->root + below);
    }
    const auto disc = VcdDisc::Open(source);
    if (!disc) {
        return {};
    }
    const auto file = disc->Find(below);
    if (!file || !file->form2) {
        return {};
    }
    return DiscFileName(source, file->path);
}

} // namespace lumadeck
