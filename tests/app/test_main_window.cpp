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
    EXPECT_FALSE(w.IsSearching());
    EXPECT_EQ(label(w, "playstatus")->text(), "Idle");
    EXPECT_EQ(label(w, "status")->text(), "");
    EXPECT_EQ(label(w, "playlist")->text(), "Playlist (Click Here)");
    EXPECT_EQ(label(w, "playlist")->toolTip(), "Playlist (Click Here)");

    EXPECT_EQ(
        texts(menu(w, "mnuFile")->actions()),
        QStringList({"&Open Video File", "&Refresh CD Drives", "&Stop Refreshing", "-", "E&xit"}));
    EXPECT_EQ(texts(menu(w, "mnuOptions")->actions()),
              QStringList({"&Enable CD Notification", "&Show Controls On Full Screen",
                           "&Resume Video From Last Pos", "&Clear Saved Positions"}));
    EXPECT_EQ(texts(menu(w, "mnuView")->actions()),
              QStringList({"&Compact Mode", "-", "&Full Screen", "-", "&Actual Size (100%)",
                           "&Half Size (50%)", "&Double Size (200%)", "&Custom"}));
    EXPECT_EQ(texts(menu(w, "mnuPlaylist")->actions()),
              QStringList({"&Show Playlist", "&Hide Playlist"}));
    EXPECT_EQ(texts(menu(w, "mnuHelp")->actions()),
              QStringList({"&Codecs In Clip", "&Contents", "&About"}));
    EXPECT_EQ(action(w, "mnuFull")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_FALSE(action(w, "mnuHidePlaylist")->isVisible());
    EXPECT_FALSE(action(w, "mnuCodecs")->isEnabled());
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_FALSE(action(w, "mnuStop")->isEnabled());
    EXPECT_FALSE(action(w, "stop")->isVisible());
    EXPECT_EQ(action(w, "open")->toolTip(), "Browse And Open Video File");
    EXPECT_EQ(action(w, "playlist")->toolTip(), "Show Playlist Manager");

    EXPECT_FALSE(action(w, "mnuShowControls")->isChecked());
    EXPECT_FALSE(w.cPlay()->EnableFullScreenControls());
    EXPECT_TRUE(action(w, "mnuVideoResume")->isChecked());
    EXPECT_FALSE(action(w, "mnuEnableCDNotification")->isChecked());
    EXPECT_TRUE(action(w, "mnuZoom" + QString::number(0))->isChecked());
    // No drive: one visible drive menu says so.
    EXPECT_EQ(
        texts(w.menuBar()->actions(), true),
        QStringList({"&File", "&Options", "&View", "No Drives Found", "&Play List", "&Help"}));
}

TEST_F(MainWindowTest, PlaylistEventsSetTheCaptionAndPanels) {
    frmLumadeck& w = start();
    w.cPlayList()->PlayVideo(clip("videos/trip.mpg", "Intro", "Part 1"));
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg");
    EXPECT_EQ(label(w, "status")->text(), "Intro - Part 1");
    EXPECT_EQ(label(w, "playstatus")->text(), "Playing");
    w.cPlay()->Pause();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg (Paused)");
    EXPECT_EQ(label(w, "playstatus")->text(), "Paused");
    w.cPlay()->StopPlaying();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg (Stopped)");
    EXPECT_EQ(label(w, "playstatus")->text(), "Stopped");

    w.cPlayList()->PlayVideo(clip("videos/other.mpg", "Intro"));
    EXPECT_EQ(label(w, "status")->text(), "Intro");
    const QString missing = dir.filePath("videos/gone.mpg");
    w.cPlayList()->PlayVideo(missing);
    EXPECT_EQ(label(w, "status")->text(), "Not Found: " + missing);
}

