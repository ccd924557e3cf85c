// The program's start, options, caption, panels (untrusted text shown as it is), popup and
// commands, the playlist window it runs, and the compact mode with every way out of it.
#include "../support/MainWindowFixture.h"
#include "app/MediaTypes.h"
#include "playlist/PlayListModel.h"
#include "playlist/frmPlaylist.h"
#include "skin/LabelButton.h"

#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

frmPlaylist* playlistWindow() {
    return Forms::Playlist.ifLoaded();
}
bool showVideoIconShown() {
    return Forms::ThinPlayer->findChild<QWidget*>("imgShowVideo")
        ->isVisibleTo(Forms::ThinPlayer.ifLoaded());
}

// Presses a label button of the compact window and, once its menu is up,
// triggers the item with that text (or just closes the menu).
void chooseFromLabel(int n, const QString& item) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, item] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            timer->stop();
            timer->deleteLater();
            popup->close();
            for (QAction* a : popup->actions()) {
                if (a->text() == item) {
                    a->trigger();
                }
            }
        }
    });
    timer->start(10);
    auto* label = Forms::ThinPlayer->findChild<LabelButton*>(QString("lblButtons%1").arg(n));
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
}

} // namespace

// Only the exact text "True" is true; a size is a rounded number or 0.
TEST_F(MainWindowTest, OptionsAreReadInOrderFromTheirTextsWithDefaultsForTheRest) {
    const QStringList flags = {"EnableCDNotify", "SaveVideoPosition", "ShowControlsOnFullScreen",
                               "ThinClient"};
    const auto values = [] {
        return QList<bool>{g::EnableCDNotify, g::SaveVideoPosition, g::ShowControlsOnFullScreen,
                           g::ThinClient};
    };
    store.values.clear();
    g::EnableCDNotify = g::SaveVideoPosition = g::ShowControlsOnFullScreen = false;
    g::ThinClient = true;
    g::LoadSettings();
    EXPECT_EQ(values(), QList<bool>({true, true, true, false}));
    for (const QString& text : QStringList{"true", "1", "True"}) {
        for (const QString& key : flags) {
            stored(key, text);
        }
        g::LoadSettings();
        EXPECT_EQ(values(), QList<bool>(4, text == "True")) << text.toStdString();
    }
    const std::pair<QString, long> sizes[] = {{"", 0},           {" 3 ", 3},   {"2.5", 2},
                                              {"3.5", 4},        {"1e400", 0}, {"12abc", 0},
                                              {"99999999999", 0}};
    for (const auto& [text, expected] : sizes) {
        stored("DisplaySize", text);
        g::LoadSettings();
        EXPECT_EQ(g::DisplaySize, expected) << "stored text: '" << text.toStdString() << "'";
    }
}

