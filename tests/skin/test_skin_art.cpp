// The program's artwork as the windows load it, the skin button that shows
// it, and plain stand-ins (with one line on standard error) for pictures
// that are missing or unreadable.
#include "platform/DataFiles.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"

#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

struct DataFolder {
    explicit DataFolder(const QString& folder) { DataFiles::SetFolder(folder); }
    ~DataFolder() { DataFiles::SetFolder(""); }
};

QColor shown(QWidget& w, QPoint at = QPoint(8, 8)) {
    return QColor(w.grab().toImage().pixel(at));
}

} // namespace

TEST(SkinArt, EveryPictureInItsSizeWithoutTransparency) {
    DataFolder data(LUMADECK_SOURCE_DIR "/data");
    const std::pair<const char*, QSize> table[] = {
        {SkinArt::CompactBar, {404, 39}},     {SkinArt::PlaylistLeft, {126, 206}},
        {SkinArt::PlaylistRight, {305, 207}}, {SkinArt::TitleStrip, {360, 22}},
        {SkinArt::MinimiseUp, {16, 16}},      {SkinArt::MinimiseDown, {16, 16}},
        {SkinArt::MinimiseHover, {16, 16}},   {SkinArt::CloseUp, {16, 16}},
        {SkinArt::CloseDown, {16, 16}},       {SkinArt::CloseHover, {16, 16}},
        {SkinArt::ShowVideo, {22, 18}},       {SkinArt::ShowVideoHover, {22, 18}},
    };
    for (const auto& [name, size] : table) {
        SCOPED_TRACE(name);
        const QImage image(DataFiles::Path(name));
        EXPECT_EQ(image.size(), size);
        EXPECT_FALSE(image.hasAlphaChannel());
        EXPECT_TRUE(SkinArt::Exists(name));
        // A drawing, not a flat placeholder.
        EXPECT_GT(image.convertToFormat(QImage::Format_Indexed8).colorCount(), 4);
    }
    EXPECT_NE(QImage(DataFiles::Path(SkinArt::ShowVideo)),
              QImage(DataFiles::Path(SkinArt::ShowVideoHover)));

    // Icon sizes are checked where they are installed (test_install); here
    // that the rounded corners are see-through.
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(
            QString(LUMADECK_SOURCE_DIR "/data/icons/hicolor/%1x%1/apps/lumadeck.png").arg(n));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << n;
        EXPECT_EQ(qAlpha(icon.pixel(n / 2, n / 2)), 255) << n;
    }
    EXPECT_EQ(QImage(LUMADECK_SOURCE_DIR "/data/lumadeck.png").size(), QSize(64, 64));
    // The build copies the folders beside the program, the drawings stay behind.
    EXPECT_TRUE(QFile::exists(LUMADECK_BUILD_DIR "/skin/compact.png"));
    EXPECT_TRUE(QFile::exists(LUMADECK_BUILD_DIR "/icons/hicolor/48x48/apps/lumadeck.png"));
    EXPECT_FALSE(QFile::exists(LUMADECK_BUILD_DIR "/artwork"));
}