TEST_F(MainWindowTest, DoneIsFollowedByAnEmptyStatusTwentySecondsLater) {
    frmLumadeck& w = start();
    w.cPlayList()->PlayVideo(clip("clip.mpg", "Clip"));
    ASSERT_EQ(label(w, "status")->text(), "Clip");
    QStringList playStatus;
    int ticks = 0;
    int doneAtTick = -1;
    QObject::connect(w.cPlayList(), &clsPlayList::Done, &w, [&] {
        doneAtTick = ticks;
        playStatus.append(label(w, "playstatus")->text());
    });
    control->ReachEnd();
    while (!label(w, "status")->text().isEmpty() && ticks < 1000) {
        ++ticks;
        w.cPlay()->Tick(); // the player's Done arrives on a tick, the countdown runs on them
    }
    ASSERT_GE(doneAtTick, 0);
    EXPECT_EQ(playStatus, QStringList({"Done"}));
    EXPECT_EQ(ticks - doneAtTick, 200);
    // The end of the list leaves the play state shown as stopped.
    EXPECT_EQ(label(w, "playstatus")->text(), "Stopped");
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. clip.mpg (Stopped)");
}

TEST_F(MainWindowTest, StatusBarPopupListsTheEntriesWithTheCurrentOneChecked) {
    frmLumadeck& w = start();
    w.resize(640, 480);
    QCoreApplication::processEvents();
    // Empty playlist: only the first item.
    w.RebuildPopupPlaylist();
    EXPECT_EQ(texts(menu(w, "mnuPopup")->actions()), QStringList({"Show Playlist"}));
    for (const char* name : {"a.mpg", "b.mpg", "c.mpg"}) {
        w.cPlayList()->Add(file(name), false);
    }
    w.cPlayList()->PlayVideoByIndex(1, 0);
    ASSERT_EQ(w.cPlayList()->CurrentFileIndex(), 1);

    const QRect panel = label(w, "playlist")->geometry();
    EXPECT_FALSE(w.StatusBarPressed(label(w, "status")->geometry().center(), QPoint()));
    menu(w, "mnuPopup")->hide();
    ASSERT_TRUE(w.StatusBarPressed(QPoint(panel.left() + panel.width(), 2), QPoint(10, 10)));
    menu(w, "mnuPopup")->hide();
    EXPECT_EQ(texts(menu(w, "mnuPopup")->actions()),
              QStringList({"Show Playlist", "a.mpg", "b.mpg", "c.mpg"}));
    const QList<QAction*> items = menu(w, "mnuPopup")->actions();
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
    EXPECT_EQ(label(w, "playstatus")->text(), "Playing");
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
    EXPECT_FALSE(action(w, "mnuCodecs")->isEnabled());
    const QString withCodecs = file("a.avi");
    SimulatedMedia avi;
    avi.codecs = {{"MPEG-4 video", true, ""}, {"MPEG-1 Layer 3 (MP3)", true, ""}};
    control->Script(withCodecs, avi);
    w.cPlayList()->PlayVideo(withCodecs);
    w.HelpMenuOpening();
    EXPECT_TRUE(action(w, "mnuCodecs")->isEnabled());
    w.cPlayList()->PlayVideo(clip("b.wav"));
    w.HelpMenuOpening();
    EXPECT_FALSE(action(w, "mnuCodecs")->isEnabled());
}

TEST_F(MainWindowTest, OptionsCommandsFlipTheirOptions) {
    frmLumadeck& w = start();
    action(w, "mnuVideoResume")->trigger();
    EXPECT_FALSE(action(w, "mnuVideoResume")->isChecked());
    EXPECT_FALSE(g::SaveVideoPosition);
    action(w, "mnuShowControls")->trigger();
    EXPECT_FALSE(action(w, "mnuShowControls")->isChecked());
    EXPECT_FALSE(w.cPlay()->EnableFullScreenControls());
    action(w, "mnuShowControls")->trigger();
    EXPECT_TRUE(g::ShowControlsOnFullScreen);

    dialogs.answers = {MsgAnswer::No};
    action(w, "mnuClearPos")->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Clear Saved Positions");

    action(w, "mnuEnableCDNotification")->trigger();
    EXPECT_TRUE(action(w, "mnuEnableCDNotification")->isChecked());
    EXPECT_TRUE(mdlCDNotify::bHooked);
    EXPECT_TRUE(g::EnableCDNotify);
    drives.SetWatchable(false);
    action(w, "mnuEnableCDNotification")->trigger();
    EXPECT_FALSE(mdlCDNotify::bHooked);
    EXPECT_FALSE(action(w, "mnuEnableCDNotification")->isChecked());
    // Switching on when changes cannot be watched leaves the mark off.
    action(w, "mnuEnableCDNotification")->trigger();
    EXPECT_FALSE(action(w, "mnuEnableCDNotification")->isChecked());

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
    EXPECT_TRUE(action(w, "mnuZoom" + QString::number(3))->isChecked());
    EXPECT_FALSE(action(w, "mnuZoom" + QString::number(0))->isChecked());
    action(w, "mnuZoom" + QString::number(2))->trigger();
    EXPECT_EQ(g::DisplaySize, 2);
    EXPECT_EQ(w.cPlay()->lZoom(), ZoomIndex::Double);
    w.SyncZoomMenu();
    EXPECT_TRUE(action(w, "mnuZoom" + QString::number(2))->isChecked());
    EXPECT_FALSE(action(w, "mnuZoom" + QString::number(3))->isChecked());
    // The mark follows the player when it changes its size elsewhere.
    w.cPlay()->SetlZoom(ZoomIndex(9));
    w.SyncZoomMenu();
    EXPECT_TRUE(action(w, "mnuZoom" + QString::number(3))->isChecked());
    w.close();
    flushDeletes();
    EXPECT_EQ(saved("DisplaySize"), "3");
}

