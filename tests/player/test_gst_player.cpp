// The video player on GStreamer (fake sinks): Video CD tracks of BIN/CUE images, their chapters,
// the karaoke switch, and a file name that is not UTF-8.
#include "GstTestSupport.h"
#include "cd/VcdEntries.h"
#include "platform/FileNames.h"
#include "player/AudioChannel.h"
#include "player/Chapters.h"
#include "player/GstHandles.h"
#include "player/PlaybinPipeline.h"
#include "player/TransportPanel.h"
#include "player/VcdTrackSource.h"

#include <gst/audio/audio.h>

#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>

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
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.has("Done " + QFileInfo(name).fileName()); }, 20000))
        << p.str();
    QObject::disconnect(&p.player, &clsPlayVideo::Started, &p.window, nullptr);
    return length;
}

// Each track opens with its source's length, starts in the middle when asked and ends with Done;
// a cut-off image ends early and cleanly; a file the disc does not hold is not found.
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
            continue; // an image its tools could not make
        }
        SCOPED_TRACE(t.image + std::string(t.path));
        if (!lengths.contains(t.source)) {
            lengths[t.source] = playFrom(p, mediaPath(t.source), 1);
        }
        const QString name = mediaPath(t.image) + t.path;
        EXPECT_NEAR(playFrom(p, name, lengths[t.source] / 2), lengths[t.source], 0.2);
        ASSERT_GT(lengths[t.source], 1.5);
        ASSERT_GE(p.events.size(), 3); // the seek to the middle, the start, the end
        EXPECT_TRUE(p.events[0].startsWith("PositionChanged ") &&
                    p.events[1] == "Started " + QFileInfo(name).fileName())
            << p.str();
    }
    const double cut = playFrom(p, mediaPath("vcd/cut.cue") + "/MPEGAV/AVSEQ02.DAT", 0);
    EXPECT_GT(cut, 0.1);
    EXPECT_LT(cut, lengths["vcd/clip_b.mpg"] - 0.3);
    EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    p.clear();
    p.player.PlayVideo(mediaPath("vcd/two.cue") + "/MPEGAV/AVSEQ09.DAT", 0);
    EXPECT_EQ(p.events, QStringList({"FileNotFound AVSEQ09.DAT", "Done AVSEQ09.DAT"}));
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
    QObject::connect(&p.player, &clsPlayVideo::Started, &p.window, [&](const QString&) {
        QFile(dir.filePath("two.bin")).resize(2352 * 500); // the first track and a bit
    });
    p.player.PlayVideo(dir.filePath("two.cue") + "/MPEGAV/AVSEQ01.DAT", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.has("Done AVSEQ01.DAT"); }, 20000)) << p.str();
    ASSERT_EQ(p.dialogs.boxes.size(), 1) << p.str();
    EXPECT_EQ(p.dialogs.boxes[0].title, "MS Media Player Error");
    EXPECT_EQ(p.events.filter("ErrorMsg").size(), 1);
}

// Page Down and Page Up go to the next and the previous chapter's start.
TEST(Chapters, PageDownAndPageUpGoToTheNextAndThePreviousStart) {
    const QList<double> starts{0.5, 1.7, 2.9, 3.5};
    // 1.68: a seek landing a little short; 0.6 up: the first chapter's start; 6.6 up: the last's.
    const std::tuple<double, bool, int> rows[] = {
        {0.0, true, 0},  {0.5, true, 1},  {1.68, true, 2}, {3.6, true, -1}, {0.0, false, -1},
        {0.6, false, 0}, {1.8, false, 0}, {2.0, false, 0}, {3.5, false, 2}, {6.6, false, 3}};
    for (const auto& [position, forward, to] : rows) {
        EXPECT_EQ(ChapterStep(starts, position, forward), to) << position << " " << forward;
    }
    EXPECT_EQ(ChapterStep({}, 1, true), -1);
    EXPECT_EQ(ChapterAt(starts, 2.0), 1);
}