TEST(SkinArt, MissingOrUnreadablePicturesGivePlainWorkingControlsAndOneLine) {
    QTemporaryDir folder;
    DataFolder data(folder.path());
    QDir(folder.path()).mkpath("skin");
    QFile broken(folder.filePath("skin/compact.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture at all");
    broken.close();

    for (const char* name : {"skin/compact.png", "skin/playlist-left.png"}) {
        testing::internal::CaptureStderr();
        const QPixmap picture = SkinArt::Load(name, QSize(404, 39), Qt::darkRed);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(picture.size(), QSize(404, 39)) << name;
        EXPECT_EQ(QColor(picture.toImage().pixel(200, 20)), QColor(Qt::darkRed)) << name;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(name), std::string::npos) << err;
        EXPECT_FALSE(SkinArt::Exists(name));
        testing::internal::CaptureStderr(); // loading it again adds no line
        SkinArt::Load(name, QSize(4, 4));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }

    QWidget window;
    window.resize(60, 30);
    SkinImage* image = new SkinImage("skin/nothing-here.png", QRect(0, 0, 30, 20), &window);
    SkinButtonCtl* close = SkinButtonCtl::MakeClose(&window, 40, 0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(image->pixmap().size(), QSize(30, 20));
    EXPECT_EQ(close->pictureup().size(), QSize(16, 16));
    EXPECT_NE(close->pictureup().toImage(), close->picturedown().toImage());
    // The button's plain picture: its colour in the corner, the sign (white)
    // in the middle.
    EXPECT_EQ(shown(*close, QPoint(1, 1)), QColor(close->CurrentPicture().toImage().pixel(1, 1)));
    EXPECT_EQ(shown(*close), QColor(Qt::white));
    QSignalSpy imageClicks(image, &SkinImage::clicked);
    QSignalSpy imagePresses(image, &SkinImage::pressed);
    QSignalSpy closeClicks(close, &SkinButtonCtl::clicked);
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(image, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(imageClicks.count(), 1);
    EXPECT_EQ(imagePresses.count(), 2);
    EXPECT_EQ(closeClicks.count(), 1);
}

TEST(SkinButton, ShowsThePictureOfItsStateAndClicksByMouseOrKeyboard) {
    DataFolder data(LUMADECK_SOURCE_DIR "/data");
    QWidget window;
    window.resize(100, 100);
    QCursor::setPos(0, 0);
    SkinButtonCtl* min = SkinButtonCtl::MakeMinimise(&window, 40, 60);
    SkinButtonCtl* b = SkinButtonCtl::MakeClose(&window, 60, 60); // away from the pointer
    EXPECT_EQ(min->accessibleName(), "Minimise");
    EXPECT_EQ(b->accessibleName(), "Close");
    EXPECT_NE(min->pictureup().toImage(), b->pictureup().toImage());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    using Look = SkinButtonCtl::Look;
    auto showing = [&](Look look) {
        const QPixmap& p = look == Look::Up     ? b->pictureup()
                           : look == Look::Down ? b->picturedown()
                                                : b->picturehover();
        EXPECT_EQ(b->CurrentLook(), look);
        EXPECT_EQ(b->grab().toImage().convertToFormat(QImage::Format_RGB32),
                  p.toImage().convertToFormat(QImage::Format_RGB32));
    };
    EXPECT_TRUE(b->pictureup().toImage() != b->picturedown().toImage() &&
                b->pictureup().toImage() != b->picturehover().toImage() &&
                b->picturedown().toImage() != b->picturehover().toImage());
    showing(Look::Up);
    QEnterEvent enter(QPointF(8, 8), QPointF(8, 8), QPointF(8, 8));
    QCoreApplication::sendEvent(b, &enter);
    showing(Look::Hover);
    QSignalSpy clicks(b, &SkinButtonCtl::clicked);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(8, 8));
    showing(Look::Down);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(8, 8));
    showing(Look::Hover);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(b, &leave);
    showing(Look::Up);

    QSignalSpy moves(b, &SkinButtonCtl::mouseMoved);
    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mouseMove(b, QPoint(6, 6));
    EXPECT_EQ(moves.count(), 2);
    QTest::mouseClick(b, Qt::RightButton, {}, QPoint(8, 8));
    EXPECT_EQ(clicks.count(), 1);
    // It takes the focus with Tab and clicks with Space.
    EXPECT_TRUE(b->focusPolicy() & Qt::TabFocus);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(SkinButton, StretchScalesThePicture) {
    SkinButtonCtl b;
    b.resize(16, 16);
    QPixmap small(8, 8);
    small.fill(Qt::red);
    b.setPictureup(small);
    EXPECT_TRUE(b.stretch());
    EXPECT_EQ(shown(b, QPoint(15, 15)), QColor(Qt::red));
    b.setStretch(false);
    EXPECT_EQ(shown(b, QPoint(3, 3)), QColor(Qt::red));
    EXPECT_NE(shown(b, QPoint(15, 15)), QColor(Qt::red));
}
