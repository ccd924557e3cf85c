#include "testing/FolderDriveServices.h"

namespace lumadeck::test {

void FolderDriveServices::AddDrive(const QString& drive) {
    if (m_drives.contains(drive)) {
        return;
    }
    m_drives.append(drive);
    Raise({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, false, {drive}});
}

void FolderDriveServices::insert(const QString& drive, const Disc& disc) {
    AddDrive(drive);
    m_discs.insert(drive, disc);
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

bool FolderDriveServices::StartWatching() {
    if (m_watchable) {
        m_watching = true;
    }
    return m_watching;
}

} // namespace lumadeck::test
