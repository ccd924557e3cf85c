#include "SystemDriveServices.h"

#include "DiscPath.h"
#include "FileNames.h"
#include "ImageDrives.h"
#include "VolumeLabel.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSocketNotifier>
#include <QVariantMap>

#include <algorithm>
#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

namespace lumadeck {

namespace {

QString ReadSmallFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(f.read(4096)).trimmed();
}

// "11:0" from sysfs into numbers.
bool DeviceNumbers(const QString& classBlock, const QString& drive, unsigned& major,
                   unsigned& minor) {
    const QString text =
        ReadSmallFile(classBlock + QLatin1Char('/') + drive + QStringLiteral("/dev"));
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0) {
        return false;
    }
    bool ok1 = false;
    bool ok2 = false;
    major = text.left(colon).toUInt(&ok1);
    minor = text.mid(colon + 1).toUInt(&ok2);
    return ok1 && ok2;
}

bool UdevRunning() {
    return QFileInfo::exists(QStringLiteral("/run/udev/control"));
}

QStringList OpticalDrivesFromUdev() {
    QStringList out;
    if (!UdevRunning()) {
        return out;
    }
    struct udev* udev = udev_new();
    if (!udev) {
        return out;
    }
    if (struct udev_enumerate* e = udev_enumerate_new(udev)) {
        udev_enumerate_add_match_subsystem(e, "block");
        udev_enumerate_add_match_property(e, "ID_CDROM", "1");
        if (udev_enumerate_scan_devices(e) >= 0) {
            struct udev_list_entry* entry = nullptr;
            udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
                if (struct udev_device* dev =
                        udev_device_new_from_syspath(udev, udev_list_entry_get_name(entry))) {
                    const char* type = udev_device_get_devtype(dev);
                    if (!type || QByteArrayView(type) == "disk") {
                        out.append(QString::fromUtf8(udev_device_get_sysname(dev)));
                    }
                    udev_device_unref(dev);
                }
            }
        }
        udev_enumerate_unref(e);
    }
    udev_unref(udev);
    return out;
}

bool IsImageFsType(const QString& type) {
    return type == QLatin1String("iso9660") || type == QLatin1String("udf");
}

const char* kUDisks = "org.freedesktop.UDisks2";

} // namespace

bool NaturalLess(const QString& a, const QString& b) {
    auto split = [](const QString& s) {
        qsizetype i = s.size();
        while (i > 0 && s.at(i - 1).isDigit()) {
            --i;
        }
        return std::pair<QString, QString>(s.left(i), s.mid(i));
    };
    const auto [pa, na] = split(a);
    const auto [pb, nb] = split(b);
    if (pa != pb) {
        return pa < pb;
    }
    // Numbers of any length: shorter (without leading zeros) is smaller.
    QString da = na;
    QString db = nb;
    while (da.size() > 1 && da.startsWith(QLatin1Char('0'))) {
        da.remove(0, 1);
    }
    while (db.size() > 1 && db.startsWith(QLatin1Char('0'))) {
        db.remove(0, 1);
    }
    if (da.size() != db.size()) {
        return da.size() < db.size();
    }
    if (da != db) {
        return da < db;
    }
    return a < b;
}

QStringList OpticalDrivesFromSysfs(const QString& classBlock) {
    QStringList out;
    const QStringList names =
        QDir(classBlock).entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (ReadSmallFile(classBlock + QLatin1Char('/') + name + QStringLiteral("/device/type")) ==
            QLatin1String("5")) {
            out.append(name);
        }
    }
    std::sort(out.begin(), out.end(), NaturalLess);
    return out;
}

QList<ImageMount> ListImageMounts(const QList<MountEntry>& table, QMap<int, int>& fuseIds,
                                  const QList<int>& reserved) {
    QSet<int> present;
    for (const MountEntry& e : table) {
        if (e.fsType == QLatin1String("fuse.fuseiso")) {
            present.insert(e.mountId);
        }
    }
    for (auto it = fuseIds.begin(); it != fuseIds.end();) {
        it = present.contains(it.key()) ? std::next(it) : fuseIds.erase(it);
    }
    QList<ImageMount> out;
    QSet<QString> seen;
    for (const MountEntry& e : table) {
        QString id;
        if (e.fsType == QLatin1String("fuse.fuseiso")) {
            if (!fuseIds.contains(e.mountId)) {
                const QList<int> used = fuseIds.values();
                int n = 0;
                while (used.contains(n) || reserved.contains(n)) {
                    ++n;
                }
                fuseIds.insert(e.mountId, n);
            }
            id = QStringLiteral("img%1").arg(fuseIds.value(e.mountId));
        } else if (e.major == 7 && IsImageFsType(e.fsType)) {
            id = QStringLiteral("loop%1").arg(e.minor);
            if (e.source.startsWith(QLatin1String("/dev/loop"))) {
                id = e.source.mid(5);
            }
        } else {
            continue;
        }
        if (!seen.contains(id)) {
            seen.insert(id);
            out.append({id, e});
        }
    }
    return out;
}

