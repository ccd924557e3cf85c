#include "frmLumadeck.h"
#include "cd/CueSheet.h"
#include "cd/ImageDrives.h"

#include "AppEnvironment.h"
#include "Forms.h"
#include "MediaTypes.h"
#include "SavedPositions.h"
#include "cd/clsFindFile.h"
#include "mdlGlobals.h"
#include "platform/DataFiles.h"
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

QLabel* makePanel(const QString& text, const QString& objectName) {
    // The panels show file names, tags and error texts: always as text.
    auto* panel = PlainLabel(new QLabel(text));
    panel->setObjectName(objectName);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setContentsMargins(4, 0, 4, 0);
    return panel;
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

    Timer1 = new TagTimer(this);
    Timer1->setObjectName("Timer1");
    connect(Timer1, &QTimer::timeout, this, &frmLumadeck::Timer1_Timer);

    if (Environment().createMediaControl) {
        MediaPlayer1 = Environment().createMediaControl(this);
    }
    // The control is made a child of this window by its factory; giving it
    // a parent again would replace the native window its video is drawn in.
    if (MediaPlayer1 && MediaPlayer1->parentWidget() == this) {
        MediaPlayer1->setObjectName("MediaPlayer1");
        MediaPlayer1->show();
        MediaPlayer1->raise();
    }
}

frmLumadeck::~frmLumadeck() {
    if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
        thin->SetPeers(nullptr);
    }
}

// ------------------------------------------------------------------ controls

