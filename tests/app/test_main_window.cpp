// The classic main window with the simulated control: load, menus, the
// playlist's events in the caption and panels, the popup, and commands.
#include "MainWindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

using namespace lumadeck;
using namespace lumadeck::testing;
namespace g = lumadeck::mdlGlobals;

namespace {

QStringList captions(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) {
        out.append(a->isSeparator() ? "-" : a->text());
    }
    return out;
}

QStringList visibleTopMenus(frmLumadeck& w) {
    QStringList out;
    for (QAction* a : w.menuBar()->actions()) {
        if (a->isVisible()) {
            out.append(a->text());
        }
    }
    return out;
}

} // namespace

TEST_F(MainWindowTest, LoadsWithItsMenusPanelsAndOptions) {
    stored("ShowControlsOnFullScreen", "False");
    stored("SaveVideoPosition", "True");
    frmLumadeck& w = start();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player.");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.bSearching);
    EXPECT_EQ(w.panelPlayStatus->text(), "Idle");
    EXPECT_EQ(w.panelStatus->text(), "");
    EXPECT_EQ(w.panelPlaylist->text(), "Playlist (Click Here)");
    EXPECT_EQ(w.panelPlaylist->toolTip(), "Playlist (Click Here)");

    EXPECT_EQ(captions(w.mnuFile), QStringList({"&Open Video File", "&Refresh CD Drives",
                                                "&Stop Refreshing", "-", "E&xit"}));
    EXPECT_EQ(captions(w.mnuOptions),
              QStringList({"&Enable CD Notification", "&Show Controls On Full Screen",
                           "&Resume Video From Last Pos", "&Clear Saved Positions"}));
    EXPECT_EQ(captions(w.mnuView),
              QStringList({"&Compact Mode", "-", "&Full Screen", "-", "&Actual Size (100%)",
                           "&Half Size (50%)", "&Double Size (200%)", "&Custom"}));
    EXPECT_EQ(captions(w.mnuPlaylist), QStringList({"&Show Playlist", "&Hide Playlist"}));
    EXPECT_EQ(captions(w.mnuHelp), QStringList({"&Codecs In Clip", "&Contents", "&About"}));
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
    EXPECT_EQ(visibleTopMenus(w), QStringList({"&File", "&Options", "&View", "No Drives Found",
                                               "&Play List", "&Help"}));
    // The player was handed the control, the window and the timer.
    EXPECT_EQ(w.cPlay()->MediaPlayer(), w.MediaPlayer1);
    EXPECT_EQ(w.cPlay()->ParentForm(), &w);
    EXPECT_EQ(w.cPlay()->Timer(), static_cast<QTimer*>(w.Timer1));
}

TEST_F(MainWindowTest, AnOutOfRangeZoomFillsTheWindowAndIsStoredAsCustom) {
    stored("DisplaySize", "7");
    frmLumadeck& w = start();
    EXPECT_TRUE(w.mnuZoom[3]->isChecked());
    EXPECT_FALSE(w.mnuZoom[0]->isChecked());
    w.close();
    flushDeletes();
    EXPECT_EQ(saved("DisplaySize"), "3");
}

TEST_F(MainWindowTest, PlaylistEventsSetTheCaptionAndPanels) {
    frmLumadeck& w = start();
    const QString trip = file("videos/trip.mpg");
    SimulatedMedia intro;
    intro.title = "Intro";
    intro.description = "Part 1";
    control->Script(trip, intro);
    w.cPlayList()->PlayVideo(trip);
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg");
    EXPECT_EQ(w.panelStatus->text(), "Intro - Part 1");
    EXPECT_EQ(w.panelPlayStatus->text(), "Playing");

    w.cPlay()->Pause();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg (Paused)");
    EXPECT_EQ(w.panelPlayStatus->text(), "Paused");
    w.cPlay()->StopPlaying();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player. trip.mpg (Stopped)");
    EXPECT_EQ(w.panelPlayStatus->text(), "Stopped");

    const QString other = file("videos/other.mpg");
    SimulatedMedia plain;
    plain.title = "Intro";
    control->Script(other, plain);
    w.cPlayList()->PlayVideo(other);
    EXPECT_EQ(w.panelStatus->text(), "Intro");

    const QString missing = dir.filePath("videos/gone.mpg");
    w.cPlayList()->PlayVideo(missing);
    EXPECT_EQ(w.panelStatus->text(), "Not Found: " + missing);
}

