#include "VolumeInfo.h"

#include "MountTable.h"
#include "VolumeLabel.h"

namespace lumadeck {

std::optional<VolumeInfo> VolumeOfPath(const QString& absolutePath) {
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
