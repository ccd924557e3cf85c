// The compact window with the rest of the program stood in for by recording peers; the splash.
#include "platform/DataFiles.h"
#include "skin/LabelButton.h"
#include "skin/Regions.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"
#include "skin/frmSplash.h"
#include "skin/frmThinPlayer.h"
#include "testing/RecordingThinPlayerPeers.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace lumadeck {
namespace {

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
    QWidget* dockedPlaylist() {
        peers.playlist = std::make_unique<QWidget>();
        peers.playlist->resize(400, 200);
        peers.playlist->show();
        peers.plShown = true;
        peers.playlist->move(thin.frameGeometry().bottomLeft() + QPoint(0, 1));
        return peers.playlist.get();
    }
    // The menu a press of `button` on label n opens (closed again at once), where, and whether
    // the label was sunken meanwhile.
    std::tuple<QMenu*, QPoint, bool> pressLabel(int n, Qt::MouseButton button = Qt::LeftButton) {
        std::tuple<QMenu*, QPoint, bool> seen{nullptr, {}, false};
        QTimer::singleShot(50, [&] {
            if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                seen = {popup, popup->pos(), lbl(n)->Border() == BorderStyle::FixedSingle};
                popup->close();
            }
        });
        QTest::mousePress(lbl(n), button, {}, QPoint(5, 5));
        QTest::qWait(100);
        QTest::mouseRelease(lbl(n), button, {}, QPoint(5, 5));
        return seen;
    }

    Artwork m_artwork;
    test::RecordingThinPlayerPeers peers;
    frmThinPlayer thin;
};

// The whole bar takes clicks; untrusted names show as plain text; the borders go once.
TEST_F(ThinPlayerTest, ShowsTheFileAsPlainTextAndTheBordersGoOnce) {
    EXPECT_EQ(thin.mask(), QRegion(0, 0, 458, 32));
    auto* file = thin.findChild<QLabel*>("lblCurrFile");
    thin.HideCurrentFile();
    thin.ShowCurrentFile("<b>x</b>.mpg", "0:12/1:00");
    EXPECT_EQ(file->text(), "<b>x</b>.mpg");
    EXPECT_EQ(file->textFormat(), Qt::PlainText);
    EXPECT_TRUE(file->isVisible());
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

TEST_F(ThinPlayerTest, LabelButtonsPopUpTheirMenuJustBelowSunkenByTheLeftButton) {
    for (int n = 0; n < 5; ++n) {
        const auto [menu, at, sunken] = pressLabel(n);
        EXPECT_EQ(menu, peers.menus[n].get()) << n;
        EXPECT_EQ(at, thin.mapToGlobal(lbl(n)->geometry().bottomLeft() + QPoint(0, 1))) << n;
        EXPECT_TRUE(sunken) << n;
        EXPECT_EQ(lbl(n)->Border(), BorderStyle::None) << n;
    }
    const auto [menu, at, sunken] = pressLabel(0, Qt::RightButton);
    EXPECT_EQ(menu, peers.menus[0].get());
    EXPECT_FALSE(sunken);
    thin.SetPeers(nullptr); // nothing to open, nothing breaks
    EXPECT_EQ(std::get<0>(pressLabel(0)), nullptr);
    thin.FollowWindowState(true);
    thin.DragWithPlaylist();
}

// A shown playlist docked exactly below follows drags (not one pixel off) and minimise/restore.
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
        EXPECT_EQ(pl->pos(), c.follows ? thin.frameGeometry().bottomLeft() + QPoint(0, 1) : before);
    }
    QWidget* pl = dockedPlaylist();
    QTest::mouseClick(thin.findChild<SkinButtonCtl*>("skinButtonMin"), Qt::LeftButton);
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
}

TEST_F(ThinPlayerTest, OnlyAltF4OrTheCloseButtonEndsTheProgram) {
    QSignalSpy closing(&thin, &frmThinPlayer::closing);
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    for (const auto& [key, mods] : {std::pair{Qt::Key_F4, alt | Qt::ControlModifier},
                                    {Qt::Key_F4, alt | Qt::ShiftModifier},
                                    {Qt::Key_F4, Qt::KeyboardModifiers()},
                                    {Qt::Key_F3, alt},
                                    {Qt::Key_F4, alt | Qt::KeypadModifier},
                                    {Qt::Key_F4, alt}}) {
        QTest::keyClick(&thin, key, mods);
    }
    EXPECT_EQ(closing.count(), 2);
    QTest::mouseClick(thin.findChild<SkinButtonCtl*>("skinButtonClose"), Qt::LeftButton);
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

// The splash: its texts on the gradient in the rounded outline; Esc or a click (on a label too)
// closes and unloads it, other keys do not.
TEST(Splash, TextsOnTheGradientAndEscOrAClickCloses) {
    for (const bool byKey : {true, false}) {
        QPointer<frmSplash> splash = new frmSplash;
        const auto* legal = splash->findChild<QLabel*>("lblLegal"); // the licence shows
        ASSERT_TRUE(legal && legal->text().contains("GNU General Public"));
        EXPECT_FALSE(splash->findChild<QLabel*>("Image1")->pixmap().isNull());
        EXPECT_EQ(splash->mask(), Regions::RoundRect(448, 239, 50, 50));
        const QImage shot = splash->grab().toImage(); // nothing drawn over the gradient there
        EXPECT_EQ(QColor(shot.pixel(100, 64)), QColor(70 + 32, 50, 50));
        EXPECT_EQ(QColor(shot.pixel(30, 140)), QColor(70 + 70, 50, 50));
        EXPECT_NE(shot.pixel(223, 83), shot.pixel(150, 83)); // the icon in its place
        splash->show();
        QTest::keyClick(splash.data(), Qt::Key_A);
        QTest::keyClick(splash.data(), Qt::Key_Return);
        EXPECT_TRUE(splash->isVisible());
        byKey ? QTest::keyClick(splash.data(), Qt::Key_Escape)
              : QTest::mouseClick(splash.data(), Qt::LeftButton, {}, QPoint(200, 30));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(splash.isNull());
    }
}

} // namespace
} // namespace lumadeck
