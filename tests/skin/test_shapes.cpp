// Window shapes, bitmap regions, staying on top, edge codes and the gradient
// of clsGuiFuncs, on the offscreen platform.
#include "skin/GradientForm.h"
#include "skin/clsGuiFuncs.h"

#include <QImage>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

// Every pixel of a w x h area whose centre lies clearly inside or clearly
// outside `inside` (further than `margin` from its outline, which `distance`
// measures in pixels) must be in the region exactly when inside.
void expectPixels(const QRegion& region, int w, int h,
                  const std::function<double(double, double)>& distance, const char* what) {
    int checked = 0;
    for (int y = -1; y <= h; ++y) {
        for (int x = -1; x <= w; ++x) {
            const double d = distance(x + 0.5, y + 0.5); // > 0 inside, < 0 outside
            if (std::abs(d) < 0.05) {
                continue; // on the outline: either answer is sound
            }
            ++checked;
            ASSERT_EQ(region.contains(QPoint(x, y)), d > 0) << what << " pixel " << x << "," << y;
        }
    }
    EXPECT_GT(checked, (w + 2) * (h + 2) * 9 / 10) << what;
}

// Signed distance (in x-units, good enough for the sign and a margin) of a
// point from the inside of a convex polygon given clockwise-or-not.
double convexInside(const QList<QPointF>& poly, double px, double py) {
    double best = 1e9;
    int sign = 0;
    for (int i = 0; i < poly.size(); ++i) {
        const QPointF a = poly[i];
        const QPointF b = poly[(i + 1) % poly.size()];
        const double ex = b.x() - a.x();
        const double ey = b.y() - a.y();
        const double cross = (ex * (py - a.y()) - ey * (px - a.x())) / std::hypot(ex, ey);
        if (sign == 0) {
            // orientation from the polygon's centre
            double cx = 0, cy = 0;
            for (const QPointF& p : poly) {
                cx += p.x() / poly.size();
                cy += p.y() / poly.size();
            }
            sign = (ex * (cy - a.y()) - ey * (cx - a.x())) > 0 ? 1 : -1;
        }
        best = std::min(best, cross * sign);
    }
    return best;
}

QImage picture(int w, int h, QRgb fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// The region the slow way: the whole rectangle less every transparent pixel.
void expectSameAsPixels(const QRegion& region, const QImage& image, QRgb transparent,
                        const char* what) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool opaque = (image.pixel(x, y) & 0xFFFFFF) != (transparent & 0xFFFFFF);
            ASSERT_EQ(region.contains(QPoint(x, y)), opaque) << what << " pixel " << x << "," << y;
        }
    }
    for (const QPoint p :
         {QPoint(-1, 0), QPoint(0, -1), QPoint(image.width(), 0), QPoint(0, image.height())}) {
        EXPECT_FALSE(region.contains(p)) << what;
    }
}

// The literal reading: one subtraction per run of transparent pixels.
QRegion bySubtraction(const QImage& image, QRgb transparent) {
    QRegion region(0, 0, image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() &&
                   (image.pixel(x, y) & 0xFFFFFF) != (transparent & 0xFFFFFF)) {
                ++x;
            }
            const int start = x;
            while (x < image.width() &&
                   (image.pixel(x, y) & 0xFFFFFF) == (transparent & 0xFFFFFF)) {
                ++x;
            }
            if (start < x) {
                region -= QRect(start, y, x - start, 1);
            }
            ++x;
        }
    }
    return region;
}

} // namespace

TEST(WindowShape, RectangleAndEllipse) {
    const QRegion rect = *clsGuiFuncs::ShapeRegion(101, 51, 3);
    EXPECT_EQ(rect, QRegion(0, 0, 101, 51));

    const QRegion ellipse = *clsGuiFuncs::ShapeRegion(101, 51, 0);
    expectPixels(
        ellipse, 101, 51,
        [](double x, double y) {
            const double dx = (x - 50.5) / 50.5;
            const double dy = (y - 25.5) / 25.5;
            return (1 - std::sqrt(dx * dx + dy * dy)) * 25.5;
        },
        "ellipse");
    // Each edge's middle is in, each corner out.
    for (const QPoint p : {QPoint(50, 0), QPoint(0, 25), QPoint(100, 25), QPoint(50, 50)}) {
        EXPECT_TRUE(ellipse.contains(p)) << p.x() << "," << p.y();
    }
    for (const QPoint p :
         {QPoint(0, 0), QPoint(100, 0), QPoint(0, 50), QPoint(100, 50), QPoint(101, 25)}) {
        EXPECT_FALSE(ellipse.contains(p)) << p.x() << "," << p.y();
    }
}