void frmLumadeck::createMenus() {
    QMenuBar* bar = menuBar();

    mnuFile = bar->addMenu("&File");
    mnuFile->setObjectName("mnuFile");
    mnuOpen = mnuFile->addAction("&Open Video File", this, &frmLumadeck::OpenVideoFile);
    mnuRefresh = mnuFile->addAction("&Refresh CD Drives", this, [this] {
        mnuRefresh->setEnabled(false);
        Timer1->Tag = "1";
    });
    mnuStop = mnuFile->addAction("&Stop Refreshing", this, [this] {
        bStopSearch = true;
        if (m_find) {
            m_find->Cancel();
        }
        letEventsRun();
    });
    mnuStop->setEnabled(false);
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction("E&xit", this, &frmLumadeck::ExitProgram);

    mnuOptions = bar->addMenu("&Options");
    mnuOptions->setObjectName("mnuOptions");
    mnuEnableCDNotification = mnuOptions->addAction("&Enable CD Notification");
    mnuEnableCDNotification->setCheckable(true);
    connect(mnuEnableCDNotification, &QAction::triggered, this,
            [this] { EnableCDNotificationCommand(); });
    mnuShowControls = mnuOptions->addAction("&Show Controls On Full Screen");
    mnuShowControls->setCheckable(true);
    connect(mnuShowControls, &QAction::triggered, this, [this] {
        g::ShowControlsOnFullScreen = !g::ShowControlsOnFullScreen;
        mnuShowControls->setChecked(g::ShowControlsOnFullScreen);
        if (m_play) {
            m_play->SetEnableFullScreenControls(g::ShowControlsOnFullScreen);
        }
    });
    mnuVideoResume = mnuOptions->addAction("&Resume Video From Last Pos");
    mnuVideoResume->setCheckable(true);
    // The action flips its own check mark; the option follows it.
    connect(mnuVideoResume, &QAction::triggered, this,
            [this] { g::SaveVideoPosition = mnuVideoResume->isChecked(); });
    mnuClearPos = mnuOptions->addAction("&Clear Saved Positions", this,
                                        [this] { g::ConfirmClearSavedPositions(this); });

    mnuView = bar->addMenu("&View");
    mnuView->setObjectName("mnuView");
    connect(mnuView, &QMenu::aboutToShow, this, &frmLumadeck::SyncZoomMenu);
    mnuClassic = mnuView->addAction("&Legacy Mode", this, &frmLumadeck::SwitchDisplayMode);
    mnuView->addSeparator();
    mnuFull = mnuView->addAction("&Full Screen", this, [this] {
        if (m_play) {
            m_play->SetFullScreen(true);
        }
    });
    mnuFull->setShortcut(Qt::Key_F5);
    mnuFull->setShortcutContext(Qt::ApplicationShortcut);
    mnuView->addSeparator();
    const char* zoomCaptions[4] = {"&Actual Size (100%)", "&Half Size (50%)", "&Double Size (200%)",
                                   "&Custom"};
    for (int i = 0; i < 4; ++i) {
        mnuZoom[i] = mnuView->addAction(zoomCaptions[i], this, [this, i] { SetZoom(i); });
        mnuZoom[i]->setCheckable(true);
    }

    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        QMenu* menu = bar->addMenu(QString("&Drive%1").arg(n + 1));
        menu->setObjectName(QString("mnuDrive%1").arg(n + 1));
        driveMenus.mnuDrive[n] = menu;
        driveMenus.item(n, 0)->setText(QString("&Drive%1File").arg(n + 1));
        menu->menuAction()->setVisible(false);
    }
    driveMenus.onItem = [this](int n, QAction* item) {
        Toolbar1_ButtonMenuClick(driveMenus.tag[n], item->data().toString());
    };

    mnuPlaylist = bar->addMenu("&Play List");
    mnuPlaylist->setObjectName("mnuPlaylist");
    mnuShowPlaylist = mnuPlaylist->addAction("&Show Playlist", this, [this] {
        if (m_playList) {
            m_playList->ShowPlayList();
        }
    });
    mnuHidePlaylist = mnuPlaylist->addAction("&Hide Playlist", this, [] {
        if (IPlayListWindowHost* host = Environment().playListWindows) {
            host->Unload();
        }
    });
    mnuHidePlaylist->setVisible(false);

    mnuPopup = new QMenu("Popup", this);
    mnuPopup->setObjectName("mnuPopup");
    mnuPopup->addAction("&Play List");
    driveMenus.mnuPopup = nullptr; // the main window's drive menus live in its menu bar

    mnuHelp = bar->addMenu("&Help");
    mnuHelp->setObjectName("mnuHelp");
    connect(mnuHelp, &QMenu::aboutToShow, this, &frmLumadeck::HelpMenuOpening);
    mnuCodecs = mnuHelp->addAction("&Codecs In Clip", this, [this] {
        if (ICodecsWindow* codecs = Environment().codecs; codecs && m_play) {
            codecs->ShowCodecs(*m_play);
        }
    });
    mnuCodecs->setEnabled(false);
    mnuContents = mnuHelp->addAction("&Contents", this, &frmLumadeck::ShowHelpContents);
    mnuAbout = mnuHelp->addAction("&About", this, &frmLumadeck::ShowAbout);

    // Items are found by their names (by tests and accessibility tools).
    const std::pair<QAction*, const char*> named[] = {
        {mnuOpen, "mnuOpen"},
        {mnuRefresh, "mnuRefresh"},
        {mnuStop, "mnuStop"},
        {mnuExit, "mnuExit"},
        {mnuEnableCDNotification, "mnuEnableCDNotification"},
        {mnuShowControls, "mnuShowControls"},
        {mnuVideoResume, "mnuVideoResume"},
        {mnuClearPos, "mnuClearPos"},
        {mnuClassic, "mnuClassic"},
        {mnuFull, "mnuFull"},
        {mnuShowPlaylist, "mnuShowPlaylist"},
        {mnuHidePlaylist, "mnuHidePlaylist"},
        {mnuCodecs, "mnuCodecs"},
        {mnuContents, "mnuContents"},
        {mnuAbout, "mnuAbout"}};
    for (const auto& [action, name] : named) {
        action->setObjectName(name);
    }
    for (int i = 0; i < 4; ++i) {
        mnuZoom[i]->setObjectName(QString("mnuZoom%1").arg(i));
    }
}

