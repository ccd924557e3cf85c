// The playlist window and the codec window inside the program: shown and
// hidden by the main window's commands, refreshed on the controller's
// events, and driven by the helper window's menus.
#include "MainWindowFixture.h"
#include "app/ProgramWindows.h"
#include "player/frmCodecs.h"
#include "playlist/PlayListModel.h"
#include "playlist/frmPlaylist.h"
#include "skin/LabelButton.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class ProgramWindowsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        windows.Install(Environment());
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        Forms::Codecs.unload();
        flushDeletes();
    }
    static QAction* action(QWidget& w, const QString& text) {
        for (QAction* a : w.findChildren<QAction*>()) {
            if (a->text() == text) {
                return a;
            }
        }
        ADD_FAILURE() << "no action " << text.toStdString();
        return nullptr;
    }
    static frmPlaylist* playlistWindow() { return Forms::Playlist.ifLoaded(); }
    static bool enabled(PlayListButton b) { return playlistWindow()->Button(b)->isEnabled(); }

    ProgramWindows windows;
};

} // namespace

TEST_F(ProgramWindowsTest, ToolbarShowsThePlaylistWindowAndHideUnloadsIt) {
    frmLumadeck& w = start();
    for (const char* name : {"a.mpg", "b.mpg"}) {
        w.cPlayList()->Add(file(name), false);
    }
    w.findChild<QAction*>("playlist")->trigger();
    frmPlaylist* window = playlistWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(0, 0));
    EXPECT_EQ(window->Model()->rowCount(), 2);
    EXPECT_FALSE(action(w, "&Show Playlist")->isVisible());
    EXPECT_TRUE(action(w, "&Hide Playlist")->isVisible());

    action(w, "&Hide Playlist")->trigger();
    EXPECT_FALSE(w.cPlayList()->bPLShown());
    EXPECT_TRUE(action(w, "&Show Playlist")->isVisible());
    EXPECT_FALSE(action(w, "&Hide Playlist")->isVisible());
    flushDeletes();
    EXPECT_EQ(playlistWindow(), nullptr);

    // The close button, then the status-bar popup's first item: a new
    // window, showing the list again.
    action(w, "&Show Playlist")->trigger();
    ASSERT_NE(playlistWindow(), nullptr);
    playlistWindow()->findChild<QAbstractButton*>("skinButtonClose")->click();
    EXPECT_FALSE(w.cPlayList()->bPLShown());
    EXPECT_TRUE(action(w, "&Show Playlist")->isVisible());
    w.PopupPlaylistChosen(0);
    ASSERT_NE(playlistWindow(), nullptr);
    EXPECT_TRUE(playlistWindow()->isVisible());
    EXPECT_FALSE(playlistWindow()->IsUnloaded());
    EXPECT_EQ(playlistWindow()->Model()->rowCount(), 2);
}

TEST_F(ProgramWindowsTest, ButtonsFollowThePlayersStateThroughTheMainWindow) {
    frmLumadeck& w = start();
    const QString a = file("a.mpg");
    w.cPlayList()->Add(a, false);
    w.cPlayList()->ShowPlayList();
    w.cPlayList()->PlayVideoByIndex(0, 0);
    EXPECT_FALSE(enabled(PlayListButton::Play));
    EXPECT_TRUE(enabled(PlayListButton::Pause));
    // Paused from outside the window: the main window's refresh on the
    // controller's event updates the buttons.
    control->Pause();
    EXPECT_TRUE(enabled(PlayListButton::Play));
    EXPECT_FALSE(enabled(PlayListButton::Pause));
    EXPECT_TRUE(enabled(PlayListButton::Stop));

    // The helper's play-control menu runs the window's buttons.
    frmHelper* helper = Forms::Helper.ifLoaded();
    ASSERT_NE(helper, nullptr);
    helper->mnuPlay->trigger();
    EXPECT_EQ(control->PlayState(), PlayStateCode::Playing);
    helper->mnuStop->trigger();
    EXPECT_EQ(control->PlayState(), PlayStateCode::Stopped);
    helper->mnuRemove->trigger();
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 0);
    EXPECT_EQ(playlistWindow()->Model()->rowCount(), 0);
}

