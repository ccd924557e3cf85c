#pragma once

#include "app/DriveMenus.h"
#include "cd/mdlCDNotify.h"
#include "skin/IThinPlayerPeers.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace lumadeck {

class AudioChannelMenu;
class ChapterMenu;
class MediaControl;
class TagTimer;
class clsFindFile;
class clsPlayList;
class clsPlayVideo;
class frmThinPlayer;

// The classic player window: menu bar, toolbar, video and status bar. It is
// loaded at start and lives until the program ends; in compact mode it only
// shows the video. It owns the playlist controller (and through it the
// player) and the CD file finder, turns the controller's events into its
// caption and status texts, and runs the deferred commands of its timer.
class frmLumadeck : public QMainWindow, public ICDNotifyTarget, private IThinPlayerPeers {
    Q_OBJECT
public:
    explicit frmLumadeck(QWidget* parent = nullptr);
    ~frmLumadeck() override;

    // Load steps; run once, right after the window is created.
    void Form_Load();

    // ---- Display modes
    // Shows the window of the current display mode.
    void ShowAppropriateForm();

    // ---- CD drive menus
    // What the four drive menus show (the helper window's popup asks for
    // only the files).
    QList<DriveMenuView> DriveMenuViews(bool bLoadOnlyFiles) const;
    void AddCD(const QString& szDrive) override;
    void RemoveCD(const QString& szDrive) override;
    // Disc notices wait while any scan runs (from BeginSearch or the load
    // handler to EndSearch), and are delivered in order after it.
    bool ScanRunning() const override { return m_searching; }
    void RefreshCDDrives();
    void ScanCDDrives();
    void ScanDrive(const QString& szDrive);
    // The contents of the toolbar's drive buttons, the master copy of the
    // drive menus.
    const DriveMenuModel& DriveMenus() const { return m_drives; }
    // Runs a drive menu item or a dropdown item of a drive button.
    void Toolbar1_ButtonMenuClick(const QString& buttonKey, const QString& itemKey);

    // ---- Commands
    void OpenVideoFile(); // "&Open Video File" and the toolbar's "open"
    // Opens a path as if it had been chosen in the open dialog: a playlist
    // is loaded, a Video CD image (.cue, .bin) becomes a drive and plays as
    // its "Play All" does, anything else plays.
    void OpenPath(const QString& path);
    // Makes a Video CD image a drive, lists its files and plays them all.
    void OpenDiscImage(const QString& imagePath);
    // What the open command does with the file chosen in its dialog: a
    // playlist loads, anything else plays. Files named from outside the
    // program (command line, another start, drops) take the same path.
    void OpenChosenFile(const QString& chosen);
    void ToolbarButtonClick(const QString& key);
    void EnableCDNotificationCommand(); // "&Enable CD Notification"
    void ExitProgram();                 // "E&xit"
    void ShowAbout();                   // "&About"
    void ShowHelpContents();            // "&Contents"
    void HelpMenuOpening();             // decides whether "&Codecs In Clip" is enabled
    void SwitchDisplayMode();           // "&Legacy Mode" / "&Compact Mode"
    void SetZoom(int index);            // the zoom items
    void SyncZoomMenu();
    // Rebuilds the status bar's playlist popup; item 0 is "Show Playlist".
    void RebuildPopupPlaylist();
    // 0: "Show Playlist"; otherwise entry index - 1, which was the current
    // entry (checked) when the menu was built or not.
    void PopupPlaylistChosen(int index, bool wasCurrent = false);
    // A mouse press at this point of the status bar; true when it opened
    // the playlist popup.
    bool StatusBarPressed(const QPoint& pos, const QPoint& globalPos);
    // One tick of m_timer1 (also run directly by tests).
    void Timer1_Timer();

    // True while the CD drives are being searched.
    bool IsSearching() const { return m_searching; }
    clsPlayList* cPlayList() const { return m_playList.get(); }
    clsPlayVideo* cPlay() const { return m_play; }
    clsFindFile* cFind() const { return m_find.get(); }
    // The key of the drive button drive menu n (0 to 3) shows; "" when free.
    QString DriveMenuTag(int n) const { return m_driveMenus.tag[n]; }

    // Window title of a media file: "Lumadeck Player. " and its name.
    static QString TitleFor(const QString& szFileName);
    // Files dropped on one of the program's other windows join the main
    // window's playlist, as those dropped on the main window do.
    static void TakeDrops(QWidget& window);
    // The window is closing (or closed): its unload steps have begun.
    bool IsUnloaded() const { return m_unloaded; }

signals:
    // The window has unloaded; the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Files dropped on the window join the playlist (DroppedFiles).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- What the compact window reaches
    QMenu* MainMenu(int Index) override;
    void ShowAboutFrom(QWidget* owner) override;
    bool PlaylistShown() const override;
    QWidget* PlaylistWindow() override;