void frmLumadeck::createToolbar() {
    Toolbar1 = addToolBar("Toolbar1");
    Toolbar1->setObjectName("Toolbar1");
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->toggleViewAction()->setEnabled(false);
    tbOpen = Toolbar1->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), "", this,
                                 [this] { ToolbarButtonClick("open"); });
    tbOpen->setObjectName("open");
    tbOpen->setToolTip("Browse And Open Video File");
    tbStop = Toolbar1->addAction(style()->standardIcon(QStyle::SP_BrowserStop), "", this,
                                 [this] { ToolbarButtonClick("stop"); });
    tbStop->setObjectName("stop");
    tbStop->setToolTip("Stop Loading Videos From CD");
    tbStop->setVisible(false);
    tbPlaylist = Toolbar1->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView), "",
                                     this, [this] { ToolbarButtonClick("playlist"); });
    tbPlaylist->setObjectName("playlist");
    tbPlaylist->setToolTip("Show Playlist Manager");
}

void frmLumadeck::createStatusBar() {
    StatusBar1 = statusBar();
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(true);
    panelPlayStatus = makePanel("Idle", "playstatus");
    panelPlayStatus->setToolTip("Idle");
    panelPlayStatus->setMinimumWidth(80);
    panelStatus = makePanel("", "status");
    panelStatus->setMinimumWidth(40);
    panelPlaylist = makePanel("Playlist (Click Here)", "playlist");
    panelPlaylist->setToolTip("Playlist (Click Here)");
    StatusBar1->addWidget(panelPlayStatus);
    StatusBar1->addWidget(panelStatus, 1);
    StatusBar1->addPermanentWidget(panelPlaylist);
    StatusBar1->installEventFilter(this);
}

int frmLumadeck::topMargin() const {
    int top = 0;
    if (!menuBar()->isHidden()) {
        top += isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
    }
    if (!Toolbar1->isHidden()) {
        top += isVisible() ? Toolbar1->height() : Toolbar1->sizeHint().height();
    }
    return top;
}

QString frmLumadeck::TitleFor(const QString& szFileName) {
    return CaptionText("Lumadeck Player. " + afterLastSlash(szFileName));
}

