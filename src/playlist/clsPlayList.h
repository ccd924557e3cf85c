#pragma once

#include "player/clsPlayVideo.h"
#include "playlist/IPlayListWindow.h"
#include "playlist/M3UFile.h"
#include "playlist/cFiles.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace lumadeck {

// The playlist controller. It owns the entries and the video player, keeps
// the index of the current entry, plays entries by index and moves on as
// files end or turn out missing, edits the list, loads and saves it as an
// M3U file, shows the playlist window and passes the player's signals on
// under its own names.
//
// The controller starts the next file from inside the player's FileNotFound
// and Done signals, so player calls may be running further up the stack; no
// state is held across them except CurrentFileIndex, read again after each.
class clsPlayList : public QObject {
    Q_OBJECT
public:
    // The two options the controller reads; by default the position is
    // resumed and the compact window is not in use.
    struct Options {
        std::function<bool()> SaveVideoPosition;
        std::function<bool()> ThinClient;
    };

    explicit clsPlayList(QObject* parent = nullptr);
    // Unloads the playlist window when it is shown, then releases the list
    // and the player.
    ~clsPlayList() override;

    void SetOptions(Options options);
    // Where the playlist window comes from; nullptr: no window.
    void SetWindowHost(IPlayListWindowHost* host) { m_windowHost = host; }
    IPlayListWindowHost* WindowHost() const { return m_windowHost; }

    // ---- Properties
    clsPlayVideo& cPlay() { return *m_cPlay; }
    const clsPlayVideo& cPlay() const { return *m_cPlay; }
    ::lumadeck::cFiles& cFiles() { return m_files; }
    const ::lumadeck::cFiles& cFiles() const { return m_files; }
    // The file loaded in the player's control; "" when none.
    QString CurrentFileName() const;
    long CurrentFileIndex() const { return m_currentFileIndex; }
    // Plays the entry at that index from its start.
    void SetCurrentFileIndex(long index) { PlayVideoByIndex(index, 0); }
    // The M3U file the list was last loaded from or saved to; "" if none.
    const QString& PlayListFileName() const { return m_playListFileName; }
    // Whether the list was edited since it was last loaded or saved.
    bool IsModified() const { return m_modified; }
    bool bPLShown() const { return m_plShown; }
    // Raises PlaylistShown or PlaylistHidden even when nothing changes.
    void SetbPLShown(bool shown);

    // ---- Operations (indexes 0-based, positions in seconds)
    void Add(const QString& szFileName, bool bAutoOpen = true);
    void Remove(const QString& szFileName);
    void Clear();
    void PlayVideo(const QString& szFileName);
    void PlayVideoByIndex(long iIndex, double lPosition = 0);
    void OpenVideoByIndex(long iIndex);
    void RestartPlay() { PlayVideoByIndex(0, 0); }
    void PlayPrevVideo();
    void PlayNextVideo();
    void MoveBefore(long iIndex, long iBefore);
    void MoveAfter(long iIndex, long iAfter);
    bool LoadPlayList(const QString& szPlayListFileName);
    // Writes the list. Entries whose names hold a line break cannot be
    // stored; they are left out, a message names them, and the list stays
    // modified.
    bool SavePlayList(const QString& szPlayListFile);
    void ShowPlayList();
    // The main window is closing: unload the playlist window and save a
    // loaded playlist (asking first when it was edited). An unedited one
    // only gets its resume line brought up to date, and only while the file
    // still holds exactly the list's entries.
    void Cleanup();

signals:
    void Done();
    void VideoOpened(const QString& szFileName);
    void VideoStart(const QString& szFileName);
    void VideoDone(const QString& szFileName);
    void VideoPaused(const QString& szFileName);
    void VideoStopped(const QString& szFileName);
    void PositionChanged(const QString& szNewPos, const QString& szMaxPos);
    void FileNotFound(const QString& szFileName);
    void StatusMessage(const QString& szStatus);
    void ErrorMsg(const QString& szError);
    void FirstFileAddedToPlaylist(const QString& szFileName);
    void PlaylistShown();
    void PlaylistHidden();

private:
    void cPlay_Done(const QString& szFileName);
    void cPlay_FileNotFound(const QString& szFileName);
    void cPlay_Paused(const QString& szFileName);
    void cPlay_Started(const QString& szFileName);
    void cPlay_Stopped(const QString& szFileName);

    // The file the player holds: the one it is opening, or else the one
    // loaded in its control.
    QString playerFile() const;
    void resyncIndex();
    void playOrOpen(long iIndex, double lPosition, bool play);
    void move(long iIndex, long iTarget, bool before);
    void reloadWindow();
    void setCurrentInWindow();
    // The names a save writes (those that can be stored), the names it
    // leaves out, and the resume point within the names written.
    void entriesToWrite(QStringList& names, QStringList& leftOut,
                        std::optional<M3UFile::ResumePoint>& resume);
    void reportLeftOut(const QString& playListFile, const QStringList& leftOut);
    // The quiet save at exit: only the file's resume line changes.
    void saveResumeLine();

    std::unique_ptr<clsPlayVideo> m_cPlay;
    ::lumadeck::cFiles m_files;
    long m_currentFileIndex = 0;
    QString m_playListFileName;
    bool m_modified = false;
    bool m_plShown = false;
    Options m_options;
    IPlayListWindowHost* m_windowHost = nullptr;
    // The file last handed to the player, while its opening may be pending.
    QString m_requestedFile;
    // Skipping missing files: one loop instead of one nesting per file.
    bool m_skipping = false;
    bool m_skipAgain = false;
    std::optional<QString> m_skippedDone;
    // While a playlist is read, window reloads wait until all of it is in.
    int m_reloadHeld = 0;
    bool m_reloadPending = false;
};

} // namespace lumadeck
