// The playlist and codec windows run by the main window's commands, and the
// compact window with every way out of it.
#include "../support/MainWindowFixture.h"
#include "playlist/PlayListModel.h"
#include "playlist/frmPlaylist.h"
#include "skin/LabelButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

class ProgramWindowsTest : public ProgramWindowsFixture {
protected:
    static frmPlaylist* playlistWindow() { return Forms::Playlist.ifLoaded(); }
    static void key(QWidget* to, Qt::KeyboardModifiers modifiers, int code = Qt::Key_F4) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers);
        QCoreApplication::sendEvent(to, &press);
    }
    static QWidget* showVideoIcon() {
        return Forms::ThinPlayer->findChild<QWidget*>("imgShowVideo");
    }
};

// Presses a label button of the compact window and, once its menu is up,
// triggers the item with that text (or just closes the menu).
void chooseFromLabel(int n, const QString& item) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, item] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        popup->close();
        for (QAction* a : popup->actions()) {
            if (a->text() == item) {
                a->trigger();
                return;
            }
        }
    });
    timer->start(10);
    auto* lbl = Forms::ThinPlayer->findChild<LabelButton*>(QString("lblButtons%1").arg(n));
    QTest::mousePress(lbl, Qt::LeftButton, {}, QPoint(5, 5));
}

} // namespace

TEST_F(ProgramWindowsTest, PlaylistWindowIsShownHiddenAndUnloadedWithTheProgram) {
    frmLumadeck& w = start();
    for (const char* name : {"a.mpg", "b.mpg"}) {
        w.cPlayList()->Add(file(name), false);
    }
    action(w, "playlist")->trigger();
    ASSERT_NE(playlistWindow(), nullptr);
    EXPECT_TRUE(playlistWindow()->isVisible());
    EXPECT_EQ(playlistWindow()->Model()->rowCount(), 2);
    EXPECT_FALSE(action(w, "mnuShowPlaylist")->isVisible());
    EXPECT_TRUE(action(w, "mnuHidePlaylist")->isVisible());

    action(w, "mnuHidePlaylist")->trigger();
    EXPECT_FALSE(w.cPlayList()->bPLShown());
    EXPECT_TRUE(action(w, "mnuShowPlaylist")->isVisible());
    EXPECT_FALSE(action(w, "mnuHidePlaylist")->isVisible());
    flushDeletes();
    EXPECT_EQ(playlistWindow(), nullptr);

    // The close button, then the status-bar popup's first item: a new window.
    action(w, "mnuShowPlaylist")->trigger();
    ASSERT_NE(playlistWindow(), nullptr);
    playlistWindow()->findChild<QAbstractButton*>("skinButtonClose")->click();
    EXPECT_FALSE(w.cPlayList()->bPLShown());
    EXPECT_TRUE(action(w, "mnuShowPlaylist")->isVisible());
    w.PopupPlaylistChosen(0);
    ASSERT_NE(playlistWindow(), nullptr);
    EXPECT_TRUE(playlistWindow()->isVisible());
    EXPECT_FALSE(playlistWindow()->IsUnloaded());
    EXPECT_EQ(playlistWindow()->Model()->rowCount(), 2);

    // The program's end unloads the window and its helper.
    QPointer<frmPlaylist> window = playlistWindow();
    ASSERT_TRUE(Forms::Helper.isLoaded());
    w.ExitProgram();
    flushDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(Forms::Helper.isLoaded());
}

TEST_F(ProgramWindowsTest, CodecWindowKeepsItsRowsWhileOpenAndShowsTheNewClipsWhenReopened) {
    frmLumadeck& w = start();
    SimulatedMedia two, one;
    two.codecs = {{"Windows Media Video 9", true, "apt:gstreamer1.0-libav"},
                  {"Windows Media Audio 9", false, "apt:gstreamer1.0-plugins-bad"}};
    one.codecs = {{"MPEG-1 Video", true, ""}};
    const QString wmv = scripted("a.wmv", two), mpg = scripted("b.mpg", one);
    QMenu* help = menu(w, "mnuHelp");
    QAction* codecs = action(w, "mnuCodecs");
    emit help->aboutToShow();
    EXPECT_FALSE(codecs->isEnabled()); // no clip open
    const auto rows = [] {
        QStringList out;
        for (int r = 0; r < Forms::Codecs->RowCount(); ++r) {
            out << QStringList{Forms::Codecs->RowKey(r), Forms::Codecs->RowText(r),
                               Forms::Codecs->RowInstalled(r), Forms::Codecs->RowUrl(r)}
                       .join(" | ");
        }
        return out;
    };
    const QStringList first = {
        "Codec1 | Windows Media Video 9 | Installed | apt:gstreamer1.0-libav",
        "Codec2 | Windows Media Audio 9 | Not Installed | apt:gstreamer1.0-plugins-bad"};
    for (const QString& clip :
         {wmv, mpg}) { // another clip while the window stays open: its rows stay
        w.cPlayList()->PlayVideo(clip);
        emit help->aboutToShow();
        codecs->trigger();
        EXPECT_EQ(rows(), first);
    }
    Forms::Codecs->close();
    flushDeletes();
    codecs->trigger(); // opened again: the clip's own
    EXPECT_EQ(rows(), QStringList{"Codec1 | MPEG-1 Video | Installed | "});
    w.cPlayList()->PlayVideo(clip("c.wav")); // a clip without codecs: the menu entry is off
    emit help->aboutToShow();
    EXPECT_FALSE(codecs->isEnabled());
}

