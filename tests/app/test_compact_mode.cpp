// The compact display mode seen from the main window: the video window,
// its menus, and leaving the program from the compact window.
#include "MainWindowFixture.h"
#include "skin/LabelButton.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

namespace lumadeck::test {
namespace {

namespace g = mdlGlobals;

QWidget* showVideoIcon() {
    return Forms::ThinPlayer->findChild<QWidget*>("imgShowVideo");
}

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
        for (QAction* a : popup->actions()) {
            if (a->text() == item) {
                popup->close();
                a->trigger();
                return;
            }
        }
        popup->close();
    });
    timer->start(10);
    auto* lbl = Forms::ThinPlayer->findChild<LabelButton*>(QString("lblButtons%1").arg(n));
    QTest::mousePress(lbl, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(MainWindowTest, StartingCompactWithNothingToPlayShowsOnlyTheBarWithItsIcon) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    EXPECT_FALSE(w.isVisible());
    ASSERT_TRUE(Forms::ThinPlayer.isLoaded());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
    EXPECT_TRUE(showVideoIcon()->isVisibleTo(Forms::ThinPlayer.ifLoaded()));
    EXPECT_FALSE(w.menuBar()->isVisible());
    // A second call neither hides a video window that came back nor
    // shows the icon again.
    w.show();
    showVideoIcon()->hide();
    w.ShowAppropriateForm();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(showVideoIcon()->isVisibleTo(Forms::ThinPlayer.ifLoaded()));
}

TEST_F(MainWindowTest, SwitchingWhilePlayingKeepsTheVideoAtTheTopAndBackShowsAssignedDrives) {
    frmLumadeck& w = start();
    w.cPlayList()->PlayVideo(clip("movie.mpg"));
    ASSERT_EQ(w.cPlay()->GetPlayStatus(), PlayStateCode::Playing);
    QList<bool> shownBefore;
    for (int n = 0; n < 4; ++n) {
        shownBefore << driveMenu(w, n)->menuAction()->isVisible();
    }
    action(w, "mnuClassic")->trigger();
    w.Timer1_Timer();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
    EXPECT_FALSE(w.menuBar()->isVisible());
    EXPECT_EQ(w.cPlay()->FormTopMargin(), 0);
    auto* video = w.findChild<MediaControl*>();
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->y(), 0); // the video sits right under the window's top

    action(w, "mnuClassic")->trigger();
    w.Timer1_Timer();
    EXPECT_TRUE(w.menuBar()->isVisible());
    EXPECT_EQ(action(w, "mnuClassic")->text(), "&Compact Mode");
    for (int n = 0; n < 4; ++n) {
        // The menus of assigned drives (or the "no drives" menu) come back
        // as they were; unassigned ones stay hidden.
        EXPECT_EQ(driveMenu(w, n)->menuAction()->isVisible(), shownBefore[n]) << n;
    }
    EXPECT_GE(video->y(), w.cPlay()->FormTopMargin()); // below the toolbar again
}

TEST_F(MainWindowTest, TheCompactBarsOptionsMenuReappliesTheMode) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    w.show(); // the video window came back
    // Through the Options menu the mode is applied again; the compact bar
    // was visible, so the video window stays.
    chooseFromLabel(1, "");
    EXPECT_TRUE(w.isVisible());
    // The View menu's mode item runs the main window's own handler.
    chooseFromLabel(2, "&Legacy Mode");
    EXPECT_FALSE(g::ThinClient);
    EXPECT_EQ(timer(w)->Tag, TimerTag::ShowModeWindow);
}

TEST_F(MainWindowTest, ExitFromTheCompactBarsFileMenuEndsAndStoresTheMode) {
    stored("ThinClient", "True");
    start();
    chooseFromLabel(0, "E&xit");
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_EQ(saved("ThinClient"), "True");
}

TEST_F(MainWindowTest, AltF4OnTheCompactBarEndsAndStoresTheMode) {
    stored("ThinClient", "True");
    start();
    Forms::ThinPlayer->HandleKey(Qt::Key_F4, Qt::AltModifier | Qt::ControlModifier);
    flushDeletes();
    EXPECT_TRUE(Forms::Lumadeck.isLoaded());
    Forms::ThinPlayer->HandleKey(Qt::Key_F4, Qt::AltModifier);
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_EQ(saved("ThinClient"), "True");
}

} // namespace
} // namespace lumadeck::test
