// The main window's controls: its menus, toolbar and status bar panels.
#include "AppEnvironment.h"
#include "Forms.h"
#include "SavedPositions.h"
#include "cd/clsFindFile.h"
#include "frmLumadeck.h"
#include "mdlGlobals.h"
#include "platform/DataFiles.h"
#include "platform/PlainText.h"
#include "player/MediaControl.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"
#include "playlist/IPlayListWindow.h"
#include "playlist/clsPlayList.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace lumadeck {

namespace g = mdlGlobals;

namespace {

QLabel* makePanel(const QString& text, const QString& objectName) {
    // The panels show file names, tags and error texts: always as text.
    auto* panel = PlainLabel(new QLabel(text));
    panel->setObjectName(objectName);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setContentsMargins(4, 0, 4, 0);
    return panel;
}

} // namespace

void frmLumadeck::createMenus() {
    QMenuBar* bar = menuBar();

    m_mnuFile = bar->addMenu("&File");
    m_mnuFile->setObjectName("mnuFile");
    m_mnuOpen = m_mnuFile->addAction("&Open Video File", this, &frmLumadeck::OpenVideoFile);
    m_mnuRefresh = m_mnuFile->addAction("&Refresh CD Drives", this, [this] {
        m_mnuRefresh->setEnabled(false);
        m_timer1->Tag = TimerTag::RefreshDrives;
    });
    m_mnuStop = m_mnuFile->addAction("&Stop Refreshing", this, [this] {
        m_stopSearch = true;
        if (m_find) {
            m_find->Cancel();
        }
        letEventsRun();
    });
    m_mnuStop->setEnabled(false);
    m_mnuFile->addSeparator();
    m_mnuExit = m_mnuFile->addAction("E&xit", this, &frmLumadeck::ExitProgram);

    m_mnuOptions = bar->addMenu("&Options");
    m_mnuOptions->setObjectName("mnuOptions");
    m_mnuEnableCDNotification = m_mnuOptions->addAction("&Enable CD Notification");
    m_mnuEnableCDNotification->setCheckable(true);
    connect(m_mnuEnableCDNotification, &QAction::triggered, this,
            [this] { EnableCDNotificationCommand(); });
    m_mnuShowControls = m_mnuOptions->addAction("&Show Controls On Full Screen");
    m_mnuShowControls->setCheckable(true);
    connect(m_mnuShowControls, &QAction::triggered, this, [this] {
        g::ShowControlsOnFullScreen = !g::ShowControlsOnFullScreen;
        m_mnuShowControls->setChecked(g::ShowControlsOnFullScreen);
        if (m_play) {
            m_play->SetEnableFullScreenControls(g::ShowControlsOnFullScreen);
        }
    });
    m_mnuVideoResume = m_mnuOptions->addAction("&Resume Video From Last Pos");
    m_mnuVideoResume->setCheckable(true);
    // The action flips its own check mark; the option follows it.
    connect(m_mnuVideoResume, &QAction::triggered, this,
            [this] { g::SaveVideoPosition = m_mnuVideoResume->isChecked(); });
    m_mnuClearPos = m_mnuOptions->addAction("&Clear Saved Positions", this,
                                            [this] { g::ConfirmClearSavedPositions(this); });

    m_mnuView = bar->addMenu("&View");
    m_mnuView->setObjectName("mnuView");
    connect(m_mnuView, &QMenu::aboutToShow, this, &frmLumadeck::SyncZoomMenu);
    m_mnuClassic = m_mnuView->addAction("&Legacy Mode", this, &frmLumadeck::SwitchDisplayMode);
    m_mnuView->addSeparator();
    m_mnuFull = m_mnuView->addAction("&Full Screen", this, [this] {
        if (m_play) {
            m_play->SetFullScreen(true);
        }
    });
    m_mnuFull->setShortcut(Qt::Key_F5);
    m_mnuFull->setShortcutContext(Qt::ApplicationShortcut);
    m_mnuView->addSeparator();
    const char* zoomCaptions[4] = {"&Actual Size (100%)", "&Half Size (50%)", "&Double Size (200%)",
                                   "&Custom"};
    for (int i = 0; i < 4; ++i) {
        m_mnuZoom[i] = m_mnuView->addAction(zoomCaptions[i], this, [this, i] { SetZoom(i); });
        m_mnuZoom[i]->setCheckable(true);
    }

    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        QMenu* menu = bar->addMenu(QString("&Drive%1").arg(n + 1));
        menu->setObjectName(QString("mnuDrive%1").arg(n + 1));
        m_driveMenus.mnuDrive[n] = menu;
        m_driveMenus.item(n, 0)->setText(QString("&Drive%1File").arg(n + 1));
        menu->menuAction()->setVisible(false);
    }
    m_driveMenus.onItem = [this](int n, QAction* item) {
        Toolbar1_ButtonMenuClick(m_driveMenus.tag[n], item->data().toString());
    };

    m_mnuPlaylist = bar->addMenu("&Play List");
    m_mnuPlaylist->setObjectName("mnuPlaylist");
    m_mnuShowPlaylist = m_mnuPlaylist->addAction("&Show Playlist", this, [this] {
        if (m_playList) {
            m_playList->ShowPlayList();
        }
    });
    m_mnuHidePlaylist = m_mnuPlaylist->addAction("&Hide Playlist", this, [] {
        if (IPlayListWindowHost* host = Environment().playListWindows) {
            host->Unload();
        }
    });
    m_mnuHidePlaylist->setVisible(false);

    m_mnuPopup = new QMenu("Popup", this);
    m_mnuPopup->setObjectName("mnuPopup");
    m_mnuPopup->addAction("&Play List");
    m_driveMenus.mnuPopup = nullptr; // the main window's drive menus live in its menu bar

    m_mnuHelp = bar->addMenu("&Help");
    m_mnuHelp->setObjectName("mnuHelp");
    connect(m_mnuHelp, &QMenu::aboutToShow, this, &frmLumadeck::HelpMenuOpening);
    m_mnuCodecs = m_mnuHelp->addAction("&Codecs In Clip", this, [this] {
        if (ICodecsWindow* codecs = Environment().codecs; codecs && m_play) {
            codecs->ShowCodecs(*m_play);
        }
    });
    m_mnuCodecs->setEnabled(false);
    m_mnuContents = m_mnuHelp->addAction("&Contents", this, &frmLumadeck::ShowHelpContents);
    m_mnuAbout = m_mnuHelp->addAction("&About", this, &frmLumadeck::ShowAbout);

    // Items are found by their names (by tests and accessibility tools).
    const std::pair<QAction*, const char*> named[] = {
        {m_mnuOpen, "mnuOpen"},
        {m_mnuRefresh, "mnuRefresh"},
        {m_mnuStop, "mnuStop"},
        {m_mnuExit, "mnuExit"},
        {m_mnuEnableCDNotification, "mnuEnableCDNotification"},
        {m_mnuShowControls, "mnuShowControls"},
        {m_mnuVideoResume, "mnuVideoResume"},
        {m_mnuClearPos, "mnuClearPos"},
        {m_mnuClassic, "mnuClassic"},
        {m_mnuFull, "mnuFull"},
        {m_mnuShowPlaylist, "mnuShowPlaylist"},
        {m_mnuHidePlaylist, "mnuHidePlaylist"},
        {m_mnuCodecs, "mnuCodecs"},
        {m_mnuContents, "mnuContents"},
        {m_mnuAbout, "mnuAbout"}};
    for (const auto& [action, name] : named) {
        action->setObjectName(name);
    }
    for (int i = 0; i < 4; ++i) {
        m_mnuZoom[i]->setObjectName(QString("mnuZoom%1").arg(i));
    }
}