TEST(WindowShape, RoundedRectangleHasTwentyPixelCorners) {
    const int w = 120, h = 60;
    const QRegion region = *clsGuiFuncs::ShapeRegion(w, h, 1);
    expectPixels(
        region, w, h,
        [=](double x, double y) {
            if (x < 0 || y < 0 || x > w || y > h) {
                return -std::max({-x, -y, x - w, y - h});
            }
            const double cx = std::clamp(x, 10.0, w - 10.0);
            const double cy = std::clamp(y, 10.0, h - 10.0);
            const double fromCorner = 10 - std::hypot(x - cx, y - cy);
            return std::min({fromCorner, x, y, w - x, h - y});
        },
        "round rect");
    // Along the top edge the cut ends after 7 pixels; straight edges are whole.
    EXPECT_FALSE(region.contains(QPoint(6, 0)));
    EXPECT_TRUE(region.contains(QPoint(7, 0)));
    EXPECT_FALSE(region.contains(QPoint(w - 7, 0)));
    EXPECT_TRUE(region.contains(QPoint(w - 8, 0)));
    EXPECT_TRUE(region.contains(QPoint(0, 30)));
    EXPECT_TRUE(region.contains(QPoint(w - 1, 30)));
    EXPECT_FALSE(region.contains(QPoint(w, 30)));
}

TEST(WindowShape, DiamondTakesTheHalvesTruncated) {
    // 101 x 51: the points (50, 0), (0, 25), (50, 51), (101, 25).
    const QRegion region = *clsGuiFuncs::ShapeRegion(101, 51, 2);
    const QList<QPointF> poly = {{50, 0}, {0, 25}, {50, 51}, {101, 25}};
    expectPixels(
        region, 101, 51, [&](double x, double y) { return convexInside(poly, x, y); }, "diamond");
    // Rounded halves would put the top point at 51: pixel 51 of the top row
    // would be in and 49 out.
    EXPECT_TRUE(region.contains(QPoint(49, 0)));
    EXPECT_TRUE(region.contains(QPoint(50, 0)));
    EXPECT_FALSE(region.contains(QPoint(51, 0)));
    EXPECT_TRUE(region.contains(QPoint(99, 25)));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
}

TEST(WindowShape, SetOnAWindowAndOtherCodesRemoveIt) {
    QWidget window;
    window.resize(101, 51);
    clsGuiFuncs gui;
    gui.SetWindowShape(&window, 2);
    EXPECT_EQ(window.mask(), *clsGuiFuncs::ShapeRegion(101, 51, 2));
    for (long code : {7L, -1L, 4L}) {
        gui.SetWindowShape(&window, 0);
        EXPECT_FALSE(window.mask().isEmpty());
        gui.SetWindowShape(&window, code);
        EXPECT_TRUE(window.mask().isEmpty()) << "code " << code;
        EXPECT_FALSE(clsGuiFuncs::ShapeRegion(101, 51, code).has_value());
    }
    gui.SetWindowShape(nullptr, 1); // harmless
}

TEST(BitmapRegion, HandMadePictures) {
    const QRgb key = qRgb(255, 0, 255);
    struct Case {
        const char* name;
        std::function<void(QImage&)> draw;
    };
    const Case cases[] = {
        {"no transparent pixel", [](QImage&) {}},
        {"all transparent", [&](QImage& i) { i.fill(key); }},
        {"one transparent pixel", [&](QImage& i) { i.setPixel(7, 5, key); }},
        {"one opaque pixel",
         [&](QImage& i) {
             i.fill(key);
             i.setPixel(0, 9, qRgb(1, 2, 3));
         }},
        {"transparent first and last pixel of a row",
         [&](QImage& i) {
             i.setPixel(0, 3, key);
             i.setPixel(i.width() - 1, 3, key);
         }},
        {"whole transparent rows",
         [&](QImage& i) {
             for (int x = 0; x < i.width(); ++x) {
                 i.setPixel(x, 0, key);
                 i.setPixel(x, 4, key);
                 i.setPixel(x, 5, key);
                 i.setPixel(x, i.height() - 1, key);
             }
         }},
        {"transparent last column",
         [&](QImage& i) {
             for (int y = 0; y < i.height(); ++y)
                 i.setPixel(i.width() - 1, y, key);
         }},
        {"checkerboard",
         [&](QImage& i) {
             for (int y = 0; y < i.height(); ++y)
                 for (int x = (y & 1); x < i.width(); x += 2)
                     i.setPixel(x, y, key);
         }},
        {"near misses stay opaque",
         [&](QImage& i) {
             i.setPixel(2, 2, qRgb(255, 0, 254));
             i.setPixel(3, 2, qRgb(254, 0, 255));
             i.setPixel(4, 2, key);
         }},
    };
    for (const Case& c : cases) {
        QImage image = picture(23, 11, qRgb(40, 20, 30));
        c.draw(image);
        const QRegion region = clsGuiFuncs::GetBitmapRegion(image, QColor(key));
        expectSameAsPixels(region, image, key, c.name);
        // The same region as the literal reading builds, in the same form,
        // so every later region operation sees a well-formed region.
        EXPECT_EQ(region, bySubtraction(image, key)) << c.name;
        const QRegion cut = region.subtracted(QRect(0, 0, 5, 5)).united(QRect(20, 8, 10, 10));
        EXPECT_EQ(
            cut,
            bySubtraction(image, key).subtracted(QRect(0, 0, 5, 5)).united(QRect(20, 8, 10, 10)))
            << c.name;
    }
}

