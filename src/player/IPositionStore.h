#pragma once

#include "player/MediaCodes.h"

namespace lumadeck {

class MediaControl;

// Where the video player keeps the position of every file it plays.
class IPositionStore {
public:
    virtual ~IPositionStore() = default;
    // Called on every play-state change (Paused stores the position) and
    // with Closing when a file is closed or the player is destroyed.
    virtual void SavePosition(PlayStateCode oldState, PlayStateCode newState,
                              MediaControl& control) = 0;
    // Called once per opened file when the player may resume it.
    virtual void RestorePosition(MediaControl& control) = 0;
};

} // namespace lumadeck