TEST_F(MainWindowTest, StartsInOrderAndItsOptionsMenusFlipTheOptionsClosingSavesThemOnce) {
    stored("ShowControlsOnFullScreen", "False");
    stored("DisplaySize", "7"); // out of range: fills the window, shown as custom
    stored("EnableCDNotify", "True");
    mdlCDNotify::bHooked = true;
    g::ThinClient = true; // LoadSettings must put this right before the splash shows
    bool splashShownDuringLoad = false, optionsLoadedBeforeSplash = false, flagClearedFirst = false;
    g::Main([&](const QString& step) {
        flagClearedFirst |= step == "LoadSettings" && !mdlCDNotify::bHooked;
        optionsLoadedBeforeSplash |= step == "ShowSplash" && !g::ThinClient;
        splashShownDuringLoad |=
            step == "LoadMainWindow" && Forms::Splash.isLoaded() && Forms::Splash->isVisible();
    });
    EXPECT_TRUE(flagClearedFirst && optionsLoadedBeforeSplash && splashShownDuringLoad &&
                !Forms::Splash.isLoaded());
    frmLumadeck& w = *Forms::Lumadeck.ifLoaded();
    EXPECT_TRUE(w.isVisible() && !Forms::ThinPlayer->isVisible());
    EXPECT_FALSE(action(w, "mnuHidePlaylist")->isVisible() || action(w, "stop")->isVisible());
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled() && !action(w, "mnuStop")->isEnabled());
    // No drive: one visible drive menu says so.
    EXPECT_EQ(
        texts(w.menuBar()->actions(), true),
        QStringList({"&File", "&Options", "&View", "No Drives Found", "&Play List", "&Help"}));
    QAction* controls = action(w, "mnuShowControls");
    EXPECT_TRUE(controls->isCheckable());
    for (const bool on : {false, true, false}) {
        EXPECT_TRUE(controls->isChecked() == on && w.cPlay()->EnableFullScreenControls() == on &&
                    g::ShowControlsOnFullScreen == on)
            << on;
        controls->trigger();
    }
    EXPECT_TRUE(action(w, "mnuVideoResume")->isChecked());
    action(w, "mnuVideoResume")->trigger();
    EXPECT_FALSE(action(w, "mnuVideoResume")->isChecked() || g::SaveVideoPosition);
    dialogs.answers = {MsgAnswer::No};
    action(w, "mnuClearPos")->trigger();
    EXPECT_EQ(dialogs.boxes.value(0).title, "Clear Saved Positions");
    // Notification asked for again at the start; switched off, and on where nothing can be
    // watched: the mark stays off.
    QAction* notify = action(w, "mnuEnableCDNotification");
    EXPECT_TRUE(notify->isChecked() && mdlCDNotify::bHooked);
    drives.SetWatchable(false);
    notify->trigger();
    notify->trigger();
    EXPECT_FALSE(notify->isChecked() || mdlCDNotify::bHooked || g::EnableCDNotify);
    // The zoom mark follows the player, also when it changes its size elsewhere.
    EXPECT_TRUE(action(w, "mnuZoom3")->isChecked());
    action(w, "mnuZoom2")->trigger();
    EXPECT_EQ(w.cPlay()->lZoom(), ZoomIndex::Double);
    w.SyncZoomMenu();
    EXPECT_TRUE(action(w, "mnuZoom2")->isChecked() && !action(w, "mnuZoom3")->isChecked());
    w.cPlay()->SetlZoom(ZoomIndex(9));
    w.SyncZoomMenu();
    EXPECT_TRUE(action(w, "mnuZoom3")->isChecked());

    // Closing asks about the changed playlist while the window is still shown,
    // then saves the options as they are now, once each and in order.
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(playlist("list.m3u", {clip("a.mpg")})));
    w.cPlayList()->Add(clip("b.mpg"), true);
    QStringList asked;
    dialogs.whileShown = [&](const auto& box) { asked << box.title + (w.isVisible() ? "+" : ""); };
    dialogs.answers = {MsgAnswer::No};
    store.writes.clear();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(asked, QStringList({"Save Playlist+"}));
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded() || Forms::ThinPlayer.isLoaded());
    EXPECT_EQ(store.writes, QStringList({"EnableCDNotify", "SaveVideoPosition",
                                         "ShowControlsOnFullScreen", "DisplaySize", "ThinClient"}));
    EXPECT_EQ(saved("SaveVideoPosition") + saved("ShowControlsOnFullScreen") +
                  saved("DisplaySize") + saved("EnableCDNotify"),
              "FalseTrue3False");
}