TEST_F(MainWindowTest, ModeSwitchRunsOnTheNextTickAndIsKept) {
    frmLumadeck& w = start();
    action(w, "mnuClassic")->trigger();
    EXPECT_TRUE(g::ThinClient);
    EXPECT_EQ(timer(w)->Tag, "2");
    EXPECT_TRUE(w.isVisible()); // not before the tick
    w.Timer1_Timer();
    EXPECT_EQ(timer(w)->Tag, "0");
    EXPECT_FALSE(w.isVisible()); // nothing plays: the video window goes
    ASSERT_TRUE(Forms::ThinPlayer.isLoaded());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
    EXPECT_TRUE(Forms::ThinPlayer->findChild<QWidget*>("imgShowVideo")
                    ->isVisibleTo(Forms::ThinPlayer.ifLoaded()));
    EXPECT_EQ(action(w, "mnuClassic")->text(), "&Legacy Mode");
    EXPECT_EQ(w.cPlay()->FormTopMargin(), 0);
    // The compact window's labels follow the player on each tick.
    w.cPlayList()->PlayVideo(file("movie.mpg"));
    EXPECT_TRUE(w.isVisible()); // the first file brings the video window back
    w.Timer1_Timer();
    EXPECT_EQ(Forms::ThinPlayer->findChild<QLabel*>("lblCurrFile")->text(), "movie.mpg");
    EXPECT_EQ(Forms::ThinPlayer->findChild<QLabel*>("lblPosition")->text(), "0:00/1:00");

    action(w, "mnuClassic")->trigger();
    w.Timer1_Timer();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(Forms::ThinPlayer->isVisible());
    EXPECT_EQ(action(w, "mnuClassic")->text(), "&Compact Mode");
    EXPECT_GT(w.cPlay()->FormTopMargin(), 0);

    // An unknown command stays in the tag.
    timer(w)->Tag = "3";
    w.Timer1_Timer();
    EXPECT_EQ(timer(w)->Tag, "3");
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

namespace {

// Message boxes that note whether the main window was on the screen when
// each was asked.
class WitnessDialogs : public RecordingDialogs {
public:
    MsgAnswer MessageBox(QWidget* owner, const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override {
        frmLumadeck* w = Forms::Lumadeck.ifLoaded();
        windowShown << (w && w->isVisible());
        return RecordingDialogs::MessageBox(owner, title, text, icon, buttons);
    }
    QList<bool> windowShown;
};

} // namespace

TEST_F(MainWindowTest, SavePlaylistIsAskedWhileTheWindowIsStillShown) {
    WitnessDialogs witness;
    Services::setDialogs(&witness);
    frmLumadeck& w = start();
    ASSERT_TRUE(w.isVisible());
    const QString list = dir.filePath("list.m3u");
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write((clip("a.mpg") + "\r\n").toUtf8());
    f.close();
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(list));
    w.cPlayList()->Add(clip("b.mpg"), true);
    witness.answers = {MsgAnswer::No};
    w.close();
    ASSERT_EQ(witness.boxes.size(), 1);
    EXPECT_EQ(witness.boxes[0].title, "Save Playlist");
    EXPECT_EQ(witness.windowShown, QList<bool>({true}));
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    Services::setDialogs(&dialogs);
}
