// The skinned windows kit on a real X server without a window manager:
// a shaped window's cut-away corner passes clicks to the window behind, and
// DragOBJ / SizeOBJ move and size a window after the pointer, returning only
// when the button is released.
#include "skin/CFormBorder.h"
#include "skin/clsGuiFuncs.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

void xdotool(const QStringList& args) {
    QProcess::execute("xdotool", args);
}

// Lets events run until `done` or two seconds have passed.
template <class F> bool waitFor(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 2000) {
        QTest::qWait(20);
    }
    return done();
}

// A top-level window that counts the presses it receives.
class Target : public QWidget {
public:
    explicit Target(const QRect& geometry, const QColor& colour)
        : QWidget(nullptr, Qt::FramelessWindowHint) {
        setGeometry(geometry);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, colour);
        setPalette(p);
    }
    int presses = 0;
    std::function<void()> onPress;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
        if (onPress) {
            onPress();
        }
    }
};

bool haveXdotool() {
    return !QStandardPaths::findExecutable("xdotool").isEmpty();
}

} // namespace

TEST(X11Windows, CutAwayPartsPassClicksToTheWindowBehind) {
    if (!haveXdotool()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    struct Case {
        long shape;
        QPoint cutAway; // in window coordinates
        QPoint kept;
    };
    const Case cases[] = {
        {0, {3, 3}, {150, 5}},     // ellipse: corner away, top middle kept
        {1, {1, 1}, {10, 10}},     // rounded corners
        {2, {20, 20}, {150, 100}}, // diamond
    };
    for (const Case& c : cases) {
        Target behind(QRect(100, 100, 300, 200), Qt::darkBlue);
        Target front(QRect(100, 100, 300, 200), Qt::darkRed);
        behind.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&behind));
        front.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&front));
        clsGuiFuncs().SetWindowShape(&front, c.shape);
        QTest::qWait(100);

        const QPoint away = front.mapToGlobal(c.cutAway);
        xdotool({"mousemove", QString::number(away.x()), QString::number(away.y()), "click", "1"});
        EXPECT_TRUE(waitFor([&] { return behind.presses == 1; }))
            << "shape " << c.shape << ": the window behind";
        EXPECT_EQ(front.presses, 0) << "shape " << c.shape;

        const QPoint kept = front.mapToGlobal(c.kept);
        xdotool({"mousemove", QString::number(kept.x()), QString::number(kept.y()), "click", "1"});
        EXPECT_TRUE(waitFor([&] { return front.presses == 1; }))
            << "shape " << c.shape << ": the shaped window";
        EXPECT_EQ(behind.presses, 1) << "shape " << c.shape;

        // Another code takes the shape away again: the corner is the front's.
        clsGuiFuncs().SetWindowShape(&front, 9);
        QTest::qWait(100);
        xdotool({"mousemove", QString::number(away.x()), QString::number(away.y()), "click", "1"});
        EXPECT_TRUE(waitFor([&] { return front.presses == 2; }))
            << "shape " << c.shape << " removed";
    }
}

TEST(X11Windows, DragAndSizeFollowThePointerUntilRelease) {
    if (!haveXdotool()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    struct Case {
        const char* what; // "move" or an edge code
        QPoint delta;
        QRect expected;
    };
    const QRect start(200, 150, 160, 120);
    const Case cases[] = {
        {"move", {90, 50}, start.translated(90, 50)},
        {"br", {40, 30}, QRect(200, 150, 200, 150)},
        {"tL", {-20, -10}, QRect(180, 140, 180, 130)},
        {"R", {25, 60}, QRect(200, 150, 185, 120)},
    };
    for (const Case& c : cases) {
        Target window(start, Qt::darkGreen);
        clsGuiFuncs gui;
        bool returned = false;
        bool released = false;
        QRect seenWhileHeld;
        window.onPress = [&] {
            // Move in two steps, then let go; the call returns after that.
            QTimer::singleShot(100, [&] {
                const QPoint to = QPoint(260, 200) + c.delta / 2;
                xdotool({"mousemove", QString::number(to.x()), QString::number(to.y())});
            });
            QTimer::singleShot(250, [&] {
                const QPoint to = QPoint(260, 200) + c.delta;
                xdotool({"mousemove", QString::number(to.x()), QString::number(to.y())});
            });
            QTimer::singleShot(450, [&] {
                seenWhileHeld = window.geometry();
                released = true;
                xdotool({"mouseup", "1"});
            });
            if (QString(c.what) == "move") {
                gui.DragOBJ(&window);
            } else {
                gui.SizeOBJ(&window, c.what);
            }
            returned = true;
            EXPECT_TRUE(released) << c.what << ": returned before the button was released";
        };
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        xdotool({"mousemove", "260", "200", "mousedown", "1"});
        ASSERT_TRUE(waitFor([&] { return returned; })) << c.what;
        EXPECT_EQ(seenWhileHeld, c.expected) << c.what << " while the button was held";
        EXPECT_EQ(window.geometry(), c.expected) << c.what;
    }
}

TEST(X11Windows, AutoDragMovesTheBorderControlsWindowOnlyWhenOn) {
    if (!haveXdotool()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    for (bool autoDrag : {true, false}) {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setGeometry(200, 150, 160, 120);
        CFormBorder border;
        border.SetClient(&window);
        border.SetAutoDrag(autoDrag);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTimer::singleShot(150, [] { xdotool({"mousemove", "300", "260"}); });
        QTimer::singleShot(350, [] { xdotool({"mouseup", "1"}); });
        xdotool({"mousemove", "260", "200", "mousedown", "1"});
        QTest::qWait(700);
        EXPECT_EQ(window.pos(), autoDrag ? QPoint(240, 210) : QPoint(200, 150))
            << "AutoDrag " << autoDrag;
    }
}
