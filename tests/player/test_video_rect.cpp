// Where the picture goes inside the control for each display size.
#include "player/VideoRect.h"

#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

struct Case {
    DisplaySizeCode size;
    QRect area;
    QSize source;
    QRect expected;
};

TEST(VideoRect, EachDisplaySizeScalesKeepsTheShapeAndCentres) {
    const QSize screen(1600, 1200);
    const QRect area(0, 0, 800, 600);
    const QSize source(320, 240);
    const Case cases[] = {
        {DisplaySizeCode::Default, area, source, QRect(240, 180, 320, 240)},
        {DisplaySizeCode::Half, area, source, QRect(320, 240, 160, 120)},
        {DisplaySizeCode::Double, area, source, QRect(80, 60, 640, 480)},
        {DisplaySizeCode::FullScreen, area, source, QRect(0, 0, 800, 600)},
        {DisplaySizeCode::FitToWindow, area, source, QRect(0, 0, 800, 600)},
        {DisplaySizeCode::OneSixteenthScreen, area, source, QRect(350, 262, 100, 75)},
        {DisplaySizeCode::OneFourthScreen, area, source, QRect(200, 150, 400, 300)},
        {DisplaySizeCode::OneHalfScreen, area, source, QRect(0, 0, 800, 600)},
        // Never larger than the area, and the picture's shape is kept.
        {DisplaySizeCode::Double, QRect(0, 0, 400, 400), source, QRect(0, 50, 400, 300)},
        {DisplaySizeCode::FitToWindow, QRect(10, 20, 800, 300), source, QRect(210, 20, 400, 300)},
        // No picture, or nowhere to put it: the whole area.
        {DisplaySizeCode::Default, area, QSize(0, 0), area},
        {DisplaySizeCode::Default, QRect(0, 0, 0, 0), source, QRect(0, 0, 0, 0)},
        // A sliver of an area still gets a picture of at least one pixel.
        {DisplaySizeCode::FitToWindow, QRect(0, 0, 1, 600), source, QRect(0, 299, 1, 1)},
        // An unknown size shows the picture at its own size.
        {DisplaySizeCode(42), area, source, QRect(240, 180, 320, 240)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VideoRect(c.area, c.source, c.size, screen), c.expected)
            << "display size " << CodeValue(c.size) << ", area " << c.area.width() << "x"
            << c.area.height();
    }
}

} // namespace
