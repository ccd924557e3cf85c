#pragma once

#include <QWidget>
#include <functional>

namespace lumadeck {

class MediaControl;
class IPositionStore;
class IPlayListWindowHost;
class clsPlayVideo;

// The codec list window, as the main window's "&Codecs In Clip" uses it.
class ICodecsWindow {
public:
    virtual ~ICodecsWindow() = default;
    // Makes the window visible, fills its list from the player's clip and
    // gives it the focus.
    virtual void ShowCodecs(clsPlayVideo& player) = 0;
};

// What the main window is built from. The program fills it with the real
// parts at start; tests fill it with their doubles. A part left empty is
// simply not there (no saved positions, no playlist window).
struct AppEnvironment {
    // Creates the media player control inside the given window.
    std::function<MediaControl*(QWidget* parent)> createMediaControl;
    IPositionStore* positions = nullptr;
    IPlayListWindowHost* playListWindows = nullptr;
    ICodecsWindow* codecs = nullptr;
    // The most video files the scan of one drive lists: enough for any real
    // disc, and a stop for a disc image made to hold an endless tree.
    int maxVideoFilesPerDrive = 50000;
};

// The program-wide environment.
AppEnvironment& Environment();

} // namespace lumadeck
