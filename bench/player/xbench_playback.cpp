// Plays one clip to its end in a fresh process under an X server, for the
// playback-cost comparison of playback_cost.sh (which also measures CPU and
// peak memory of the whole process from outside). Prints one line:
//   first-frame-ms N playing-cpu-s C playing-s S sink NAME
// N: from before the engine starts (first open, engine start included; the
//    control itself is built before, as the program builds it with its
//    window) to the first picture reaching the video sink (the frame it
//    shows);
// C: CPU seconds the whole process used from that frame to the end;
// S: wall seconds from that frame to the end.
//
//   xbench_playback --control FILE   this program's control in a window,
//                                    the picture filling 800 x 600
//   xbench_playback --actual FILE    the same at the picture's own size, as
//                                    the bare playbin draws it
//   xbench_playback --bare FILE SINK a bare playbin drawing with SINK
// Sound goes to a silent sink that keeps real time in both. Both wait in an
// event loop (Qt's, or the bus), never polling.
#include "player/GstMediaControl.h"

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <gst/gst.h>
#include <sys/resource.h>

using namespace lumadeck;

namespace {

double processCpuSeconds() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// The moment the first picture reaches a video sink, wherever in the
// pipeline that sink is; the same watch serves both players.
struct FirstFrame {
    std::atomic<gint64> startUs{0};
    std::atomic<gint64> frameUs{0};
    std::atomic<double> cpuAtFrame{0};

    void Start() { startUs = g_get_monotonic_time(); }
    bool Seen() const { return frameUs.load() != 0; }
    double Ms() const { return double(frameUs.load() - startUs.load()) / 1000.0; }
};

FirstFrame g_firstFrame;

GstPadProbeReturn onSinkBuffer(GstPad*, GstPadProbeInfo*, gpointer) {
    gint64 expected = 0;
    const gint64 now = g_get_monotonic_time();
    if (g_firstFrame.frameUs.compare_exchange_strong(expected, now)) {
        g_firstFrame.cpuAtFrame = processCpuSeconds();
    }
    return GST_PAD_PROBE_REMOVE;
}

// Every element added anywhere in any bin passes here; video sinks get a
// probe for their first buffer.
gboolean onDeepElementAdded(GSignalInvocationHint*, guint count, const GValue* values, gpointer) {
    if (count < 3) {
        return TRUE;
    }
    auto* element = GST_ELEMENT(g_value_get_object(&values[2]));
    const gchar* klass =
        gst_element_class_get_metadata(GST_ELEMENT_GET_CLASS(element), GST_ELEMENT_METADATA_KLASS);
    if (klass && std::strstr(klass, "Sink") && std::strstr(klass, "Video")) {
        if (GstPad* pad = gst_element_get_static_pad(element, "sink")) {
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, onSinkBuffer, nullptr, nullptr);
            gst_object_unref(pad);
        }
    }
    return TRUE;
}

void watchVideoSinks() {
    gst_init(nullptr, nullptr);
    g_signal_add_emission_hook(g_signal_lookup("deep-element-added", GST_TYPE_BIN), 0,
                               onDeepElementAdded, nullptr, nullptr);
}

// Prints the result line; false (with a message) when no picture came.
bool report(const QString& sink) {
    if (!g_firstFrame.Seen()) {
        std::fprintf(stderr, "no picture reached the video sink\n");
        return false;
    }
    const double playingCpu = processCpuSeconds() - g_firstFrame.cpuAtFrame.load();
    const double playingS =
        double(g_get_monotonic_time() - g_firstFrame.frameUs.load()) / double(G_USEC_PER_SEC);
    std::printf("first-frame-ms %.0f playing-cpu-s %.3f playing-s %.3f sink %s\n",
                g_firstFrame.Ms(), playingCpu, playingS, qPrintable(sink));
    return true;
}

int playControl(int argc, char** argv, const QString& file, DisplaySizeCode size) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(800, 600);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "window not shown\n");
        return 1;
    }
    // The control is built as the program builds it with its window; the
    // clock starts where the bare playbin's does, before the engine.
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 800, 600);
    c.SetDisplaySize(size);
    c.show();
    g_firstFrame.Start();
    GstMediaControl::StartEngine();
    watchVideoSinks();

    QEventLoop loop;
    bool played = false;
    bool failed = false;
    QObject::connect(&c, &MediaControl::PlayStateChange, &loop,
                     [&](PlayStateCode, PlayStateCode now) {
                         if (now == PlayStateCode::Playing) {
                             played = true;
                         } else if (played) {
                             loop.quit();
                         }
                     });
    QObject::connect(&c, &MediaControl::Error, &loop, [&] {
        failed = true;
        loop.quit();
    });
    QTimer::singleShot(90000, &loop, [&] {
        failed = true;
        loop.quit();
    });
    if (!c.Open(file)) {
        failed = true;
    } else {
        loop.exec();
    }
    if (failed || !played) {
        std::fprintf(stderr, "%s did not play to its end: %s\n", qPrintable(file),
                     qPrintable(c.ErrorDescription()));
        return 1;
    }
    return report(c.VideoSinkName()) ? 0 : 1;
}

int playBare(const char* file, const char* sinkName) {
    g_firstFrame.Start();
    watchVideoSinks();
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* video = gst_element_factory_make(sinkName, nullptr);
    GstElement* audio = gst_element_factory_make("fakeaudiosink", nullptr);
    gchar* uri = gst_filename_to_uri(file, nullptr);
    if (!playbin || !video || !audio || !uri) {
        std::fprintf(stderr, "cannot make a playbin with %s for %s\n", sinkName, file);
        return 1;
    }
    g_object_set(audio, "sync", TRUE, nullptr);
    g_object_set(playbin, "uri", uri, "video-sink", video, "audio-sink", audio, nullptr);
    g_free(uri);
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(playbin);
    GstMessage* m = gst_bus_timed_pop_filtered(bus, 90 * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
    if (m) {
        gst_message_unref(m);
    }
    const bool reported = ended && report(QString::fromLatin1(sinkName));
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(playbin);
    if (!ended) {
        std::fprintf(stderr, "%s did not play to its end with %s\n", file, sinkName);
    }
    return reported ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--control") == 0) {
        return playControl(argc, argv, QString::fromLocal8Bit(argv[2]),
                           DisplaySizeCode::FitToWindow);
    }
    if (argc == 3 && qstrcmp(argv[1], "--actual") == 0) {
        return playControl(argc, argv, QString::fromLocal8Bit(argv[2]), DisplaySizeCode::Default);
    }
    if (argc == 4 && qstrcmp(argv[1], "--bare") == 0) {
        return playBare(argv[2], argv[3]);
    }
    std::fprintf(stderr,
                 "usage: xbench_playback --control FILE | --actual FILE | --bare FILE SINK\n");
    return 2;
}
