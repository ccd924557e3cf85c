#include "frmLumadeck.h"
#include "cd/CueSheet.h"
#include "cd/ImageDrives.h"

#include "AppEnvironment.h"
#include "AudioChannels.h"
#include "ChapterMenu.h"
#include "Forms.h"
#include "MediaTypes.h"
#include "SavedPositions.h"
#include "cd/clsFindFile.h"
#include "mdlGlobals.h"
#include "platform/DataFiles.h"
#include "platform/FileNames.h"
#include "platform/IDialogs.h"
#include "platform/PlainText.h"
#include "platform/Services.h"
#include "platform/apifuncs.h"
#include "player/MediaControl.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"
#include "playlist/DroppedFiles.h"
#include "playlist/IPlayListWindow.h"
#include "playlist/clsPlayList.h"
#include "playlist/frmPlaylist.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <utility>

namespace lumadeck {

namespace g = mdlGlobals;

namespace {

// The part of a file name after its last "/" (the whole name without one).
QString afterLastSlash(const QString& name) {
    return name.mid(name.lastIndexOf('/') + 1);
}

} // namespace

frmLumadeck::frmLumadeck(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmLumadeck");
    setWindowTitle("Lumadeck Player.");
    setWindowIcon(QIcon(DataFiles::Path("lumadeck.png")));
    resize(640, 560);
    setAcceptDrops(true);
    // Playlists and disc images dropped on any window open as the open
    // command opens them.
    DroppedFiles::SetWholeFileOpener([self = QPointer<frmLumadeck>(this)](const QString& name) {
        if (!self || !MediaTypes::OpensAsWhole(name)) {
            return false;
        }
        self->OpenChosenFile(name);
        return true;
    });

    createMenus();
    createToolbar();
    createStatusBar();

    // Nothing fills the middle: the player places the video there itself.
    auto* background = new QWidget(this);
    background->setObjectName("videoBackground");
    background->setAutoFillBackground(true);
    QPalette palette = background->palette();
    palette.setColor(QPalette::Window, Qt::black);
    background->setPalette(palette);
    setCentralWidget(background);

    m_timer1 = new TagTimer(this);
    m_timer1->setObjectName("Timer1");
    connect(m_timer1, &QTimer::timeout, this, &frmLumadeck::Timer1_Timer);

    if (Environment().createMediaControl) {
        m_mediaPlayer1 = Environment().createMediaControl(this);
    }
    // The control is made a child of this window by its factory; giving it
    // a parent again would replace the native window its video is drawn in.
    if (m_mediaPlayer1 && m_mediaPlayer1->parentWidget() == this) {
        m_mediaPlayer1->setObjectName("MediaPlayer1");
        m_mediaPlayer1->show();
        m_mediaPlayer1->raise();
    }
    m_channelMenu = new AudioChannelMenu(m_mnuOptions, m_mediaPlayer1, this);
    m_chapterMenu = new ChapterMenu(m_mnuView, m_mediaPlayer1, this);
}

frmLumadeck::~frmLumadeck() {
    if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
        thin->SetPeers(nullptr);
    }
}

QString frmLumadeck::TitleFor(const QString& szFileName) {
    // No file's own name is longer than 255 bytes; a longer "name" (a line
    // of a playlist) must not make a caption the window system chokes on.
    return CaptionText("Lumadeck Player. " + afterLastSlash(szFileName).left(1024));
}

void frmLumadeck::TakeDrops(QWidget& window) {
    DroppedFiles::TakeDropsOn(window, [] {
        const frmLumadeck* main = Forms::Lumadeck.ifLoaded();
        return main ? main->cPlayList() : nullptr;
    });
}