TEST_F(MainWindowTest, DoneIsFollowedByAnEmptyStatusTwentySecondsLater) {
    frmLumadeck& w = start();
    const QString clip = file("clip.mpg");
    SimulatedMedia media;
    media.title = "Clip";
    control->Script(clip, media);
    w.cPlayList()->PlayVideo(clip);
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
    EXPECT_EQ(captions(w.mnuPopup), QStringList({"Show Playlist"}));

    const QString a = file("a.mpg"), b = file("b.mpg"), c = file("c.mpg");
    for (const QString& f : {a, b, c}) {
        w.cPlayList()->Add(f, false);
    }
    w.cPlayList()->PlayVideoByIndex(1, 0);
    ASSERT_EQ(w.cPlayList()->CurrentFileIndex(), 1);

    const QRect panel = w.panelPlaylist->geometry();
    EXPECT_FALSE(w.StatusBarPressed(w.panelStatus->geometry().center(), QPoint()));
    w.mnuPopup->hide();
    ASSERT_TRUE(w.StatusBarPressed(QPoint(panel.left() + panel.width(), 2), QPoint(10, 10)));
    w.mnuPopup->hide();
    EXPECT_EQ(captions(w.mnuPopup), QStringList({"Show Playlist", "a.mpg", "b.mpg", "c.mpg"}));
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
    EXPECT_EQ(w.cPlay()->FileName(), c);
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
    const QString withCodecs = file("a.avi"), without = file("b.wav");
    SimulatedMedia avi;
    avi.codecs = {{"MPEG-4 video", true, ""}, {"MPEG-1 Layer 3 (MP3)", true, ""}};
    control->Script(withCodecs, avi);
    SimulatedMedia none;
    control->Script(without, none);
    w.cPlayList()->PlayVideo(withCodecs);
    w.HelpMenuOpening();
    EXPECT_TRUE(w.mnuCodecs->isEnabled());
    w.cPlayList()->PlayVideo(without);
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

    // "No" keeps the positions; the question is asked exactly so.
    dialogs.answers = {MsgAnswer::No};
    w.mnuClearPos->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Clear Saved Positions");
    EXPECT_EQ(dialogs.boxes[0].text, "This will clear all the saved positions of videos that "
                                     "you have played.\r\nDo you want to proceed?");
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);

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

    w.close();
    flushDeletes();
    EXPECT_EQ(saved("SaveVideoPosition"), "False");
    EXPECT_EQ(saved("EnableCDNotify"), "False");
}

TEST_F(MainWindowTest, ZoomItemsAndTheViewMenusCheckMark) {
    frmLumadeck& w = start();
    w.mnuZoom[2]->trigger();
    EXPECT_EQ(g::DisplaySize, 2);
    EXPECT_EQ(w.cPlay()->lZoom(), 2);
    w.SyncZoomMenu();
    EXPECT_TRUE(w.mnuZoom[2]->isChecked());
    EXPECT_FALSE(w.mnuZoom[0]->isChecked());
    // The mark follows the player when it changes its size elsewhere.
    w.cPlay()->SetlZoom(9);
    w.SyncZoomMenu();
    EXPECT_TRUE(w.mnuZoom[3]->isChecked());
    EXPECT_EQ(g::DisplaySize, 3);
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
    const QString clip = file("movie.mpg");
    w.cPlayList()->PlayVideo(clip);
    EXPECT_TRUE(w.isVisible()); // the first file brings the video window back
    w.Timer1_Timer();
    EXPECT_EQ(Forms::ThinPlayer->lblCurrFile->text(), "movie.mpg");
    EXPECT_EQ(Forms::ThinPlayer->lblPosition->text(), "0:00/1:00");

    // Closing the video window in compact mode only hides it.
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(Forms::Lumadeck.isLoaded());

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

TEST_F(MainWindowTest, ExitEndsTheProgramEvenInCompactMode) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    EXPECT_FALSE(w.isVisible());
    w.ExitProgram();
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    EXPECT_EQ(saved("ThinClient"), "True");
}