void frmLumadeck::letEventsRun() {
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------------- load

void frmLumadeck::Form_Load() {
    bUnloadingThinClient = false;
    hookThinPlayer(Forms::ThinPlayer.get());
    const int statusHeight =
        StatusBar1->isVisible() ? StatusBar1->height() : StatusBar1->sizeHint().height();
    if (MediaPlayer1) {
        MediaPlayer1->setGeometry(0, topMargin(), width(),
                                  std::max(0, height() - topMargin() - statusHeight));
    }
    bCloseRequested = false;
    bSearching = true;
    // The start-up scan is a search like the others: no refresh until it ends.
    mnuRefresh->setEnabled(false);
    mnuStop->setEnabled(true);
    setUpPlayer();
    SyncZoomMenu();
    mnuShowControls->setChecked(g::ShowControlsOnFullScreen);
    m_play->SetEnableFullScreenControls(g::ShowControlsOnFullScreen);
    mnuEnableCDNotification->setChecked(g::EnableCDNotify);
    mnuVideoResume->setChecked(g::SaveVideoPosition);
    m_find = std::make_unique<clsFindFile>();
    connect(m_find.get(), &clsFindFile::FoundFile, this, &frmLumadeck::cFind_FoundFile);
    connect(&ImageDrives::current(), &ImageDrives::Removed, this, &frmLumadeck::ImageDriveRemoved,
            Qt::UniqueConnection);
    setWindowTitle("Lumadeck: Finding video files on CDs.");
    ScanCDDrives();
    if (bCloseRequested) {
        bSearching = false;
        closeAfterScan();
        if (bCloseRequested) {
            return;
        }
    }
    setWindowTitle("Lumadeck Player.");
    if (mnuEnableCDNotification->isChecked()) {
        StartNotification();
    }
    bSearching = false;
    ShowAppropriateForm();
}

void frmLumadeck::setUpPlayer() {
    m_playList = std::make_unique<clsPlayList>();
    m_playList->SetOptions({[] { return g::SaveVideoPosition; }, [] { return g::ThinClient; }});
    m_playList->SetWindowHost(Environment().playListWindows);
    clsPlayVideo& play = m_playList->cPlay();
    play.SetPositionStore(Environment().positions);
    play.SetParentForm(this);
    play.SetMediaPlayer(MediaPlayer1);
    play.SetTimer(Timer1);
    m_play = &play;
    m_play->SetlZoom(ZoomIndex(g::DisplaySize));
    m_play->SetFormBottomMargin(StatusBar1->isVisible() ? StatusBar1->height()
                                                        : StatusBar1->sizeHint().height());
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
        panelPlayStatus->setText("Done");
        m_play->RaiseStatusAfterSeconds(200);
        refresh();
    });
    connect(pl, &clsPlayList::VideoOpened, this, [this](const QString&) {
        refresh();
        panelPlayStatus->setText("Opening");
    });
    connect(pl, &clsPlayList::VideoStart, this, [this](const QString& szFileName) {
        setWindowTitle(TitleFor(szFileName));
        panelStatus->setText(m_play->GetMediaInfoString(MediaInfoCode::Title));
        const QString description = m_play->GetMediaInfoString(MediaInfoCode::Description);
        if (!description.isEmpty()) {
            panelStatus->setText(panelStatus->text() + " - " + description);
        }
        refresh();
        panelPlayStatus->setText("Playing");
    });
    connect(pl, &clsPlayList::VideoPaused, this, [this](const QString& szFileName) {
        setWindowTitle(TitleFor(szFileName) + " (Paused)");
        refresh();
        panelPlayStatus->setText("Paused");
    });
    connect(pl, &clsPlayList::VideoStopped, this, [this](const QString& szFileName) {
        setWindowTitle(TitleFor(szFileName) + " (Stopped)");
        refresh();
        panelPlayStatus->setText("Stopped");
    });
    connect(pl, &clsPlayList::VideoDone, this, [this](const QString&) {
        refresh();
        panelPlayStatus->setText("Stopped");
    });
    connect(pl, &clsPlayList::FileNotFound, this, [this](const QString& szFileName) {
        panelStatus->setText("Not Found: " + szFileName);
        refresh();
    });
    connect(pl, &clsPlayList::StatusMessage, this,
            [this](const QString& szStatus) { panelStatus->setText(szStatus); });
    connect(pl, &clsPlayList::ErrorMsg, this, [this](const QString& szError) {
        panelStatus->setText(szError);
        refresh();
    });
    connect(pl, &clsPlayList::FirstFileAddedToPlaylist, this, [this](const QString&) {
        if (!isVisible()) {
            if (frmThinPlayer* thin = Forms::ThinPlayer.ifLoaded()) {
                move(x(), thin->frameGeometry().top() + thin->frameGeometry().height());
            }
            show();
        }
    });
    connect(pl, &clsPlayList::PlaylistShown, this, [this] {
        mnuHidePlaylist->setVisible(true);
        mnuShowPlaylist->setVisible(false);
    });
    connect(pl, &clsPlayList::PlaylistHidden, this, [this] {
        mnuShowPlaylist->setVisible(true);
        mnuHidePlaylist->setVisible(false);
    });
}

// ------------------------------------------------------------- display modes

void frmLumadeck::hookThinPlayer(frmThinPlayer& thin) {
    thin.SetPeers(this);
    connect(&thin, &frmThinPlayer::closing, this, &frmLumadeck::thinPlayerClosing,
            Qt::UniqueConnection);
    connect(&thin, &frmThinPlayer::showVideoRequested, this, &frmLumadeck::showVideoRequested,
            Qt::UniqueConnection);
}

