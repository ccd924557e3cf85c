#pragma once

#include <QByteArray>
#include <QString>

namespace lumadeck {

// The URI scheme of the program's own GStreamer source for files read from
// a disc's sectors (see cd/DiscPath.h): "lumadeck-vcd:///home/u/vcd.cue/MPEGAV/AVSEQ01.DAT".
inline constexpr const char* kVcdUriScheme = "lumadeck-vcd";

// Registers the source element ("lumadeckvcdsrc") with GStreamer once;
// false when GStreamer refused it.
bool RegisterVcdTrackSource();

// The URI playbin is handed for a file. Files on a disc read without a
// mount, and Video CD tracks of a mounted disc whose drive or image can be
// opened, go through the program's own source; every other file is a
// file:// URI. "" (with a reason in error) when the name cannot be made a URI.
QByteArray PlaybackUri(const QString& fileName, QString* error = nullptr);

} // namespace lumadeck
