#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

namespace lumadeck {

class frmPlaylist;

// What the playlist window reaches beyond the playlist: the compact player
// window it docks to, the helper window's popup menus, the media-type rules
// and the file dialogs. The program gives it the real ones; tests give it
// doubles.
class IPlayListWindowPeers {
public:
    virtual ~IPlayListWindowPeers() = default;

    // The compact display mode (the ThinClient option).
    virtual bool CompactMode() const = 0;
    // The compact window's outline on the screen, in pixels, while it is loaded.
    virtual std::optional<QRect> CompactWindowFrame() const = 0;
    // Hands a key pressed in the playlist window to the compact window.
    virtual void CompactWindowKey(int key, Qt::KeyboardModifiers modifiers) = 0;

    // Loads the helper window that carries the popup menus; its choices
    // reach the window's AddToPL and ButtonClicked. Unloaded with the window.
    virtual void LoadHelper(frmPlaylist& window) = 0;
    virtual void UnloadHelper() = 0;
    // Fills the helper's drive menus with the files of the CD drives (no
    // "Play All" or "Add All") and pops them up at a screen point.
    virtual void PopupFromCD(const QPoint& globalPos) = 0;
    // Pops up "&Remove", "&Play", "&Pause", "&Stop" with these three enabled.
    virtual void PopupPlayControl(const QPoint& globalPos, bool play, bool pause, bool stop) = 0;

    // The media files' dialog filter (without playlists) and the media
    // extension test.
    virtual QString MediaFileFilter() const = 0;
    virtual bool IsMediaExtension(const QString& ext) const = 0;
    // The open and save dialogs: filter as "|"-separated pairs, no initial
    // folder; the chosen full name or "" when cancelled.
    virtual QString ShowOpenDialog(const QString& filter, const QString& title,
                                   const QString& defaultExtension) = 0;
    virtual QString ShowSaveDialog(const QString& filter, const QString& title,
                                   const QString& defaultExtension) = 0;
    // The open dialog where several files may be chosen; none when
    // cancelled. Surroundings without one give the single file of
    // ShowOpenDialog.
    virtual QStringList ShowOpenFilesDialog(const QString& filter, const QString& title) {
        const QString one = ShowOpenDialog(filter, title, "");
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
};

} // namespace lumadeck
