#include "Forms.h"

#include "frmLumadeck.h"
#include "player/frmCodecs.h"
#include "playlist/frmPlaylist.h"

namespace lumadeck {

FormInstance<frmLumadeck> Forms::Lumadeck;
FormInstance<frmThinPlayer> Forms::ThinPlayer;
FormInstance<frmSplash> Forms::Splash;
FormInstance<frmHelper> Forms::Helper;
FormInstance<frmPlaylist> Forms::Playlist;
FormInstance<frmCodecs> Forms::Codecs;

void ShowAboutWindow(QWidget* owner) {
    frmSplash& about = Forms::Splash.get();
    if (owner) {
        about.setParent(owner->window(), about.windowFlags());
    }
    about.setWindowModality(Qt::ApplicationModal);
    about.exec(); // closing deletes the window; the next use loads it afresh
}

} // namespace lumadeck