TEST_F(MainWindowTest, PopupCaptionPanelsAndCommandsFollowThePlaylistShowingUntrustedTextAsIs) {
    boundMemory();
    frmLumadeck& w = start();
    w.resize(640, 480);
    w.show();
    QCoreApplication::processEvents();
    clsPlayList& pl = *w.cPlayList();
    // The status bar's popup: names with a shortcut mark, a tab and markup show
    // as their characters, the current one checked.
    const QStringList names = {"a.mpg", "&Play\tnow.mpg", R"(<b>x<img src="zero">.mpg)"};
    for (const QString& name : names) {
        pl.Add(file(name), false);
    }
    pl.PlayVideoByIndex(1, 0);
    const QRect panel = label(w, "playlist")->geometry();
    EXPECT_FALSE(w.StatusBarPressed(label(w, "status")->geometry().center(), QPoint()));
    ASSERT_TRUE(w.StatusBarPressed(QPoint(panel.left() + panel.width(), 2), QPoint(10, 10)));
    menu(w, "mnuPopup")->hide();
    const QList<QAction*> items = menu(w, "mnuPopup")->actions();
    ASSERT_EQ(items.size(), 4);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(items[i]->iconText(), QString(names[i - 1]).remove('\t'));
        EXPECT_TRUE(QKeySequence::mnemonic(items[i]->text()).isEmpty()) << i;
        EXPECT_EQ(items[i]->isChecked(), i == 2) << i;
    }
    // The current entry resumes where it is.
    w.cPlay()->Pause();
    control->calls.clear();
    items[2]->trigger();
    EXPECT_TRUE(control->calls.value(0) == "Play" && pl.CurrentFileIndex() == 1);
    // A list of thousands: the popup holds only what a screen shows, the current one checked.
    for (int i = 0; i < 3000; ++i) {
        pl.Add(dir.filePath(QString("n%1.mpg").arg(i)), false);
    }
    ASSERT_TRUE(w.StatusBarPressed(QPoint(panel.left() + panel.width(), 2), QPoint(10, 10)));
    QMenu* popup = menu(w, "mnuPopup");
    popup->hide();
    const QList<QAction*> rows = popup->actions();
    EXPECT_GT(rows.size(), 4);
    EXPECT_LE(rows.size() * popup->actionGeometry(rows[1]).height(),
              w.screen()->availableGeometry().height());
    EXPECT_TRUE(rows[2]->isChecked());

    // A tag title and comment that once made whole panels vanish.
    const QString title = QStringLiteral(R"(<h1>BIG</h1><a href="file:///etc">x</a>)");
    const QString comment = QStringLiteral(R"(<img src="/dev/zero" width="4000">)");
    pl.PlayVideo(clip("videos/trip[*].mpg", title, comment));
    QCoreApplication::processEvents();
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. trip[*].mpg");
    expectLiteral(label(w, "status"), title + " - " + comment);
    EXPECT_EQ(shown(label(w, "playstatus")), "Playing");
    for (QLabel* panel : {label(w, "playstatus"), label(w, "status"), label(w, "playlist")}) {
        EXPECT_TRUE(panel->isVisible() && panel->width() > 0) << panel->objectName().toStdString();
        EXPECT_TRUE(named<QStatusBar>(w, "StatusBar1")->rect().contains(panel->geometry()));
    }
    w.cPlay()->Pause();
    EXPECT_EQ(w.windowHandle()->title(), "Lumadeck Player. trip[*].mpg (Paused)");
    // A missing file whose folders spell out markup, and the engine's error.
    const QString missing = dir.filePath(kMarkup + ".mpg");
    pl.PlayVideo(missing);
    expectLiteral(label(w, "status"), "Not Found: " + missing);
    pl.PlayVideo(failing("broken.mpg", kMarkup));
    EXPECT_TRUE(label(w, "status")->text().contains(kMarkup));
    expectLiteral(label(w, "status"), label(w, "status")->text());

    // Opening media and playlists from the last file's folder; Help and its failures.
    dialogs.boxes.clear();
    const QString first = file("MPEGAV/AVSEQ01.DAT");
    const QString list = playlist("Party.M3U", {first, file("clips/two.mpg")});
    dialogs.files = {first, list};
    w.OpenVideoFile();
    EXPECT_EQ(w.cPlay()->FileName(), first);
    w.OpenVideoFile();
    EXPECT_EQ(pl.PlayListFileName(), list);
    w.OpenVideoFile(); // cancelled: nothing changes
    EXPECT_EQ(pl.cFiles().Count(), 2);
    ASSERT_EQ(dialogs.fileDialogs.size(), 3);
    EXPECT_EQ(dialogs.fileDialogs[0].request.initialFolder + "|" +
                  dialogs.fileDialogs[1].request.initialFolder,
              "|" + dir.filePath("MPEGAV"));

    w.ShowHelpContents(); // no help page beside the program
    const QString page = file("program/Lumadeck.html");
    w.ShowHelpContents();
    EXPECT_EQ(opener.requests.value(0).first, page);
    opener.result = IDocumentOpener::NoAssociation;
    w.ShowHelpContents();
    EXPECT_EQ(dialogs.boxes.value(0).text + "|" + dialogs.boxes.value(1).text,
              "File not found|No association for file extension");
}

