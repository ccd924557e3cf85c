#pragma once

class QMenu;
class QWidget;

namespace lumadeck {

// What the compact window reaches in the rest of the program: the main
// window's menus and display-mode switch, the About window, and the
// playlist window it keeps docked below itself.
class IThinPlayerPeers {
public:
    virtual ~IThinPlayerPeers() = default;
    // The main window's menu for a label button: 0 File, 1 Options, 2 View,
    // 3 Playlist, 4 Help. Null for any other index.
    virtual QMenu* MainMenu(int Index) = 0;
    // Shows the window of the current display mode again.
    virtual void ShowAppropriateForm() = 0;
    // Shows the About window modally over `owner`.
    virtual void ShowAboutFrom(QWidget* owner) = 0;
    // Whether the playlist window is meant to be shown.
    virtual bool PlaylistShown() const = 0;
    // The playlist window, null while it is not loaded.
    virtual QWidget* PlaylistWindow() = 0;
};

} // namespace lumadeck
