// Label buttons: the pressed look, hover colours, clicks, disabled buttons
// and the keyboard, through real mouse events on the offscreen platform.
#include "skin/LabelButton.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

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

TEST(LabelButtons, PressedLookOnlyForTheLeftButton) {
    const BorderStyle up = BorderStyle::None, down = BorderStyle::FixedSingle;
    const struct {
        BorderStyle start;
        Qt::MouseButton button;
        BorderStyle pressed, released;
    } table[] = {{up, Qt::LeftButton, down, up},
                 {up, Qt::RightButton, up, up},
                 {down, Qt::RightButton, down, down},
                 {up, Qt::MiddleButton, up, up}};
    for (const auto& row : table) {
        SCOPED_TRACE(int(row.button));
        Window w;
        LabelButton* b = w.lblButtons[1];
        b->SetBorder(row.start);
        QTest::mousePress(b, row.button, {}, middle);
        EXPECT_EQ(b->Border(), row.pressed);
        EXPECT_EQ(b->frameStyle() != QFrame::NoFrame, row.pressed == down);
        QTest::mouseRelease(b, row.button, {}, middle);
        EXPECT_EQ(b->Border(), row.released);
    }
}

TEST(LabelButtons, ExactlyOneInTheHoverColour) {
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
}

TEST(LabelButtons, ClicksAreLeftButtonSpaceOrReturnOnAnEnabledButton) {
    Window w;
    LabelButton* b = w.lblButtons[1];
    QSignalSpy clicks(&w.lblButtons, &LabelButtonArray::clicked);
    QSignalSpy presses(&w.lblButtons, &LabelButtonArray::pressed);
    QTest::mouseClick(b, Qt::LeftButton, {}, middle);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 1);
    QTest::mouseClick(b, Qt::RightButton, {}, middle);
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(presses.count(), 2);
    EXPECT_EQ(presses.at(1).at(1).value<Qt::MouseButton>(), Qt::RightButton);
    // Released away from the button: no click.
    QTest::mousePress(b, Qt::LeftButton, {}, middle);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(-30, 40));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(b->Border(), BorderStyle::None);
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