QString DriveOfUdevEvent(const QHash<QByteArray, QByteArray>& p) {
    if (p.value("SUBSYSTEM") != "block" || p.value("ACTION") != "change") {
        return {}; // drives plugged in or out, other subsystems
    }
    if (p.contains("DEVTYPE") && p.value("DEVTYPE") != "disk") {
        return {}; // partitions
    }
    if (p.value("ID_CDROM") != "1") {
        return {}; // not an optical drive
    }
    if (p.value("DISK_MEDIA_CHANGE") != "1" && p.value("DISK_EJECT_REQUEST") != "1") {
        return {}; // not about the medium
    }
    QByteArray name = p.value("DEVNAME");
    if (name.isEmpty()) {
        name = p.value("DEVPATH");
    }
    name = name.mid(name.lastIndexOf('/') + 1);
    return DecodeFileName(name);
}

QList<DeviceChange> DriveStateTracker::Update(const QMap<QString, int>& now,
                                              const QStringList& scope) {
    QStringList drives = scope;
    if (drives.isEmpty()) {
        QSet<QString> all;
        for (auto it = m_last.cbegin(); it != m_last.cend(); ++it) {
            all.insert(it.key());
        }
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            all.insert(it.key());
        }
        drives = QStringList(all.begin(), all.end());
    }
    std::sort(drives.begin(), drives.end(), NaturalLess);
    QList<DeviceChange> out;
    for (const QString& d : std::as_const(drives)) {
        const int before = m_last.value(d, -1);
        const int after = now.value(d, -1);
        if (before == after) {
            continue;
        }
        if (before != -1) {
            out.append(
                {DeviceChange::Event::RemoveComplete, DeviceChange::Device::Volume, true, {d}});
        }
        if (after != -1) {
            out.append({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {d}});
            m_last.insert(d, after);
        } else {
            m_last.remove(d);
        }
    }
    return out;
}

SystemDriveServices::SystemDriveServices(QObject* parent) : IDriveServices(parent) {}

SystemDriveServices::~SystemDriveServices() {
    StopWatching();
}

QStringList SystemDriveServices::CDDrives() {
    QStringList drives = OpticalDrivesFromSysfs(m_sysClassBlock);
    for (const QString& d : OpticalDrivesFromUdev()) {
        if (!drives.contains(d)) {
            drives.append(d);
        }
    }
    std::sort(drives.begin(), drives.end(), NaturalLess);
    for (const ImageMount& m : ListImageMounts(ReadMountTable(m_mountInfoPath), m_fuseIds,
                                               ImageDrives::current().Numbers())) {
        if (!drives.contains(m.id)) {
            drives.append(m.id);
        }
    }
    return drives;
}

QList<SystemDriveServices::DriveMount>
SystemDriveServices::MountedDrives(const QList<MountEntry>& table) {
    QList<DriveMount> out;
    QSet<QString> seen;
    QStringList optical = OpticalDrivesFromSysfs(m_sysClassBlock);
    for (const QString& d : OpticalDrivesFromUdev()) {
        if (!optical.contains(d)) {
            optical.append(d);
        }
    }
    for (const QString& d : std::as_const(optical)) {
        unsigned major = 0;
        unsigned minor = 0;
        if (!DeviceNumbers(m_sysClassBlock, d, major, minor)) {
            continue;
        }
        const MountEntry* best = nullptr;
        for (const MountEntry& e : table) {
            if (e.major == major && e.minor == minor &&
                (!best || (best->root != QLatin1String("/") && e.root == QLatin1String("/")))) {
                best = &e;
            }
        }
        if (best) {
            out.append({d, *best});
            seen.insert(d);
        }
    }
    for (const ImageMount& m :
         ListImageMounts(table, m_fuseIds, ImageDrives::current().Numbers())) {
        if (!seen.contains(m.id)) {
            out.append({m.id, m.entry});
        }
    }
    return out;
}

QMap<QString, int> SystemDriveServices::MountState() {
    QMap<QString, int> state;
    for (const DriveMount& m : MountedDrives(ReadMountTable(m_mountInfoPath))) {
        state.insert(m.drive, m.entry.mountId);
    }
    return state;
}

std::optional<MountEntry> SystemDriveServices::MountOfDrive(const QString& drive) {
    for (const DriveMount& m : MountedDrives(ReadMountTable(m_mountInfoPath))) {
        if (m.drive == drive) {
            return m.entry;
        }
    }
    return std::nullopt;
}

QString SystemDriveServices::VolumeName(const QString& drive) {
    if (const auto entry = MountOfDrive(drive)) {
        return LabelOfMount(*entry);
    }
    unsigned major = 0;
    unsigned minor = 0;
    if (!drive.startsWith(QLatin1String("img")) &&
        DeviceNumbers(m_sysClassBlock, drive, major, minor)) {
        return LabelOfDevice(major, minor, QString());
    }
    return {};
}

