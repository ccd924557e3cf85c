// Video CD tracks read from BIN/CUE image sectors, played through GStreamer with fake sinks.
#include "GstTestSupport.h"
#include "player/GstHandles.h"
#include "player/VcdTrackSource.h"

#include <QFile>
#include <QTemporaryDir>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Plays a file from a position to its end; returns the length reported once it started.
double playFrom(RealPlayer& p, const QString& name, double start) {
    p.clear();
    double length = -1;
    QObject::connect(&p.player, &clsPlayVideo::Started, &p.window,
                     [&](const QString&) { length = p.control->Duration(); });
    p.player.PlayVideo(name, start);
    const QString done = "Done " + QFileInfo(name).fileName();
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.has(done); }, 20000)) << p.str();
    QObject::disconnect(&p.player, &clsPlayVideo::Started, &p.window, nullptr);
    return length;
}

// Each track opens with its source clip's length, starts in the middle when
// asked and ends with Done; a cut-off image ends early and cleanly; a file
// the disc does not hold is not found.
TEST(VcdTracks, TracksPlayAsTheirSourcesACutOneEndsEarlyAMissingOneIsNotFound) {
    REQUIRE_MEDIA("vcd/cut.cue");
    const struct {
        const char* image;
        const char* path;
        const char* source; // the MPEG the track was made from
    } tracks[] = {
        {"vcd/one.cue", "/MPEGAV/AVSEQ01.DAT", "vcd/clip_a.mpg"},
        {"vcd/two.cue", "/MPEGAV/AVSEQ01.DAT", "vcd/clip_a.mpg"},
        {"vcd/two.cue", "/mpegav/avseq02.dat", "vcd/clip_b.mpg"},
        {"vcd/two.bin", "/MPEGAV/AVSEQ02.DAT", "vcd/clip_b.mpg"},
        {"vcd/svcd.cue", "/MPEG2/AVSEQ01.MPG", "vcd/clip_svcd.mpg"},
        {"vcd/data.cue", "/MPEGAV/AVSEQ01.DAT", "vcd/clip_a.mpg"}, // a Mode 1 data CD
    };
    RealPlayer p;
    QMap<QString, double> lengths; // of the sources, each played once
    for (const auto& t : tracks) {
        if (!QFileInfo::exists(mediaPath(t.image))) {
            continue;
        }
        SCOPED_TRACE(t.image + std::string(t.path));
        if (!lengths.contains(t.source)) {
            lengths[t.source] = playFrom(p, mediaPath(t.source), 1);
        }
        const double expected = lengths[t.source];
        ASSERT_GT(expected, 1.5);
        const QString name = mediaPath(t.image) + t.path;
        EXPECT_TRUE(PlaybackUri(name).startsWith("lumadeck-vcd:///"));
        const double length = playFrom(p, name, expected / 2);
        EXPECT_NEAR(length, expected, 0.2);
        // The seek to the middle came first, then the start, then the end.
        ASSERT_GE(p.events.size(), 3);
        EXPECT_TRUE(p.events[0].startsWith("PositionChanged ")) << p.str();
        EXPECT_EQ(p.events[1], "Started " + QFileInfo(name).fileName());
        EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    }
    const double cut = playFrom(p, mediaPath("vcd/cut.cue") + "/MPEGAV/AVSEQ02.DAT", 0);
    EXPECT_GT(cut, 0.1);
    EXPECT_LT(cut, lengths["vcd/clip_b.mpg"] - 0.3);
    EXPECT_TRUE(p.dialogs.boxes.isEmpty());

    QStringList notFound;
    QObject::connect(&p.player, &clsPlayVideo::FileNotFound,
                     [&](const QString& f) { notFound << f; });
    const QString missing = mediaPath("vcd/two.cue") + "/MPEGAV/AVSEQ09.DAT";
    p.player.PlayVideo(missing, 0);
    EXPECT_EQ(notFound, QStringList({missing}));
    // A plain file keeps its file:// URI.
    EXPECT_TRUE(PlaybackUri(mediaPath("vcd/clip_a.mpg")).startsWith("file:///"));
    // Told the tracks' type, the type finder left the general decoder library unloaded.
    const gst::ObjectPtr<GstPlugin> libav(gst_registry_find_plugin(gst_registry_get(), "libav"));
    EXPECT_FALSE(libav && gst_plugin_is_loaded(libav.get()));
}

// The disc goes away under a playing track (the image cut short): the error box, then Done.
TEST(VcdTracks, ADiscThatCannotBeReadWhilePlayingEndsWithTheErrorBox) {
    REQUIRE_MEDIA("vcd/two.cue");
    QTemporaryDir dir;
    for (const char* f : {"two.cue", "two.bin"}) {
        ASSERT_TRUE(QFile::copy(mediaPath(QStringLiteral("vcd/") + f), dir.filePath(f)));
    }
    RealPlayer p;
    const QString name = dir.filePath("two.cue") + "/MPEGAV/AVSEQ01.DAT";
    QObject::connect(&p.player, &clsPlayVideo::Started, &p.window, [&](const QString&) {
        QFile bin(dir.filePath("two.bin"));
        bin.resize(2352 * 500); // the first track's sectors and a few of the second
    });
    p.player.PlayVideo(name, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.has("Done AVSEQ01.DAT"); }, 20000)) << p.str();
    ASSERT_EQ(p.dialogs.boxes.size(), 1) << p.str();
    EXPECT_EQ(p.dialogs.boxes[0].title, "MS Media Player Error");
    EXPECT_EQ(p.events.filter("ErrorMsg").size(), 1);
}

} // namespace
