#include "testing/FolderDriveServices.h"

namespace lumadeck::test {

void FolderDriveServices::AddDrive(const QString& drive) {
    if (mDrives.contains(drive)) {
        return;
    }
    mDrives.append(drive);
    Raise({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, false, {drive}});
}

void FolderDriveServices::RemoveDrive(const QString& drive) {
    if (!mDrives.contains(drive)) {
        return;
    }
    RemoveDisc(drive);
    mDrives.removeAll(drive);
    Raise({DeviceChange::Event::RemoveComplete, DeviceChange::Device::Volume, false, {drive}});
}

void FolderDriveServices::InsertDisc(const QString& drive, const QString& folder,
                                     const QString& label) {
    AddDrive(drive);
    mDiscs.insert(drive, {folder, label, {}});
    Raise({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {drive}});
}

void FolderDriveServices::InsertUnmountedDisc(const QString& drive, const QString& source,
                                              const QString& label) {
    AddDrive(drive);
    mDiscs.insert(drive, {QString(), label, source});
    Raise({DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {drive}});
}

void FolderDriveServices::RemoveDisc(const QString& drive) {
    if (mDiscs.remove(drive) == 0) {
        return;
    }
    Raise({DeviceChange::Event::RemoveComplete, DeviceChange::Device::Volume, true, {drive}});
}

void FolderDriveServices::Raise(const DeviceChange& change) {
    if (mWatching) {
        emit DeviceChanged(change);
    }
}

QString FolderDriveServices::VolumeName(const QString& drive) {
    return mDiscs.value(drive).label;
}

QString FolderDriveServices::MountPoint(const QString& drive, bool mount) {
    if (mount) {
        ++mMountRequests;
    }
    return mDiscs.value(drive).folder;
}

bool FolderDriveServices::StartWatching() {
    if (mWatchable) {
        mWatching = true;
    }
    return mWatching;
}

} // namespace lumadeck::test
