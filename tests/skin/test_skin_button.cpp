// The skin button: its three pictures, stretching, its two notifications,
// the keyboard, and plain stand-ins for pictures that cannot be read.
#include "platform/DataFiles.h"
#include "skin/SkinButtonCtl.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

QPixmap plain(const QColor& colour, int size = 16) {
    QPixmap p(size, size);
    p.fill(colour);
    return p;
}

QColor shown(SkinButtonCtl& b, QPoint at = QPoint(8, 8)) {
    return QColor(b.grab().toImage().pixel(at));
}

void enter(SkinButtonCtl& b) {
    QEnterEvent event(QPointF(8, 8), QPointF(8, 8), QPointF(8, 8));
    QCoreApplication::sendEvent(&b, &event);
}

void leave(SkinButtonCtl& b) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&b, &event);
}

} // namespace

TEST(SkinButton, ShowsTheRightPicture) {
    QWidget window;
    window.resize(100, 100);
    SkinButtonCtl b(&window);
    b.setGeometry(60, 60, 16, 16); // away from where the pointer starts
    QCursor::setPos(0, 0);
    b.setPictureup(plain(Qt::red));
    b.setPicturedown(plain(Qt::green));
    b.setPicturehover(plain(Qt::blue));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_EQ(b.CurrentLook(), SkinButtonCtl::Look::Up);
    EXPECT_EQ(shown(b), QColor(Qt::red));
    enter(b);
    EXPECT_EQ(b.CurrentLook(), SkinButtonCtl::Look::Hover);
    EXPECT_EQ(shown(b), QColor(Qt::blue));
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(b.CurrentLook(), SkinButtonCtl::Look::Down);
    EXPECT_EQ(shown(b), QColor(Qt::green));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(b.CurrentLook(), SkinButtonCtl::Look::Hover);
    leave(b);
    EXPECT_EQ(b.CurrentLook(), SkinButtonCtl::Look::Up);
    EXPECT_EQ(shown(b), QColor(Qt::red));
}

TEST(SkinButton, StretchScalesThePicture) {
    SkinButtonCtl b;
    b.resize(16, 16);
    b.setPictureup(plain(Qt::red, 8));
    EXPECT_TRUE(b.stretch());
    EXPECT_EQ(shown(b, QPoint(15, 15)), QColor(Qt::red));
    b.setStretch(false);
    EXPECT_EQ(shown(b, QPoint(3, 3)), QColor(Qt::red));
    EXPECT_NE(shown(b, QPoint(15, 15)), QColor(Qt::red));
}

TEST(SkinButton, ClickAndMouseMoveNotifications) {
    QWidget window;
    SkinButtonCtl* b = SkinButtonCtl::MakeClose(&window, 4, 4);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(b, &SkinButtonCtl::clicked);
    QSignalSpy moves(b, &SkinButtonCtl::mouseMoved);
    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mouseMove(b, QPoint(6, 6));
    EXPECT_EQ(moves.count(), 2);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(b, Qt::RightButton, {}, QPoint(8, 8));
    EXPECT_EQ(clicks.count(), 1);
    // Keyboard: it takes the focus with Tab and clicks with Space.
    EXPECT_TRUE(b->focusPolicy() & Qt::TabFocus);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(SkinButton, MinimiseAndCloseCarryTheirNamesAndPictures) {
    DataFiles::SetFolder(LUMADECK_SOURCE_DIR "/data");
    QWidget window;
    SkinButtonCtl* min = SkinButtonCtl::MakeMinimise(&window, 426, 4);
    SkinButtonCtl* close = SkinButtonCtl::MakeClose(&window, 441, 4);
    DataFiles::SetFolder("");
    EXPECT_EQ(min->accessibleName(), "Minimise");
    EXPECT_EQ(close->accessibleName(), "Close");
    EXPECT_EQ(min->objectName(), "skinButtonMin");
    EXPECT_EQ(close->objectName(), "skinButtonClose");
    EXPECT_EQ(min->geometry(), QRect(426, 4, 16, 16));
    EXPECT_EQ(close->geometry(), QRect(441, 4, 16, 16));
    for (SkinButtonCtl* b : {min, close}) {
        const QImage up = b->pictureup().toImage();
        const QImage down = b->picturedown().toImage();
        const QImage hover = b->picturehover().toImage();
        EXPECT_EQ(up.size(), QSize(16, 16));
        EXPECT_NE(up, down);
        EXPECT_NE(up, hover);
        EXPECT_NE(down, hover);
    }
    EXPECT_NE(min->pictureup().toImage(), close->pictureup().toImage());
}

TEST(SkinButton, MissingPicturesLeaveAPlainButtonThatWorks) {
    QTemporaryDir empty;
    DataFiles::SetFolder(empty.path());
    QWidget window;
    SkinButtonCtl* close = SkinButtonCtl::MakeClose(&window, 0, 0);
    DataFiles::SetFolder("");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(close->pictureup().size(), QSize(16, 16));
    EXPECT_NE(close->pictureup().toImage(), close->picturedown().toImage());
    // It shows its plain picture: the colour in the corner, the sign (white)
    // in the middle.
    const QImage shown = close->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(1, 1)), QColor(close->CurrentPicture().toImage().pixel(1, 1)));
    EXPECT_EQ(QColor(shown.pixel(8, 8)), QColor(Qt::white));
    QSignalSpy clicks(close, &SkinButtonCtl::clicked);
    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(clicks.count(), 1);
}