// On Video CD and Super Video CD tracks the seek bar marks each entry, Page Down lands within a
// frame of each in turn, Page Up just after one goes to the one before; another file forgets them.
TEST(Chapters, PageDownLandsOnEachEntryOfAVideoCdAndASuperVideoCdTrack) {
    REQUIRE_MEDIA("vcd/chapters.cue");
    for (const char* track :
         {"vcd/chapters.cue/MPEGAV/AVSEQ01.DAT", "vcd/chapters_svcd.cue/MPEG2/AVSEQ01.MPG"}) {
        SCOPED_TRACE(track);
        const QList<double> starts = ChaptersOfFile(mediaPath(track));
        ASSERT_EQ(starts.size(), 4);
        QWidget window;
        GstMediaControl control(&window, fakeSinks());
        control.SetAutoStart(false);
        ASSERT_TRUE(control.Open(mediaPath(track)) && waitForOpen(control));
        control.SetChapters(starts);
        EXPECT_EQ(control.findChild<MarkedSlider*>()->Marks().size(), 4);
        const auto landsAt = [&](double seconds) {
            return QTest::qWaitFor(
                [&] { return std::abs(control.CurrentPosition() - seconds) < 0.04; }, 5000);
        };
        for (int i = 1; i < 4; ++i) {
            QTest::keyClick(&control, Qt::Key_PageDown);
            EXPECT_TRUE(landsAt(starts[i])) << i << ": " << control.CurrentPosition();
        }
        QTest::keyClick(&control, Qt::Key_PageUp);
        EXPECT_TRUE(landsAt(starts[2])) << control.CurrentPosition();
        control.Open(mediaPath("vcd/karaoke.mpg"));
        EXPECT_TRUE(control.Chapters().isEmpty());
    }
}

