#include "app/ProgramWindows.h"

#include "app/Forms.h"
#include "app/MediaTypes.h"
#include "app/frmLumadeck.h"
#include "app/mdlGlobals.h"
#include "player/clsPlayVideo.h"
#include "player/frmCodecs.h"
#include "playlist/frmPlaylist.h"

#include <QAction>
#include <QMenu>

namespace lumadeck {

// ------------------------------------------------------------------- peers

bool PlayListWindowPeers::CompactMode() const {
    return mdlGlobals::ThinClient;
}

std::optional<QRect> PlayListWindowPeers::CompactWindowFrame() const {
    if (const frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
        return thin->frameGeometry();
    }
    return std::nullopt;
}

void PlayListWindowPeers::CompactWindowKey(int key, Qt::KeyboardModifiers modifiers) {
    if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
        thin->HandleKey(key, modifiers);
    }
}

void PlayListWindowPeers::LoadHelper(frmPlaylist& window) {
    frmHelper& helper = Forms::Helper.get();
    frmLumadeck::TakeDrops(helper);
    QObject::connect(&helper, &frmHelper::AddToPL, &window, &frmPlaylist::AddToPL,
                     Qt::UniqueConnection);
    QObject::connect(&helper, &frmHelper::ButtonClicked, &window, &frmPlaylist::ButtonClicked,
                     Qt::UniqueConnection);
}

void PlayListWindowPeers::UnloadHelper() {
    Forms::Helper.unload();
}

void PlayListWindowPeers::PopupFromCD(const QPoint& globalPos) {
    frmLumadeck* main = Forms::Lumadeck.ifLoaded();
    if (!main) {
        return;
    }
    frmHelper& helper = Forms::Helper.get();
    helper.ShowDriveMenus(main->DriveMenuViews(true));
    helper.mnuPopup->popup(globalPos);
}

void PlayListWindowPeers::PopupPlayControl(const QPoint& globalPos, bool play, bool pause,
                                           bool stop) {
    frmHelper& helper = Forms::Helper.get();
    helper.mnuPlay->setEnabled(play);
    helper.mnuPause->setEnabled(pause);
    helper.mnuStop->setEnabled(stop);
    helper.mnuPlayControl->popup(globalPos);
}

QString PlayListWindowPeers::MediaFileFilter() const {
    return MediaTypes::BuildFileFilter(false);
}

bool PlayListWindowPeers::IsMediaExtension(const QString& ext) const {
    return MediaTypes::IsMediaExtension(ext);
}

QString PlayListWindowPeers::ShowOpenDialog(const QString& filter, const QString& title,
                                            const QString& defaultExtension) {
    return MediaTypes::ShowOpenDialog(filter, "", title, defaultExtension);
}

QString PlayListWindowPeers::ShowSaveDialog(const QString& filter, const QString& title,
                                            const QString& defaultExtension) {
    return MediaTypes::ShowSaveDialog(filter, "", title, defaultExtension);
}

QStringList PlayListWindowPeers::ShowOpenFilesDialog(const QString& filter, const QString& title) {
    return MediaTypes::ShowOpenFilesDialog(filter, title);
}

// ------------------------------------------------------------------- hosts

IPlayListWindow& PlayListWindowHost::Window() {
    // A window closed by its own close button is on its way out.
    if (const frmPlaylist* window = Forms::Playlist.ifLoaded(); window && window->IsUnloaded()) {
        Forms::Playlist.unload();
    }
    frmPlaylist& window = Forms::Playlist.get();
    frmLumadeck::TakeDrops(window);
    return window;
}

bool PlayListWindowHost::IsLoaded() const {
    const frmPlaylist* window = Forms::Playlist.ifLoaded();
    return window && !window->IsUnloaded();
}

void PlayListWindowHost::Unload() {
    if (frmPlaylist* window = Forms::Playlist.ifLoaded()) {
        window->Form_Unload();
        Forms::Playlist.unload();
    }
}

void CodecsWindowHost::ShowCodecs(clsPlayVideo& player) {
    frmCodecs& window = Forms::Codecs.get();
    frmLumadeck::TakeDrops(window);
    window.show();
    window.LoadListOfCodecs(player.MediaPlayer());
    window.activateWindow();
    window.raise();
}

// --------------------------------------------------------------- installing

ProgramWindows::ProgramWindows() {
    frmPlaylist::SetPeers(&m_peers);
}

ProgramWindows::~ProgramWindows() {
    Forms::Playlist.unload();
    Forms::Codecs.unload();
    if (frmPlaylist::Peers() == &m_peers) {
        frmPlaylist::SetPeers(nullptr);
    }
}

void ProgramWindows::Install(AppEnvironment& environment) {
    environment.playListWindows = &m_playListHost;
    environment.codecs = &m_codecs;
}

} // namespace lumadeck
