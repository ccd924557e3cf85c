// The compact window on its own, with the rest of the program stood in for
// by peers that record what the window asks of them.
#include "platform/DataFiles.h"
#include "skin/IThinPlayerPeers.h"
#include "skin/LabelButton.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"
#include "skin/frmThinPlayer.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace lumadeck {
namespace {

// Runs `seen` on the first popup menu that opens, then closes it (the
// window's menus are modal). Gives up after a second.
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

class RecordingPeers : public IThinPlayerPeers {
public:
    RecordingPeers() {
        const char* titles[] = {"&File", "&Options", "&View", "&Play List", "&Help"};
        for (const char* title : titles) {
            auto menu = std::make_unique<QMenu>(title);
            menu->addAction("item");
            menus.push_back(std::move(menu));
        }
    }
    QMenu* MainMenu(int Index) override {
        return Index >= 0 && Index < int(menus.size()) ? menus[Index].get() : nullptr;
    }
    void ShowAppropriateForm() override { ++appropriateCalls; }
    void ShowAboutFrom(QWidget* owner) override { aboutOwners.append(owner); }
    bool PlaylistShown() const override { return plShown; }
    QWidget* PlaylistWindow() override { return playlist.get(); }

    std::vector<std::unique_ptr<QMenu>> menus;
    int appropriateCalls = 0;
    QList<QWidget*> aboutOwners;
    bool plShown = false;
    std::unique_ptr<QWidget> playlist;
};

class ThinPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        thin.SetPeers(&peers);
        thin.show();
        thin.RemoveFormBorders();
    }
    void TearDown() override { thin.SetPeers(nullptr); }

    LabelButton* lbl(int n) { return thin.findChild<LabelButton*>(QString("lblButtons%1").arg(n)); }
    SkinImage* image(const char* name) { return thin.findChild<SkinImage*>(name); }
    QWidget* dockedPlaylist() {
        peers.playlist = std::make_unique<QWidget>();
        peers.playlist->resize(400, 200);
        peers.playlist->show();
        peers.plShown = true;
        const QRect f = thin.frameGeometry();
        peers.playlist->move(f.left(), f.top() + f.height());
        return peers.playlist.get();
    }

    // Presses a label button; answers the popup that opens with where it
    // stood and which menu it was, then closes it.
    struct Popup {
        QMenu* menu = nullptr;
        QPoint at;
    };
    Popup pressLabel(int n, Qt::MouseButton button = Qt::LeftButton) {
        Popup seen;
        onPopup([&](QMenu* popup) {
            if (popup) {
                seen.menu = popup;
                seen.at = popup->pos();
            }
        });
        QTest::mousePress(lbl(n), button, {}, QPoint(5, 5));
        QTest::mouseRelease(lbl(n), button, {}, QPoint(5, 5));
        return seen;
    }

    RecordingPeers peers;
    frmThinPlayer thin;
};

TEST_F(ThinPlayerTest, LaidOutAsTheCompactBar) {
    EXPECT_EQ(thin.windowTitle(), "Lumadeck Player Ver2.0");
    EXPECT_EQ(thin.size(), QSize(458, 32));
    const QStringList captions{"File", "Options", "View", "Playlist", "Help"};
    for (int n = 0; n < captions.size(); ++n) {
        ASSERT_NE(lbl(n), nullptr);
        EXPECT_EQ(lbl(n)->text(), captions[n]);
    }
    EXPECT_EQ(thin.findChild<QLabel*>("lblCurrFile")->text(), "Label1");
    EXPECT_EQ(image("imgShowVideo")->toolTip(), "Show Video Window");
    EXPECT_EQ(image("imgShowVideoHover")->toolTip(), "Show Video Window");
    EXPECT_FALSE(image("imgShowVideoHover")->isVisible());
}

TEST_F(ThinPlayerTest, RemovingTheBordersTwiceChangesNothingTheSecondTime) {
    const Qt::WindowFlags flags = thin.windowFlags();
    const QRect geometry = thin.geometry();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    thin.RemoveFormBorders();
    EXPECT_EQ(thin.windowFlags(), flags);
    EXPECT_EQ(thin.geometry(), geometry);
    EXPECT_TRUE(thin.isVisible());
}

