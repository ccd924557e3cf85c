#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

namespace lumadeck {

// A change of drives or media, shaped like the volume broadcasts the CD
// notification understands: what happened, to what kind of device, whether
// it concerns the medium (not the drive itself), and the drives it names.
struct DeviceChange {
    enum class Event { Arrival, QueryRemove, RemoveComplete, NodesChanged, Other };
    enum class Device { Volume, Other };
    Event event = Event::Other;
    Device device = Device::Volume;
    bool media = false;
    QStringList drives;
};

// Optical drives and mounted disc images (Video CD images opened without a
// mount are added by apifuncs, see ImageDrives.h). A drive is named by its kernel
// device ("sr0", "sr1", ...), a loop device holding a disc image ("loop0"),
// or "img0", "img1", ... for FUSE mounts of images.
class IDriveServices : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~IDriveServices() override = default;

    // Every optical drive (with or without a disc) in natural order of
    // their names, then the mounted disc images.
    virtual QStringList CDDrives() = 0;
    // The label of the disc in the drive; "" without a disc, a label or a
    // drive of that name.
    virtual QString VolumeName(const QString& drive) = 0;
    // Where the drive's disc is mounted ("" when it is not). With mount set,
    // a disc that is present but not mounted is mounted first where the
    // system allows it.
    virtual QString MountPoint(const QString& drive, bool mount) = 0;
    // What holds the drive's disc when it is read without a mount: the
    // drive's device ("/dev/sr0"); "" where there is none.
    virtual QString DiscDevice(const QString& drive) { return {}; }
    // Starts reporting DeviceChanged on the user-interface thread; false
    // when changes cannot be watched.
    virtual bool StartWatching() = 0;
    virtual void StopWatching() = 0;

signals:
    void DeviceChanged(const lumadeck::DeviceChange& change);
};

namespace DriveServices {

// The installed drive services: the system's unless a test installed others.
IDriveServices& current();
void setCurrent(IDriveServices* services); // nullptr: back to the system's

} // namespace DriveServices

namespace apifuncs {

// The drives of DriveServices::current(), then the image drives, written to
// drives from index 0; returns their number.
int GetCDDrives(QStringList& drives);
// The label of the disc in a drive ("sr0"; "sr0:" and "/dev/sr0" are taken
// too); "" when there is none or on any failure.
QString GetVolumeName(const QString& drive);
// The part before the first NUL, trimmed; a string without NUL unchanged.
QString StripNulls(const QString& text);
// Where a drive's disc can be searched (mounting it when needed); "" when
// it holds none. Do not hand "" to clsFindFile::FindFiles: an empty path
// searches the current folder.
QString GetCDMountPoint(const QString& drive);
// The drive whose mounted disc holds a path, or "" (nothing is mounted).
// A file read from a disc without a mount (DiscPath.h) belongs to the drive
// of that disc.
QString GetDriveOfPath(const QString& path);
// The device or image to read a drive's disc from when it has no mount
// point: an image drive's image, an optical drive's device. "" otherwise.
QString GetCDDiscSource(const QString& drive);
// "sr0: (VCD_ONE)", or "Drive sr0:" without a label.
QString DriveCaption(const QString& drive, const QString& volumeName);
// The toolbar key of a drive's button ("CDsr0"), and the drive of such a
// key ("" for keys of other buttons).
QString DriveKey(const QString& drive);
QString DriveOfKey(const QString& key);

} // namespace apifuncs

} // namespace lumadeck

Q_DECLARE_METATYPE(lumadeck::DeviceChange)
