// The video player on the GStreamer control: a whole file from open to Done,
// and a broken file from error report to Done.
#include "GstTestSupport.h"

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// The next file starts from inside Done: it opens from the event loop, after
// the first one has been reported stopped under its own name.
TEST(RealPlayer, ClipsPlayFromTheirStartPositionsToDoneThenStopped) {
    REQUIRE_MEDIA("clip.avi");
    REQUIRE_MEDIA("clip.mp3");
    RealPlayer p;
    QObject::connect(&p.player, &clsPlayVideo::Done, [&](const QString& f) {
        if (f.endsWith("clip.avi")) {
            p.player.PlayVideo(mediaPath("clip.mp3"), 2.5);
        }
    });
    p.player.PlayVideo(mediaPath("clip.avi"), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.events.contains("Stopped clip.mp3"); }, 10000))
        << p.events.join(", ").toStdString();
    EXPECT_EQ(p.events,
              QStringList({"PositionChanged 0:02 0:03", "Started clip.avi", "Done clip.avi",
                           "Stopped clip.avi", "PositionChanged 0:03 0:03", "Started clip.mp3",
                           "Done clip.mp3", "Stopped clip.mp3"}));
    EXPECT_EQ(p.control->FileName(), mediaPath("clip.mp3"));
    EXPECT_EQ(p.window.windowTitle(), "Lumadeck Player: clip.mp3");
    EXPECT_EQ(p.player.LengthAsString(), "0:03");
    EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    // The control was fitted into the window (at least 300 pixels each way).
    EXPECT_GE(p.control->width(), 300);
    EXPECT_GE(p.control->height(), 300);
}

TEST(RealPlayer, ABrokenFileIsReportedOnceAndEndsWithDone) {
    REQUIRE_MEDIA("broken_random.mpg");
    RealPlayer p;
    const QString name = mediaPath("broken_random.mpg");
    p.player.PlayVideo(name, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.events.contains("Done broken_random.mpg"); }, 20000))
        << p.events.join(", ").toStdString();
    ASSERT_EQ(p.dialogs.boxes.size(), 1);
    EXPECT_EQ(p.dialogs.boxes[0].title, "MS Media Player Error");
    EXPECT_TRUE(p.dialogs.boxes[0].text.contains("Either the file may be corrupt"))
        << p.dialogs.boxes[0].text.toStdString();
    EXPECT_TRUE(p.dialogs.boxes[0].text.startsWith("There was an error playing the file: " + name));
    EXPECT_EQ(p.events.filter("ErrorMsg").size(), 1);
    EXPECT_EQ(p.window.cursor().shape(), Qt::ArrowCursor);
}

} // namespace