TEST_F(ProgramWindowsTest, ClosingTheMainWindowUnloadsThePlaylistWindowAndItsHelper) {
    frmLumadeck& w = start();
    w.cPlayList()->ShowPlayList();
    QPointer<frmPlaylist> window = playlistWindow();
    ASSERT_TRUE(Forms::Helper.isLoaded());
    w.ExitProgram();
    flushDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(Forms::Helper.isLoaded());
}

TEST_F(ProgramWindowsTest, AltF4InThePlaylistWindowEndsTheProgramOnlyInCompactMode) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    QPointer<frmLumadeck> guard(&w);
    w.cPlayList()->ShowPlayList();
    ASSERT_NE(playlistWindow(), nullptr);
    QKeyEvent ctrlAltF4(QEvent::KeyPress, Qt::Key_F4, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::sendEvent(playlistWindow(), &ctrlAltF4);
    EXPECT_TRUE(Forms::Lumadeck.isLoaded());
    QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
    QCoreApplication::sendEvent(playlistWindow(), &altF4);
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_EQ(saved("ThinClient"), "True");
}

TEST_F(ProgramWindowsTest, CodecWindowListsTheClipsCodecsAndKeepsItsRowsWhileOpen) {
    frmLumadeck& w = start();
    const QString wmv = file("a.wmv");
    SimulatedMedia clipWithThree;
    clipWithThree.codecs = {
        {"Windows Media Video 9", true, "apt:gstreamer1.0-libav"},
        {"Windows Media Audio 9 Professional", false, "apt:gstreamer1.0-plugins-bad"},
        {"Windows Media Audio 8", true, "apt:gstreamer1.0-libav"}};
    control->Script(wmv, clipWithThree);
    const QString mpg = file("b.mpg");
    SimulatedMedia clipWithOne;
    clipWithOne.codecs = {{"MPEG-1 Video (avdec_mpeg1video)", true, ""}};
    control->Script(mpg, clipWithOne);

    w.cPlayList()->PlayVideo(wmv);
    QMenu* help = w.findChild<QMenu*>("mnuHelp");
    emit help->aboutToShow();
    QAction* codecs = action(w, "&Codecs In Clip");
    ASSERT_TRUE(codecs->isEnabled());
    codecs->trigger();
    frmCodecs* window = Forms::Codecs.ifLoaded();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "List of installed Codecs");
    EXPECT_EQ(window->findChild<QLabel*>("lblCaption")->text(), "List of all Codecs In this clip");
    const auto rows = [&window] {
        QStringList out;
        for (int r = 0; r < window->RowCount(); ++r) {
            out << QStringList{window->RowKey(r), window->RowText(r), window->RowInstalled(r),
                               window->RowUrl(r)}
                       .join(" | ");
        }
        return out;
    };
    const QStringList three = {
        "Codec1 | Windows Media Video 9 | Installed | apt:gstreamer1.0-libav",
        "Codec2 | Windows Media Audio 9 Professional | Not Installed | "
        "apt:gstreamer1.0-plugins-bad",
        "Codec3 | Windows Media Audio 8 | Installed | apt:gstreamer1.0-libav"};
    EXPECT_EQ(rows(), three);

    // Another clip while the window stays open: its rows stay.
    w.cPlayList()->PlayVideo(mpg);
    codecs->trigger();
    EXPECT_EQ(rows(), three);

    // Esc unloads it; opening it again shows the current clip's codecs.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &esc);
    flushDeletes();
    EXPECT_FALSE(Forms::Codecs.isLoaded());
    codecs->trigger();
    ASSERT_TRUE(Forms::Codecs.isLoaded());
    window = Forms::Codecs.ifLoaded();
    EXPECT_EQ(rows(), QStringList{"Codec1 | MPEG-1 Video (avdec_mpeg1video) | Installed | "});

    // A clip without codecs: the menu entry is off, and the list adds nothing.
    w.cPlayList()->PlayVideo(clip("c.wav"));
    emit help->aboutToShow();
    EXPECT_FALSE(codecs->isEnabled());
    window->LoadListOfCodecs(w.cPlay()->MediaPlayer());
    EXPECT_EQ(window->RowCount(), 1);
}
