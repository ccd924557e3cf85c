// The program's start and the classic main window: options, caption, panels
// (untrusted text shown as it is), the popup, the file dialogs and commands.
#include "MainWindowFixture.h"
#include "app/MediaTypes.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

QList<bool> flagValues() {
    return {g::EnableCDNotify, g::SaveVideoPosition, g::ShowControlsOnFullScreen, g::ThinClient};
}

} // namespace

TEST_F(MainWindowTest, StartUpStepsRunInOrderWithTheSplashUpWhileTheMainWindowLoads) {
    mdlCDNotify::bHooked = true;
    QStringList steps;
    bool splashShownDuringLoad = false, optionsLoadedBeforeSplash = false, flagClearedFirst = false;
    stored("EnableCDNotify", "True");
    g::ThinClient = true; // LoadSettings must put this right before the splash shows
    g::Main([&](const QString& step) {
        steps.append(step);
        if (step == "LoadSettings") {
            flagClearedFirst = !mdlCDNotify::bHooked;
        } else if (step == "ShowSplash") {
            optionsLoadedBeforeSplash = !g::ThinClient;
        } else if (step == "LoadMainWindow") {
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

TEST_F(MainWindowTest, LoadsWithItsMenusPanelsAndOptions) {
    stored("ShowControlsOnFullScreen", "False");
    frmLumadeck& w = start();
    EXPECT_EQ(w.windowTitle(), "Lumadeck Player.");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(Forms::ThinPlayer->isVisible());
    EXPECT_EQ(label(w, "playstatus")->text(), "Idle");
    EXPECT_EQ(label(w, "status")->text(), "");
    EXPECT_EQ(label(w, "playlist")->text(), "Playlist (Click Here)");
    // Separators stand where they group the commands.
    EXPECT_EQ(texts(menu(w, "mnuFile")->actions()).indexOf("-"), 3);
    EXPECT_EQ(texts(menu(w, "mnuView")->actions()).lastIndexOf("-"), 3);
    EXPECT_EQ(action(w, "mnuFull")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_FALSE(action(w, "mnuHidePlaylist")->isVisible());
    EXPECT_FALSE(action(w, "mnuCodecs")->isEnabled());
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_FALSE(action(w, "mnuStop")->isEnabled());
    EXPECT_FALSE(action(w, "stop")->isVisible());
    EXPECT_FALSE(action(w, "mnuShowControls")->isChecked());
    EXPECT_FALSE(w.cPlay()->EnableFullScreenControls());
    EXPECT_TRUE(action(w, "mnuVideoResume")->isChecked());
    EXPECT_FALSE(action(w, "mnuEnableCDNotification")->isChecked());
    EXPECT_TRUE(action(w, "mnuZoom0")->isChecked());
    // No drive: one visible drive menu says so.
    EXPECT_EQ(
        texts(w.menuBar()->actions(), true),
        QStringList({"&File", "&Options", "&View", "No Drives Found", "&Play List", "&Help"}));
}

TEST_F(MainWindowTest, OptionsAreReadInOrderFromTheirTextsWithDefaultsForTheRest) {
    store.values.clear();
    g::EnableCDNotify = g::SaveVideoPosition = g::ShowControlsOnFullScreen = false;
    g::ThinClient = true;
    g::DisplaySize = 99;
    g::LoadSettings();
    EXPECT_EQ(flagValues(), QList<bool>({true, true, true, false}));
    EXPECT_EQ(g::DisplaySize, 0);
    EXPECT_EQ(store.reads, QStringList({"EnableCDNotify", "SaveVideoPosition",
                                        "ShowControlsOnFullScreen", "ThinClient", "DisplaySize"}));
    // Only the exact text "True" is true.
    for (const QString& text : QStringList{"true", "TRUE", "1", "", "False", "True"}) {
        for (const char* key :
             {"EnableCDNotify", "SaveVideoPosition", "ShowControlsOnFullScreen", "ThinClient"}) {
            stored(key, text);
        }
        g::LoadSettings();
        EXPECT_EQ(flagValues(), QList<bool>(4, text == "True")) << text.toStdString();
    }
    const std::pair<QString, long> sizes[] = {
        {"0", 0},   {"2", 2},   {"7", 7}, {"-1", -1},   {" 3 ", 3},   {"2.5", 2},
        {"3.5", 4}, {"abc", 0}, {"", 0},  {"1e400", 0}, {"12abc", 0}, {"99999999999", 0}};
    for (const auto& [text, expected] : sizes) {
        stored("DisplaySize", text);
        g::LoadSettings();
        EXPECT_EQ(g::DisplaySize, expected) << "stored text: '" << text.toStdString() << "'";
    }
    g::DisplaySize = -1; // a negative size goes back as it came
    g::SaveSettings();
    EXPECT_EQ(saved("DisplaySize"), "-1");
    g::LoadSettings();
    EXPECT_EQ(g::DisplaySize, -1);
}

TEST_F(MainWindowTest, CaptionAndPanelsFollowThePlaylistAndShowUntrustedTextAsIs) {
    boundMemory();
    // A tag title and comment that once made whole panels vanish.
    const QString title = QStringLiteral(R"(<h1>BIG</h1><a href="file:///etc">x</a>)");
    const QString comment = QStringLiteral(R"(<img src="/dev/zero" width="4000">)");
    frmLumadeck& w = start();
    w.show();
    clsPlayList& pl = *w.cPlayList();
    pl.PlayVideo(clip("videos/trip[*].mpg", title, comment));
    QCoreApplication::processEvents();
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. trip[*].mpg");
    expectLiteral(label(w, "status"), title + " - " + comment);
    EXPECT_EQ(shown(label(w, "playstatus")), "Playing");
    // All three panels stay in the status bar, side by side.
    for (QLabel* panel : {label(w, "playstatus"), label(w, "status"), label(w, "playlist")}) {
        SCOPED_TRACE(panel->objectName().toStdString());
        EXPECT_TRUE(panel->isVisible());
        EXPECT_GT(panel->width(), 0);
        EXPECT_TRUE(named<QStatusBar>(w, "StatusBar1")->rect().contains(panel->geometry()));
    }
    w.cPlay()->Pause();
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. trip[*].mpg (Paused)");
    EXPECT_EQ(label(w, "playstatus")->text(), "Paused");
    w.cPlay()->StopPlaying();
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. trip[*].mpg (Stopped)");
    EXPECT_EQ(label(w, "playstatus")->text(), "Stopped");

    pl.PlayVideo(clip("videos/other.mpg", "Intro"));
    EXPECT_EQ(label(w, "status")->text(), "Intro");
    // A missing file whose folders spell out markup, and a playlist line.
    const QString missing = dir.filePath(kMarkup + ".mpg");
    pl.PlayVideo(missing);
    expectLiteral(label(w, "status"), "Not Found: " + missing);
    ASSERT_TRUE(pl.LoadPlayList(playlist("list.m3u", {kMarkup})));
    expectLiteral(label(w, "status"), "Not Found: " + kMarkup);
    // The engine's error text.
    pl.PlayVideo(failing("broken.mpg", kMarkup));
    EXPECT_TRUE(label(w, "status")->text().contains(kMarkup))
        << label(w, "status")->text().toStdString();
    expectLiteral(label(w, "status"), label(w, "status")->text());
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

TEST_F(MainWindowTest, StatusBarPopupListsTheEntriesByNameWithTheCurrentOneChecked) {
    frmLumadeck& w = start();
    w.resize(640, 480);
    QCoreApplication::processEvents();
    w.RebuildPopupPlaylist(); // empty playlist: only the first item
    EXPECT_EQ(texts(menu(w, "mnuPopup")->actions()), QStringList({"Show Playlist"}));
    // Names with a shortcut mark, a tab and markup show as their characters.
    const QStringList names = {"a.mpg", "&Play\tnow.mpg", R"(<b>x<img src="zero">.mpg)"};
    for (const QString& name : names) {
        w.cPlayList()->Add(file(name), false);
    }
    w.cPlayList()->PlayVideoByIndex(1, 0);
    ASSERT_EQ(w.cPlayList()->CurrentFileIndex(), 1);

    const QRect panel = label(w, "playlist")->geometry();
    EXPECT_FALSE(w.StatusBarPressed(label(w, "status")->geometry().center(), QPoint()));
    menu(w, "mnuPopup")->hide();
    ASSERT_TRUE(w.StatusBarPressed(QPoint(panel.left() + panel.width(), 2), QPoint(10, 10)));
    menu(w, "mnuPopup")->hide();
    const QList<QAction*> items = menu(w, "mnuPopup")->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), "Show Playlist");
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(shownMenuText(items[i]->text()), QString(names[i - 1]).remove('\t'));
        EXPECT_TRUE(QKeySequence::mnemonic(items[i]->text()).isEmpty()) << i;
        EXPECT_EQ(items[i]->isChecked(), i == 2) << i;
    }

    // The current entry resumes; another entry plays from its start.
    w.cPlay()->Pause();
    control->calls.clear();
    items[2]->trigger();
    EXPECT_EQ(control->calls.value(0), "Play");
    EXPECT_EQ(w.cPlayList()->CurrentFileIndex(), 1);
    items[3]->trigger();
    EXPECT_EQ(w.cPlayList()->CurrentFileIndex(), 2);
    EXPECT_EQ(w.cPlay()->FileName(), dir.filePath(names[2]));
    EXPECT_EQ(label(w, "playstatus")->text(), "Playing");
}

TEST_F(MainWindowTest, OpenCommandPlaysMediaAndLoadsPlaylistsFromTheLastFilesFolder) {
    frmLumadeck& w = start();
    const QString first = file("MPEGAV/AVSEQ01.DAT");
    const QString list = playlist("Party.M3U", {first, file("clips/two.mpg")});
    dialogs.files = {first, list};
    w.OpenVideoFile();
    EXPECT_EQ(w.cPlay()->FileName(), first);
    w.OpenVideoFile();
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 2);
    EXPECT_EQ(w.cPlayList()->PlayListFileName(), list);
    w.OpenVideoFile(); // cancelled: nothing changes
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 2);
    ASSERT_EQ(dialogs.fileDialogs.size(), 3);
    EXPECT_EQ(dialogs.fileDialogs[0].request.initialFolder, "");
    EXPECT_EQ(dialogs.fileDialogs[0].request.title, "Open Video File");
    EXPECT_EQ(dialogs.fileDialogs[1].request.initialFolder, dir.filePath("MPEGAV"));
}

TEST(MediaTypes, ExtensionsAndDialogFilters) {
    using namespace MediaTypes;
    for (const char* ext : {"VOB", "mpeg", "Mpg", "MPG", "dat", "DAT", "avi", "asf", "wmv", "mpe",
                            "wma", "wav", "au", "mid", "mp3", "MP2"}) {
        EXPECT_TRUE(IsMediaExtension(ext)) << ext;
    }
    for (const char* ext : {"mp4", "m3u", "ogg", "", " mpg", ".mpg", "mpg ", "txt", "mpga"}) {
        EXPECT_FALSE(IsMediaExtension(ext)) << "'" << ext << "'";
    }
    // Only the main window's open dialog offers playlists and disc images.
    EXPECT_EQ(ToQtFilter(BuildFileFilter(false)).split(";;").size(), 4);
    const QStringList entries = ToQtFilter(BuildFileFilter(true)).split(";;");
    ASSERT_EQ(entries.size(), 6);
    EXPECT_TRUE(entries[0].startsWith("All Media Files (*.mp* *.MP* *.dat *.DAT"));
    EXPECT_TRUE(entries[0].endsWith("*.m3u *.M3U)"));
    EXPECT_EQ(entries[3], "Play lists (*.m3u *.M3U)");
    EXPECT_EQ(entries[4], "Video CD Images (*.cue *.CUE *.bin *.BIN)");
    EXPECT_EQ(entries[5], "All Files (*)"); // every file, dot or not
    // A trailing "|" and empty pattern lists are dropped, not shown broken.
    EXPECT_EQ(ToQtFilter("Play Lists (*.m3u)|*.m3u|"), "Play Lists (*.m3u *.M3U)");
    EXPECT_EQ(ToQtFilter("Nothing|"), "");

    RecordingDialogs dialogs;
    ServicesGuard services{{nullptr, &dialogs}};
    // The path chosen comes back as it is: a name may end with a blank.
    dialogs.files = {"/media/VCD/MPEGAV/AVSEQ02.DAT ", "/a.mpg", "/home/u/party.m3u"};
    EXPECT_EQ(ShowOpenDialog(BuildFileFilter(true), "/media/VCD/MPEGAV/AVSEQ01.DAT",
                             "Open Video File", ""),
              "/media/VCD/MPEGAV/AVSEQ02.DAT ");
    EXPECT_EQ(ShowOpenDialog("Play Lists (*.m3u)|*.m3u|", "/trip.mpg", "Load", "m3u"), "/a.mpg");
    EXPECT_EQ(ShowSaveDialog("Play Lists (*.m3u)|*.m3u", "/x/y.m3u", "Save Playlist", "m3u"),
              "/home/u/party.m3u");
    ASSERT_EQ(dialogs.fileDialogs.size(), 3);
    EXPECT_FALSE(dialogs.fileDialogs[0].save);
    EXPECT_EQ(dialogs.fileDialogs[0].request.initialFolder, "/media/VCD/MPEGAV");
    EXPECT_EQ(dialogs.fileDialogs[0].request.defaultSuffix, "");
    EXPECT_EQ(dialogs.fileDialogs[1].request.initialFolder, "/");
    EXPECT_EQ(dialogs.fileDialogs[1].request.defaultSuffix, "m3u");
    EXPECT_TRUE(dialogs.fileDialogs[2].save);
    EXPECT_EQ(dialogs.fileDialogs[2].request.initialFolder, ""); // the initial name is ignored
}

TEST_F(MainWindowTest, HelpContentsAndItsFailures) {
    frmLumadeck& w = start();
    w.ShowHelpContents(); // no help page beside the program
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

TEST_F(MainWindowTest, OptionsCommandsFlipTheirOptionsAndClosingSavesThemOnce) {
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

    // Closing saves the options as they are now, once each and in order.
    store.writes.clear();
    EXPECT_TRUE(w.close());
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    EXPECT_EQ(store.writes, QStringList({"EnableCDNotify", "SaveVideoPosition",
                                         "ShowControlsOnFullScreen", "DisplaySize", "ThinClient"}));
    EXPECT_EQ(saved("EnableCDNotify"), "False");
    EXPECT_EQ(saved("SaveVideoPosition"), "False");
    EXPECT_EQ(saved("ShowControlsOnFullScreen"), "True");
    EXPECT_EQ(saved("ThinClient"), "False");
    // The windows are made afresh after an unload.
    Forms::ThinPlayer.get();
    EXPECT_TRUE(Forms::ThinPlayer.isLoaded());
}

TEST_F(MainWindowTest, ZoomItemsAndTheViewMenusCheckMark) {
    stored("DisplaySize", "7"); // out of range: fills the window, shown as custom
    frmLumadeck& w = start();
    EXPECT_TRUE(action(w, "mnuZoom3")->isChecked());
    EXPECT_FALSE(action(w, "mnuZoom0")->isChecked());
    action(w, "mnuZoom2")->trigger();
    EXPECT_EQ(g::DisplaySize, 2);
    EXPECT_EQ(w.cPlay()->lZoom(), ZoomIndex::Double);
    w.SyncZoomMenu();
    EXPECT_TRUE(action(w, "mnuZoom2")->isChecked());
    EXPECT_FALSE(action(w, "mnuZoom3")->isChecked());
    // The mark follows the player when it changes its size elsewhere.
    w.cPlay()->SetlZoom(ZoomIndex(9));
    w.SyncZoomMenu();
    EXPECT_TRUE(action(w, "mnuZoom3")->isChecked());
    w.close();
    flushDeletes();
    EXPECT_EQ(saved("DisplaySize"), "3");
}

namespace {

// Message boxes that note whether the main window was shown when each came.
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
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(playlist("list.m3u", {clip("a.mpg")})));
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

TEST_F(MainWindowTest, ARealMessageBoxShowsTheErrorAsText) {
    QtDialogs real;
    real.setUseQtDialogs(true);
    Services::setDialogs(&real);
    frmLumadeck& w = start();
    const QString path = failing(kMarkup + ".mpg", "Cannot read <i>it</i>");
    // Answers every box that comes up, noting what it showed.
    QStringList boxTexts, labelsShow;
    QList<Qt::TextFormat> formats;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            boxTexts << box->text();
            labelsShow << (label ? shown(label) : QString());
            formats << box->textFormat();
            box->done(QMessageBox::Ok);
        }
    });
    answer.start(10);
    w.cPlayList()->PlayVideo(path);
    answer.stop();
    Services::setDialogs(&dialogs);

    ASSERT_FALSE(boxTexts.isEmpty());
    EXPECT_TRUE(boxTexts[0].contains(path)) << boxTexts[0].toStdString();
    EXPECT_TRUE(boxTexts[0].contains("Cannot read <i>it</i>"));
    EXPECT_EQ(formats[0], Qt::PlainText);
    EXPECT_EQ(labelsShow[0], boxTexts[0]);
}
