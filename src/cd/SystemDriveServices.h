#pragma once

#include "DriveServices.h"
#include "MountTable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace lumadeck {

// "sr2" before "sr10": names compared by their letters, then by the number
// that ends them.
bool NaturalLess(const QString& a, const QString& b);

// Optical drives from sysfs: block devices whose SCSI type is 5.
QStringList OpticalDrivesFromSysfs(const QString& classBlock = QStringLiteral("/sys/class/block"));

// A mounted disc image: an ISO 9660 or UDF filesystem on a loop device, or
// a FUSE mount of an image.
struct ImageMount {
    QString id; // "loop0", or "img0", "img1", ...
    MountEntry entry;
};

// Names the disc images of a mount table, in table order. FUSE images are
// numbered in mount order and keep their number while they stay mounted:
// fuseIds maps mount ids to numbers and is updated (a new image takes the
// lowest free number that is not reserved for an image drive).
QList<ImageMount> ListImageMounts(const QList<MountEntry>& table, QMap<int, int>& fuseIds,
                                  const QList<int>& reserved = {});

// The optical drive whose medium a udev event may have changed, from the
// event's properties; "" for every other event (other devices, drives
// plugged in or out, changes that do not concern the medium).
QString DriveOfUdevEvent(const QHash<QByteArray, QByteArray>& properties);

// Turns "drive X may have changed" into arrivals and removals: keeps, per
// drive, the mount (its id) of its medium, and reports a switch from none
// to mounted as an arrival and the reverse as a removal; a medium replaced
// by another between two looks is a removal followed by an arrival. Every
// change names one drive.
class DriveStateTracker {
public:
    // now: drive -> mount id of its medium (drives without one are left
    // out). Only the drives in scope are compared (all when scope is empty).
    QList<DeviceChange> Update(const QMap<QString, int>& now, const QStringList& scope = {});
    // Takes the state as it is, reporting nothing.
    void Reset(const QMap<QString, int>& now) { m_last = now; }

private:
    QMap<QString, int> m_last;
};

// The real drive services: sysfs and libudev for the drives, the mount
// table for mount points, udev's database, /dev/disk/by-label or the disc's
// volume descriptor for labels, UDisks2 over D-Bus to mount a disc that is
// not mounted. Changes come from the udev monitor (when udev runs) and the
// mount table, both watched with socket notifiers.
class SystemDriveServices : public IDriveServices {
    Q_OBJECT

public:
    explicit SystemDriveServices(QObject* parent = nullptr);
    ~SystemDriveServices() override;

    QStringList CDDrives() override;
    QString VolumeName(const QString& drive) override;
    QString MountPoint(const QString& drive, bool mount) override;
    QString DiscDevice(const QString& drive) override;
    bool StartWatching() override;
    void StopWatching() override;

    // Where the files live; tests point them at copies.
    void SetMountInfoPath(const QString& path) { m_mountInfoPath = path; }
    void SetSysClassBlock(const QString& path) { m_sysClassBlock = path; }

    // Looks again at the drives (all when drives is empty) and reports what
    // switched. Called by the watchers.
    void Recheck(const QStringList& drives = {});

private:
    struct DriveMount {
        QString drive;
        MountEntry entry;
    };
    QList<DriveMount> MountedDrives(const QList<MountEntry>& table);
    QMap<QString, int> MountState();
    std::optional<MountEntry> MountOfDrive(const QString& drive);
    QString MountThroughUDisks(const QString& drive);
    void OnUdevReadable();
    void OnMountTableChanged();

    QString m_mountInfoPath = QStringLiteral("/proc/self/mountinfo");
    QString m_sysClassBlock = QStringLiteral("/sys/class/block");
    QMap<int, int> m_fuseIds;
    DriveStateTracker m_tracker;
    bool m_watching = false;
    int m_mountFd = -1;
    QSocketNotifier* m_mountNotifier = nullptr;
    ::udev* m_udev = nullptr;
    ::udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_udevNotifier = nullptr;
};

} // namespace lumadeck
