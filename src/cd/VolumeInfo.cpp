#include "VolumeInfo.h"

#include "DiscPath.h"
#include "ImageDrives.h"
#include "MountTable.h"
#include "VcdDisc.h"
#include "VolumeLabel.h"

namespace lumadeck {

std::optional<VolumeInfo> VolumeOfPath(const QString& absolutePath) {
    // A file read from a disc without a mount lies on that disc, labelled
    // with its volume id.
    if (const auto ref = SplitDiscPath(absolutePath)) {
        VolumeInfo info;
        info.mountPoint = ref->source;
        const QString drive = ImageDrives::current().DriveOfSource(ref->source);
        if (!drive.isEmpty()) {
            info.label = ImageDrives::current().Label(drive);
        } else if (const auto disc = VcdDisc::Open(ref->source)) {
            info.label = disc->VolumeId();
        }
        return info;
    }
    const auto entry = MountOfPath(ReadMountTable(), absolutePath);
    if (!entry) {
        return std::nullopt;
    }
    VolumeInfo info;
    info.mountPoint = entry->mountPoint;
    if (info.mountPoint.size() > 1 && info.mountPoint.endsWith(QLatin1Char('/'))) {
        info.mountPoint.chop(1);
    }
    info.label = LabelOfMount(*entry);
    return info;
}

} // namespace lumadeck
