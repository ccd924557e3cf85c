#pragma once

#include "player/IPositionStore.h"
#include "player/MediaControl.h"

#include <QFileInfo>
#include <QStringList>

namespace lumadeck::test {

// A position store that remembers every call as "save 2>1 a.mpg 12" (old and
// new state, file name without its folder, position) or "restore a.mpg";
// restoring seeks to restoreTo when that is set.
class RecordingPositionStore : public IPositionStore {
public:
    void SavePosition(PlayStateCode oldState, PlayStateCode newState, MediaControl& c) override {
        calls << QStringLiteral("save %1>%2 ").arg(CodeValue(oldState)).arg(CodeValue(newState)) +
                     QFileInfo(c.FileName()).fileName() + " " +
                     QString::number(c.CurrentPosition());
    }
    void RestorePosition(MediaControl& c) override {
        calls << QStringLiteral("restore ") + QFileInfo(c.FileName()).fileName();
        restored << c.FileName();
        if (restoreTo > 0) {
            c.SetCurrentPosition(restoreTo);
        }
    }
    QStringList calls;
    QStringList restored; // full paths of the files restored
    double restoreTo = 0;
};

} // namespace lumadeck::test
