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
    struct Step {
        Qt::MouseButton button;
        bool press;
        BorderStyle after;
    };
    const struct {
        const char* name;
        BorderStyle start;
        std::vector<Step> steps;
    } table[] = {
        {"left press and release",
         BorderStyle::None,
         {{Qt::LeftButton, true, BorderStyle::FixedSingle},
          {Qt::LeftButton, false, BorderStyle::None}}},
        {"right press and release leave it",
         BorderStyle::None,
         {{Qt::RightButton, true, BorderStyle::None}, {Qt::RightButton, false, BorderStyle::None}}},
        {"right press on a sunken button leaves it sunken",
         BorderStyle::FixedSingle,
         {{Qt::RightButton, true, BorderStyle::FixedSingle},
          {Qt::RightButton, false, BorderStyle::FixedSingle}}},
        {"middle button", BorderStyle::None, {{Qt::MiddleButton, true, BorderStyle::None}}},
    };
    for (const auto& row : table) {
        Window w;
        LabelButton* b = w.lblButtons[1];
        b->SetBorder(row.start);
        for (const Step& step : row.steps) {
            if (step.press) {
                QTest::mousePress(b, step.button, {}, middle);
            } else {
                QTest::mouseRelease(b, step.button, {}, middle);
            }
            EXPECT_EQ(b->Border(), step.after) << row.name;
            EXPECT_EQ(b->frameStyle() != QFrame::NoFrame, step.after == BorderStyle::FixedSingle)
                << row.name;
        }
    }
}

TEST(LabelButtons, AnimatingLetsPendingEventsRun) {
    Window w;
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        bool ran = false;
        QTimer::singleShot(0, &w.window, [&] { ran = true; });
        w.lblButtons.AnimateLabelButton(w.lblButtons[0], button, false);
        EXPECT_TRUE(ran) << "button " << int(button);
    }
    LabelButtons::AnimateLabelButton(nullptr, Qt::LeftButton, true); // harmless
}

TEST(LabelButtons, ExactlyOneInTheHoverColour) {
    Window w;
    QSignalSpy resets(&w.lblButtons, &LabelButtonArray::colorsReset);
    EXPECT_EQ(w.lblButtons[2]->ForeColour(), LabelButton::CompactInitialColour());
    QTest::mouseMove(w.lblButtons[0], middle);
    EXPECT_EQ(w.hovered(), std::vector<int>{0});
    // The first reset gives every other button the normal colour.
    EXPECT_EQ(w.lblButtons[2]->ForeColour(), LabelButton::NormalColour());
    QTest::mouseMove(w.lblButtons[1], middle);
    EXPECT_EQ(w.hovered(), std::vector<int>{1});
    QTest::mouseMove(w.lblButtons[2], middle);
    EXPECT_EQ(w.hovered(), std::vector<int>{2});
    QTest::mouseMove(w.background, QPoint(100, 20));
    EXPECT_TRUE(w.hovered().empty());
    ASSERT_GE(resets.count(), 4);
    EXPECT_EQ(resets.last().at(0).value<LabelButton*>(), nullptr);
}

TEST(LabelButtons, ClicksAreLeftPressAndReleaseOnTheButton) {
    Window w;
    LabelButton* b = w.lblButtons[1];
    QSignalSpy clicks(&w.lblButtons, &LabelButtonArray::clicked);
    QSignalSpy presses(&w.lblButtons, &LabelButtonArray::pressed);
    QTest::mouseClick(b, Qt::LeftButton, {}, middle);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 1);
    QTest::mouseClick(b, Qt::RightButton, {}, middle);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(presses.count(), 2);
    EXPECT_EQ(presses.at(1).at(1).value<Qt::MouseButton>(), Qt::RightButton);
    // Released away from the button: no click.
    QTest::mousePress(b, Qt::LeftButton, {}, middle);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(-30, 40));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(b->Border(), BorderStyle::None);
}

TEST(LabelButtons, DisabledButtonsReactToNothing) {
    Window w;
    LabelButton* b = w.lblButtons[0];
    b->setEnabled(false);
    QSignalSpy clicks(&w.lblButtons, &LabelButtonArray::clicked);
    QSignalSpy presses(&w.lblButtons, &LabelButtonArray::pressed);
    QTest::mouseMove(b, middle);
    QTest::mousePress(b, Qt::LeftButton, {}, middle);
    EXPECT_EQ(b->Border(), BorderStyle::None);
    QTest::mouseRelease(b, Qt::LeftButton, {}, middle);
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(presses.count(), 0);
    EXPECT_TRUE(w.hovered().empty());
    EXPECT_NE(b->ForeColour(), LabelButton::HoverColour());
}

TEST(LabelButtons, KeyboardAndTexts) {
    Window w;
    LabelButton* b = w.lblButtons[2];
    QSignalSpy clicks(&w.lblButtons, &LabelButtonArray::clicked);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Space);
    QTest::keyClick(b, Qt::Key_Return);
    QTest::keyClick(b, Qt::Key_A);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(b->accessibleName(), "View");
    EXPECT_EQ(b->textFormat(), Qt::PlainText);
    EXPECT_EQ(w.lblButtons.Count(), 3);
    EXPECT_EQ(w.lblButtons[3], nullptr);
    EXPECT_EQ(w.lblButtons[-1], nullptr);
}

TEST(LabelButtons, WithoutAutoAnimateTheWindowAnimates) {
    Window w;
    w.lblButtons.SetAutoAnimate(false);
    LabelButton* b = w.lblButtons[0];
    std::vector<BorderStyle> seen;
    QObject::connect(&w.lblButtons, &LabelButtonArray::pressed,
                     [&](int index, Qt::MouseButton button) {
                         w.lblButtons.AnimateLabelButton(w.lblButtons[index], button, false);
                         seen.push_back(b->Border());
                         w.lblButtons.AnimateLabelButton(w.lblButtons[index], button, true);
                     });
    QTest::mousePress(b, Qt::LeftButton, {}, middle);
    EXPECT_EQ(seen, std::vector<BorderStyle>{BorderStyle::FixedSingle});
    EXPECT_EQ(b->Border(), BorderStyle::None);
    QTest::mouseRelease(b, Qt::LeftButton, {}, middle);
    EXPECT_EQ(b->Border(), BorderStyle::None);
}
