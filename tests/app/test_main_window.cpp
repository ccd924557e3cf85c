// The start of the program and the classic main window with the simulated
// control: start-up order, load, menus, the playlist's events in the caption
// and panels, the popup, and commands.
#include "MainWindowFixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

TEST_F(MainWindowTest, StartUpStepsRunInOrderWithTheSplashUpWhileTheMainWindowLoads) {
    mdlCDNotify::bHooked = true;
    QStringList steps;
    bool splashShownDuringLoad = false;
    bool optionsLoadedBeforeSplash = false;
    bool flagClearedFirst = false;
    stored("EnableCDNotify", "True");
    g::ThinClient = true; // LoadSettings must put this right before the splash shows
    g::Main([&](const QString& step) {
        steps.append(step);
        if (step == "LoadSettings") {
            flagClearedFirst = !mdlCDNotify::bHooked;
        }
        if (step == "ShowSplash") {
            optionsLoadedBeforeSplash = !g::ThinClient;
        }
        if (step == "LoadMainWindow") {
            splashShownDuringLoad = Forms::Splash.isLoaded() && Forms::Splash->isVisible();
        }
    });
    EXPECT_EQ(steps,
              QStringList({"ClearCDNotifyFlag", "LoadSettings", "ShowSplash", "ProcessEvents",
                           "LoadThinPlayer", "LoadMainWindow", "UnloadSplash"}));
    EXPECT_TRUE(flagClearedFirst);
    EXPECT_TRUE(mdlCDNotify::bHooked); // the main window asked for notification again
    EXPECT_TRUE(optionsLoadedBeforeSplash);
    EXPECT_TRUE(splashShownDuringLoad);
    EXPECT_FALSE(Forms::Splash.isLoaded());
}

TEST_F(MainWindowTest, WindowsAreCreatedAfreshAfterAnUnload) {
    frmThinPlayer* first = &Forms::ThinPlayer.get();
    EXPECT_EQ(first, &Forms::ThinPlayer.get());
    Forms::ThinPlayer.unload();
    flushDeletes();
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    Forms::ThinPlayer.get();
    EXPECT_TRUE(Forms::ThinPlayer.isLoaded());
}

