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

// Each buffer as a letter: S for 440/880 Hz, L for 440 Hz on both sides, R
// for 880 Hz on both, ? for anything else; and whether its time follows on
// from the one before without a gap.
struct Listener {
    PlaybinPipeline* pipeline = nullptr;
    QMutex lock;
    QString heard;
    int gaps = 0;
    std::atomic<int> pictures{0};
    GstClockTime next = GST_CLOCK_TIME_NONE;

    static char toneOf(double hz) {
        if (std::abs(hz - 440) < 50) {
            return '4';
        }
        return std::abs(hz - 880) < 80 ? '8' : '?';
    }

    static void onHandoff(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer self) {
        auto* l = static_cast<Listener*>(self);
        const gst::CapsPtr caps(gst_pad_get_current_caps(pad));
        GstAudioInfo info;
        GstMapInfo map;
        if (!caps || !gst_audio_info_from_caps(&info, caps.get()) || info.channels != 2 ||
            !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return;
        }
        const bool isFloat = GST_AUDIO_INFO_IS_FLOAT(&info);
        const int width = GST_AUDIO_INFO_WIDTH(&info);
        const gsize frames = map.size / gsize(GST_AUDIO_INFO_BPF(&info));
        auto sample = [&](gsize frame, int channel) -> double {
            const guint8* p = map.data + frame * GST_AUDIO_INFO_BPF(&info) + channel * width / 8;
            if (isFloat && width == 32) {
                return *reinterpret_cast<const float*>(p);
            }
            return width == 16 ? *reinterpret_cast<const gint16*>(p) : 0.0;
        };
        int crossings[2] = {0, 0};
        for (gsize f = 1; f < frames; ++f) {
            for (int c = 0; c < 2; ++c) {
                crossings[c] += (sample(f - 1, c) < 0) != (sample(f, c) < 0);
            }
        }
        gst_buffer_unmap(buffer, &map);
        const double seconds = double(frames) / info.rate;
        const QString tones =
            QString(toneOf(crossings[0] / 2.0 / seconds)) + toneOf(crossings[1] / 2.0 / seconds);
        const char letter = tones == "48" ? 'S' : tones == "44" ? 'L' : tones == "88" ? 'R' : '?';
        QMutexLocker hold(&l->lock);
        if (l->next != GST_CLOCK_TIME_NONE && GST_BUFFER_PTS(buffer) != GST_CLOCK_TIME_NONE &&
            std::llabs(GstClockTimeDiff(GST_BUFFER_PTS(buffer) - l->next)) > GST_MSECOND) {
            ++l->gaps;
        }
        l->next = GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer);
        l->heard += letter;
        // Switch mid-stream, from the streaming thread: after 20 buffers the
        // left channel, after 80 the right one (what is queued on the way to
        // the sink plays as it was).
        if (l->heard.size() == 20) {
            l->pipeline->SetAudioChannel(AudioChannelCode::Left);
        } else if (l->heard.size() == 80) {
            l->pipeline->SetAudioChannel(AudioChannelCode::Right);
        }
    }
};

// Runs of the same letter, the first and last buffer (a tone cut by the
// clip's ends) left out: "SLR".
QString runs(const QString& heard) {
    QString out;
    for (const QChar c : heard.mid(1, heard.size() - 2)) {
        if (out.isEmpty() || out.back() != c) {
            out += c;
        }
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
            if (sink[0] == 'a') {
                g_signal_connect(element, "handoff", G_CALLBACK(&Listener::onHandoff), &listener);
            } else {
                g_signal_connect(element, "handoff",
                                 G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer l) {
                                     ++static_cast<Listener*>(l)->pictures;
                                 }),
                                 &listener);
            }
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
