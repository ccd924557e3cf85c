#include "desktop/Startup.h"

#include "app/frmLumadeck.h"
#include "desktop/FileOpening.h"
#include "desktop/IDesktopSession.h"
#include "desktop/MprisPlayer.h"
#include "desktop/ScreenSaverGuard.h"
#include "player/clsPlayVideo.h"

#include <cstdio>

namespace lumadeck::Startup {

Outcome Begin(IDesktopSession& session, MprisPlayer& player, const QStringList& files) {
    if (session.Publish(player) != IDesktopSession::Claim::Taken) {
        return Outcome::Run;
    }
    if (!files.isEmpty()) {
        if (session.HandOver(files)) {
            return Outcome::HandedOver;
        }
        std::fputs("lumadeck: the running Lumadeck Player did not take the files; "
                   "opening them here\n",
                   stderr);
    }
    session.PublishAsInstance();
    return Outcome::Run;
}

void Finish(frmLumadeck& window, MprisPlayer& player, ScreenSaverGuard& screenSaver,
            const QStringList& files) {
    player.Attach(window);
    screenSaver.Watch(window.cPlay() ? window.cPlay()->MediaPlayer() : nullptr);
    if (!files.isEmpty()) {
        FileOpening::OpenAsChosen(window, files);
    }
}

} // namespace lumadeck::Startup