TEST(BitmapRegion, MarginsAndSpecialPictures) {
    // Left and right ten columns transparent: exactly the middle 80 x 50.
    QImage framed = picture(100, 50, qRgb(0, 0, 0));
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 10; ++x) {
            framed.setPixel(x, y, qRgb(0, 255, 0));
            framed.setPixel(99 - x, y, qRgb(0, 255, 0));
        }
    }
    const QRegion middle = clsGuiFuncs::GetBitmapRegion(framed, QColor(0, 255, 0));
    EXPECT_EQ(middle, QRegion(10, 0, 80, 50));
    EXPECT_EQ(middle.rectCount(), 1); // equal rows share one band

    EXPECT_EQ(clsGuiFuncs::GetBitmapRegion(picture(30, 20, qRgb(5, 5, 5)), Qt::white),
              QRegion(0, 0, 30, 20));
    EXPECT_TRUE(clsGuiFuncs::GetBitmapRegion(QImage(), Qt::white).isEmpty());

    // Other formats and alpha: only red, green and blue are compared.
    QImage argb(12, 6, QImage::Format_ARGB32);
    argb.fill(qRgba(10, 10, 10, 255));
    argb.setPixel(3, 3, qRgba(255, 255, 255, 0));
    argb.setPixel(4, 3, qRgba(255, 255, 255, 255));
    const QRegion fromArgb = clsGuiFuncs::GetBitmapRegion(argb, Qt::white);
    EXPECT_FALSE(fromArgb.contains(QPoint(3, 3)));
    EXPECT_FALSE(fromArgb.contains(QPoint(4, 3)));
    EXPECT_TRUE(fromArgb.contains(QPoint(5, 3)));
    const QImage rgb888 = framed.convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(clsGuiFuncs::GetBitmapRegion(rgb888, QColor(0, 255, 0)), QRegion(10, 0, 80, 50));
}

TEST(BitmapRegion, ScatteredPixelsMatchThePixelCheck) {
    QRandomGenerator random(12);
    for (int round = 0; round < 4; ++round) {
        QImage image = picture(67, 41, qRgb(9, 9, 9));
        const int percent = 5 + 30 * round;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (random.bounded(100) < percent) {
                    image.setPixel(x, y, qRgb(0, 0, 255));
                }
            }
        }
        if (round == 3) { // repeated rows, to exercise the banding
            for (int y = 1; y < image.height(); y += 3) {
                std::memcpy(image.scanLine(y), image.scanLine(y - 1), image.bytesPerLine());
            }
        }
        const QRegion region = clsGuiFuncs::GetBitmapRegion(image, QColor(0, 0, 255));
        expectSameAsPixels(region, image, qRgb(0, 0, 255), "scattered");
        EXPECT_EQ(region, bySubtraction(image, qRgb(0, 0, 255)));
    }
}

