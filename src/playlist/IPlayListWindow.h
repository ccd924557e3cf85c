#pragma once

namespace lumadeck {

class clsPlayList;

// What the playlist controller needs of the playlist window. The window
// keeps no list of its own: it reads the entries back through the
// controller it was given.
class IPlayListWindow {
public:
    virtual ~IPlayListWindow() = default;

    // Attaches the controller, refills the list and marks the current entry.
    virtual void ShowPlayList(clsPlayList& playList) = 0;
    // Refills the list from the controller's entries, then marks the current one.
    virtual void Reload() = 0;
    // Marks the current entry and updates the caption and buttons.
    virtual void SetCurrent() = 0;
    // Enables and disables the window's buttons after the player's state.
    virtual void SetButtons() = 0;

    virtual void SetWindowVisible(bool visible) = 0;
    // Leaves the minimised state.
    virtual void ShowNormal() = 0;
    virtual void TakeFocus() = 0;
    // Places the window's top-left corner on the screen, in pixels.
    virtual void MoveTo(int left, int top) = 0;
};

// The program-wide playlist window: loaded on first use, and loaded afresh
// the next time it is used after it was unloaded.
class IPlayListWindowHost {
public:
    virtual ~IPlayListWindowHost() = default;

    // The window, loading it when it is not loaded.
    virtual IPlayListWindow& Window() = 0;
    virtual bool IsLoaded() const = 0;
    // Unloads the window when it is loaded (its unload steps run).
    virtual void Unload() = 0;
};

} // namespace lumadeck
