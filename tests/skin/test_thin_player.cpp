// The compact window on its own, with the rest of the program stood in for
// by peers that record what the window asks of them; and the splash and
// about window it opens.
#include "platform/DataFiles.h"
#include "skin/IThinPlayerPeers.h"
#include "skin/LabelButton.h"
#include "skin/Regions.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"
#include "skin/frmSplash.h"
#include "skin/frmThinPlayer.h"
#include "testing/RecordingThinPlayerPeers.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace lumadeck {
namespace {

// Runs `seen` on the first popup menu that opens (or on none after a
// second), then closes it: the window's menus are modal.
void onPopup(std::function<void(QMenu*)> seen) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, seen] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popup || ++*tries > 100) {
            timer->stop();
            timer->deleteLater();
            seen(popup);
            if (popup) {
                popup->close();
            }
        }
    });
    timer->start(10);
}

// The program's artwork while the fixture's window is made.
struct Artwork {
    Artwork() { DataFiles::SetFolder(LUMADECK_SOURCE_DIR "/data"); }
    ~Artwork() { DataFiles::SetFolder({}); }
};

class ThinPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        thin.SetPeers(&peers);
        thin.show();
        thin.RemoveFormBorders();
    }

    LabelButton* lbl(int n) { return thin.findChild<LabelButton*>(QString("lblButtons%1").arg(n)); }
    SkinImage* image(const char* name) { return thin.findChild<SkinImage*>(name); }
    SkinButtonCtl* button(const char* name) { return thin.findChild<SkinButtonCtl*>(name); }
    QWidget* dockedPlaylist() {
        peers.playlist = std::make_unique<QWidget>();
        peers.playlist->resize(400, 200);
        peers.playlist->show();
        peers.plShown = true;
        const QRect f = thin.frameGeometry();
        peers.playlist->move(f.left(), f.top() + f.height());
        return peers.playlist.get();
    }
    // The popup a press on label button n opens, and where.
    std::pair<QMenu*, QPoint> pressLabel(int n) {
        std::pair<QMenu*, QPoint> seen{nullptr, {}};
        onPopup([&](QMenu* popup) {
            if (popup) {
                seen = {popup, popup->pos()};
            }
        });
        QTest::mouseClick(lbl(n), Qt::LeftButton, {}, QPoint(5, 5));
        return seen;
    }

    Artwork m_artwork;
    test::RecordingThinPlayerPeers peers;
    frmThinPlayer thin;
};

TEST_F(ThinPlayerTest, LaidOutAsTheCompactBarAndTheBordersGoOnce) {
    // A dark display well, its texts centred, in a maroon body.
    const QImage shot = thin.grab().toImage();
    EXPECT_LT(QColor(shot.pixel(295, 12)).value(), 60);
    EXPECT_GT(QColor(shot.pixel(60, 28)).red(), QColor(shot.pixel(60, 28)).blue());
    EXPECT_FALSE(image("imgShowVideoHover")->isVisible());
    // Untrusted names show as plain text.
    thin.ShowCurrentFile("<b>x</b>.mpg", "0:12/1:00");
    auto* file = thin.findChild<QLabel*>("lblCurrFile");
    EXPECT_EQ(file->text(), "<b>x</b>.mpg");
    EXPECT_EQ(thin.findChild<QLabel*>("lblPosition")->text(), "0:12/1:00");
    thin.HideCurrentFile();
    EXPECT_FALSE(file->isVisible());
    const Qt::WindowFlags flags = thin.windowFlags();
    const QRect geometry = thin.geometry();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    thin.RemoveFormBorders();
    EXPECT_EQ(thin.windowFlags(), flags);
    EXPECT_EQ(thin.geometry(), geometry);
    EXPECT_TRUE(thin.isVisible());
}

