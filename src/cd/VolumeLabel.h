#pragma once

#include "MountTable.h"

#include <QByteArrayView>
#include <QString>

namespace lumadeck {

// Undoes udev's \xNN escapes (ID_FS_LABEL_ENC, names in /dev/disk/by-label).
QString DecodeUdevEscapes(QByteArrayView text);

// The volume label of an ISO 9660 primary volume descriptor read from the
// start of a filesystem (at least 32768 + 2048 bytes given); "" when the data
// holds none.
QString IsoLabelFromImage(QByteArrayView data);

// The label of the filesystem on a block device: udev's database, then
// /dev/disk/by-label, then (for ISO 9660, UDF or an unknown type) the ISO 9660
// volume descriptor on the device itself. "" when the device has none or
// nothing can be read.
QString LabelOfDevice(unsigned major, unsigned minor, const QString& fsType,
                      const QString& deviceNode = QString());

// The volume id of a disc image (a .cue, a .bin beside its .cue, or a cooked
// .iso); "" when it holds none or cannot be read.
QString LabelOfImage(const QString& image);

// The label of a mounted filesystem: a device's label, or the volume id of
// the image a fuseiso mount of the user's own shows ("" for filesystems
// without either).
QString LabelOfMount(const MountEntry& entry);

} // namespace lumadeck
