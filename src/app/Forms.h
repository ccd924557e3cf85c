#pragma once

#include "app/frmHelper.h"
#include "platform/FormInstance.h"
#include "skin/frmSplash.h"
#include "skin/frmThinPlayer.h"

namespace lumadeck {

class frmLumadeck;
class frmPlaylist;
class frmCodecs;

// The program-wide windows: one instance each, created on first use.
struct Forms {
    static FormInstance<frmLumadeck> Lumadeck;
    static FormInstance<frmThinPlayer> ThinPlayer;
    static FormInstance<frmSplash> Splash;
    static FormInstance<frmHelper> Helper;
    static FormInstance<frmPlaylist> Playlist;
    static FormInstance<frmCodecs> Codecs;
};

// Shows the splash window modally as the About window.
void ShowAboutWindow(QWidget* owner);

} // namespace lumadeck