QString SystemDriveServices::MountPoint(const QString& drive, bool mount) {
    if (const auto entry = MountOfDrive(drive)) {
        return entry->mountPoint;
    }
    if (!mount || drive.startsWith(QLatin1String("img"))) {
        return {};
    }
    return MountThroughUDisks(drive);
}

QString SystemDriveServices::DiscDevice(const QString& drive) {
    if (drive.startsWith(QLatin1String("img"))) {
        return {}; // a FUSE mount: its image is not in the mount table
    }
    if (drive.startsWith(QLatin1String("loop"))) {
        bool ok = false;
        const unsigned minor = drive.mid(4).toUInt(&ok);
        return ok ? LoopBackingFile(minor) : QString();
    }
    unsigned major = 0;
    unsigned minor = 0;
    if (!DeviceNumbers(m_sysClassBlock, drive, major, minor)) {
        return {};
    }
    const QString device = QStringLiteral("/dev/") + drive;
    return QFileInfo::exists(device) ? device : QString();
}

QString SystemDriveServices::MountThroughUDisks(const QString& drive) {
    unsigned major = 0;
    unsigned minor = 0;
    if (!DeviceNumbers(m_sysClassBlock, drive, major, minor)) {
        return {};
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QString::fromLatin1(kUDisks)).value()) {
        return {};
    }
    // UDisks2 names block devices by their kernel names, with characters
    // outside [A-Za-z0-9_] written as _XX.
    QString object;
    for (const QChar c : drive) {
        if (c.isLetterOrNumber() && c.unicode() < 128) {
            object += c;
        } else {
            object += QStringLiteral("_%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        }
    }
    QDBusInterface fs(QString::fromLatin1(kUDisks),
                      QStringLiteral("/org/freedesktop/UDisks2/block_devices/") + object,
                      QStringLiteral("org.freedesktop.UDisks2.Filesystem"), bus);
    if (!fs.isValid()) {
        return {}; // no disc, or nothing mountable on it
    }
    fs.setTimeout(30000); // a disc may have to spin up
    const QDBusReply<QString> reply = fs.call(QStringLiteral("Mount"), QVariantMap{});
    if (!reply.isValid()) {
        return {};
    }
    return reply.value();
}

bool SystemDriveServices::StartWatching() {
    if (m_watching) {
        return true;
    }
    const QByteArray path = EncodeFileName(m_mountInfoPath);
    m_mountFd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (m_mountFd < 0) {
        return false;
    }
    // The mount table signals a change as an exceptional condition.
    m_mountNotifier = new QSocketNotifier(m_mountFd, QSocketNotifier::Exception, this);
    connect(m_mountNotifier, &QSocketNotifier::activated, this,
            &SystemDriveServices::OnMountTableChanged);

    if (UdevRunning() && (m_udev = udev_new())) {
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (m_monitor &&
            udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "block", nullptr) >= 0 &&
            udev_monitor_enable_receiving(m_monitor) >= 0) {
            m_udevNotifier =
                new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
            connect(m_udevNotifier, &QSocketNotifier::activated, this,
                    &SystemDriveServices::OnUdevReadable);
        } else if (m_monitor) {
            udev_monitor_unref(m_monitor);
            m_monitor = nullptr;
        }
    }
    m_tracker.Reset(MountState());
    m_watching = true;
    return true;
}

void SystemDriveServices::StopWatching() {
    delete m_udevNotifier;
    m_udevNotifier = nullptr;
    if (m_monitor) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
    }
    if (m_udev) {
        udev_unref(m_udev);
        m_udev = nullptr;
    }
    delete m_mountNotifier;
    m_mountNotifier = nullptr;
    if (m_mountFd >= 0) {
        ::close(m_mountFd);
        m_mountFd = -1;
    }
    m_watching = false;
}

void SystemDriveServices::Recheck(const QStringList& drives) {
    const QList<DeviceChange> changes = m_tracker.Update(MountState(), drives);
    for (const DeviceChange& c : changes) {
        emit DeviceChanged(c);
    }
}

void SystemDriveServices::OnMountTableChanged() {
    // Reading the table to its end acknowledges the change.
    char buf[4096];
    ::lseek(m_mountFd, 0, SEEK_SET);
    while (::read(m_mountFd, buf, sizeof buf) > 0) {
    }
    Recheck();
}

void SystemDriveServices::OnUdevReadable() {
    if (!m_monitor) {
        return;
    }
    struct udev_device* dev = udev_monitor_receive_device(m_monitor);
    if (!dev) {
        return;
    }
    QHash<QByteArray, QByteArray> properties;
    struct udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(dev)) {
        const char* value = udev_list_entry_get_value(entry);
        properties.insert(udev_list_entry_get_name(entry), value ? value : "");
    }
    udev_device_unref(dev);
    const QString drive = DriveOfUdevEvent(properties);
    if (!drive.isEmpty()) {
        Recheck({drive});
    }
}

} // namespace lumadeck
