// The splash and about window: texts, outline, gradient and closing.
#include "skin/Regions.h"
#include "skin/frmSplash.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumadeck;

TEST(Splash, TextsOnTheGradientInsideTheRoundedOutline) {
    frmSplash splash;
    EXPECT_EQ(splash.size(), QSize(448, 239));
    EXPECT_EQ(splash.Label1->text(), "Lumadeck Player");
    EXPECT_EQ(splash.lblVersion->text(), "Ver 2.0 Jun-10-2002");
    EXPECT_TRUE(splash.lblLegal->text().contains("GNU General Public License"));
    EXPECT_TRUE(splash.lblLegal->text().contains("version 3"));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash.mask(), Regions::RoundRect(448, 239, 50, 50));
    // Between the labels and the icon nothing is drawn over the gradient.
    const QImage shot = splash.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(100, 64)), QColor(70 + 32, 50, 50));
    EXPECT_EQ(QColor(shot.pixel(30, 140)), QColor(70 + 70, 50, 50));
}

TEST(Splash, EscOrAClickClosesAndUnloadsOtherKeysDoNot) {
    QPointer<frmSplash> splash = new frmSplash;
    splash->show();
    QTest::keyClick(splash.data(), Qt::Key_A);
    QTest::keyClick(splash.data(), Qt::Key_Return);
    EXPECT_TRUE(splash->isVisible());
    QTest::keyClick(splash.data(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());

    splash = new frmSplash;
    splash->show();
    // A click on a label reaches the window and closes it too.
    QTest::mouseClick(splash.data(), Qt::LeftButton, {}, QPoint(200, 30));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}