void frmLumadeck::letEventsRun() {
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------------- load

void frmLumadeck::Form_Load() {
    m_unloadingThinClient = false;
    hookThinPlayer(Forms::ThinPlayer.get());
    const int statusHeight =
        m_statusBar1->isVisible() ? m_statusBar1->height() : m_statusBar1->sizeHint().height();
    if (m_mediaPlayer1) {
        m_mediaPlayer1->setGeometry(0, topMargin(), width(),
                                    std::max(0, height() - topMargin() - statusHeight));
    }
    m_closeRequested = false;
    m_searching = true;
    // The start-up scan is a search like the others: no refresh until it ends.
    m_mnuRefresh->setEnabled(false);
    m_mnuStop->setEnabled(true);
    setUpPlayer();
    SyncZoomMenu();
    m_mnuShowControls->setChecked(g::ShowControlsOnFullScreen);
    m_play->SetEnableFullScreenControls(g::ShowControlsOnFullScreen);
    m_mnuEnableCDNotification->setChecked(g::EnableCDNotify);
    m_mnuVideoResume->setChecked(g::SaveVideoPosition);
    m_find = std::make_unique<clsFindFile>();
    connect(m_find.get(), &clsFindFile::FoundFile, this, &frmLumadeck::cFind_FoundFile);
    connect(&ImageDrives::current(), &ImageDrives::Removed, this, &frmLumadeck::ImageDriveRemoved,
            Qt::UniqueConnection);
    setWindowTitle("Lumadeck: Finding video files on CDs.");
    ScanCDDrives();
    if (m_closeRequested) {
        m_searching = false;
        closeAfterScan();
        if (m_closeRequested) {
            return;
        }
    }
    setWindowTitle("Lumadeck Player.");
    if (m_mnuEnableCDNotification->isChecked()) {
        StartNotification();
    }
    m_searching = false;
    ShowAppropriateForm();
}

void frmLumadeck::setUpPlayer() {
    m_playList = std::make_unique<clsPlayList>();
    m_playList->SetOptions({[] { return g::SaveVideoPosition; }, [] { return g::ThinClient; }});
    m_playList->SetWindowHost(Environment().playListWindows);
    clsPlayVideo& play = m_playList->cPlay();
    play.SetPositionStore(Environment().positions);
    play.SetParentForm(this);
    play.SetMediaPlayer(m_mediaPlayer1);
    play.SetTimer(m_timer1);
    m_play = &play;
    m_play->SetlZoom(ZoomIndex(g::DisplaySize));
    m_play->SetFormBottomMargin(m_statusBar1->isVisible() ? m_statusBar1->height()
                                                          : m_statusBar1->sizeHint().height());
    m_play->SetFormTopMargin(topMargin());
    m_play->ResizePlayer();
    connectPlayList();
}

void frmLumadeck::refresh() {
    if (!m_playList || !m_playList->bPLShown()) {
        return;
    }
    if (IPlayListWindowHost* host = Environment().playListWindows; host && host->IsLoaded()) {
        host->Window().SetButtons();
    }
}

void frmLumadeck::connectPlayList() {
    clsPlayList* pl = m_playList.get();
    connect(pl, &clsPlayList::Done, this, [this] {
        m_panelPlayStatus->setText("Done");
        m_play->RaiseStatusAfterSeconds(200);
        refresh();
    });
    connect(pl, &clsPlayList::VideoOpened, this, [this](const QString&) {
        refresh();
        m_panelPlayStatus->setText("Opening");
    });
    connect(pl, &clsPlayList::VideoStart, this, [this](const QString& szFileName) {
        setWindowTitle(TitleFor(szFileName));
        m_panelStatus->setText(m_play->GetMediaInfoString(MediaInfoCode::Title));
        const QString description = m_play->GetMediaInfoString(MediaInfoCode::Description);
        if (!description.isEmpty()) {
            m_panelStatus->setText(m_panelStatus->text() + " - " + description);
        }
        refresh();
        m_panelPlayStatus->setText("Playing");
    });
    connect(pl, &clsPlayList::VideoPaused, this, [this](const QString& szFileName) {
        setWindowTitle(TitleFor(szFileName) + " (Paused)");
        refresh();
        m_panelPlayStatus->setText("Paused");
    });
    connect(pl, &clsPlayList::VideoStopped, this, [this](const QString& szFileName) {
        setWindowTitle(TitleFor(szFileName) + " (Stopped)");
        refresh();
        m_panelPlayStatus->setText("Stopped");
    });
    connect(pl, &clsPlayList::VideoDone, this, [this](const QString&) {
        refresh();
        m_panelPlayStatus->setText("Stopped");
    });
    connect(pl, &clsPlayList::FileNotFound, this, [this](const QString& szFileName) {
        m_panelStatus->setText("Not Found: " + szFileName);
        refresh();
    });
    connect(pl, &clsPlayList::StatusMessage, this,
            [this](const QString& szStatus) { m_panelStatus->setText(szStatus); });
    connect(pl, &clsPlayList::ErrorMsg, this, [this](const QString& szError) {
        m_panelStatus->setText(szError);
        refresh();
    });
    connect(pl, &clsPlayList::FirstFileAddedToPlaylist, this, [this](const QString&) {
        if (!isVisible()) {
            if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
                clsGuiFuncs::PlaceFrame(this, {x(), thin->DockPoint().y()});
            }
            showVideoWindow();
        }
    });
    connect(pl, &clsPlayList::PlaylistShown, this, [this] {
        m_mnuHidePlaylist->setVisible(true);
        m_mnuShowPlaylist->setVisible(false);
    });
    connect(pl, &clsPlayList::PlaylistHidden, this, [this] {
        m_mnuShowPlaylist->setVisible(true);
        m_mnuHidePlaylist->setVisible(false);
    });
}

