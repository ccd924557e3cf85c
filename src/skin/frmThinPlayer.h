#pragma once

#include "skin/CFormBorder.h"
#include "skin/clsGuiFuncs.h"

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

namespace lumadeck {

class IThinPlayerPeers;
class LabelButton;
class LabelButtonArray;
class SkinButtonCtl;
class SkinImage;

// The compact player window: a thin skinned bar that takes the place of the
// main window's menus and toolbar in compact mode, while the main window
// only shows the video. Its label buttons pop up the main window's menus;
// it shows the current file and its position, brings the video window
// back, and keeps a docked playlist window below itself.
class frmThinPlayer : public QWidget {
    Q_OBJECT
public:
    explicit frmThinPlayer(QWidget* parent = nullptr);
    ~frmThinPlayer() override;

    // The program around the window; null leaves the menus, the About
    // window and the playlist window out.
    void SetPeers(IThinPlayerPeers* peers);

    // Takes away the window's title bar and border and fixes its size to
    // the background picture's; a docked shown playlist window is moved
    // below it. A second call changes nothing.
    void RemoveFormBorders();
    // Shows the compact window's label buttons.
    void ShowMenus();
    // A key pressed in this window, or in the playlist window in compact
    // mode: Alt+F4 (Alt alone) closes this window, and with it the program.
    void HandleKey(int KeyCode, Qt::KeyboardModifiers Shift);

    // Where a window docked below this one has its outer top-left corner:
    // this window's outer bottom-left corner.
    QPoint DockPoint() const;
    // Whether a window's outer corner is at DockPoint (never where the
    // window system places windows itself).
    bool IsDocked(const QWidget* window) const;
    // Moves the window with the mouse (until the button is released); a
    // shown playlist window docked exactly below moves along.
    void DragWithPlaylist();
    // Makes a shown playlist window follow this window's minimising and
    // restoring.
    void FollowWindowState(bool bMinimizing);
    // The label-button colours back to normal, lblControl (when not null)
    // in the hover colour; the show-video icon back to its normal look.
    void SetButtonColors(LabelButton* lblControl);

    // Shows the playing file's name and "position/length" (0:12/1:00).
    void ShowCurrentFile(const QString& fileName, const QString& position);
    // Hides the file's name once nothing plays.
    void HideCurrentFile();
    // The icon that brings the video window back, shown while the video
    // window is hidden.
    void SetShowVideoVisible(bool visible);

    // How DragWithPlaylist moves the window; clsGuiFuncs::DragOBJ unless
    // replaced (tests move the window themselves).
    void SetDragFunction(std::function<void(QWidget*)> drag);

signals:
    // The user closed the compact window: the program is to end.
    void closing();
    // The user asked for the video window.
    void showVideoRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void labelPressed(int Index, Qt::MouseButton Button);
    void showVideoHovered();
    void showVideoClicked();
    void minimiseClicked();

    IThinPlayerPeers* m_peers = nullptr;
    clsGuiFuncs m_gui;
    CFormBorder m_border;
    std::function<void(QWidget*)> m_drag;

    SkinImage* m_image1 = nullptr;
    SkinImage* m_image2 = nullptr;
    LabelButtonArray* m_lblButtons = nullptr;
    QLabel* m_lblCurrFile = nullptr;
    QLabel* m_lblPosition = nullptr;
    SkinImage* m_imgShowVideoHover = nullptr;
    SkinImage* m_imgShowVideo = nullptr;
    SkinButtonCtl* m_skinButtonMin = nullptr;
    SkinButtonCtl* m_skinButtonClose = nullptr;
};

} // namespace lumadeck
