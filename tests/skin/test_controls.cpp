// The skin's controls on the offscreen platform: the program's artwork as
// the windows load it, plain stand-ins (with one line on standard error) for
// pictures that are missing or unreadable, the skin button that shows them,
// and label buttons driven by real mouse events.
#include "platform/DataFiles.h"
#include "skin/LabelButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinButtonCtl.h"
#include "skin/SkinImage.h"

#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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

struct Window {
    QWidget window;
    QWidget* background = new QWidget(&window);
    LabelButtonArray lblButtons{&window};
    Window() {
        window.resize(300, 100);
        background->setGeometry(0, 50, 300, 50);
        lblButtons.Add("File", QRect(10, 5, 40, 17));
        lblButtons.Add("Options", QRect(60, 5, 50, 17));
        lblButtons.Add("View", QRect(120, 5, 40, 17), LabelButton::CompactInitialColour());
        lblButtons.ResetColorsOnMove(background);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    std::vector<int> hovered() const {
        std::vector<int> red;
        for (LabelButton* b : lblButtons.Buttons()) {
            if (b->ForeColour() == LabelButton::HoverColour()) {
                red.push_back(b->Index());
            }
        }
        return red;
    }
};

const QPoint middle(8, 8);

} // namespace

TEST(SkinArt, MissingOrUnreadablePicturesGivePlainWorkingControlsAndOneLine) {
    QTemporaryDir folder;
    DataFolder data(folder.path());
    QDir(folder.path()).mkpath("skin");
    QFile broken(folder.filePath("skin/compact.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
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
    auto showing = [&](Look look, const QPixmap& p) {
        EXPECT_EQ(b->CurrentLook(), look);
        EXPECT_EQ(b->grab().toImage().convertToFormat(QImage::Format_RGB32),
                  p.toImage().convertToFormat(QImage::Format_RGB32));
    };
    EXPECT_TRUE(b->pictureup().toImage() != b->picturedown().toImage() &&
                b->pictureup().toImage() != b->picturehover().toImage() &&
                b->picturedown().toImage() != b->picturehover().toImage());
    showing(Look::Up, b->pictureup());
    QEnterEvent enter(QPointF(8, 8), QPointF(8, 8), QPointF(8, 8));
    QCoreApplication::sendEvent(b, &enter);
    showing(Look::Hover, b->picturehover());
    QSignalSpy clicks(b, &SkinButtonCtl::clicked);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(8, 8));
    showing(Look::Down, b->picturedown());
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(8, 8));
    showing(Look::Hover, b->picturehover());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(b, &leave);
    showing(Look::Up, b->pictureup());

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

    // A smaller picture is stretched over the button unless told not to.
    QCoreApplication::sendEvent(b, &leave);
    QPixmap small(8, 8);
    small.fill(Qt::red);
    b->setPictureup(small);
    EXPECT_TRUE(b->stretch());
    EXPECT_EQ(shown(*b, QPoint(15, 15)), QColor(Qt::red));
    b->setStretch(false);
    EXPECT_EQ(shown(*b, QPoint(3, 3)), QColor(Qt::red));
    EXPECT_NE(shown(*b, QPoint(15, 15)), QColor(Qt::red));
}

TEST(LabelButtons, OneHoveredAtATimeOnlyTheLeftButtonSinksAndClicksAsDoKeys) {
    Window w;
    QSignalSpy resets(&w.lblButtons, &LabelButtonArray::colorsReset);
    EXPECT_EQ(w.lblButtons[2]->ForeColour(), LabelButton::CompactInitialColour());
    for (int n : {0, 1, 2}) {
        QTest::mouseMove(w.lblButtons[n], middle);
        EXPECT_EQ(w.hovered(), std::vector<int>{n});
        // The first reset gives every other button the normal colour.
        EXPECT_EQ(w.lblButtons[(n + 2) % 3]->ForeColour(), LabelButton::NormalColour());
    }
    QTest::mouseMove(w.background, QPoint(100, 20));
    EXPECT_TRUE(w.hovered().empty());
    ASSERT_GE(resets.count(), 4);
    EXPECT_EQ(resets.last().at(0).value<LabelButton*>(), nullptr);
    LabelButton* b = w.lblButtons[1];
    QSignalSpy clicks(&w.lblButtons, &LabelButtonArray::clicked);
    QSignalSpy presses(&w.lblButtons, &LabelButtonArray::pressed);
    const BorderStyle up = BorderStyle::None, down = BorderStyle::FixedSingle;
    const struct {
        BorderStyle start;
        Qt::MouseButton button;
        QPoint releaseAt;
        BorderStyle pressed;
    } table[] = {{up, Qt::LeftButton, middle, down},
                 {up, Qt::RightButton, middle, up},
                 {down, Qt::RightButton, middle, down}, // a sunken one stays sunken
                 {up, Qt::MiddleButton, middle, up},
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
    EXPECT_EQ(presses.at(1).at(1).value<Qt::MouseButton>(), Qt::RightButton);
    b->setFocus();
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_A}) {
        QTest::keyClick(b, key);
    }
    EXPECT_EQ(clicks.count(), 3);
    EXPECT_EQ(b->accessibleName(), "Options");

    // Disabled: no look, no colour, no signal.
    QTest::mouseMove(w.background, QPoint(100, 20));
    const qsizetype pressed = presses.count();
    b->setEnabled(false);
    QTest::mouseMove(b, middle);
    QTest::mousePress(b, Qt::LeftButton, {}, middle);
    EXPECT_EQ(b->Border(), BorderStyle::None);
    QTest::mouseRelease(b, Qt::LeftButton, {}, middle);
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 3);
    EXPECT_EQ(presses.count(), pressed);
    EXPECT_TRUE(w.hovered().empty());
    EXPECT_EQ(w.lblButtons.Count(), 3);
    EXPECT_EQ(w.lblButtons[3], nullptr);
    EXPECT_EQ(w.lblButtons[-1], nullptr);
}

TEST(LabelButtons, WithoutAutoAnimateTheWindowAnimatesLettingPendingEventsRun) {
    Window w;
    w.lblButtons.SetAutoAnimate(false);
    LabelButton* b = w.lblButtons[0];
    std::vector<BorderStyle> seen;
    int ran = 0; // each animation lets pending events run, for any button
    QObject::connect(&w.lblButtons, &LabelButtonArray::pressed, [&](int index, Qt::MouseButton) {
        LabelButton* lbl = w.lblButtons[index];
        for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
            QTimer::singleShot(0, &w.window, [&] { ++ran; });
            w.lblButtons.AnimateLabelButton(lbl, button, false);
        }
        seen.push_back(b->Border());
        w.lblButtons.AnimateLabelButton(lbl, Qt::LeftButton, true);
    });
    QTest::mousePress(b, Qt::LeftButton, {}, middle);
    EXPECT_EQ(seen, std::vector<BorderStyle>{BorderStyle::FixedSingle});
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(b->Border(), BorderStyle::None);
    QTest::mouseRelease(b, Qt::LeftButton, {}, middle);
    EXPECT_EQ(b->Border(), BorderStyle::None);
    LabelButtons::AnimateLabelButton(nullptr, Qt::LeftButton, true); // harmless
}