void frmLumadeck::createToolbar() {
    m_toolbar1 = addToolBar("Toolbar1");
    m_toolbar1->setObjectName("Toolbar1");
    m_toolbar1->setMovable(false);
    m_toolbar1->setFloatable(false);
    m_toolbar1->toggleViewAction()->setEnabled(false);
    m_tbOpen = m_toolbar1->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), "", this,
                                     [this] { ToolbarButtonClick("open"); });
    m_tbOpen->setObjectName("open");
    m_tbOpen->setToolTip("Browse And Open Video File");
    m_tbStop = m_toolbar1->addAction(style()->standardIcon(QStyle::SP_BrowserStop), "", this,
                                     [this] { ToolbarButtonClick("stop"); });
    m_tbStop->setObjectName("stop");
    m_tbStop->setToolTip("Stop Loading Videos From CD");
    m_tbStop->setVisible(false);
    m_tbPlaylist = m_toolbar1->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                         "", this, [this] { ToolbarButtonClick("playlist"); });
    m_tbPlaylist->setObjectName("playlist");
    m_tbPlaylist->setToolTip("Show Playlist Manager");
}

void frmLumadeck::createStatusBar() {
    m_statusBar1 = statusBar();
    m_statusBar1->setObjectName("StatusBar1");
    m_statusBar1->setSizeGripEnabled(true);
    m_panelPlayStatus = makePanel("Idle", "playstatus");
    m_panelPlayStatus->setToolTip("Idle");
    m_panelPlayStatus->setMinimumWidth(80);
    m_panelStatus = makePanel("", "status");
    m_panelStatus->setMinimumWidth(40);
    m_panelPlaylist = makePanel("Playlist (Click Here)", "playlist");
    m_panelPlaylist->setToolTip("Playlist (Click Here)");
    m_statusBar1->addWidget(m_panelPlayStatus);
    m_statusBar1->addWidget(m_panelStatus, 1);
    m_statusBar1->addPermanentWidget(m_panelPlaylist);
    m_statusBar1->installEventFilter(this);
}

int frmLumadeck::topMargin() const {
    int top = 0;
    if (!menuBar()->isHidden()) {
        top += isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
    }
    if (!m_toolbar1->isHidden()) {
        top += isVisible() ? m_toolbar1->height() : m_toolbar1->sizeHint().height();
    }
    return top;
}

} // namespace lumadeck