QMenu* frmLumadeck::MainMenu(int Index) {
    switch (Index) {
    case 0:
        return mnuFile;
    case 1:
        return mnuOptions;
    case 2:
        return mnuView;
    case 3:
        return mnuPlaylist;
    case 4:
        return mnuHelp;
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
    bUnloadingThinClient = true;
    close();
}

void frmLumadeck::showVideoRequested() {
    show();
}

void frmLumadeck::ShowAppropriateForm() {
    frmThinPlayer& thin = Forms::ThinPlayer.get();
    hookThinPlayer(thin);
    if (g::ThinClient) {
        Toolbar1->hide();
        menuBar()->hide();
        mnuClassic->setText("&Legacy Mode");
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
    Toolbar1->show();
    menuBar()->show();
    mnuFile->menuAction()->setVisible(true);
    letEventsRun();
    mnuOptions->menuAction()->setVisible(true);
    mnuView->menuAction()->setVisible(true);
    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        if (!driveMenus.tag[n].isEmpty()) {
            driveMenus.mnuDrive[n]->menuAction()->setVisible(true);
        }
    }
    mnuPlaylist->menuAction()->setVisible(true);
    mnuHelp->menuAction()->setVisible(true);
    mnuClassic->setText("&Compact Mode");
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
    Timer1->Tag = "2";
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
    for (QAction* item : mnuZoom) {
        item->setChecked(false);
    }
    if (g::DisplaySize >= 0 && g::DisplaySize < 4) {
        mnuZoom[g::DisplaySize]->setChecked(true);
    }
}

// --------------------------------------------------------------------- timer

void frmLumadeck::Timer1_Timer() {
    if (Timer1->Tag == "1" && !bSearching) {
        Timer1->Tag = "0";
        RefreshCDDrives();
        return;
    }
    // A refresh asked for while a scan runs (a tick during a disc's scan)
    // waits for a tick after it.
    if (Timer1->Tag == "2") {
        Timer1->Tag = "0";
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
        bStopSearch = true;
        letEventsRun();
    } else if (key == "playlist") {
        if (m_playList) {
            m_playList->ShowPlayList();
        }
    }
}

void frmLumadeck::ExitProgram() {
    bUnloadingThinClient = true;
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
    mnuCodecs->setEnabled(false);
    if (m_play && !m_play->FileName().isEmpty() && m_play->CodecCount() > 0) {
        mnuCodecs->setEnabled(true);
    }
}

// -------------------------------------------------------- the playlist popup

void frmLumadeck::RebuildPopupPlaylist() {
    const QList<QAction*> items = mnuPopup->actions();
    for (int i = 1; i < items.size(); ++i) {
        mnuPopup->removeAction(items[i]);
        items[i]->deleteLater();
    }
    QAction* first = mnuPopup->actions().value(0);
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
    for (long i = 0; i < count; ++i) {
        QAction* item = mnuPopup->addAction(MenuText(m_playList->cFiles().Item(i)->szFileTitle()));
        item->setCheckable(true);
        item->setChecked(i == current);
        item->setData(i == current); // the check mark as it was shown
        const int index = static_cast<int>(i + 1);
        connect(item, &QAction::triggered, this, [this, index] { PopupPlaylistChosen(index); });
    }
}

void frmLumadeck::PopupPlaylistChosen(int index) {
    if (!m_playList) {
        return;
    }
    if (index == 0) {
        m_playList->ShowPlayList();
        return;
    }
    QAction* item = mnuPopup->actions().value(index);
    // The click itself flips the check mark; what counts is the mark shown.
    const bool wasCurrent = item && item->data().toBool();
    if (wasCurrent) {
        m_play->Play();
    } else {
        m_playList->PlayVideoByIndex(index - 1, 0);
    }
}

bool frmLumadeck::StatusBarPressed(const QPoint& pos, const QPoint& globalPos) {
    const QRect panel = panelPlaylist->geometry();
    const bool inside = pos.x() >= panel.left() && pos.x() <= panel.left() + panel.width() &&
                        pos.y() <= StatusBar1->height();
    if (!inside) {
        return false;
    }
    RebuildPopupPlaylist();
    mnuPopup->popup(globalPos);
    return true;
}

bool frmLumadeck::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StatusBar1 && event->type() == QEvent::MouseButtonPress) {
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
    if (bSearching) {
        setWindowTitle("Lumadeck Player. Closing.... Please wait.");
        bCloseRequested = true;
        if (m_find) {
            m_find->Cancel();
        }
        return false;
    }
    if (g::ThinClient && !bUnloadingThinClient) {
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
    if (g::ThinClient && !bUnloadingThinClient) {
        // In compact mode closing only hides the video window; the close
        // that was asked for has been answered.
        bCloseRequested = false;
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
