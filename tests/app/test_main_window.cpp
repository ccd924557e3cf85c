// The program's start and the classic main window: options, caption, panels
// (untrusted text shown as it is), the popup, the file dialogs and commands.
#include "../support/MainWindowFixture.h"
#include "app/MediaTypes.h"
#include "platform/QtDialogs.h"
#include "testing/WitnessDialogs.h"

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
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(Forms::ThinPlayer->isVisible());
    EXPECT_FALSE(action(w, "mnuHidePlaylist")->isVisible());
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_FALSE(action(w, "mnuStop")->isEnabled());
    EXPECT_TRUE(action(w, "mnuShowControls")->isCheckable());
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
    for (const QString& text : QStringList{"true", "1", "True"}) {
        for (const char* key :
             {"EnableCDNotify", "SaveVideoPosition", "ShowControlsOnFullScreen", "ThinClient"}) {
            stored(key, text);
        }
        g::LoadSettings();
        EXPECT_EQ(flagValues(), QList<bool>(4, text == "True")) << text.toStdString();
    }
    const std::pair<QString, long> sizes[] = {{"7", 7},          {" 3 ", 3},   {"2.5", 2},
                                              {"3.5", 4},        {"1e400", 0}, {"12abc", 0},
                                              {"99999999999", 0}};
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
    // All three panels stay in the status bar.
    for (QLabel* panel : {label(w, "playstatus"), label(w, "status"), label(w, "playlist")}) {
        EXPECT_TRUE(panel->isVisible() && panel->width() > 0) << panel->objectName().toStdString();
        EXPECT_TRUE(named<QStatusBar>(w, "StatusBar1")->rect().contains(panel->geometry()));
    }
    w.cPlay()->Pause();
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. trip[*].mpg (Paused)");
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

TEST_F(MainWindowTest, StatusBarPopupListsTheEntriesByNameWithTheCurrentOneChecked) {
    frmLumadeck& w = start();
    w.resize(640, 480);
    QCoreApplication::processEvents();
    // Names with a shortcut mark, a tab and markup show as their characters.
    const QStringList names = {"a.mpg", "&Play\tnow.mpg", R"(<b>x<img src="zero">.mpg)"};
    for (const QString& name : names) {
        w.cPlayList()->Add(file(name), false);
    }
    w.cPlayList()->PlayVideoByIndex(1, 0);
    ASSERT_EQ(w.cPlayList()->CurrentFileIndex(), 1);

    const QRect panel = label(w, "playlist")->geometry();
    EXPECT_FALSE(w.StatusBarPressed(label(w, "status")->geometry().center(), QPoint()));
    ASSERT_TRUE(w.StatusBarPressed(QPoint(panel.left() + panel.width(), 2), QPoint(10, 10)));
    menu(w, "mnuPopup")->hide();
    const QList<QAction*> items = menu(w, "mnuPopup")->actions();
    ASSERT_EQ(items.size(), 4);
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
    for (const char* ext : {"VOB", "Mpg", "dat", "wav", "au", "MP2"}) {
        EXPECT_TRUE(IsMediaExtension(ext)) << ext;
    }
    for (const char* ext : {"mp4", "m3u", "", ".mpg", "mpg ", "mpga"}) {
        EXPECT_FALSE(IsMediaExtension(ext)) << "'" << ext << "'";
    }
    // Only the main window's open dialog offers playlists and disc images.
    EXPECT_EQ(ToQtFilter(BuildFileFilter(false)).split(";;").size(), 4);
    EXPECT_EQ(ToQtFilter(BuildFileFilter(true)).split(";;").size(), 6);
    // A trailing "|" and empty pattern lists are dropped, not shown broken.
    EXPECT_EQ(ToQtFilter("Play Lists (*.m3u)|*.m3u|"), "Play Lists (*.m3u *.M3U)");
    EXPECT_EQ(ToQtFilter("Nothing|"), "");
}

TEST_F(MainWindowTest, HelpContentsAndItsFailures) {
    frmLumadeck& w = start();
    w.ShowHelpContents(); // no help page beside the program
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text, "File not found");

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
    EXPECT_TRUE(action(w, "mnuShowControls")->isChecked());
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
    EXPECT_EQ(saved("SaveVideoPosition"), "False");
    EXPECT_EQ(saved("ShowControlsOnFullScreen"), "True");
}

TEST_F(MainWindowTest, ZoomItemsAndTheViewMenusCheckMark) {
    stored("DisplaySize", "7"); // out of range: fills the window, shown as custom
    frmLumadeck& w = start();
    EXPECT_TRUE(action(w, "mnuZoom3")->isChecked());
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
