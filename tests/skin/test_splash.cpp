// The splash and about window: texts, gradient, outline and closing.
#include "skin/GradientForm.h"
#include "skin/Regions.h"
#include "skin/frmSplash.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

QColor at(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

} // namespace

TEST(Gradient, RedRisesByOneEveryTwoRows) {
    const QImage image = GradientForm::GradientImage(QSize(448, 239), 70, 50, 50, 0);
    ASSERT_EQ(image.size(), QSize(448, 239));
    for (int y : {0, 1, 2, 3, 100, 101, 238}) {
        for (int x : {0, 447}) {
            const QColor c = at(image, x, y);
            EXPECT_EQ(c.red(), 70 + y / 2) << "row " << y;
            EXPECT_EQ(c.green(), 50);
            EXPECT_EQ(c.blue(), 50);
        }
    }
}

TEST(Gradient, StartValuesAreTheMagnitudeModulo256) {
    const QImage negative = GradientForm::GradientImage(QSize(10, 20), -70, -50, 50, 0);
    const QImage positive = GradientForm::GradientImage(QSize(10, 20), 70, 50, 50, 0);
    EXPECT_EQ(negative, positive);
    const QImage wrapped = GradientForm::GradientImage(QSize(10, 4), 300, 300, 300, 7);
    EXPECT_EQ(at(wrapped, 5, 0), QColor(44, 44, 44));
    EXPECT_EQ(at(wrapped, 5, 3), QColor(44, 44, 44)); // no channel varies
}

TEST(Gradient, OtherChannelsAndTheCeiling) {
    const QImage green = GradientForm::GradientImage(QSize(4, 600), 10, 250, 20, 1);
    EXPECT_EQ(at(green, 0, 0), QColor(10, 250, 20));
    EXPECT_EQ(at(green, 0, 8), QColor(10, 254, 20));
    EXPECT_EQ(at(green, 0, 599), QColor(10, 255, 20));
    const QImage blue = GradientForm::GradientImage(QSize(4, 6), 0, 0, 0, 2);
    EXPECT_EQ(at(blue, 3, 5), QColor(0, 0, 2));
}

TEST(Gradient, PaintedIntoTheFormsPersistentBackground) {
    QWidget form;
    form.resize(40, 30);
    GradientForm::PaintGradient(&form, 70, 50, 50, 0);
    const QImage shot = form.grab().toImage();
    EXPECT_EQ(at(shot, 5, 0), QColor(70, 50, 50));
    EXPECT_EQ(at(shot, 5, 29), QColor(84, 50, 50));
    // A later repaint shows the same picture without painting it again.
    form.update();
    EXPECT_EQ(form.grab().toImage(), shot);
    GradientForm::PaintGradient(nullptr, 1, 2, 3, 0); // harmless
}

TEST(Regions, RoundedCornersAreCutAway) {
    const QRegion region = Regions::RoundRect(448, 239, 50, 50);
    for (const QPoint p : {QPoint(0, 0), QPoint(447, 0), QPoint(0, 238), QPoint(447, 238),
                           QPoint(3, 3), QPoint(444, 235), QPoint(7, 1)}) {
        EXPECT_FALSE(region.contains(p)) << p.x() << "," << p.y();
    }
    for (const QPoint p : {QPoint(224, 0), QPoint(0, 119), QPoint(447, 119), QPoint(224, 238),
                           QPoint(25, 0), QPoint(0, 25), QPoint(8, 8), QPoint(439, 230)}) {
        EXPECT_TRUE(region.contains(p)) << p.x() << "," << p.y();
    }
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 448, 239));
    EXPECT_TRUE(Regions::RoundRect(0, 10, 5, 5).isEmpty());
    // Without a corner ellipse the region is the whole rectangle.
    EXPECT_EQ(Regions::RoundRect(30, 20, 0, 0), QRegion(0, 0, 30, 20));
}

TEST(Splash, LayoutAndTexts) {
    auto* splash = new frmSplash;
    EXPECT_EQ(splash->size(), QSize(448, 239));
    EXPECT_EQ(splash->Label1->text(), "Lumadeck Player");
    EXPECT_EQ(splash->Label1->geometry(), QRect(7, 11, 437, 41));
    EXPECT_TRUE(splash->Label1->font().bold());
    EXPECT_EQ(splash->lblVersion->text(), "Ver 2.0 Jun-10-2002");
    EXPECT_EQ(splash->lblVersion->geometry(), QRect(7, 45, 437, 16));
    EXPECT_EQ(splash->lblVersion->palette().color(QPalette::WindowText), QColor(255, 255, 192));
    EXPECT_EQ(splash->Image1->geometry(), QRect(204, 67, 38, 33));
    EXPECT_EQ(splash->lblLegal->geometry(), QRect(7, 164, 437, 65));
    EXPECT_EQ(splash->lblLegal->palette().color(QPalette::WindowText), QColor(192, 255, 192));
    EXPECT_TRUE(splash->lblLegal->text().contains("GNU General Public License"));
    EXPECT_TRUE(splash->lblLegal->text().contains("version 3"));
    EXPECT_FALSE(splash->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(splash->mask().contains(QPoint(224, 119)));
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    delete splash;
}

TEST(Splash, ShowsTheGradientBehindTheLabels) {
    auto* splash = new frmSplash;
    const QImage shot = splash->grab().toImage();
    // Between the version label and the icon nothing is drawn on the gradient.
    EXPECT_EQ(at(shot, 100, 64), QColor(70 + 32, 50, 50));
    EXPECT_EQ(at(shot, 30, 140), QColor(70 + 70, 50, 50));
    delete splash;
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