// Only the main window's open dialog offers playlists and disc images; a trailing "|" and
// empty pattern lists are dropped, "*.*" is every file.
TEST(MediaTypes, ExtensionsAndDialogFilters) {
    using namespace MediaTypes;
    EXPECT_TRUE(IsMediaExtension("VOB") && IsMediaExtension("dat") && IsMediaExtension("au"));
    EXPECT_FALSE(IsMediaExtension("mp4") || IsMediaExtension(".mpg") || IsMediaExtension("mpga"));
    EXPECT_EQ(ToQtFilter(BuildFileFilter(false)).split(";;").size(), 4);
    EXPECT_EQ(ToQtFilter(BuildFileFilter(true)).split(";;").size(), 6);
    EXPECT_EQ(ToQtFilter("Lists (*.m3u)|*.m3u|Nothing|"), "Lists (*.m3u *.M3U)");
    EXPECT_EQ(ToQtFilter("All|*.mpg;*.*"), "All (*)");
}

TEST_F(ProgramWindowsFixture, PlaylistWindowIsShownHiddenAndUnloadedWithTheProgram) {
    frmLumadeck& w = start();
    w.cPlayList()->Add(file("a.mpg"), false);
    w.cPlayList()->Add(file("b.mpg"), false);
    // Shown by the toolbar and the popup's first item, hidden by the menu and its close button.
    w.RebuildPopupPlaylist();
    for (int i = 0; i < 2; ++i) {
        (i == 0 ? action(w, "playlist") : menu(w, "mnuPopup")->actions().value(0))->trigger();
        ASSERT_NE(playlistWindow(), nullptr);
        EXPECT_TRUE(playlistWindow()->isVisible() && !playlistWindow()->IsUnloaded());
        EXPECT_EQ(playlistWindow()->Model()->rowCount(), 2);
        EXPECT_TRUE(action(w, "mnuHidePlaylist")->isVisible());
        EXPECT_FALSE(action(w, "mnuShowPlaylist")->isVisible());
        i == 0 ? action(w, "mnuHidePlaylist")->trigger()
               : playlistWindow()->findChild<QAbstractButton*>("skinButtonClose")->click();
        EXPECT_FALSE(w.cPlayList()->bPLShown() || action(w, "mnuHidePlaylist")->isVisible());
        EXPECT_TRUE(action(w, "mnuShowPlaylist")->isVisible());
        flushDeletes();
        EXPECT_EQ(playlistWindow(), nullptr);
    }
    // The program's end unloads the window and its helper.
    action(w, "mnuShowPlaylist")->trigger();
    QPointer<frmPlaylist> window = playlistWindow();
    ASSERT_TRUE(window && Forms::Helper.isLoaded());
    w.ExitProgram();
    flushDeletes();
    EXPECT_TRUE(window.isNull() && !Forms::Helper.isLoaded());
}