TEST_F(MainWindowTest, LoadsWithItsMenusPanelsAndOptions) {
    stored("ShowControlsOnFullScreen", "False");
    stored("SaveVideoPosition", "True");
    frmLumadeck& w = start();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player.");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(Forms::ThinPlayer->isVisible());
    EXPECT_FALSE(w.bSearching);
    EXPECT_EQ(w.panelPlayStatus->text(), "Idle");
    EXPECT_EQ(w.panelStatus->text(), "");
    EXPECT_EQ(w.panelPlaylist->text(), "Playlist (Click Here)");
    EXPECT_EQ(w.panelPlaylist->toolTip(), "Playlist (Click Here)");

    EXPECT_EQ(texts(w.mnuFile->actions()), QStringList({"&Open Video File", "&Refresh CD Drives",
                                                        "&Stop Refreshing", "-", "E&xit"}));
    EXPECT_EQ(texts(w.mnuOptions->actions()),
              QStringList({"&Enable CD Notification", "&Show Controls On Full Screen",
                           "&Resume Video From Last Pos", "&Clear Saved Positions"}));
    EXPECT_EQ(texts(w.mnuView->actions()),
              QStringList({"&Compact Mode", "-", "&Full Screen", "-", "&Actual Size (100%)",
                           "&Half Size (50%)", "&Double Size (200%)", "&Custom"}));
    EXPECT_EQ(texts(w.mnuPlaylist->actions()), QStringList({"&Show Playlist", "&Hide Playlist"}));
    EXPECT_EQ(texts(w.mnuHelp->actions()), QStringList({"&Codecs In Clip", "&Contents", "&About"}));
    EXPECT_EQ(w.mnuFull->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_FALSE(w.mnuHidePlaylist->isVisible());
    EXPECT_FALSE(w.mnuCodecs->isEnabled());
    EXPECT_TRUE(w.mnuRefresh->isEnabled());
    EXPECT_FALSE(w.mnuStop->isEnabled());
    EXPECT_FALSE(w.tbStop->isVisible());
    EXPECT_EQ(w.tbOpen->toolTip(), "Browse And Open Video File");
    EXPECT_EQ(w.tbPlaylist->toolTip(), "Show Playlist Manager");

    EXPECT_FALSE(w.mnuShowControls->isChecked());
    EXPECT_FALSE(w.cPlay()->EnableFullScreenControls());
    EXPECT_TRUE(w.mnuVideoResume->isChecked());
    EXPECT_FALSE(w.mnuEnableCDNotification->isChecked());
    EXPECT_TRUE(w.mnuZoom[0]->isChecked());
    // No drive: one visible drive menu says so.
    EXPECT_EQ(
        texts(w.menuBar()->actions(), true),
        QStringList({"&File", "&Options", "&View", "No Drives Found", "&Play List", "&Help"}));
}

TEST_F(MainWindowTest, PlaylistEventsSetTheCaptionAndPanels) {
    frmLumadeck& w = start();
    w.cPlayList()->PlayVideo(clip("videos/trip.mpg", "Intro", "Part 1"));
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg");
    EXPECT_EQ(w.panelStatus->text(), "Intro - Part 1");
    EXPECT_EQ(w.panelPlayStatus->text(), "Playing");
    w.cPlay()->Pause();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg (Paused)");
    EXPECT_EQ(w.panelPlayStatus->text(), "Paused");
    w.cPlay()->StopPlaying();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg (Stopped)");
    EXPECT_EQ(w.panelPlayStatus->text(), "Stopped");

    w.cPlayList()->PlayVideo(clip("videos/other.mpg", "Intro"));
    EXPECT_EQ(w.panelStatus->text(), "Intro");
    const QString missing = dir.filePath("videos/gone.mpg");
    w.cPlayList()->PlayVideo(missing);
    EXPECT_EQ(w.panelStatus->text(), "Not Found: " + missing);
}

TEST_F(MainWindowTest, DoneIsFollowedByAnEmptyStatusTwentySecondsLater) {
    frmLumadeck& w = start();
    w.cPlayList()->PlayVideo(clip("clip.mpg", "Clip"));
    ASSERT_EQ(w.panelStatus->text(), "Clip");
    QStringList playStatus;
    int ticks = 0;
    int doneAtTick = -1;
    QObject::connect(w.cPlayList(), &clsPlayList::Done, &w, [&] {
        doneAtTick = ticks;
        playStatus.append(w.panelPlayStatus->text());
    });
    control->ReachEnd();
    while (!w.panelStatus->text().isEmpty() && ticks < 1000) {
        ++ticks;
        w.cPlay()->Tick(); // the player's Done arrives on a tick, the countdown runs on them
    }
    ASSERT_GE(doneAtTick, 0);
    EXPECT_EQ(playStatus, QStringList({"Done"}));
    EXPECT_EQ(ticks - doneAtTick, 200);
    // The end of the list leaves the play state shown as stopped.
    EXPECT_EQ(w.panelPlayStatus->text(), "Stopped");
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. clip.mpg (Stopped)");
}

TEST_F(MainWindowTest, StatusBarPopupListsTheEntriesWithTheCurrentOneChecked) {
    frmLumadeck& w = start();
    w.resize(640, 480);
    QCoreApplication::processEvents();
    // Empty playlist: only the first item.
    w.RebuildPopupPlaylist();
    EXPECT_EQ(texts(w.mnuPopup->actions()), QStringList({"Show Playlist"}));
    for (const char* name : {"a.mpg", "b.mpg", "c.mpg"}) {
        w.cPlayList()->Add(file(name), false);
    }
    w.cPlayList()->PlayVideoByIndex(1, 0);
    ASSERT_EQ(w.cPlayList()->CurrentFileIndex(), 1);

    const QRect panel = w.panelPlaylist->geometry();
    EXPECT_FALSE(w.StatusBarPressed(w.panelStatus->geometry().center(), QPoint()));
    w.mnuPopup->hide();
    ASSERT_TRUE(w.StatusBarPressed(QPoint(panel.left() + panel.width(), 2), QPoint(10, 10)));
    w.mnuPopup->hide();
    EXPECT_EQ(texts(w.mnuPopup->actions()),
              QStringList({"Show Playlist", "a.mpg", "b.mpg", "c.mpg"}));
    const QList<QAction*> items = w.mnuPopup->actions();
    EXPECT_FALSE(items[1]->isChecked());
    EXPECT_TRUE(items[2]->isChecked());
    EXPECT_FALSE(items[3]->isChecked());

    // The current entry resumes; another entry plays from its start.
    w.cPlay()->Pause();
    control->calls.clear();
    items[2]->trigger();
    EXPECT_EQ(control->calls.value(0), "Play");
    EXPECT_EQ(w.cPlayList()->CurrentFileIndex(), 1);
    items[3]->trigger();
    EXPECT_EQ(w.cPlayList()->CurrentFileIndex(), 2);
    EXPECT_EQ(w.cPlay()->FileName(), dir.filePath("c.mpg"));
    EXPECT_EQ(w.panelPlayStatus->text(), "Playing");
}

TEST_F(MainWindowTest, OpenCommandPlaysMediaAndLoadsPlaylists) {
    frmLumadeck& w = start();
    const QString first = file("MPEGAV/AVSEQ01.DAT");
    const QString second = file("clips/two.mpg");
    const QString list = dir.filePath("Party.M3U");
    {
        QFile m3u(list);
        ASSERT_TRUE(m3u.open(QIODevice::WriteOnly));
        m3u.write((first + "\r\n" + second + "\r\n").toUtf8());
    }
    dialogs.files = {first, list};
    w.OpenVideoFile();
    EXPECT_EQ(w.cPlay()->FileName(), first);
    ASSERT_EQ(dialogs.fileDialogs.size(), 1);
    EXPECT_EQ(dialogs.fileDialogs[0].request.initialFolder, "");
    EXPECT_EQ(dialogs.fileDialogs[0].request.title, "Open Video File");

    w.OpenVideoFile();
    ASSERT_EQ(dialogs.fileDialogs.size(), 2);
    EXPECT_EQ(dialogs.fileDialogs[1].request.initialFolder, dir.filePath("MPEGAV"));
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 2);
    EXPECT_EQ(w.cPlayList()->PlayListFileName(), list);

    // Cancelling changes nothing.
    w.OpenVideoFile();
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 2);
}

