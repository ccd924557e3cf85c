// Under weston (tests/support/with-weston): the compact bar shows, opens menus whose owner is
// hidden, and comes back once minimised; shaped windows show the desktop in their corners.
#include "platform/DataFiles.h"
#include "skin/clsGuiFuncs.h"
#include "skin/frmSplash.h"
#include "skin/frmThinPlayer.h"
#include "testing/RecordingThinPlayerPeers.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

int diff(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

// How far (mean levels, colours summed) the screen's closest match of a window's picture is, and
// where, once new windows have faded in; the screen kept as wayland-NAME.png.
std::pair<double, QPoint> closest(const QString& name, const QImage& window) {
    QTest::qWait(1500);
    const QString file = LUMADECK_BUILD_DIR "/wayland-" + name + ".png";
    QProcess::execute(LUMADECK_SOURCE_DIR "/tests/support/with-weston", {"--screenshot", file});
    const QImage screen(file);
    std::pair<double, QPoint> best{765, {}};
    for (int y = 0; y + window.height() <= screen.height(); ++y) {
        for (int x = 0; x + window.width() <= screen.width(); ++x) {
            double sum = 0, n = 0;
            for (int py = 2;
                 py < window.height() && diff(screen.pixel(x + 3, y + 2), window.pixel(3, 2)) < 90;
                 py += 7) {
                for (int px = 3; px < window.width(); px += 13, ++n) {
                    sum += diff(screen.pixel(x + px, y + py), window.pixel(px, py));
                }
            }
            best = n && sum / n < best.first ? std::pair{sum / n, QPoint(x, y)} : best;
        }
    }
    return best;
}

#define REQUIRE_WAYLAND()                                                                          \
    if (const char* why = std::getenv("LUMADECK_NO_WAYLAND")) {                                    \
        GTEST_SKIP() << why;                                                                       \
    }                                                                                              \
    DataFiles::SetFolder(LUMADECK_SOURCE_DIR "/data")

TEST(WaylandBar, ShowsAndOpensItsMenusWhileTheirOwnerIsHidden) {
    REQUIRE_WAYLAND();
    QMainWindow owner; // of the menus, shown once and hidden, as the video window is
    test::RecordingThinPlayerPeers peers;
    for (auto& menu : peers.menus) {
        menu->setParent(owner.menuBar(), menu->windowFlags());
    }
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner, 10000));
    owner.hide();
    frmThinPlayer thin;
    thin.SetPeers(&peers);
    thin.show();
    thin.RemoveFormBorders();
    thin.ShowMenus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&thin, 10000));
    const QImage bar = thin.grab().toImage();
    EXPECT_LT(closest("bar", bar).first, 36) << "the compact bar is not on the screen";
    QMenu* opened = nullptr; // by a label's press, a popup the compositor shows
    bool exposed = false;
    QTimer::singleShot(100, [&] {
        opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        exposed = opened && QTest::qWaitFor([&] { return opened->windowHandle()->isExposed(); });
        if (opened) {
            opened->close();
        }
    });
    QTest::mouseClick(thin.findChild<QWidget*>("lblButtons2"), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(opened, peers.menus[2].get()) << "the View menu did not open";
    EXPECT_TRUE(exposed) << "the compositor did not show the View menu";
    EXPECT_FALSE(owner.isVisible());
    QTest::mouseClick(thin.findChild<QWidget*>("skinButtonMin"), Qt::LeftButton);
    EXPECT_GT(closest("bar-minimised", bar).first, 36) << "not minimised";
    clsGuiFuncs::BringBack(&thin);
    EXPECT_LT(closest("bar-back", bar).first, 36) << "not brought back";
}

TEST(WaylandBar, ShapedWindowsShowTheDesktopThroughTheirCutAwayCorners) {
    REQUIRE_WAYLAND();
    frmSplash splash;
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash, 10000));
    const QRect middle(40, 40, 360, 150); // found by its middle: its corner is the desktop's
    const auto [far, at] = closest("splash", splash.grab(middle).toImage());
    const QImage screen(LUMADECK_BUILD_DIR "/wayland-splash.png");
    ASSERT_LT(far, 36) << "the window is not on the screen";
    const QPoint corner = at - middle.topLeft();
    EXPECT_GT(diff(screen.pixel(corner + QPoint(1, 1)), screen.pixel(corner + QPoint(24, 24))), 40)
        << "the corner is painted like the window";
}

} // namespace