TEST_F(ThinPlayerTest, LabelButtonsPopUpTheirMenuJustBelow) {
    const QStringList captions{"File", "Options", "View", "Playlist", "Help"};
    for (int n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(lbl(n)->text(), captions[n]);
        const auto [menu, at] = pressLabel(n);
        EXPECT_EQ(menu, peers.menus[n].get());
        EXPECT_EQ(at, thin.mapToGlobal(QPoint(lbl(n)->x(), lbl(n)->y() + lbl(n)->height())));
        EXPECT_EQ(lbl(n)->Border(), BorderStyle::None);
    }
    // The right button opens it too, without the sunken look.
    BorderStyle during = BorderStyle::FixedSingle;
    onPopup([&](QMenu*) { during = lbl(0)->Border(); });
    QTest::mousePress(lbl(0), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(during, BorderStyle::None);

    thin.SetPeers(nullptr); // nothing to open, nothing breaks
    EXPECT_EQ(pressLabel(0).first, nullptr);
    thin.FollowWindowState(true);
    thin.DragWithPlaylist();
}

TEST_F(ThinPlayerTest, AShownDockedPlaylistFollowsDragsButNotOnePixelOffAndMinimiseRestore) {
    thin.SetDragFunction([](QWidget* w) { w->move(w->pos() + QPoint(30, 40)); });
    const struct {
        QPoint offset;
        bool shown, follows;
    } cases[] = {{{0, 0}, true, true},
                 {{1, 0}, true, false},
                 {{0, 1}, true, false},
                 {{0, -1}, true, false},
                 {{0, 0}, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset.x() << "," << c.offset.y() << " " << c.shown);
        thin.move(100, 100);
        QWidget* pl = dockedPlaylist();
        pl->move(pl->pos() + c.offset);
        peers.plShown = c.shown;
        const QPoint before = pl->pos();
        thin.DragWithPlaylist();
        const QRect f = thin.frameGeometry();
        EXPECT_EQ(pl->pos(), c.follows ? QPoint(f.left(), f.top() + f.height()) : before);
    }

    // It follows minimise and restore too.
    QWidget* pl = dockedPlaylist();
    QTest::mouseClick(button("skinButtonMin"), Qt::LeftButton);
    EXPECT_FALSE(pl->isVisible());
    thin.showNormal();
    thin.FollowWindowState(false);
    EXPECT_TRUE(pl->isVisible());
    EXPECT_FALSE(pl->windowState() & Qt::WindowMinimized);

    // A playlist never shown is neither hidden nor shown.
    peers.plShown = false;
    pl->hide();
    thin.FollowWindowState(false);
    EXPECT_FALSE(pl->isVisible());
    pl->show();
    thin.FollowWindowState(true);
    EXPECT_TRUE(pl->isVisible());
}

TEST_F(ThinPlayerTest, OnlyAltF4OrTheCloseButtonEndsTheProgram) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool closes;
    } cases[] = {{Qt::Key_F4, Qt::AltModifier, true},
                 {Qt::Key_F4, Qt::AltModifier | Qt::ControlModifier, false},
                 {Qt::Key_F4, Qt::AltModifier | Qt::ShiftModifier, false},
                 {Qt::Key_F4, Qt::NoModifier, false},
                 {Qt::Key_F3, Qt::AltModifier, false},
                 {Qt::Key_F4, Qt::AltModifier | Qt::KeypadModifier, true}};
    QSignalSpy closing(&thin, &frmThinPlayer::closing);
    for (const auto& c : cases) {
        const qsizetype before = closing.count();
        QTest::keyClick(&thin, c.key, c.mods);
        EXPECT_EQ(closing.count() - before, c.closes ? 1 : 0) << c.key << " " << int(c.mods);
    }
    QTest::mouseClick(button("skinButtonClose"), Qt::LeftButton);
    EXPECT_EQ(closing.count(), 3);
    EXPECT_TRUE(thin.isVisible()); // the main window's unload takes it down
}

TEST_F(ThinPlayerTest, IconsSinkWhilePressedAndAskForTheVideoOrTheAboutWindow) {
    auto click = [](SkinImage* icon) {
        QTest::mousePress(icon, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(icon->Border(), BorderStyle::FixedSingle);
        QTest::mouseRelease(icon, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(icon->Border(), BorderStyle::None);
    };
    SkinImage* icon = image("imgShowVideo");
    SkinImage* hover = image("imgShowVideoHover");
    EXPECT_EQ(hover->toolTip(), "Show Video Window");
    QTest::mouseMove(icon, QPoint(3, 3));
    EXPECT_TRUE(hover->isVisible() && !icon->isVisible());
    EXPECT_EQ(hover->pos(), icon->pos());
    QSignalSpy wanted(&thin, &frmThinPlayer::showVideoRequested);
    click(hover);
    EXPECT_EQ(wanted.count(), 1);
    EXPECT_FALSE(icon->isVisible() || hover->isVisible());
    // The next pointer move over the background shows the normal icon.
    QTest::mouseMove(image("Image1"), QPoint(200, 10));
    EXPECT_TRUE(icon->isVisible() && !hover->isVisible());

    click(image("Image2")); // the program icon
    EXPECT_EQ(peers.aboutOwners, QList<QWidget*>{&thin});
}

TEST(ThinPlayerNoSkin, WithoutItsPicturesTheBarIsPlainAtTheSameSize) {
    QTemporaryDir empty;
    DataFiles::SetFolder(empty.path());
    frmThinPlayer thin;
    DataFiles::SetFolder({});
    thin.show();
    thin.RemoveFormBorders();
    EXPECT_EQ(thin.size(), QSize(458, 32));
    EXPECT_EQ(QColor(thin.grab().toImage().pixel(60, 28)), SkinArt::FallbackColour());
}

TEST(Splash, TextsOnTheGradientInsideTheRoundedOutline) {
    frmSplash splash;
    EXPECT_TRUE(splash.lblLegal->text().contains("GNU General Public License"));
    EXPECT_EQ(splash.mask(), Regions::RoundRect(448, 239, 50, 50));
    // Between the labels and the icon nothing is drawn over the gradient.
    const QImage shot = splash.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(100, 64)), QColor(70 + 32, 50, 50));
    EXPECT_EQ(QColor(shot.pixel(30, 140)), QColor(70 + 70, 50, 50));
}

TEST(Splash, EscOrAClickClosesAndUnloadsOtherKeysDoNot) {
    const std::function<void(QWidget*)> closers[] = {
        [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); },
        // A click on a label reaches the window too.
        [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(200, 30)); }};
    for (const auto& close : closers) {
        QPointer<frmSplash> splash = new frmSplash;
        splash->show();
        QTest::keyClick(splash.data(), Qt::Key_A);
        QTest::keyClick(splash.data(), Qt::Key_Return);
        EXPECT_TRUE(splash->isVisible());
        close(splash.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(splash.isNull());
    }
}

} // namespace
} // namespace lumadeck