// ------------------------------------------------------------- display modes

void frmLumadeck::hookThinPlayer(frmThinPlayer& thin) {
    thin.SetPeers(this);
    TakeDrops(thin);
    connect(&thin, &frmThinPlayer::closing, this, &frmLumadeck::thinPlayerClosing,
            Qt::UniqueConnection);
    connect(&thin, &frmThinPlayer::showVideoRequested, this, &frmLumadeck::showVideoRequested,
            Qt::UniqueConnection);
}

QMenu* frmLumadeck::MainMenu(int Index) {
    switch (Index) {
    case 0:
        return m_mnuFile;
    case 1:
        return m_mnuOptions;
    case 2:
        return m_mnuView;
    case 3:
        return m_mnuPlaylist;
    case 4:
        return m_mnuHelp;
    default:
        return nullptr;
    }
}

void frmLumadeck::ShowAboutFrom(QWidget* owner) {
    if (Forms::Splash.isLoaded() && Forms::Splash->isVisible()) {
        return; // already shown modally
    }
    ShowAboutWindow(owner);
}

bool frmLumadeck::PlaylistShown() const {
    return m_playList && m_playList->bPLShown();
}

QWidget* frmLumadeck::PlaylistWindow() {
    return Forms::Playlist.ifLoaded();
}

// Closing the compact window ends the program.
void frmLumadeck::thinPlayerClosing() {
    m_unloadingThinClient = true;
    close();
}

void frmLumadeck::showVideoRequested() {
    showVideoWindow();
}

void frmLumadeck::showVideoWindow() {
    const bool wasVisible = isVisible();
    show();
    frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded();
    if (!wasVisible && g::ThinClient && thin && thin->isVisible() &&
        !clsGuiFuncs::CanPlaceWindows()) {
        thin->hide();
        thin->show();
    }
}

void frmLumadeck::ShowAppropriateForm() {
    frmThinPlayer& thin = Forms::ThinPlayer.get();
    hookThinPlayer(thin);
    if (g::ThinClient) {
        m_toolbar1->hide();
        menuBar()->hide();
        m_mnuClassic->setText("&Legacy Mode");
        if (m_play) {
            m_play->SetFormTopMargin(0);
            m_play->ResizePlayer(); // the video moves up where the menus were
        }
        const bool wasVisible = thin.isVisible();
        thin.show();
        thin.RemoveFormBorders();
        if (!wasVisible) {
            thin.ShowMenus();
            if (!m_play || m_play->GetPlayStatus() != PlayStateCode::Playing) {
                HideVideoWindow();
            }
        }
        return;
    }
    show();
    thin.hide();
    m_toolbar1->show();
    menuBar()->show();
    m_mnuFile->menuAction()->setVisible(true);
    letEventsRun();
    m_mnuOptions->menuAction()->setVisible(true);
    m_mnuView->menuAction()->setVisible(true);
    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        if (!m_driveMenus.tag[n].isEmpty()) {
            m_driveMenus.mnuDrive[n]->menuAction()->setVisible(true);
        }
    }
    m_mnuPlaylist->menuAction()->setVisible(true);
    m_mnuHelp->menuAction()->setVisible(true);
    m_mnuClassic->setText("&Compact Mode");
    if (m_play) {
        m_play->SetFormTopMargin(topMargin());
        m_play->ResizePlayer(); // the video moves down below the toolbar
    }
    update();
}

void frmLumadeck::HideVideoWindow() {
    hide();
    if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
        thin->SetShowVideoVisible(true);
    }
}

void frmLumadeck::SwitchDisplayMode() {
    g::ThinClient = !g::ThinClient;
    m_timer1->Tag = TimerTag::ShowModeWindow;
}

void frmLumadeck::SetZoom(int index) {
    g::DisplaySize = index;
    if (m_play) {
        m_play->SetlZoom(ZoomIndex(index));
    }
}

