// Window shapes and moves of clsGuiFuncs, offscreen.
#include "skin/Regions.h"
#include "skin/clsGuiFuncs.h"

#include <QMouseEvent>
#include <QPainterPath>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

// Each pixel of the outline's area and the ring around it is in the region exactly when its centre
// is inside (unless within 0.05 of the outline); so are the listed pixels `in`.
void expectShape(const char* name, const QRegion& region, const QPainterPath& outline,
                 const std::vector<QPoint>& in = {}, const std::vector<QPoint>& out = {}) {
    SCOPED_TRACE(name);
    const QRect area = outline.boundingRect().toRect().adjusted(-1, -1, 1, 1);
    int checked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPointF c(x + 0.5, y + 0.5);
            const bool inside = outline.contains(c);
            bool clear = true;
            for (const QPointF d : {QPointF(.05, .05), QPointF(-.05, .05)}) {
                clear =
                    clear && outline.contains(c + d) == inside && outline.contains(c - d) == inside;
            }
            checked += clear;
            ASSERT_TRUE(!clear || region.contains(QPoint(x, y)) == inside) << x << "," << y;
        }
    }
    EXPECT_GT(checked, area.width() * area.height() * 9 / 10);
    for (const QPoint p : in) {
        EXPECT_TRUE(region.contains(p)) << p.x() << "," << p.y();
    }
    for (const QPoint p : out) {
        EXPECT_FALSE(region.contains(p)) << p.x() << "," << p.y();
    }
}

QPainterPath path(const QRectF& r, qreal radius = 0) {
    QPainterPath p;
    p.addRoundedRect(r, radius, radius);
    return p;
}

} // namespace

TEST(WindowShape, EveryShapeMatchesItsOutline) {
    QPainterPath ellipse, diamond, triangle;
    ellipse.addEllipse(0, 0, 101, 51);
    diamond.addPolygon({{50, 0}, {0, 25}, {50, 51}, {101, 25}});
    triangle.addPolygon({{0, 0}, {60, 0}, {0, 40}});
    expectShape("triangle", Regions::Polygon({{0, 0}, {60, 0}, {0, 40}}), triangle);
    expectShape("ellipse", *clsGuiFuncs::ShapeRegion(101, 51, 0), ellipse,
                {{50, 0}, {0, 25}, {100, 25}, {50, 50}}, {{0, 0}, {100, 0}, {0, 50}, {101, 25}});
    // Twenty-pixel corners: along the top edge the cut ends after 7 pixels.
    expectShape("round rect", *clsGuiFuncs::ShapeRegion(120, 60, 1), path({0, 0, 120, 60}, 10),
                {{7, 0}, {112, 0}, {119, 30}}, {{6, 0}, {113, 0}});
    // Halves truncated: rounded ones would put the top point at 51.
    expectShape("diamond", *clsGuiFuncs::ShapeRegion(101, 51, 2), diamond,
                {{49, 0}, {50, 0}, {99, 25}}, {{51, 0}});
    expectShape("rectangle", *clsGuiFuncs::ShapeRegion(101, 51, 3), path({0, 0, 101, 51}));
    expectShape("splash", Regions::RoundRect(448, 239, 50, 50), path({0, 0, 448, 239}, 25));
    EXPECT_TRUE(Regions::RoundRect(0, 10, 5, 5).isEmpty());
    EXPECT_EQ(Regions::RoundRect(30, 20, 0, 0), QRegion(0, 0, 30, 20));
}

TEST(WindowShape, SetOnAWindowAndRemovedByOtherCodes) {
    clsGuiFuncs gui;
    QWidget shaped;
    shaped.resize(101, 51);
    for (long code : {7L, -1L, 4L}) { // other codes remove the shape
        gui.SetWindowShape(&shaped, 2);
        EXPECT_EQ(shaped.mask(), *clsGuiFuncs::ShapeRegion(101, 51, 2));
        gui.SetWindowShape(&shaped, code);
        EXPECT_TRUE(shaped.mask().isEmpty()) << "code " << code;
    }
    gui.SetWindowShape(nullptr, 1); // harmless
}

namespace {

// Starts a move ("") or a resize from its own mouse press, as skinned windows do.
struct PressToMove : QWidget {
    QString edge;
    int returned = 0;
    void mousePressEvent(QMouseEvent*) override {
        edge.isEmpty() ? clsGuiFuncs().DragOBJ(this) : clsGuiFuncs().SizeOBJ(this, edge);
        ++returned;
    }
};

} // namespace

// Where no pointer can move the window (offscreen) a move or resize returns at once.
TEST(GuiFuncs, MovesReturnByThemselvesWhereNoPointerCanMove) {
    PressToMove window;
    window.setGeometry(10, 10, 100, 80);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const char* edge : {"", "br"}) {
        window.edge = edge;
        QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(20, 20));
    }
    EXPECT_EQ(window.returned, 2);
    clsGuiFuncs().DragOBJ(&window); // without a held button: nothing
    clsGuiFuncs().SizeOBJ(&window, "br");
    EXPECT_EQ(window.geometry(), QRect(10, 10, 100, 80));
}
