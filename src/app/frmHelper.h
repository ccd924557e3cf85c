#pragma once

#include "app/DriveMenus.h"

#include <QWidget>

class QAction;
class QMenu;

namespace lumadeck {

// A window that is never shown: it only carries popup menus for the
// playlist window, the four drive menus of its "From CD" popup (files only)
// and the play-control popup of its list.
class frmHelper : public QWidget {
    Q_OBJECT
public:
    explicit frmHelper(QWidget* parent = nullptr);

    // Draws the drive menus of its "From CD" popup.
    void ShowDriveMenus(const QList<DriveMenuView>& menus) { driveMenus.Show(menus); }

    QMenu* mnuPopup = nullptr;
    QMenu* mnuPlayControl = nullptr;
    QAction* mnuRemove = nullptr;
    QAction* mnuPlay = nullptr;
    QAction* mnuPause = nullptr;
    QAction* mnuStop = nullptr;

signals:
    // A file of a drive menu was chosen: add it to the playlist.
    void AddToPL(const QString& szFullFileName);
    // "&Remove" 5, "&Play" 6, "&Pause" 7, "&Stop" 8.
    void ButtonClicked(int button);

private:
    DriveMenuSet driveMenus; // submenus of mnuPopup
};

} // namespace lumadeck
