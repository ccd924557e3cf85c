// The skin at more than one device pixel per point: each picture's
// double-size version covers the same points; and the compact bar's outline
// and lettering.
#include "platform/DataFiles.h"
#include "skin/LabelButton.h"
#include "skin/SkinArt.h"
#include "skin/frmThinPlayer.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

struct Artwork {
    Artwork() { DataFiles::SetFolder(LUMADECK_SOURCE_DIR "/data"); }
    ~Artwork() { DataFiles::SetFolder({}); }
};

} // namespace

TEST(SkinScale, DoubleSizePicturesAreTakenAboveOneDevicePixelPerPoint) {
    Artwork art;
    EXPECT_EQ(SkinArt::DoubleSizeName("skin/compact.png"), "skin/compact@2x.png");
    EXPECT_EQ(SkinArt::DoubleSizeName("lumadeck.png"), "lumadeck@2x.png");
    EXPECT_EQ(SkinArt::DoubleSizeName("a.b/noext"), "a.b/noext@2x");
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {{SkinArt::CompactBar, {404, 39}},     {SkinArt::PlaylistLeft, {126, 206}},
                    {SkinArt::PlaylistRight, {305, 207}}, {SkinArt::TitleStrip, {360, 22}},
                    {SkinArt::CloseHover, {16, 16}},      {SkinArt::ShowVideo, {22, 18}},
                    {SkinArt::ProgramIcon, {64, 64}}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
            const QPixmap picture = SkinArt::Load(p.name, {}, Qt::red, ratio);
            const qreal taken = ratio > 1 ? 2 : 1;
            EXPECT_EQ(picture.devicePixelRatio(), taken) << ratio;
            EXPECT_EQ(picture.size(), p.size * taken) << ratio;
            EXPECT_EQ(picture.deviceIndependentSize().toSize(), p.size) << ratio;
        }
        // The same drawing: the large one shrunk is close to the small one.
        const QImage small = SkinArt::Load(p.name, {}, Qt::red, 1).toImage();
        const QImage shrunk = SkinArt::Load(p.name, {}, Qt::red, 2)
                                  .toImage()
                                  .scaled(p.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QPoint middle(p.size.width() / 2, p.size.height() / 2);
        EXPECT_LT(std::abs(qGray(small.pixel(middle)) - qGray(shrunk.pixel(middle))), 40);
    }
}

TEST(SkinScale, CompactBarIsShapedFromItsFinalSizeAndLetteredInTheSkinsFonts) {
    Artwork art;
    frmThinPlayer thin;
    thin.show();
    thin.RemoveFormBorders();
    EXPECT_EQ(thin.size(), QSize(458, 32));
    EXPECT_EQ(thin.mask(), QRegion(0, 0, 458, 32)); // the lowest rows take clicks too
    for (const char* name : {"lblCurrFile", "lblPosition"}) {
        EXPECT_EQ(thin.findChild<QLabel*>(name)->font().pointSizeF(), 6.75) << name;
    }
    const QStringList families = LabelButtons::ButtonFont().families();
    ASSERT_GE(families.size(), 2);
    EXPECT_EQ(families.mid(0, 2), QStringList({"Comic Sans MS", "Comic Neue"}));
}
