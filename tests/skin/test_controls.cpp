// The skin's controls offscreen: stand-ins for missing artwork, skin buttons and label buttons.
#include "platform/DataFiles.h"
#include "skin/LabelButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"

#include <QEnterEvent>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

struct DataFolder {
    explicit DataFolder(const QString& folder) { DataFiles::SetFolder(folder); }
    ~DataFolder() { DataFiles::SetFolder(""); }
};

QImage rgb(const QPixmap& p) {
    return p.toImage().convertToFormat(QImage::Format_RGB32);
}
const QPoint middle(8, 8);

} // namespace

// A missing or unreadable picture gives a plain stand-in of the asked size and one line, once.
TEST(SkinArt, MissingOrUnreadablePicturesGivePlainWorkingControlsAndOneLine) {
    QTemporaryDir folder;
    DataFolder data(folder.path());
    QDir(folder.path()).mkpath("skin");
    QFile broken(folder.filePath("skin/compact.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    for (const char* name : {"skin/compact.png", "skin/playlist-left.png"}) {
        testing::internal::CaptureStderr();
        const QPixmap picture = SkinArt::Load(name, QSize(404, 39), Qt::darkRed);
        SkinArt::Load(name, QSize(4, 4));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(picture.size(), QSize(404, 39)) << name;
        EXPECT_EQ(QColor(picture.toImage().pixel(200, 20)), QColor(Qt::darkRed)) << name;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(name), std::string::npos) << err;
    }
    QWidget window;
    SkinButtonCtl* close = SkinButtonCtl::MakeClose(&window, 40, 0);
    EXPECT_EQ(close->pictureup().size(), QSize(16, 16));
    EXPECT_NE(rgb(close->pictureup()), rgb(close->picturedown()));
}

// The skin button shows its state's picture, clicks by mouse or Space, stretches a small picture.
TEST(SkinButton, ShowsThePictureOfItsStateAndClicksByMouseOrKeyboard) {
    DataFolder data(LUMADECK_SOURCE_DIR "/data");
    // On a screen scaled 2 or more the double-size picture, drawn at half its pixels: sharp.
    const QPixmap one = SkinArt::Load("skin/compact.png", {}, Qt::red, 1);
    const QPixmap two = SkinArt::Load("skin/compact.png", {}, Qt::red, 2);
    EXPECT_EQ(std::pair(two.size(), two.devicePixelRatio()), std::pair(one.size() * 2, 2.0));
    QWidget window;
    window.resize(100, 100);
    QCursor::setPos(0, 0);
    SkinButtonCtl* min = SkinButtonCtl::MakeMinimise(&window, 40, 60);
    SkinButtonCtl* b = SkinButtonCtl::MakeClose(&window, 60, 60); // away from the pointer
    EXPECT_NE(rgb(min->pictureup()), rgb(b->pictureup()));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QEnterEvent enter(middle, middle, middle);
    QEvent leave(QEvent::Leave);
    using Look = SkinButtonCtl::Look;
    QSignalSpy clicks(b, &SkinButtonCtl::clicked);
    const std::pair<std::function<void()>, Look> steps[] = {
        {[] {}, Look::Up},
        {[&] { QCoreApplication::sendEvent(b, &enter); }, Look::Hover},
        {[&] { QTest::mousePress(b, Qt::LeftButton, {}, middle); }, Look::Down},
        {[&] { QTest::mouseRelease(b, Qt::LeftButton, {}, middle); }, Look::Hover},
        {[&] { QCoreApplication::sendEvent(b, &leave); }, Look::Up}};
    for (const auto& [step, look] : steps) {
        step();
        EXPECT_EQ(b->CurrentLook(), look);
        EXPECT_EQ(rgb(b->grab()), rgb(look == Look::Up     ? b->pictureup()
                                      : look == Look::Down ? b->picturedown()
                                                           : b->picturehover()))
            << int(look);
    }
    EXPECT_NE(rgb(b->pictureup()), rgb(b->picturehover()));
    QTest::mouseClick(b, Qt::RightButton, {}, middle);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);

    QPixmap small(8, 8);
    small.fill(Qt::red);
    b->setPictureup(small);
    EXPECT_EQ(b->grab().toImage().pixelColor(15, 15), QColor(Qt::red));
    b->setStretch(false);
    EXPECT_NE(b->grab().toImage().pixelColor(15, 15), QColor(Qt::red));
}

// One label hovered at a time; only the left button sinks and clicks (released on the label), as
// do Space and Return; a disabled one does nothing.
TEST(LabelButtons, OneHoveredAtATimeOnlyTheLeftButtonSinksAndClicksAsDoKeys) {
    QWidget window;
    QWidget* background = new QWidget(&window);
    LabelButtonArray lbl(&window);
    window.resize(300, 100);
    background->setGeometry(0, 50, 300, 50);
    for (const char* caption : {"File", "Options", "View"}) {
        lbl.Add(caption, QRect(10 + 60 * lbl.Count(), 5, 50, 17), LabelButton::NormalColour());
    }
    lbl.ResetColorsOnMove(background);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto hovered = [&] {
        std::vector<int> red;
        for (LabelButton* b : lbl.Buttons()) {
            if (b->ForeColour() == LabelButton::HoverColour()) {
                red.push_back(b->Index());
            }
        }
        return red;
    };
    for (int n : {0, 1, 2}) {
        QTest::mouseMove(lbl[n], middle);
        EXPECT_EQ(hovered(), std::vector<int>{n});
    }
    QTest::mouseMove(background, QPoint(100, 20));
    EXPECT_TRUE(hovered().empty());

    LabelButton* b = lbl[1];
    QSignalSpy clicks(&lbl, &LabelButtonArray::clicked);
    const BorderStyle up = BorderStyle::None, down = BorderStyle::FixedSingle;
    const struct {
        BorderStyle start;
        Qt::MouseButton button;
        QPoint releaseAt;
        BorderStyle pressed;
    } table[] = {{up, Qt::LeftButton, middle, down},
                 {up, Qt::RightButton, middle, up},
                 {down, Qt::RightButton, middle, down},        // a sunken one stays sunken
                 {up, Qt::LeftButton, QPoint(-30, 40), down}}; // released away: no click
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << int(row.button) << " " << row.releaseAt.x());
        b->SetBorder(row.start);
        QTest::mousePress(b, row.button, {}, middle);
        EXPECT_EQ(b->Border(), row.pressed);
        EXPECT_EQ(b->frameStyle() != QFrame::NoFrame, row.pressed == down);
        QTest::mouseRelease(b, row.button, {}, row.releaseAt);
        EXPECT_EQ(b->Border(), row.button == Qt::LeftButton ? up : row.start);
        EXPECT_EQ(clicks.count(), 1);
    }
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 1);
    b->setFocus();
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_A}) {
        QTest::keyClick(b, key);
    }
    EXPECT_EQ(clicks.count(), 3);

    b->setEnabled(false);
    QTest::mouseMove(b, middle);
    QTest::mouseClick(b, Qt::LeftButton, {}, middle);
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 3);
    EXPECT_TRUE(hovered().empty());
    EXPECT_EQ(lbl[3], nullptr);
    EXPECT_EQ(lbl[-1], nullptr);
}
