// A playlist built with the mouse on a real X server, the list and player checked at each step.
#include "../support/PlaylistWindowFixture.h"
#include "../support/XInput.h"

using namespace lumadeck;
using namespace lumadeck::test;
using namespace xinput;

namespace {

class PlaylistMouse : public PlaylistWindowTest {
protected:
    void SetUp() override {
        if (const QString tool = missing({"xdotool"}); !tool.isEmpty()) {
            GTEST_SKIP() << tool.toStdString() << " is not installed";
        }
        PlaylistWindowTest::SetUp();
        window->move(100, 100);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
    }
    void press(PlayListButton b) { click(window->Button(b)); }
    void onRow(int row, const QString& action = "click") {
        click(window->List()->viewport(), rowCentre(row), action);
    }
    // Waits until the list shows these titles, this entry is current and the player has it in this
    // state.
    bool now(const QStringList& order, int current, PlayStateCode state) {
        const QString file = current < 0 ? QString() : dir.filePath(order.value(current));
        const bool ok = waitFor([&] {
            return titles() == order && list->CurrentFileIndex() == current &&
                   control.FileName() == file && control.PlayState() == state;
        });
        expectInStep();
        return ok;
    }
};

} // namespace

TEST_F(PlaylistMouse, BuildPlayAndEmptyAListByMouse) {
    using enum PlayListButton;
    using enum PlayStateCode;
    for (const char* name : {"a.mpg", "b.mpg", "c.mpg"}) {
        peers.answers = {media(name)};
        press(Browse);
        ASSERT_TRUE(waitFor([&] { return peers.answers.isEmpty(); })) << name;
    }
    EXPECT_EQ(peers.calls.last(), "open | Add To Playlist | Media|*.mpg | ");
    // The first file added is opened, the others wait.
    ASSERT_TRUE(now({"a.mpg", "b.mpg", "c.mpg"}, 0, Paused)) << titles().join(',').toStdString();

    // Dragging the first row onto the last carries the current entry along.
    onRow(0, "mousedown");
    pointer(window->List()->viewport()->mapToGlobal(rowCentre(1)));
    pointer(window->List()->viewport()->mapToGlobal(rowCentre(2)));
    x("xdotool", {"mouseup", "1"});
    EXPECT_TRUE(now({"b.mpg", "c.mpg", "a.mpg"}, 2, Paused)) << titles().join(',').toStdString();
    EXPECT_TRUE(waitFor([&] { return !window->IsDragging(); }));

    // A double click plays its row, which stays selected.
    onRow(0, "click --repeat 2");
    EXPECT_TRUE(now({"b.mpg", "c.mpg", "a.mpg"}, 0, Playing));
    EXPECT_EQ(window->SelectedRow(), 0);

    // Next and Prev play the neighbours; the selection follows the entry that plays.
    onRow(2);
    press(Next);
    EXPECT_TRUE(now({"b.mpg", "c.mpg", "a.mpg"}, 1, Playing));
    EXPECT_EQ(window->SelectedRow(), 1);
    press(Prev);
    EXPECT_TRUE(now({"b.mpg", "c.mpg", "a.mpg"}, 0, Playing));
    EXPECT_EQ(window->SelectedRow(), 0);
    EXPECT_FALSE(window->Button(Prev)->isEnabled());

    // Remove takes the selected row; the player goes on.
    onRow(2);
    ASSERT_TRUE(waitFor([&] { return window->Button(Remove)->isEnabled(); }));
    press(Remove);
    EXPECT_TRUE(now({"b.mpg", "c.mpg"}, 0, Playing));

    // Clear empties the list; nothing is left to remove or to step to.
    press(Clear);
    ASSERT_TRUE(waitFor([&] { return list->cFiles().Count() == 0; }));
    expectInStep();
    EXPECT_FALSE(window->Button(Remove)->isEnabled());
    EXPECT_FALSE(window->Button(Next)->isEnabled());

    // The window moves when dragged by its background above the list.
    EXPECT_TRUE(dragWindow(window.data(), QPoint(300, 8), QPoint(60, 40)))
        << window->x() << "," << window->y();
}
