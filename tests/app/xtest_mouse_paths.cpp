// The program's windows on a real X server, moved by real pointer input: the
// compact bar with its docked playlist window, and the codec window opened
// from the Help menu.
#include "../support/MainWindowFixture.h"
#include "../support/XInput.h"
#include "playlist/frmPlaylist.h"
#include "skin/frmThinPlayer.h"

#include <QAbstractButton>
#include <QMenuBar>
#include <QPointer>

using namespace lumadeck;
using namespace lumadeck::test;
using namespace xinput;

namespace {

class MousePaths : public ProgramWindowsFixture {
protected:
    void SetUp() override {
        if (const QString tool = missing({"xdotool"}); !tool.isEmpty()) {
            GTEST_SKIP() << tool.toStdString() << " is not installed";
        }
        ProgramWindowsFixture::SetUp();
    }
    static QPoint below(const QWidget* w) { return w->frameGeometry().bottomLeft() + QPoint(0, 1); }
    static void focus(const QWidget* w) {
        x("xdotool", {"windowfocus", "--sync", QString::number(w->winId())});
    }
};

} // namespace

TEST_F(MousePaths, TheCompactBarCarriesItsDockedPlaylistWhichSnapsBackWhenDroppedNear) {
    stored("ThinClient", "True");
    frmLumadeck& w = start();
    frmThinPlayer* bar = Forms::ThinPlayer.ifLoaded();
    ASSERT_TRUE(bar && bar->isVisible());
    bar->move(100, 100);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar));
    w.cPlayList()->ShowPlayList();
    QPointer<frmPlaylist> pl = Forms::Playlist.ifLoaded();
    ASSERT_TRUE(pl && QTest::qWaitForWindowExposed(pl.data()));
    EXPECT_EQ(pl->pos(), below(bar)); // loaded docked

    // Dragging the bar by its background takes the docked playlist along.
    const QPoint background(50, 16);
    ASSERT_TRUE(dragWindow(bar, background, {80, 60})) << bar->x() << "," << bar->y();
    EXPECT_TRUE(waitFor([&] { return pl->pos() == below(bar); })) << pl->x() << "," << pl->y();

    // Pulled away it stays where it is put; dropped within ten pixels it docks again.
    ASSERT_TRUE(dragWindow(pl, {300, 8}, {150, 200}));
    const QPoint away = pl->pos();
    ASSERT_TRUE(dragWindow(bar, background, {-40, 0}));
    EXPECT_EQ(pl->pos(), away);
    ASSERT_TRUE(dragWindow(pl, {300, 8}, below(bar) + QPoint(7, -6) - pl->pos()));
    EXPECT_TRUE(waitFor([&] { return pl->pos() == below(bar); })) << pl->x() << "," << pl->y();
    ASSERT_TRUE(dragWindow(bar, background, {30, 30}));
    EXPECT_TRUE(waitFor([&] { return pl->pos() == below(bar); }));

    // The bar's minimise button takes the playlist with it; restoring brings it back.
    click(bar->findChild<QWidget*>("skinButtonMin"));
    EXPECT_TRUE(waitFor([&] { return !pl->isVisible(); }));
    bar->showNormal(); // as the taskbar does
    EXPECT_TRUE(waitFor([&] { return pl->isVisible(); }));

    // A hidden playlist comes back when the bar is activated from another window.
    QWidget other;
    other.setGeometry(700, 700, 60, 40);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    focus(&other);
    ASSERT_TRUE(waitFor([&] { return other.isActiveWindow(); }));
    pl->hide();
    focus(bar);
    EXPECT_TRUE(waitFor([&] { return pl->isVisible(); }));
}

TEST_F(MousePaths, TheCodecWindowOpensFromHelpKeepsItsRowsMovesByItsTitleAndClosesOnEsc) {
    frmLumadeck& w = start();
    w.move(50, 50);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // Offered only while a clip with codecs is open.
    QMenu* help = menu(w, "mnuHelp");
    QAction* codecs = action(w, "mnuCodecs");
    emit help->aboutToShow();
    EXPECT_FALSE(codecs->isEnabled());
    SimulatedMedia two, one;
    two.codecs = {{"MPEG-1 Video", true, ""}, {"MPEG-1 Layer 2", false, "apt:gst"}};
    one.codecs = {{"WMV 9", true, ""}};
    w.cPlayList()->PlayVideo(scripted("a.mpg", two));
    click(w.menuBar(), w.menuBar()->actionGeometry(help->menuAction()).center());
    ASSERT_TRUE(waitFor([&] { return help->isVisible(); }));
    ASSERT_TRUE(codecs->isEnabled());
    click(help, help->actionGeometry(codecs).center());
    ASSERT_TRUE(waitFor([] { return Forms::Codecs.isLoaded(); }));
    frmCodecs* window = Forms::Codecs.ifLoaded();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(waitFor([&] { return window->isActiveWindow(); })); // it takes the keyboard
    EXPECT_EQ(window->RowCount(), 2);
    EXPECT_EQ(window->RowText(1) + " " + window->RowInstalled(1) + " " + window->RowUrl(1),
              "MPEG-1 Layer 2 Not Installed apt:gst");
    // Another clip while the window stays open leaves its rows.
    w.cPlayList()->PlayVideo(scripted("b.wmv", one));
    codecs->trigger();
    EXPECT_EQ(window->RowCount(), 2);

    EXPECT_TRUE(dragWindow(window, {100, 10}, {60, 45})) << window->x() << "," << window->y();
    click(window->findChild<QWidget*>("skinButtonMin"));
    EXPECT_TRUE(waitFor([&] { return window->isMinimized(); }));
    window->showNormal();
    focus(window);
    x("xdotool", {"key", "Escape"});
    EXPECT_TRUE(waitFor([] {
        flushDeletes();
        return !Forms::Codecs.isLoaded();
    }));
    codecs->trigger(); // opened again: the new clip's own
    ASSERT_TRUE(Forms::Codecs.isLoaded());
    EXPECT_EQ(Forms::Codecs->RowCount(), 1);
    w.cPlayList()->PlayVideo(clip("c.wav")); // no codecs
    emit help->aboutToShow();
    EXPECT_FALSE(codecs->isEnabled());
}
