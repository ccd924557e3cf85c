// The video player on the GStreamer control: a whole file from open to Done,
// and a broken file from error report to Done.
#include "GstTestSupport.h"

#include "platform/RecordingDialogs.h"
#include "platform/Services.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

struct RealPlayer {
    RealPlayer() {
        Services::setDialogs(&dialogs);
        window.resize(640, 480);
        control = new GstMediaControl(&window, fakeSinks());
        player.SetParentForm(&window);
        player.SetMediaPlayer(control);
        player.SetTimer(&timer);
        player.SetlZoom(0);
        player.ResizePlayer();
        const auto log = [this](const char* what) {
            return [this, what](const QString& a) {
                events << QString(what) + " " + QFileInfo(a).fileName();
            };
        };
        QObject::connect(&player, &clsPlayVideo::Done, log("Done"));
        QObject::connect(&player, &clsPlayVideo::Stopped, log("Stopped"));
        QObject::connect(&player, &clsPlayVideo::Started, log("Started"));
        QObject::connect(&player, &clsPlayVideo::Paused, log("Paused"));
        QObject::connect(&player, &clsPlayVideo::ErrorMsg, log("ErrorMsg"));
        QObject::connect(&player, &clsPlayVideo::PositionChanged,
                         [this](const QString& p, const QString& m) {
                             events << "PositionChanged " + p + " " + m;
                         });
    }
    ~RealPlayer() { Services::setDialogs(nullptr); }

    RecordingDialogs dialogs;
    QWidget window;
    GstMediaControl* control = nullptr;
    TagTimer timer;
    clsPlayVideo player;
    QStringList events;
};

TEST(RealPlayer, AClipPlaysFromItsStartPositionToDoneThenStopped) {
    REQUIRE_MEDIA("clip.avi");
    RealPlayer p;
    p.player.PlayVideo(mediaPath("clip.avi"), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.events.contains("Stopped clip.avi"); }, 10000))
        << p.events.join(", ").toStdString();
    EXPECT_EQ(p.events, QStringList({"PositionChanged 0:02 0:03", "Started clip.avi",
                                     "Done clip.avi", "Stopped clip.avi"}));
    EXPECT_EQ(p.window.windowTitle(), "Lumadeck Player: clip.avi");
    EXPECT_EQ(p.player.LengthAsString(), "0:03");
    EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    // The control was fitted into the window (at least 300 pixels each way).
    EXPECT_GE(p.control->width(), 300);
    EXPECT_GE(p.control->height(), 300);
}

TEST(RealPlayer, TheNextFileStartsFromInsideDone) {
    REQUIRE_MEDIA("clip.wav");
    REQUIRE_MEDIA("clip.mp3");
    RealPlayer p;
    QObject::connect(&p.player, &clsPlayVideo::Done, [&](const QString& f) {
        if (f.endsWith("clip.wav")) {
            p.player.PlayVideo(mediaPath("clip.mp3"), 2.5);
        }
    });
    p.player.PlayVideo(mediaPath("clip.wav"), 2.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.events.contains("Stopped clip.mp3"); }, 10000))
        << p.events.join(", ").toStdString();
    // The second file opens from the event loop, after the first one has
    // been reported stopped under its own name.
    EXPECT_EQ(p.events,
              QStringList({"PositionChanged 0:03 0:03", "Started clip.wav", "Done clip.wav",
                           "Stopped clip.wav", "PositionChanged 0:03 0:03", "Started clip.mp3",
                           "Done clip.mp3", "Stopped clip.mp3"}));
    EXPECT_EQ(p.control->FileName(), mediaPath("clip.mp3"));
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
