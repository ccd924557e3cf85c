#pragma once

#include "app/AppEnvironment.h"
#include "playlist/IPlayListWindow.h"
#include "playlist/IPlayListWindowPeers.h"

namespace lumadeck {

// The playlist window's surroundings in the program: the compact window,
// the helper window's popups, the media types and the file dialogs.
class PlayListWindowPeers : public IPlayListWindowPeers {
public:
    bool CompactMode() const override;
    std::optional<QRect> CompactWindowFrame() const override;
    void CompactWindowKey(int key, Qt::KeyboardModifiers modifiers) override;
    void LoadHelper(frmPlaylist& window) override;
    void UnloadHelper() override;
    void PopupFromCD(const QPoint& globalPos) override;
    void PopupPlayControl(const QPoint& globalPos, bool play, bool pause, bool stop) override;
    QString MediaFileFilter() const override;
    bool IsMediaExtension(const QString& ext) const override;
    QString ShowOpenDialog(const QString& filter, const QString& title,
                           const QString& defaultExtension) override;
    QString ShowSaveDialog(const QString& filter, const QString& title,
                           const QString& defaultExtension) override;
    QStringList ShowOpenFilesDialog(const QString& filter, const QString& title) override;
};

// The program-wide playlist window (Forms::Playlist) as the controller
// reaches it. Unloading runs the window's unload steps at once, so the
// controller hears that the list is hidden before Unload returns.
class PlayListWindowHost : public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override;
    bool IsLoaded() const override;
    void Unload() override;
};

// "&Codecs In Clip": the program-wide codec window (Forms::Codecs).
class CodecsWindowHost : public ICodecsWindow {
public:
    void ShowCodecs(clsPlayVideo& player) override;
};

// The real playlist and codec windows, installed into the environment the
// main window is built from. Lives as long as the program runs.
class ProgramWindows {
public:
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    void Install(AppEnvironment& environment);

private:
    PlayListWindowPeers m_peers;
    PlayListWindowHost m_playListHost;
    CodecsWindowHost m_codecs;
};

} // namespace lumadeck