TEST_F(MainWindowTest, HelpContentsAndItsFailures) {
    frmLumadeck& w = start();
    // No help page beside the program.
    w.ShowHelpContents();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Error launching Help File");
    EXPECT_EQ(dialogs.boxes[0].text, "File not found");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::Ok);

    const QString page = file("program/Lumadeck.html");
    w.ShowHelpContents();
    EXPECT_EQ(dialogs.boxes.size(), 1);
    ASSERT_FALSE(opener.requests.isEmpty());
    EXPECT_EQ(opener.requests.last().first, page);

    opener.result = IDocumentOpener::NoAssociation;
    w.ShowHelpContents();
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_EQ(dialogs.boxes[1].text, "No association for file extension");
}

TEST_F(MainWindowTest, CodecsInClipNeedsAnOpenClipWithCodecs) {
    frmLumadeck& w = start();
    w.HelpMenuOpening();
    EXPECT_FALSE(w.mnuCodecs->isEnabled());
    const QString withCodecs = file("a.avi");
    SimulatedMedia avi;
    avi.codecs = {{"MPEG-4 video", true, ""}, {"MPEG-1 Layer 3 (MP3)", true, ""}};
    control->Script(withCodecs, avi);
    w.cPlayList()->PlayVideo(withCodecs);
    w.HelpMenuOpening();
    EXPECT_TRUE(w.mnuCodecs->isEnabled());
    w.cPlayList()->PlayVideo(clip("b.wav"));
    w.HelpMenuOpening();
    EXPECT_FALSE(w.mnuCodecs->isEnabled());
}