TEST_F(ThinPlayerTest, LabelButtonsPopUpTheirMenuJustBelowAndOnlyOptionsReappliesTheMode) {
    for (int n = 0; n < 5; ++n) {
        const int before = peers.appropriateCalls;
        const Popup popup = pressLabel(n);
        EXPECT_EQ(popup.menu, peers.menus[n].get()) << n;
        const QPoint under = thin.mapToGlobal(QPoint(lbl(n)->x(), lbl(n)->y() + lbl(n)->height()));
        EXPECT_EQ(popup.at, under) << n;
        EXPECT_EQ(peers.appropriateCalls - before, n == 1 ? 1 : 0) << n;
        EXPECT_EQ(lbl(n)->Border(), BorderStyle::None) << n;
    }
}

TEST_F(ThinPlayerTest, RightButtonOpensTheMenuWithoutTheSunkenLook) {
    BorderStyle during = BorderStyle::FixedSingle;
    onPopup([&](QMenu*) { during = lbl(0)->Border(); });
    QTest::mousePress(lbl(0), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(during, BorderStyle::None);
}

TEST_F(ThinPlayerTest, WithoutPeersTheLabelsOpenNothingAndNothingBreaks) {
    thin.SetPeers(nullptr);
    EXPECT_EQ(pressLabel(0).menu, nullptr);
    thin.FollowWindowState(true);
    thin.DragWithPlaylist();
}

TEST_F(ThinPlayerTest, DraggingMovesADockedPlaylistAlongButNotOneOnePixelOff) {
    thin.SetDragFunction([](QWidget* w) { w->move(w->pos() + QPoint(30, 40)); });
    struct Case {
        QPoint offset;
        bool follows;
    } cases[] = {{{0, 0}, true}, {{1, 0}, false}, {{0, 1}, false}, {{0, -1}, false}};
    for (const Case& c : cases) {
        thin.move(100, 100);
        QWidget* pl = dockedPlaylist();
        pl->move(pl->pos() + c.offset);
        const QPoint before = pl->pos();
        thin.DragWithPlaylist();
        const QRect f = thin.frameGeometry();
        if (c.follows) {
            EXPECT_EQ(pl->frameGeometry().topLeft(), QPoint(f.left(), f.top() + f.height()));
        } else {
            EXPECT_EQ(pl->pos(), before) << c.offset.x() << "," << c.offset.y();
        }
    }
}

TEST_F(ThinPlayerTest, ADockedPlaylistThatIsNotShownStaysPut) {
    thin.SetDragFunction([](QWidget* w) { w->move(w->pos() + QPoint(30, 40)); });
    QWidget* pl = dockedPlaylist();
    peers.plShown = false;
    const QPoint before = pl->pos();
    thin.DragWithPlaylist();
    EXPECT_EQ(pl->pos(), before);
}

TEST_F(ThinPlayerTest, ThePlaylistFollowsMinimiseAndRestore) {
    QWidget* pl = dockedPlaylist();
    thin.FollowWindowState(true);
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

TEST_F(ThinPlayerTest, TheMinimiseButtonHidesTheShownPlaylist) {
    QWidget* pl = dockedPlaylist();
    QTest::mouseClick(thin.findChild<SkinButtonCtl*>("skinButtonMin"), Qt::LeftButton);
    EXPECT_FALSE(pl->isVisible());
}

TEST_F(ThinPlayerTest, OnlyAltF4ClosesAndEndsTheProgram) {
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        bool closes;
    } cases[] = {{Qt::Key_F4, Qt::AltModifier, true},
                 {Qt::Key_F4, Qt::AltModifier | Qt::ControlModifier, false},
                 {Qt::Key_F4, Qt::AltModifier | Qt::ShiftModifier, false},
                 {Qt::Key_F4, Qt::NoModifier, false},
                 {Qt::Key_F3, Qt::AltModifier, false},
                 {Qt::Key_F4, Qt::AltModifier | Qt::KeypadModifier, true}};
    for (const Case& c : cases) {
        QSignalSpy closing(&thin, &frmThinPlayer::closing);
        thin.HandleKey(c.key, c.mods);
        EXPECT_EQ(closing.count(), c.closes ? 1 : 0) << c.key << " " << int(c.mods);
    }
    QSignalSpy closing(&thin, &frmThinPlayer::closing);
    QTest::keyClick(&thin, Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(closing.count(), 1);
}

TEST_F(ThinPlayerTest, TheCloseButtonEndsTheProgramThroughTheMainWindow) {
    QSignalSpy closing(&thin, &frmThinPlayer::closing);
    QTest::mouseClick(thin.findChild<SkinButtonCtl*>("skinButtonClose"), Qt::LeftButton);
    EXPECT_EQ(closing.count(), 1);
    EXPECT_TRUE(thin.isVisible()); // the main window's unload takes it down
}

TEST_F(ThinPlayerTest, ShowVideoIconHoverClickAndBackToNormal) {
    SkinImage* icon = image("imgShowVideo");
    SkinImage* hover = image("imgShowVideoHover");
    QTest::mouseMove(icon, QPoint(3, 3));
    EXPECT_TRUE(hover->isVisible());
    EXPECT_FALSE(icon->isVisible());
    EXPECT_EQ(hover->pos(), icon->pos());

    QSignalSpy wanted(&thin, &frmThinPlayer::showVideoRequested);
    QTest::mousePress(hover, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(hover->Border(), BorderStyle::FixedSingle);
    QTest::mouseRelease(hover, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(hover->Border(), BorderStyle::None);
    EXPECT_EQ(wanted.count(), 1);
    EXPECT_FALSE(icon->isVisible());
    EXPECT_FALSE(hover->isVisible());

    // The next pointer move over the background shows the normal icon.
    QTest::mouseMove(image("Image1"), QPoint(200, 10));
    EXPECT_TRUE(icon->isVisible());
    EXPECT_FALSE(hover->isVisible());
}

TEST_F(ThinPlayerTest, TheProgramIconOpensTheAboutWindow) {
    SkinImage* icon = image("Image2");
    QTest::mousePress(icon, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(icon->Border(), BorderStyle::FixedSingle);
    QTest::mouseRelease(icon, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(icon->Border(), BorderStyle::None);
    ASSERT_EQ(peers.aboutOwners.size(), 1);
    EXPECT_EQ(peers.aboutOwners[0], &thin);
}

TEST_F(ThinPlayerTest, CurrentFileLabelsShowUntrustedNamesAsPlainText) {
    thin.ShowCurrentFile("<b>x</b>.mpg", "0:12/1:00");
    auto* file = thin.findChild<QLabel*>("lblCurrFile");
    EXPECT_EQ(file->textFormat(), Qt::PlainText);
    EXPECT_EQ(file->text(), "<b>x</b>.mpg");
    EXPECT_EQ(thin.findChild<QLabel*>("lblPosition")->text(), "0:12/1:00");
    thin.HideCurrentFile();
    EXPECT_FALSE(file->isVisible());
}

TEST(ThinPlayerNoSkin, WithoutSkinPicturesTheBarStillWorks) {
    QTemporaryDir empty;
    DataFiles::SetFolder(empty.path());
    {
        RecordingPeers peers;
        frmThinPlayer thin;
        thin.SetPeers(&peers);
        thin.show();
        thin.RemoveFormBorders();
        EXPECT_EQ(thin.size(), QSize(458, 32));
        for (int n = 0; n < 5; ++n) {
            QMenu* seen = nullptr;
            onPopup([&](QMenu* popup) { seen = popup; });
            auto* lbl = thin.findChild<LabelButton*>(QString("lblButtons%1").arg(n));
            QTest::mousePress(lbl, Qt::LeftButton, {}, QPoint(5, 5));
            EXPECT_EQ(seen, peers.menus[n].get()) << n;
        }
        QSignalSpy closing(&thin, &frmThinPlayer::closing);
        QTest::mouseClick(thin.findChild<SkinButtonCtl*>("skinButtonClose"), Qt::LeftButton);
        EXPECT_EQ(closing.count(), 1);
        thin.SetPeers(nullptr);
    }
    DataFiles::SetFolder({});
}

} // namespace
} // namespace lumadeck
