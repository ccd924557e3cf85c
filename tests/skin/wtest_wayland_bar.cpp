// The compact bar as a native Wayland client of weston (tests/support/with-weston):
// the compositor shows it where it chooses, its menus still open from it
// while the window that owns them is hidden, as in compact mode, and once
// minimised it can be brought back.
#include "platform/DataFiles.h"
#include "skin/IThinPlayerPeers.h"
#include "skin/LabelButton.h"
#include "skin/clsGuiFuncs.h"
#include "skin/frmSplash.h"
#include "skin/frmThinPlayer.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

// The main window's menus, owned by a main window that stays hidden.
class HiddenOwnerPeers : public IThinPlayerPeers {
public:
    HiddenOwnerPeers() {
        for (const char* title : {"&File", "&Options", "&View", "&Play List", "&Help"}) {
            QMenu* menu = owner.menuBar()->addMenu(title);
            menu->addAction("An item of " + QString(title).remove('&'));
            menus.push_back(menu);
        }
    }
    QMenu* MainMenu(int Index) override { return menus.value(Index); }
    void ShowAppropriateForm() override {}
    void ShowAboutFrom(QWidget*) override {}
    bool PlaylistShown() const override { return false; }
    QWidget* PlaylistWindow() override { return nullptr; }

    QMainWindow owner;
    QList<QMenu*> menus;
};

// The compositor's picture of its whole output (weston's screenshot
// interface, which with-weston turns on).
// Kept in the build folder's screenshots under `name`.
QImage screenshot(const QString& name) {
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start("weston-screenshooter", {});
    if (!shooter.waitForFinished(10000)) {
        shooter.kill();
        shooter.waitForFinished();
    }
    const QStringList shots = QDir(dir.path()).entryList({"*.png"});
    const QImage shot = shots.isEmpty() ? QImage() : QImage(dir.filePath(shots.first()));
    QDir().mkpath(LUMADECK_BUILD_DIR "/screenshots");
    shot.save(LUMADECK_BUILD_DIR "/screenshots/" + name + ".png");
    return shot;
}

// The place on the screen that shows a window's own picture most closely,
// and how far it is: the mean difference of samples, in levels of each colour.
std::pair<double, QPoint> closest(const QImage& screen, const QImage& window) {
    QList<QPoint> samples;
    for (int y = 2; y < window.height(); y += 7) {
        for (int x = 3; x < window.width(); x += 13) {
            samples << QPoint(x, y);
        }
    }
    auto diff = [](QRgb a, QRgb b) {
        return (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                std::abs(qBlue(a) - qBlue(b))) /
               3.0;
    };
    std::pair<double, QPoint> best{255, {}};
    for (int y = 0; y + window.height() <= screen.height(); ++y) {
        for (int x = 0; x + window.width() <= screen.width(); ++x) {
            if (diff(screen.pixel(x + samples[0].x(), y + samples[0].y()),
                     window.pixel(samples[0])) > 30) {
                continue;
            }
            double sum = 0;
            for (const QPoint& p : samples) {
                sum += diff(screen.pixel(x + p.x(), y + p.y()), window.pixel(p));
            }
            if (sum / samples.size() < best.first) {
                best = {sum / samples.size(), QPoint(x, y)};
            }
        }
    }
    return best;
}

} // namespace

TEST(WaylandBar, ShowsAndOpensItsMenusWhileTheirOwnerIsHidden) {
    if (const char* why = std::getenv("LUMADECK_NO_WAYLAND")) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(QGuiApplication::platformName().startsWith("wayland"));
    DataFiles::SetFolder(LUMADECK_SOURCE_DIR "/data");
    HiddenOwnerPeers peers;
    peers.owner.show(); // shown once and hidden, as the video window is
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&peers.owner, 10000));
    peers.owner.hide();
    frmThinPlayer thin;
    thin.SetPeers(&peers);
    thin.show();
    thin.RemoveFormBorders();
    thin.ShowMenus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&thin, 10000));
    QTest::qWait(1500); // the compositor fades new windows in
    // A bar on the screen is a few levels off at most; one that is not
    // shown, dozens.
    EXPECT_LT(closest(screenshot("wayland-bar"), thin.grab().toImage()).first, 12)
        << "the compact bar is not on the screen";

    // A label's press opens its menu, a popup of the bar's own surface.
    QPointer<QMenu> opened;
    bool exposed = false;
    QTimer::singleShot(100, [&] {
        opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        exposed = opened && QTest::qWaitFor([&] { return opened->windowHandle()->isExposed(); });
        if (opened) {
            opened->close();
        }
    });
    LabelButton* view = thin.findChild<LabelButton*>("lblButtons2");
    ASSERT_NE(view, nullptr);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(opened.data(), peers.menus[2]) << "the View menu did not open";
    EXPECT_TRUE(exposed) << "the compositor did not show the View menu";
    EXPECT_FALSE(peers.owner.isVisible());

    // Minimised, it can be brought back (the compositor gives no way to
    // restore a window it reports nothing about).
    const QImage bar = thin.grab().toImage();
    QTest::mouseClick(thin.findChild<QWidget*>("skinButtonMin"), Qt::LeftButton);
    QTest::qWait(1000);
    EXPECT_GT(closest(screenshot("wayland-bar-minimised"), bar).first, 12) << "not minimised";
    clsGuiFuncs::BringBack(&thin);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&thin, 10000));
    QTest::qWait(1500);
    EXPECT_LT(closest(screenshot("wayland-bar-back"), bar).first, 12) << "not brought back";
    DataFiles::SetFolder({});
}

TEST(WaylandBar, ShapedWindowsShowTheDesktopThroughTheirCutAwayCorners) {
    if (const char* why = std::getenv("LUMADECK_NO_WAYLAND")) {
        GTEST_SKIP() << why;
    }
    DataFiles::SetFolder(LUMADECK_SOURCE_DIR "/data");
    frmSplash splash;
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash, 10000));
    QTest::qWait(1500); // the compositor fades new windows in
    const QImage screen = screenshot("wayland-splash");
    // Found by its middle; its corner pixel is then the desktop's.
    const QRect middle(40, 40, 360, 150);
    const auto [far, at] = closest(screen, splash.grab(middle).toImage());
    ASSERT_LT(far, 12) << "the window is not on the screen";
    const QPoint corner = at - middle.topLeft() + QPoint(1, 1);
    const QRgb inside = screen.pixel(at - middle.topLeft() + QPoint(24, 24));
    EXPECT_GT(std::abs(qRed(screen.pixel(corner)) - qRed(inside)) +
                  std::abs(qGreen(screen.pixel(corner)) - qGreen(inside)),
              40)
        << "the corner is painted like the window";
    DataFiles::SetFolder({});
}
