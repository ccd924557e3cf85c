// A hostile disc image opened in the main window: read on another thread
// while the window keeps running, and stopped by Stop Refreshing.
#include "../support/MainWindowFixture.h"
#include "app/DriveMenus.h"
#include "cd/ImageDrives.h"
#include "testing/CraftedDisc.h"

#include <QTimer>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class HostileImageTest : public MainWindowTest {
protected:
    void TearDown() override {
        for (const QString& d : ImageDrives::current().Drives()) {
            ImageDrives::current().Remove(d);
        }
        MainWindowTest::TearDown();
    }
};

QStringList buttonTexts(frmLumadeck& w, const QString& key) {
    QStringList out;
    for (const DriveMenuContents& b : w.DriveMenus().Drives()) {
        for (const DriveMenuItem& item : b.key == key ? b.items : QList<DriveMenuItem>{}) {
            out << item.text;
        }
    }
    return out;
}

TEST_F(HostileImageTest, AMazeOfDirectoriesKeepsTheWindowRunningAndStopEndsIt) {
    frmLumadeck& w = start();
    const QString cue = WriteImage(dir.path(), "maze", DirectoryMaze(10000, 60, 64));
    ASSERT_FALSE(cue.isEmpty());
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop);
        // Ticks while the image is read: its drive menu says "Finding.",
        // and the scan's Stop is on offer.
        int ticksWhileReading = 0;
        bool stopShown = false;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (!w.IsSearching() || !texts(driveMenu(w, 0)->actions(), true).contains("Finding.")) {
                return;
            }
            if (ticksWhileReading++ == 0) {
                stopShown = action(w, "stop")->isVisible() && action(w, "mnuStop")->isEnabled();
                if (stop) {
                    action(w, "mnuStop")->trigger();
                }
            }
        });
        tick.start(0);
        w.OpenPath(cue);
        EXPECT_GT(ticksWhileReading, 0);
        EXPECT_TRUE(stopShown);
        EXPECT_FALSE(w.IsSearching());
        EXPECT_FALSE(action(w, "stop")->isVisible());
        EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled());
        EXPECT_EQ(buttonTexts(w, "CDimg0"),
                  QStringList({"(No Video Files found)", "-", "Remove Image"}));
        EXPECT_TRUE(dialogs.boxes.isEmpty());
        ImageDrives::current().Remove("img0");
    }
}

} // namespace