void frmLumadeck::SyncZoomMenu() {
    if (m_play) {
        g::DisplaySize = CodeValue(m_play->lZoom());
    }
    for (QAction* item : m_mnuZoom) {
        item->setChecked(false);
    }
    if (g::DisplaySize >= 0 && g::DisplaySize < 4) {
        m_mnuZoom[g::DisplaySize]->setChecked(true);
    }
}

// --------------------------------------------------------------------- timer

void frmLumadeck::Timer1_Timer() {
    if (m_timer1->Tag == TimerTag::RefreshDrives && !m_searching) {
        m_timer1->Tag = TimerTag::Idle;
        RefreshCDDrives();
        return;
    }
    // A refresh asked for while a scan runs (a tick during a disc's scan)
    // waits for a tick after it.
    if (m_timer1->Tag == TimerTag::ShowModeWindow) {
        m_timer1->Tag = TimerTag::Idle;
        ShowAppropriateForm();
    }
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    if (g::ThinClient && m_play) {
        if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
            const PlayStateCode status = m_play->GetPlayStatus();
            const QString name = m_play->FileName();
            if (status == PlayStateCode::Closing || name.isEmpty()) {
                thin->HideCurrentFile();
            } else {
                thin->ShowCurrentFile(afterLastSlash(name), m_play->CurrentPositionAsString() +
                                                                "/" + m_play->LengthAsString());
            }
        }
    }
    m_inTick = false;
}

// ------------------------------------------------------------------ commands

void frmLumadeck::OpenVideoFile() {
    const QString current = m_play ? m_play->FileName() : QString();
    const QString chosen = MediaTypes::ShowOpenDialog(MediaTypes::BuildFileFilter(true), current,
                                                      "Open Video File", "");
    OpenChosenFile(chosen);
}

void frmLumadeck::OpenChosenFile(const QString& chosen) {
    if (chosen.isEmpty()) {
        return;
    }
    OpenPath(chosen);
}

void frmLumadeck::OpenPath(const QString& path) {
    if (!m_playList || path.isEmpty()) {
        return;
    }
    if (!IsPossibleFileName(path)) {
        // No file has this name; the system would open another one (the
        // name up to a NUL) in its place.
        QString shown = path.left(200);
        shown.replace(QChar(0), QChar(0x2400)); // the symbol for NUL
        m_panelStatus->setText("Not Found: " + shown);
        return;
    }
    if (path.size() > 3 && path.right(4).toLower() == ".m3u") {
        m_playList->LoadPlayList(path);
        return;
    }
    if (IsDiscImageName(path)) {
        OpenDiscImage(path);
        return;
    }
    m_playList->PlayVideo(path);
}

void frmLumadeck::ToolbarButtonClick(const QString& key) {
    if (key == "open") {
        OpenVideoFile();
    } else if (key == "stop") {
        m_stopSearch = true;
        letEventsRun();
    } else if (key == "playlist") {
        if (m_playList) {
            m_playList->ShowPlayList();
        }
    }
}

void frmLumadeck::ExitProgram() {
    m_unloadingThinClient = true;
    close();
}

void frmLumadeck::ShowAbout() {
    if (Forms::Splash.isLoaded() && Forms::Splash->isVisible()) {
        Forms::Splash->activateWindow();
        Forms::Splash->raise();
        return;
    }
    ShowAboutWindow(this);
}

void frmLumadeck::ShowHelpContents() {
    QString error;
    if (!apifuncs::ShellOpenFile(DataFiles::Path("Lumadeck.html"), error)) {
        Services::dialogs().MessageBox(this, "Error launching Help File", error, MsgIcon::Critical,
                                       MsgButtons::Ok);
    }
}

void frmLumadeck::HelpMenuOpening() {
    m_mnuCodecs->setEnabled(false);
    if (m_play && !m_play->FileName().isEmpty() && m_play->CodecCount() > 0) {
        m_mnuCodecs->setEnabled(true);
    }
}

// -------------------------------------------------------- the playlist popup