TEST_F(ProgramWindowsTest, ModeSwitchRunsOnTheNextTickAndTheCompactLabelsFollowThePlayer) {
    boundMemory();
    frmLumadeck& w = start();
    const QStringList menus = texts(w.menuBar()->actions(), true);
    action(w, "mnuClassic")->trigger();
    EXPECT_TRUE(g::ThinClient);
    EXPECT_EQ(timer(w)->Tag, TimerTag::ShowModeWindow);
    EXPECT_TRUE(w.isVisible()); // not before the tick
    w.Timer1_Timer();
    EXPECT_FALSE(w.isVisible()); // nothing plays: the video window goes
    ASSERT_TRUE(Forms::ThinPlayer.isLoaded());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
    EXPECT_TRUE(showVideoIcon()->isVisibleTo(Forms::ThinPlayer.ifLoaded()));
    EXPECT_FALSE(w.menuBar()->isVisible());
    EXPECT_EQ(w.cPlay()->FormTopMargin(), 0);

    // A file brings the video window back, under its top; the labels show its name as it is.
    const QString name = QStringLiteral(R"(<h1>x<img src="zero">.mpg)"); // no "/" in a name
    w.cPlayList()->PlayVideo(clip(name));
    EXPECT_TRUE(w.isVisible());
    w.Timer1_Timer();
    auto* video = w.findChild<MediaControl*>();
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->y(), 0);
    expectLiteral(label(*Forms::ThinPlayer.ifLoaded(), "lblCurrFile"), name);
    EXPECT_EQ(shown(label(*Forms::ThinPlayer.ifLoaded(), "lblPosition")), "0:00/1:00");

    // Back: every menu comes back as it was, the video below the toolbar.
    action(w, "mnuClassic")->trigger();
    w.Timer1_Timer();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(Forms::ThinPlayer->isVisible());
    EXPECT_EQ(action(w, "mnuClassic")->text(), "&Compact Mode");
    EXPECT_EQ(texts(w.menuBar()->actions(), true), menus);
    EXPECT_GT(w.cPlay()->FormTopMargin(), 0);
    EXPECT_GE(video->y(), w.cPlay()->FormTopMargin());

    runOnTick(w, "3"); // an unknown command stays in the tag
    EXPECT_EQ(timer(w)->Tag, "3");
}

TEST_F(ProgramWindowsTest, StartingCompactShowsTheBarWhoseMenusRunTheMainWindows) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
    EXPECT_TRUE(showVideoIcon()->isVisibleTo(Forms::ThinPlayer.ifLoaded()));
    // Applied again by the bar's Options menu: neither hides the window nor shows the icon.
    w.show();
    showVideoIcon()->hide();
    chooseFromLabel(1, "");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(showVideoIcon()->isVisibleTo(Forms::ThinPlayer.ifLoaded()));
    // The View menu's mode item runs the main window's own handler.
    chooseFromLabel(2, "&Legacy Mode");
    EXPECT_FALSE(g::ThinClient);
    EXPECT_EQ(timer(w)->Tag, TimerTag::ShowModeWindow);
}

TEST_F(ProgramWindowsTest, EveryWayOutOfTheCompactModeEndsTheProgramAndStoresTheMode) {
    stored("ThinClient", "True");
    const std::pair<const char*, std::function<void(frmLumadeck&)>> doors[] = {
        {"the bar's File menu", [](frmLumadeck&) { chooseFromLabel(0, "E&xit"); }},
        {"Alt+F4 on the bar",
         [](frmLumadeck&) {
             Forms::ThinPlayer->HandleKey(Qt::Key_F4, Qt::AltModifier | Qt::ControlModifier);
             flushDeletes();
             EXPECT_TRUE(Forms::Lumadeck.isLoaded());
             Forms::ThinPlayer->HandleKey(Qt::Key_F4, Qt::AltModifier);
         }},
        {"Alt+F4 in the playlist window",
         [](frmLumadeck& w) {
             w.cPlayList()->ShowPlayList();
             ASSERT_NE(playlistWindow(), nullptr);
             key(playlistWindow(), Qt::ControlModifier | Qt::AltModifier);
             EXPECT_TRUE(Forms::Lumadeck.isLoaded());
             key(playlistWindow(), Qt::AltModifier);
         }},
        {"closing the video window hides it, closing the bar ends",
         [this](frmLumadeck& w) {
             w.show();
             EXPECT_FALSE(w.close());
             EXPECT_TRUE(Forms::Lumadeck.isLoaded());
             EXPECT_FALSE(w.isVisible());
             EXPECT_TRUE(store.writes.isEmpty());
             Forms::ThinPlayer->close();
         }},
    };
    for (const auto& [what, leave] : doors) {
        SCOPED_TRACE(what);
        frmLumadeck& w = start();
        store.writes.clear();
        leave(w);
        flushDeletes();
        EXPECT_FALSE(Forms::Lumadeck.isLoaded());
        EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
        EXPECT_TRUE(store.writes.contains("ThinClient"));
        EXPECT_EQ(saved("ThinClient"), "True");
    }
}
