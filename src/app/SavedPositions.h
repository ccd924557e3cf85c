#pragma once

#include "cd/VolumeInfo.h"
#include "player/IPositionStore.h"

#include <QString>
#include <optional>

class QWidget;

namespace lumadeck {

class cRegistry;
class MediaControl;

// Which filesystem a file lies on: its mount point and label.
class IVolumeLookup {
public:
    virtual ~IVolumeLookup() = default;
    virtual std::optional<VolumeInfo> VolumeOf(const QString& absolutePath) = 0;
};

// The answer of the mount table.
class MountTableVolumeLookup : public IVolumeLookup {
public:
    std::optional<VolumeInfo> VolumeOf(const QString& absolutePath) override;
};

// Saved video positions: where every media file was left and how long it
// was, kept in the registry under HKEY_CURRENT_USER\Software\Lumadeck.
//
// A file on an absolute path has the key Software\Lumadeck\<path below its
// mount point, "/" read as "\">\<filesystem label>, e.g.
// Software\Lumadeck\MPEGAV\AVSEQ01.DAT\VCD_ONE for
// /media/u/VCD_ONE/MPEGAV/AVSEQ01.DAT on a disc labelled VCD_ONE, so the
// same path on two discs keeps two positions. Files on a filesystem without
// a label keep their values in the file's own key
// (Software\Lumadeck\home\u\clip.mpg). The values "CurrPos" and "MaxPos"
// are the position and the duration in seconds as text (the shortest text
// that reads back as the same number, with a decimal point).
//
// Files whose path holds a "\" (or whose disc label does) have no key: it
// could not be told apart from the key of another file.
namespace mdlGlobals {

inline const QString PositionsKey = QStringLiteral("Software\\Lumadeck");

// The key of a file name; "" when the file has none (not an absolute path).
QString PositionKey(const QString& fileName);
// The text a position or duration is stored as.
QString PositionText(double seconds);

// Stores the control's position when newState is Paused or Closing (the
// file is being closed). A file paused at its very start or at its very end
// forgets its position instead; a control that cannot tell the file's length
// (0) leaves the entry as it was. Works whatever SaveVideoPosition says.
void SavePosition(PlayStateCode oldState, PlayStateCode newState, MediaControl& control);
// Seeks the control to the saved position of its open file, when resuming is
// on (SaveVideoPosition), the saved duration is the file's duration and the
// position lies before it.
void RestorePosition(MediaControl& control);
// Forgets every saved position; the options are kept elsewhere and stay.
void ClearSavedPositions();

// The question of the "&Clear Saved Positions" command; clears on Yes.
// Returns whether the positions were cleared.
bool ConfirmClearSavedPositions(QWidget* owner = nullptr);
inline const QString ClearPositionsTitle = QStringLiteral("Clear Saved Positions");
inline const QString ClearPositionsText =
    QStringLiteral("This will clear all the saved positions of videos that you have played.\r\n"
                   "Do you want to proceed?");

// The registry the positions live in: the program's own (the default
// database file) unless another was installed; nullptr goes back to it.
cRegistry& PositionRegistry();
void SetPositionRegistry(cRegistry* registry);
// The volume lookup used for keys: the mount table unless another was
// installed; nullptr goes back to it.
IVolumeLookup& VolumeLookup();
void SetVolumeLookup(IVolumeLookup* lookup);

} // namespace mdlGlobals

// The position store the video player is given.
class SavedPositionStore : public IPositionStore {
public:
    void SavePosition(PlayStateCode oldState, PlayStateCode newState,
                      MediaControl& control) override;
    void RestorePosition(MediaControl& control) override;
};

} // namespace lumadeck