// Sound under a Latin-1 name, a picture under the "?" Qt makes of it: each plays its own file.
TEST(RealPlayer, ANameThatIsNotUtf8PlaysItsOwnFileNotTheQuestionMark) {
    REQUIRE_MEDIA("clip.mp2");
    QTemporaryDir dir;
    const QByteArray latin1 = EncodeFileName(dir.path()) + "/caf\xE9.mpg";
    ASSERT_TRUE(QFile::copy(mediaPath("clip.mpg"), dir.filePath("caf?.mpg")));
    {
        QFile in(mediaPath("clip.mp2")), out;
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        FILE* f = std::fopen(latin1.constData(), "wb");
        ASSERT_TRUE(f && out.open(f, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        ASSERT_EQ(out.write(in.readAll()), in.size());
    }
    RealPlayer p;
    p.player.PlayVideo(DecodeFileName(latin1), 0);
    ASSERT_TRUE(waitForState(*p.control, PlayStateCode::Playing))
        << p.str() << p.control->ErrorDescription().toStdString();
    EXPECT_EQ(p.control->FileName(), DecodeFileName(latin1));
    EXPECT_EQ(p.control->ImageSourceWidth(), 0);  // not the picture of "caf?.mpg"
    EXPECT_NEAR(p.control->Duration(), 3.0, 0.3); // for sound, from this very file's size
    EXPECT_TRUE(p.dialogs.boxes.isEmpty());
}

// Each buffer as a letter (from the zero crossings): S for 440 Hz left and 880 Hz right, L and R
// for 440 or 880 Hz on both, ? else; and the gaps between buffers. It switches to the left
// channel after 20 buffers, to the right one after 80, from the streaming thread.
struct Listener {
    PlaybinPipeline* pipeline = nullptr;
    QMutex lock;
    QString heard;
    int gaps = 0;
    std::atomic<int> pictures{0};
    GstClockTime next = GST_CLOCK_TIME_NONE;

    static void onHandoff(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer self) {
        auto* l = static_cast<Listener*>(self);
        const gst::CapsPtr caps(gst_pad_get_current_caps(pad));
        GstAudioInfo info;
        GstMapInfo map;
        if (!caps || !gst_audio_info_from_caps(&info, caps.get()) || info.channels != 2 ||
            !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return;
        }
        const int width = GST_AUDIO_INFO_WIDTH(&info), frameBytes = GST_AUDIO_INFO_BPF(&info);
        const auto negative = [&](gsize frame, int channel) {
            const guint8* p = map.data + frame * frameBytes + channel * width / 8;
            return GST_AUDIO_INFO_IS_FLOAT(&info) ? *reinterpret_cast<const float*>(p) < 0
                                                  : *reinterpret_cast<const gint16*>(p) < 0;
        };
        const gsize frames = map.size / gsize(frameBytes);
        QString tones;
        for (int c = 0; c < 2; ++c) {
            int crossings = 0;
            for (gsize f = 1; f < frames; ++f) {
                crossings += negative(f - 1, c) != negative(f, c);
            }
            const double hz = crossings / 2.0 * info.rate / double(frames);
            tones += std::abs(hz - 440) < 50 ? '4' : std::abs(hz - 880) < 80 ? '8' : '?';
        }
        gst_buffer_unmap(buffer, &map);
        QMutexLocker hold(&l->lock);
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        l->gaps += l->next != GST_CLOCK_TIME_NONE && pts != GST_CLOCK_TIME_NONE &&
                   std::llabs(GstClockTimeDiff(pts - l->next)) > GST_MSECOND;
        l->next = pts + GST_BUFFER_DURATION(buffer);
        l->heard += tones == "48" ? 'S' : tones == "44" ? 'L' : tones == "88" ? 'R' : '?';
        if (l->heard.size() == 20 || l->heard.size() == 80) {
            l->pipeline->SetAudioChannel(l->heard.size() == 20 ? AudioChannelCode::Left
                                                               : AudioChannelCode::Right);
        }
    }
};

// The karaoke switch while the sound plays, on a clip with 440 Hz left and 880 Hz right: as a
// file and as Video CD and Super Video CD tracks, pictures and all.
TEST(AudioChannel, SwitchingWhilePlayingChangesTheToneOnBothSpeakersWithoutAGap) {
    REQUIRE_MEDIA("vcd/karaoke.mpg");
    ASSERT_TRUE(GstMediaControl::InitEngine());
    const struct {
        const char* file;
        const char* track;
    } rows[] = {{"vcd/karaoke.mpg", ""},
                {"vcd/chapters.cue", "/MPEGAV/AVSEQ01.DAT"},
                {"vcd/chapters_svcd.cue", "/MPEG2/AVSEQ01.MPG"}};
    for (const auto& row : rows) {
        if (!QFileInfo::exists(mediaPath(row.file))) {
            continue;
        }
        const QString source = mediaPath(row.file) + row.track;
        SCOPED_TRACE(source.toStdString());
        PlaybinPipeline pipeline(fakeSinks());
        Listener listener;
        listener.pipeline = &pipeline;
        for (const char* sink : {"audio-sink", "video-sink"}) {
            GstElement* element = nullptr;
            g_object_get(pipeline.Playbin(), sink, &element, nullptr);
            const gst::ElementPtr held(element);
            ASSERT_TRUE(element);
            g_object_set(element, "sync", FALSE, "signal-handoffs", TRUE, nullptr);
            const auto picture = +[](GstElement*, GstBuffer*, GstPad*, gpointer l) {
                ++static_cast<Listener*>(l)->pictures;
            };
            g_signal_connect(
                element, "handoff",
                sink[0] == 'a' ? G_CALLBACK(&Listener::onHandoff) : G_CALLBACK(picture), &listener);
        }
        bool ended = false;
        pipeline.SetMessageHandler([&](GstMessage* m) {
            ended |=
                GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS || GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR;
        });
        pipeline.SetUri(PlaybackUri(source));
        pipeline.SetState(GST_STATE_PLAYING);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 20000));
        pipeline.Stop();
        QMutexLocker hold(&listener.lock);
        QString runs; // of the same letter, leaving out the first and last (cut) buffer
        for (const QChar c : listener.heard.mid(1, listener.heard.size() - 2)) {
            runs += runs.endsWith(c) ? QString() : QString(c);
        }
        EXPECT_EQ(runs, "SLR") << listener.heard.toStdString();
        EXPECT_GE(listener.heard.size(), 60);
        EXPECT_EQ(listener.gaps, 0);
        EXPECT_GE(listener.pictures, 90); // 4 s at 25 pictures a second
    }
}

} // namespace
