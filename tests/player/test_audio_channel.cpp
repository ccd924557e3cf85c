// The karaoke switch: which tone of a clip with 440 Hz on the left and 880 Hz
// on the right reaches each speaker, switched while the sound plays; the
// clip as a file and as Video CD and Super Video CD tracks, pictures and all.
#include "GstTestSupport.h"
#include "player/AudioChannel.h"
#include "player/PlaybinPipeline.h"
#include "player/VcdTrackSource.h"

#include <gst/audio/audio.h>

#include <QMutex>
#include <atomic>
#include <cmath>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Each buffer as a letter: S for 440 Hz left and 880 Hz right, L for 440 Hz on
// both, R for 880 Hz on both, ? for anything else (from the zero crossings);
// and the gaps between one buffer's time and the next. After 20 buffers it
// switches to the left channel, after 80 to the right one, from the streaming
// thread (what is queued on the way to the sink plays as it was).
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

// Runs of the same letter, the first and last buffer (a tone cut by the
// clip's ends) left out: "SLR".
QString runs(const QString& heard) {
    QString out;
    for (const QChar c : heard.mid(1, heard.size() - 2)) {
        out += out.endsWith(c) ? QString() : QString(c);
    }
    return out;
}

} // namespace

TEST(AudioChannel, SwitchingWhilePlayingChangesTheToneOnBothSpeakersWithoutAGap) {
    REQUIRE_MEDIA("vcd/karaoke.mpg");
    ASSERT_TRUE(GstMediaControl::InitEngine());
    // The clip as a file, and as the first track of a Video CD and of a
    // Super Video CD made from it.
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
        EXPECT_EQ(runs(listener.heard), "SLR") << listener.heard.toStdString();
        EXPECT_GE(listener.heard.size(), 60);
        EXPECT_EQ(listener.gaps, 0);
        EXPECT_GE(listener.pictures, 90); // 4 s at 25 pictures a second
    }
}
