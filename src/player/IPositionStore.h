#pragma once

namespace lumadeck {

class MediaControl;

// Where the video player keeps the position of every file it plays.
class IPositionStore {
public:
    virtual ~IPositionStore() = default;
    // Called on every play-state change (newState 1 stores the position) and
    // with newState 8 when a file is closed or the player is destroyed.
    virtual void SavePosition(long oldState, long newState, MediaControl& control) = 0;
    // Called once per opened file when the player may resume it.
    virtual void RestorePosition(MediaControl& control) = 0;
};

} // namespace lumadeck
