// Plays one clip to its end in a fresh process under an X server, for the
// playback-cost comparison of playback_cost.sh (which measures CPU and peak
// memory from outside). Prints one line:
//   first-frame-ms N sink NAME
// N: from before the engine starts (first open, engine start included) to
// the pipeline playing, that is its first frame at the video sink.
//
//   xbench_playback --control FILE   this program's control in a window,
//                                    the picture filling 800 x 600
//   xbench_playback --actual FILE    the same at the picture's own size, as
//                                    the bare playbin draws it
//   xbench_playback --bare FILE SINK a bare playbin drawing with SINK
// Sound goes to a silent sink that keeps real time in both.
#include "player/GstMediaControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <gst/gst.h>

using namespace lumadeck;

namespace {

int playControl(int argc, char** argv, const QString& file, DisplaySizeCode size) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(800, 600);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "window not shown\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    GstMediaControl c(&window, {QString(), QStringLiteral("fakeaudiosink")});
    c.setGeometry(0, 0, 800, 600);
    c.SetDisplaySize(size);
    c.show();
    if (!c.Open(file) ||
        !QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 20000)) {
        std::fprintf(stderr, "%s did not play: %s\n", qPrintable(file),
                     qPrintable(c.ErrorDescription()));
        return 1;
    }
    const qint64 firstFrame = clock.elapsed();
    if (!QTest::qWaitFor([&] { return c.PlayState() != PlayStateCode::Playing; }, 60000)) {
        std::fprintf(stderr, "%s did not end\n", qPrintable(file));
        return 1;
    }
    std::printf("first-frame-ms %lld sink %s\n", static_cast<long long>(firstFrame),
                qPrintable(c.VideoSinkName()));
    return 0;
}

int playBare(const char* file, const char* sinkName) {
    GTimer* clock = g_timer_new();
    gst_init(nullptr, nullptr);
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
    double firstFrame = -1;
    int result = 1;
    for (bool done = false; !done;) {
        GstMessage* m = gst_bus_timed_pop(bus, 60 * GST_SECOND);
        if (!m) {
            break;
        }
        switch (GST_MESSAGE_TYPE(m)) {
        case GST_MESSAGE_STATE_CHANGED:
            if (GST_MESSAGE_SRC(m) == GST_OBJECT(playbin) && firstFrame < 0) {
                GstState oldState, newState, pending;
                gst_message_parse_state_changed(m, &oldState, &newState, &pending);
                if (newState == GST_STATE_PLAYING) {
                    firstFrame = g_timer_elapsed(clock, nullptr) * 1000.0;
                }
            }
            break;
        case GST_MESSAGE_EOS:
            result = firstFrame >= 0 ? 0 : 1;
            done = true;
            break;
        case GST_MESSAGE_ERROR:
            done = true;
            break;
        default:
            break;
        }
        gst_message_unref(m);
    }
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(playbin);
    g_timer_destroy(clock);
    if (result == 0) {
        std::printf("first-frame-ms %.0f sink %s\n", firstFrame, sinkName);
    } else {
        std::fprintf(stderr, "%s did not play to its end with %s\n", file, sinkName);
    }
    return result;
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