    // ---- Fields
    bool m_unloadingThinClient = false;
    bool m_searching = false;
    bool m_closeRequested = false;
    bool m_stopSearch = false;

    // ---- Controls
    QToolBar* m_toolbar1 = nullptr;
    QAction* m_tbOpen = nullptr;
    QAction* m_tbStop = nullptr;
    QAction* m_tbPlaylist = nullptr;
    MediaControl* m_mediaPlayer1 = nullptr;
    QStatusBar* m_statusBar1 = nullptr;
    QLabel* m_panelPlayStatus = nullptr; // "playstatus"
    QLabel* m_panelStatus = nullptr;     // "status"
    QLabel* m_panelPlaylist = nullptr;   // "playlist"
    TagTimer* m_timer1 = nullptr;

    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuOpen = nullptr;
    QAction* m_mnuRefresh = nullptr;
    QAction* m_mnuStop = nullptr;
    QAction* m_mnuExit = nullptr;
    QMenu* m_mnuOptions = nullptr;
    QAction* m_mnuEnableCDNotification = nullptr;
    QAction* m_mnuShowControls = nullptr;
    QAction* m_mnuVideoResume = nullptr;
    QAction* m_mnuClearPos = nullptr;
    AudioChannelMenu* m_channelMenu = nullptr;
    ChapterMenu* m_chapterMenu = nullptr;
    QMenu* m_mnuView = nullptr;
    QAction* m_mnuClassic = nullptr;
    QAction* m_mnuFull = nullptr;
    QAction* m_mnuZoom[4] = {};
    DriveMenuSet m_driveMenus;
    QMenu* m_mnuPlaylist = nullptr;
    QAction* m_mnuShowPlaylist = nullptr;
    QAction* m_mnuHidePlaylist = nullptr;
    QMenu* m_mnuPopup = nullptr;
    QMenu* m_mnuHelp = nullptr;
    QAction* m_mnuCodecs = nullptr;
    QAction* m_mnuContents = nullptr;
    QAction* m_mnuAbout = nullptr;

    void createMenus();
    void createToolbar();
    void createStatusBar();
    void setUpPlayer();
    void connectPlayList();
    void refresh();
    // The space above the video: the menu bar and the toolbar.
    int topMargin() const;

    // True when the close request may go ahead.
    bool QueryUnload();
    void Form_Unload();
    // Unloads the window once a scan during which a close was asked for has
    // returned.
    void closeAfterScan();
    void HideVideoWindow();
    // Listens to the compact window (once per instance of it).
    void hookThinPlayer(frmThinPlayer& thin);
    void thinPlayerClosing();
    void showVideoRequested();
    // Shows this window as the compact mode's video window. Where the
    // compositor places windows (it may put this one over the compact bar),
    // the bar is shown anew after it, so that it is mapped above.
    void showVideoWindow();

    // CD scan pieces.
    void BeginSearch();
    void EndSearch();
    void cFind_FoundFile(const QString& szFullFileName, const QString& szFileName, bool& Cancel);
    void AddFileToDriveMenu(const QString& szDrive, const QString& szFullFileName);
    DriveMenuContents& addButton(const QString& szDrive);
    void updateButtonWidget(const DriveMenuContents& button);
    void appendButtonItem(const DriveMenuContents& button, const DriveMenuItem& item);
    // Redraws this window's drive menus from the model.
    void reloadMenus();
    int FindDriveMenu(DriveMenuSet& set, const QString& key) const;
    int GetFreeDriveMenu(DriveMenuSet& set) const;
    QString driveOfFile(const QString& szFullFileName) const;
    QString driveCaption(const QString& szDrive) const;
    void letEventsRun();
    // Drives read without a mount (image drives, unmounted discs).
    void ScanDisc(const QString& szDrive);
    void AddImageItems(DriveMenuContents& button);
    void ImageDriveRemoved(const QString& szDrive);
    qint64 FileLength(const QString& szFullFileName) const;
    void StartNotification();
    void StopNotification();

    std::unique_ptr<clsPlayList> m_playList;
    clsPlayVideo* m_play = nullptr;
    std::unique_ptr<clsFindFile> m_find;
    DriveMenuModel m_drives;
    QHash<QString, QPointer<QToolButton>> m_driveWidgets; // the drive buttons, by key
    QString m_scanningDrive;
    QHash<QString, qint64> m_discFileSizes; // files of the disc being scanned
    bool m_inTick = false;
    bool m_unloaded = false;
};

} // namespace lumadeck