void frmLumadeck::RebuildPopupPlaylist() {
    const QList<QAction*> items = m_mnuPopup->actions();
    for (int i = 1; i < items.size(); ++i) {
        m_mnuPopup->removeAction(items[i]);
        items[i]->deleteLater();
    }
    QAction* first = m_mnuPopup->actions().value(0);
    if (!first) {
        return;
    }
    first->setText("Show Playlist");
    disconnect(first, nullptr, this, nullptr);
    connect(first, &QAction::triggered, this, [this] { PopupPlaylistChosen(0); });
    if (!m_playList) {
        return;
    }
    const long current = m_playList->CurrentFileIndex();
    const long count = m_playList->cFiles().Count();
    // A long list would make a menu taller than any screen (and millions of
    // items): only the entries that fit on the screen, around the current one.
    const QScreen* screen = m_mnuPopup->screen() ? m_mnuPopup->screen() : this->screen();
    const int rowHeight = std::max(
        {m_mnuPopup->actionGeometry(first).height(), m_mnuPopup->fontMetrics().height(), 1});
    const long fit =
        std::max(1, (screen ? screen->availableGeometry().height() : 480) / rowHeight - 2);
    long begin = 0;
    long end = count;
    if (count > fit) {
        begin = std::clamp(current - fit / 2, 0L, count - fit);
        end = begin + fit;
    }
    for (long i = begin; i < end; ++i) {
        QAction* item =
            m_mnuPopup->addAction(MenuText(m_playList->cFiles().Item(i)->szFileTitle()));
        item->setCheckable(true);
        item->setChecked(i == current);
        // The click itself flips the check mark; what counts is the mark shown.
        const int index = static_cast<int>(i + 1);
        const bool wasCurrent = i == current;
        connect(item, &QAction::triggered, this,
                [this, index, wasCurrent] { PopupPlaylistChosen(index, wasCurrent); });
    }
}

void frmLumadeck::PopupPlaylistChosen(int index, bool wasCurrent) {
    if (!m_playList) {
        return;
    }
    if (index == 0) {
        m_playList->ShowPlayList();
        return;
    }
    if (wasCurrent) {
        m_play->Play();
    } else {
        m_playList->PlayVideoByIndex(index - 1, 0);
    }
}

bool frmLumadeck::StatusBarPressed(const QPoint& pos, const QPoint& globalPos) {
    const QRect panel = m_panelPlaylist->geometry();
    const bool inside = pos.x() >= panel.left() && pos.x() <= panel.left() + panel.width() &&
                        pos.y() <= m_statusBar1->height();
    if (!inside) {
        return false;
    }
    RebuildPopupPlaylist();
    m_mnuPopup->popup(globalPos);
    return true;
}

bool frmLumadeck::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_statusBar1 && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (StatusBarPressed(mouse->position().toPoint(), mouse->globalPosition().toPoint())) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ------------------------------------------------------- activation, closing

void frmLumadeck::changeEvent(QEvent* event) {
    // A hidden video window can still hear of an activation that was on its
    // way when it hid; the icon that brings it back stays then.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) {
        if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
            thin->SetShowVideoVisible(false);
        }
    }
    QMainWindow::changeEvent(event);
}

void frmLumadeck::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles::Names(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void frmLumadeck::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedFiles::Names(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void frmLumadeck::dropEvent(QDropEvent* event) {
    const QStringList names = DroppedFiles::Names(event->mimeData());
    if (names.isEmpty() || !m_playList) {
        return;
    }
    event->acceptProposedAction();
    DroppedFiles::Open(*m_playList, names);
}

bool frmLumadeck::QueryUnload() {
    if (m_searching) {
        setWindowTitle("Lumadeck Player. Closing.... Please wait.");
        m_closeRequested = true;
        if (m_find) {
            m_find->Cancel();
        }
        return false;
    }
    if (g::ThinClient && !m_unloadingThinClient) {
        HideVideoWindow();
        return false;
    }
    return true;
}

void frmLumadeck::closeEvent(QCloseEvent* event) {
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (!QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    // The unload steps (which may ask about the playlist) run while the
    // window is still on the screen; it goes away after them.
    Form_Unload();
    Forms::Lumadeck.unload();
}

void frmLumadeck::closeAfterScan() {
    if (g::ThinClient && !m_unloadingThinClient) {
        // In compact mode closing only hides the video window; the close
        // that was asked for has been answered.
        m_closeRequested = false;
        setWindowTitle("Lumadeck Player.");
        HideVideoWindow();
        return;
    }
    Form_Unload();
    Forms::Lumadeck.unload();
}

void frmLumadeck::Form_Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    StopNotification();
    m_find.reset();
    if (m_playList) {
        m_playList->Cleanup();
    }
    g::SaveSettings();
    Forms::ThinPlayer.unload();
    // Releasing the controller releases the player, which stores the
    // position of the file still open.
    m_play = nullptr;
    m_playList.reset();
    emit unloaded();
    // Ends the event loops at once, also from inside a menu that a compact
    // window's label button opened, without asking the windows again.
    QCoreApplication::exit(0);
}

} // namespace lumadeck
