#pragma once

#include <QString>
#include <optional>

namespace lumadeck {

// A file read from a disc without a mount: the disc (an optical drive's
// device or an image) and the file's path on it. Such a file is named by
// joining the two: "/home/u/videocd.cue/MPEGAV/AVSEQ01.DAT",
// "/dev/sr0/MPEGAV/AVSEQ01.DAT". That name is what the drive menus, the
// playlist and the saved positions carry.
struct DiscFileRef {
    QString source; // "/home/u/videocd.cue", "/dev/sr0"
    QString path;   // "/MPEGAV/AVSEQ01.DAT"
};

// Splits a name of that form: the first leading part that is a block
// device, or an existing .cue/.bin file, is the disc. Nothing for every
// other name (ordinary files and folders included).
std::optional<DiscFileRef> SplitDiscPath(const QString& name);

// Joins a disc and a path on it into a name.
QString DiscFileName(const QString& source, const QString& pathOnDisc);

// True when the name is a file on a disc that can be opened and holds it.
bool DiscFileExists(const QString& name);

// Whether a file lies in a folder where a disc keeps its tracks, MPEG
// program streams all: 1 in MPEGAV (a Video CD), 2 in MPEG2 (a Super Video
// CD), whatever the case; 0 in any other folder.
int VideoCdTrackVersion(const QString& fileName);

// A Video CD track (a file of MPEGAV, MPEG2 or SEGMENT) of a mounted disc
// whose disc can be opened directly: an optical drive, a loop device's
// backing image, or the image a fuseiso mount shows. Returns the name that
// reads it from that disc; "" for every other file (played as it is).
QString DirectNameOfMountedTrack(const QString& fileName);

// The image a fuseiso process shows at a mount point, from its command line
// ("fuseiso [options] IMAGE MOUNTPOINT") under procRoot ("/proc"). Only
// processes of the user uid count: anyone else's could name any image for
// any mount point. "" when no such process is found.
QString FuseisoImageOf(const QString& mountPoint, const QString& procRoot, uint uid);

// The image a loop device reads (its backing file), "" when none.
QString LoopBackingFile(unsigned minor);

} // namespace lumadeck