TEST_F(ProgramWindowsFixture, ModeSwitchRunsOnTheNextTickAndTheCompactLabelsFollowThePlayer) {
    boundMemory();
    frmLumadeck& w = start();
    const QStringList menus = texts(w.menuBar()->actions(), true);
    action(w, "mnuClassic")->trigger();
    EXPECT_TRUE(g::ThinClient && w.isVisible()); // not before the tick
    EXPECT_EQ(timer(w)->Tag, TimerTag::ShowModeWindow);
    w.Timer1_Timer();
    EXPECT_FALSE(w.isVisible() || w.menuBar()->isVisible()); // nothing plays: the video window goes
    EXPECT_TRUE(Forms::ThinPlayer->isVisible() && showVideoIconShown());

    // A file brings the video window back, under its top; the labels show its name as it is.
    const QString name = QStringLiteral(R"(<h1>x<img src="zero">.mpg)"); // no "/" in a name
    w.cPlayList()->PlayVideo(clip(name));
    EXPECT_TRUE(w.isVisible());
    w.Timer1_Timer();
    auto* video = named<MediaControl>(w, "MediaPlayer1"); // the picture
    ASSERT_TRUE(video && video->isVisibleTo(&w));
    EXPECT_EQ(video->y(), 0);
    expectLiteral(label(*Forms::ThinPlayer.ifLoaded(), "lblCurrFile"), name);
    EXPECT_EQ(shown(label(*Forms::ThinPlayer.ifLoaded(), "lblPosition")), "0:00/1:00");

    // Back: every menu comes back as it was, the video below the toolbar.
    action(w, "mnuClassic")->trigger();
    w.Timer1_Timer();
    EXPECT_TRUE(w.isVisible() && !Forms::ThinPlayer->isVisible());
    EXPECT_EQ(texts(w.menuBar()->actions(), true), menus);
    EXPECT_TRUE(video->y() >= w.cPlay()->FormTopMargin() && w.cPlay()->FormTopMargin() > 0);

    // Compact again: the bar's Options menu applies the mode again without hiding
    // the window or showing the icon; its View menu runs the main window's handler.
    action(w, "mnuClassic")->trigger();
    w.Timer1_Timer();
    ASSERT_TRUE(Forms::ThinPlayer->isVisible());
    w.show();
    Forms::ThinPlayer->findChild<QWidget*>("imgShowVideo")->hide();
    chooseFromLabel(1, "");
    EXPECT_TRUE(w.isVisible() && !showVideoIconShown());
    chooseFromLabel(2, "&Legacy Mode");
    EXPECT_FALSE(g::ThinClient);
    EXPECT_EQ(timer(w)->Tag, TimerTag::ShowModeWindow);
}

TEST_F(ProgramWindowsFixture, EveryWayOutOfTheCompactModeEndsTheProgramAndStoresTheMode) {
    stored("ThinClient", "True");
    const std::pair<const char*, std::function<void(frmLumadeck&)>> doors[] = {
        {"the bar's File menu", [](frmLumadeck&) { chooseFromLabel(0, "E&xit"); }},
        {"Alt+F4 on the bar",
         [](frmLumadeck&) { Forms::ThinPlayer->HandleKey(Qt::Key_F4, Qt::AltModifier); }},
        {"closing the video window hides it, closing the bar ends",
         [this](frmLumadeck& w) {
             w.show();
             EXPECT_FALSE(w.close());
             EXPECT_TRUE(Forms::Lumadeck.isLoaded() && !w.isVisible() && store.writes.isEmpty());
             Forms::ThinPlayer->close();
         }},
    };
    for (const auto& [what, leave] : doors) {
        SCOPED_TRACE(what);
        frmLumadeck& w = start();
        EXPECT_FALSE(w.isVisible()); // started compact: only the bar shows
        EXPECT_TRUE(Forms::ThinPlayer->isVisible() && showVideoIconShown());
        store.writes.clear();
        leave(w);
        flushDeletes();
        EXPECT_FALSE(Forms::Lumadeck.isLoaded() || Forms::ThinPlayer.isLoaded());
        EXPECT_TRUE(store.writes.contains("ThinClient"));
        EXPECT_EQ(saved("ThinClient"), "True");
    }
}
