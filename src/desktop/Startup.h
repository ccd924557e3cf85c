#pragma once

#include <QStringList>

namespace lumadeck {

class IDesktopSession;
class MprisPlayer;
class ScreenSaverGuard;
class frmLumadeck;

// The desktop's part of a start of the program, around the entry procedure.
namespace Startup {

enum class Outcome {
    Run = 0,        // this start goes on and shows its windows
    HandedOver = 1, // the running instance took the files: exit with 0
};

// Before the entry procedure: publishes the media controls and takes the
// program's name. When another instance holds it, files named on the
// command line are handed to that one and this start ends; a start without
// files (or whose files the other one did not take) runs on its own, as
// every start did before, with its controls under a name of its own.
Outcome Begin(IDesktopSession& session, MprisPlayer& player, const QStringList& files);

// After the entry procedure has shown the window: the media controls and
// the screen saver follow it, and the command line's files open as if
// chosen in the open dialog, one after the other.
void Finish(frmLumadeck& window, MprisPlayer& player, ScreenSaverGuard& screenSaver,
            const QStringList& files);

} // namespace Startup

} // namespace lumadeck
