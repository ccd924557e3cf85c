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

// The label of a mounted filesystem ("" for filesystems without a device,
// such as FUSE mounts of disc images).
QString LabelOfMount(const MountEntry& entry);

} // namespace lumadeck
