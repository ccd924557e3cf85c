#pragma once

#include "cd/DriveServices.h"

#include <QMap>

namespace lumadeck::test {

// Drive services for tests: drives are names, a disc is a folder with a
// label. Inserting and removing discs raises the changes the system's
// services would; Raise sends any change at all.
class FolderDriveServices : public IDriveServices {
    Q_OBJECT

public:
    explicit FolderDriveServices(QObject* parent = nullptr) : IDriveServices(parent) {}

    // An empty drive appended to the list; plugging it in is not a medium
    // change and is raised as such.
    void AddDrive(const QString& drive);
    // Puts a disc (the folder) with a label into a drive, adding the drive
    // when needed, and raises its arrival.
    void InsertDisc(const QString& drive, const QString& folder, const QString& label) {
        insert(drive, {folder, label, {}});
    }
    // The same for a disc that nothing mounts: it is read from source (an
    // image standing in for the drive's device).
    void InsertUnmountedDisc(const QString& drive, const QString& source, const QString& label) {
        insert(drive, {{}, label, source});
    }
    // Takes the disc out and raises its removal (nothing when it held none).
    void RemoveDisc(const QString& drive);
    // Raises a change as it stands (only while watched).
    void Raise(const DeviceChange& change);

    bool Watching() const { return m_watching; }
    void SetWatchable(bool watchable) { m_watchable = watchable; }

    QStringList CDDrives() override { return m_drives; }
    QString VolumeName(const QString& drive) override { return m_discs.value(drive).label; }
    QString MountPoint(const QString& drive, bool) override { return m_discs.value(drive).folder; }
    QString DiscDevice(const QString& drive) override { return m_discs.value(drive).device; }
    bool StartWatching() override;
    void StopWatching() override { m_watching = false; }

private:
    struct Disc {
        QString folder;
        QString label;
        QString device;
    };
    void insert(const QString& drive, const Disc& disc);
    QStringList m_drives;
    QMap<QString, Disc> m_discs;
    bool m_watching = false;
    bool m_watchable = true;
};

} // namespace lumadeck::test
