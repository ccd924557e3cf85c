#include "testing/FolderDriveServices.h"

namespace lumadeck::test {

void FolderDriveServices::AddDrive(const QString& drive) {
    if (m_drives.contains(drive)) {
        return;
    }
    m_drives.append(drive);
    Raise({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, false, {drive}});
}

void FolderDriveServices::RemoveDrive(const QString& drive) {
    if (!m_drives.contains(drive)) {
        return;
    }
    RemoveDisc(drive);
    m_drives.removeAll(drive);
    Raise({DeviceChange::Event::RemoveComplete, DeviceChange::Device::Volume, false, {drive}});
}

void FolderDriveServices::InsertDisc(const QString& drive, const QString& folder,
                                     const QString& label) {
    AddDrive(drive);
    m_discs.insert(drive, {folder, label, {}});
    Raise({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {drive}});
}

void FolderDriveServices::InsertUnmountedDisc(const QString& drive, const QString& source,
                                              const QString& label) {
    AddDrive(drive);
    m_discs.insert(drive, {QString(), label, source});
    Raise({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {drive}});
}

void FolderDriveServices::RemoveDisc(const QString& drive) {
    if (m_discs.remove(drive) == 0) {
        return;
    }
    Raise({DeviceChange::Event::RemoveComplete, DeviceChange::Device::Volume, true, {drive}});
}

void FolderDriveServices::Raise(const DeviceChange& change) {
    if (m_watching) {
        emit DeviceChanged(change);
    }
}

QString FolderDriveServices::VolumeName(const QString& drive) {
    return m_discs.value(drive).label;
}

QString FolderDriveServices::MountPoint(const QString& drive, bool mount) {
    if (mount) {
        ++m_mountRequests;
    }
    return m_discs.value(drive).folder;
}

bool FolderDriveServices::StartWatching() {
    if (m_watchable) {
        m_watching = true;
    }
    return m_watching;
}

} // namespace lumadeck::test