TEST(BitmapRegion, SetRegionShapesTheWindowToItsPicture) {
    QWidget window;
    window.resize(40, 20);
    clsGuiFuncs gui;
    QImage skin = picture(40, 20, qRgb(1, 1, 1));
    for (int x = 0; x < 40; ++x) {
        skin.setPixel(x, 0, qRgb(255, 0, 255));
    }
    clsGuiFuncs::SetSkinPicture(&window, skin);
    gui.SetRegion(&window, QColor(255, 0, 255));
    EXPECT_EQ(window.mask(), QRegion(0, 1, 40, 19));
    // A picture of nothing but the transparent colour removes the shape.
    skin.fill(qRgb(255, 0, 255));
    clsGuiFuncs::SetSkinPicture(&window, skin);
    gui.SetRegion(&window, QColor(255, 0, 255));
    EXPECT_TRUE(window.mask().isEmpty());

    // Without a picture of its own the window's background texture is used.
    QWidget textured;
    textured.resize(10, 10);
    QImage back = picture(10, 10, qRgb(0, 0, 0));
    back.setPixel(9, 9, qRgb(255, 255, 255));
    QPalette palette = textured.palette();
    palette.setBrush(QPalette::Window, QBrush(back));
    textured.setPalette(palette);
    gui.SetRegion(&textured, Qt::white);
    EXPECT_FALSE(textured.mask().contains(QPoint(9, 9)));
    EXPECT_TRUE(textured.mask().contains(QPoint(8, 9)));
}

TEST(GuiFuncs, EdgeCodesInAnyCase) {
    const struct {
        const char* code;
        std::optional<Qt::Edges> edges;
    } table[] = {
        {"T", Qt::TopEdge},
        {"b", Qt::BottomEdge},
        {"L", Qt::LeftEdge},
        {"r", Qt::RightEdge},
        {"TL", Qt::TopEdge | Qt::LeftEdge},
        {"tR", Qt::TopEdge | Qt::RightEdge},
        {"Bl", Qt::BottomEdge | Qt::LeftEdge},
        {"br", Qt::BottomEdge | Qt::RightEdge},
        {"X", std::nullopt},
        {"", std::nullopt},
        {"TB", std::nullopt},
        {"BR ", std::nullopt},
    };
    for (const auto& row : table) {
        EXPECT_EQ(clsGuiFuncs::EdgesFor(row.code), row.edges) << row.code;
    }
}

TEST(GuiFuncs, UnknownEdgeLeavesTheMouseCaptureAlone) {
    QWidget window;
    window.resize(50, 50);
    window.show();
    window.grabMouse();
    clsGuiFuncs().SizeOBJ(&window, "X");
    EXPECT_EQ(QWidget::mouseGrabber(), &window);
    window.releaseMouse();
    // With no button held the moves return at once and change nothing.
    const QRect before = window.geometry();
    clsGuiFuncs().DragOBJ(&window);
    clsGuiFuncs().SizeOBJ(&window, "br");
    EXPECT_EQ(window.geometry(), before);
}

TEST(GuiFuncs, FormOnTopKeepsThePlace) {
    QWidget window;
    window.setGeometry(30, 40, 120, 80);
    window.setMask(QRegion(0, 0, 60, 40));
    clsGuiFuncs gui;
    gui.FormOnTop(&window, 2);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    gui.FormOnTop(&window, 1);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(30, 40, 120, 80));
    EXPECT_EQ(window.mask(), QRegion(0, 0, 60, 40));
    gui.FormOnTop(&window, 0);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window.geometry(), QRect(30, 40, 120, 80));
    gui.FormOnTop(&window, -1);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(GuiFuncs, RedrawFormPaintsTheGradient) {
    for (long channel : {0L, 1L, 2L, 5L}) {
        QWidget a;
        QWidget b;
        a.resize(30, 40);
        b.resize(30, 40);
        clsGuiFuncs().RedrawForm(&a, -70, 300, 50, channel);
        GradientForm::PaintGradient(&b, 70, 44, 50, channel);
        EXPECT_EQ(a.grab().toImage(), b.grab().toImage()) << channel;
    }
}

namespace {

// A window that starts a move or a resize from its own mouse press, as the
// skinned windows do.
class PressToMove : public QWidget {
public:
    QString edge; // "" moves
    int returned = 0;

protected:
    void mousePressEvent(QMouseEvent*) override {
        if (edge.isEmpty()) {
            clsGuiFuncs().DragOBJ(this);
        } else {
            clsGuiFuncs().SizeOBJ(this, edge);
        }
        ++returned;
    }
};

} // namespace

TEST(GuiFuncs, MovesFromAPressReturnWhereNoPointerCanMove) {
    // Without a window system that reports the pointer (offscreen), nothing
    // can move it during the call: the call must come back by itself.
    for (const QString& edge : {QString(), QString("br")}) {
        PressToMove window;
        window.edge = edge;
        window.setGeometry(10, 10, 100, 80);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_EQ(window.returned, 1);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_EQ(window.geometry(), QRect(10, 10, 100, 80));
    }
}
