#include "VolumeLabel.h"

#include "DiscPath.h"
#include "FileNames.h"
#include "VcdDisc.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace lumadeck {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QString LabelFromUdev(dev_t devnum) {
    struct udev* udev = udev_new();
    if (!udev) {
        return {};
    }
    QString label;
    if (struct udev_device* dev = udev_device_new_from_devnum(udev, 'b', devnum)) {
        if (const char* enc = udev_device_get_property_value(dev, "ID_FS_LABEL_ENC")) {
            label = DecodeUdevEscapes(enc);
        } else if (const char* plain = udev_device_get_property_value(dev, "ID_FS_LABEL")) {
            label = DecodeFileName(plain);
        }
        udev_device_unref(dev);
    }
    udev_unref(udev);
    return label;
}

QString LabelFromByLabel(dev_t devnum) {
    const QByteArray folder = "/dev/disk/by-label";
    QDir dir(QString::fromLatin1(folder));
    if (!dir.exists()) {
        return {};
    }
    const QStringList names = dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QByteArray full = folder + '/' + EncodeFileName(name);
        struct stat st {};
        if (::stat(full.constData(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == devnum) {
            return DecodeUdevEscapes(EncodeFileName(name));
        }
    }
    return {};
}

QByteArray DeviceNodeOf(unsigned major, unsigned minor) {
    // The kernel names the node in the device's uevent file.
    QFile uevent(QStringLiteral("/sys/dev/block/%1:%2/uevent").arg(major).arg(minor));
    if (uevent.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = uevent.readAll().split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith("DEVNAME=")) {
                return "/dev/" + line.mid(8);
            }
        }
    }
    return {};
}

QString LabelFromIsoDevice(const QByteArray& node, dev_t devnum) {
    if (node.isEmpty()) {
        return {};
    }
    const int fd = ::open(node.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return {};
    }
    QString label;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == devnum) {
        QByteArray buf(32768 + 2048, '\0');
        const ssize_t got = ::pread(fd, buf.data() + 32768, 2048, 32768);
        if (got == 2048) {
            label = IsoLabelFromImage(buf);
        }
    }
    ::close(fd);
    return label;
}

} // namespace

QString DecodeUdevEscapes(QByteArrayView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == '\\' && i + 3 < n && text[i + 1] == 'x') {
            const int hi = HexValue(text[i + 2]);
            const int lo = HexValue(text[i + 3]);
            if (hi >= 0 && lo >= 0) {
                bytes.append(char(hi * 16 + lo));
                i += 3;
                continue;
            }
        }
        bytes.append(text[i]);
    }
    return DecodeFileName(bytes);
}

QString IsoLabelFromImage(QByteArrayView data) {
    constexpr qsizetype kPvd = 16 * 2048;
    if (data.size() < kPvd + 72) {
        return {};
    }
    const QByteArrayView pvd = data.sliced(kPvd);
    if (static_cast<unsigned char>(pvd[0]) != 1 || pvd.sliced(1, 5) != "CD001") {
        return {};
    }
    QByteArrayView id = pvd.sliced(40, 32);
    const qsizetype nul = id.indexOf('\0');
    if (nul >= 0) {
        id = id.first(nul);
    }
    return DecodeFileName(id).trimmed();
}

QString LabelOfDevice(unsigned major, unsigned minor, const QString& fsType,
                      const QString& deviceNode) {
    if (major == 0) {
        return {}; // no block device behind it
    }
    const dev_t devnum = makedev(major, minor);
    QString label = LabelFromUdev(devnum);
    if (label.isEmpty()) {
        label = LabelFromByLabel(devnum);
    }
    // Discs carry an ISO 9660 descriptor (UDF ones mostly as a bridge).
    if (label.isEmpty() && (fsType == QLatin1String("iso9660") || fsType == QLatin1String("udf") ||
                            fsType.isEmpty())) {
        QByteArray node = deviceNode.startsWith(QLatin1String("/dev/"))
                              ? EncodeFileName(deviceNode)
                              : DeviceNodeOf(major, minor);
        label = LabelFromIsoDevice(node, devnum);
    }
    return label;
}

QString LabelOfImage(const QString& image) {
    if (image.isEmpty()) {
        return {};
    }
    if (const auto disc = VcdDisc::Open(image)) {
        return disc->VolumeId();
    }
    // A cooked image libcdio does not take: its descriptor is at 32768.
    QFile f(image);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return IsoLabelFromImage(f.read(32768 + 2048));
}

QString LabelOfMount(const MountEntry& entry) {
    if (entry.fsType == QLatin1String("fuse.fuseiso")) {
        return LabelOfImage(FuseisoImageOf(entry.mountPoint, QStringLiteral("/proc"), ::getuid()));
    }
    return LabelOfDevice(entry.major, entry.minor, entry.fsType, entry.source);
}

} // namespace lumadeck
