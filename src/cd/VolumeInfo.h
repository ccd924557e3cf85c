#pragma once

#include <QString>
#include <optional>

namespace lumadeck {

// The filesystem a path lies on.
struct VolumeInfo {
    QString mountPoint; // absolute, without a trailing "/" (except "/")
    QString label;      // the filesystem's label, "" when it has none
};

// The filesystem holding the given absolute path (the longest matching mount
// point of the mount table), or nothing when it cannot be told. For a file
// read from a disc without a mount ("/home/u/vcd.cue/MPEGAV/AVSEQ01.DAT")
// the "mount point" is the disc's image or device and the label its volume id.
std::optional<VolumeInfo> VolumeOfPath(const QString& absolutePath);

} // namespace lumadeck