TEST_F(MainWindowTest, OptionsCommandsFlipTheirOptions) {
    frmLumadeck& w = start();
    w.mnuVideoResume->trigger();
    EXPECT_FALSE(w.mnuVideoResume->isChecked());
    EXPECT_FALSE(g::SaveVideoPosition);
    w.mnuShowControls->trigger();
    EXPECT_FALSE(w.mnuShowControls->isChecked());
    EXPECT_FALSE(w.cPlay()->EnableFullScreenControls());
    w.mnuShowControls->trigger();
    EXPECT_TRUE(g::ShowControlsOnFullScreen);

    dialogs.answers = {MsgAnswer::No};
    w.mnuClearPos->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Clear Saved Positions");

    w.mnuEnableCDNotification->trigger();
    EXPECT_TRUE(w.mnuEnableCDNotification->isChecked());
    EXPECT_TRUE(mdlCDNotify::bHooked);
    EXPECT_TRUE(g::EnableCDNotify);
    drives.SetWatchable(false);
    w.mnuEnableCDNotification->trigger();
    EXPECT_FALSE(mdlCDNotify::bHooked);
    EXPECT_FALSE(w.mnuEnableCDNotification->isChecked());
    // Switching on when changes cannot be watched leaves the mark off.
    w.mnuEnableCDNotification->trigger();
    EXPECT_FALSE(w.mnuEnableCDNotification->isChecked());

    // Closing ends the program and saves the options as they are now, once.
    store.writes.clear();
    EXPECT_TRUE(w.close());
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    EXPECT_EQ(store.writes.size(), 5);
    EXPECT_EQ(saved("SaveVideoPosition"), "False");
    EXPECT_EQ(saved("EnableCDNotify"), "False");
}

TEST_F(MainWindowTest, ZoomItemsAndTheViewMenusCheckMark) {
    stored("DisplaySize", "7"); // out of range: fills the window, shown as custom
    frmLumadeck& w = start();
    EXPECT_TRUE(w.mnuZoom[3]->isChecked());
    EXPECT_FALSE(w.mnuZoom[0]->isChecked());
    w.mnuZoom[2]->trigger();
    EXPECT_EQ(g::DisplaySize, 2);
    EXPECT_EQ(w.cPlay()->lZoom(), 2);
    w.SyncZoomMenu();
    EXPECT_TRUE(w.mnuZoom[2]->isChecked());
    EXPECT_FALSE(w.mnuZoom[3]->isChecked());
    // The mark follows the player when it changes its size elsewhere.
    w.cPlay()->SetlZoom(9);
    w.SyncZoomMenu();
    EXPECT_TRUE(w.mnuZoom[3]->isChecked());
    w.close();
    flushDeletes();
    EXPECT_EQ(saved("DisplaySize"), "3");
}

TEST_F(MainWindowTest, ModeSwitchRunsOnTheNextTickAndIsKept) {
    frmLumadeck& w = start();
    w.mnuClassic->trigger();
    EXPECT_TRUE(g::ThinClient);
    EXPECT_EQ(w.Timer1->Tag, "2");
    EXPECT_TRUE(w.isVisible()); // not before the tick
    w.Timer1_Timer();
    EXPECT_EQ(w.Timer1->Tag, "0");
    EXPECT_FALSE(w.isVisible()); // nothing plays: the video window goes
    ASSERT_TRUE(Forms::ThinPlayer.isLoaded());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
    EXPECT_TRUE(Forms::ThinPlayer->imgShowVideo->isVisibleTo(Forms::ThinPlayer.ifLoaded()));
    EXPECT_EQ(w.mnuClassic->text(), "&Legacy Mode");
    EXPECT_EQ(w.cPlay()->FormTopMargin(), 0);
    // The compact window's labels follow the player on each tick.
    w.cPlayList()->PlayVideo(file("movie.mpg"));
    EXPECT_TRUE(w.isVisible()); // the first file brings the video window back
    w.Timer1_Timer();
    EXPECT_EQ(Forms::ThinPlayer->lblCurrFile->text(), "movie.mpg");
    EXPECT_EQ(Forms::ThinPlayer->lblPosition->text(), "0:00/1:00");

    w.mnuClassic->trigger();
    w.Timer1_Timer();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(Forms::ThinPlayer->isVisible());
    EXPECT_EQ(w.mnuClassic->text(), "&Compact Mode");
    EXPECT_GT(w.cPlay()->FormTopMargin(), 0);

    // An unknown command stays in the tag.
    w.Timer1->Tag = "3";
    w.Timer1_Timer();
    EXPECT_EQ(w.Timer1->Tag, "3");
}

TEST_F(MainWindowTest, InCompactModeClosingTheVideoWindowHidesItAndTheCompactOneEnds) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
    w.show();
    store.writes.clear();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(store.writes.isEmpty());
    Forms::ThinPlayer->close();
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    EXPECT_EQ(saved("ThinClient"), "True");
}
