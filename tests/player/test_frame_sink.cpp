// The frame sink the control paints from on Wayland: frames arrive as images
// of their own size and colours, announced on the control's thread, and are
// let go on Clear().
#include "player/FrameSink.h"
#include "player/PlaybackSession.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

TEST(FrameSink, HandsOverEachFrameAsAnImage) {
    ASSERT_TRUE(PlaybackSession::InitEngine());
    const struct {
        const char* pattern;
        int width, height;
        QRgb colour;
    } cases[] = {
        {"red", 99, 51, qRgb(255, 0, 0)},
        {"blue", 320, 240, qRgb(0, 0, 255)},
        {"white", 2, 2, qRgb(255, 255, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        FrameSink frames;
        ASSERT_NE(frames.Element(), nullptr);
        QSignalSpy arrived(&frames, &FrameSink::FrameArrived);
        gst::ElementPtr pipeline(gst_pipeline_new(nullptr));
        gst_object_ref_sink(pipeline.get());
        gst::ElementPtr source = gst::MakeElement("videotestsrc");
        gst::ElementPtr caps = gst::MakeElement("capsfilter");
        gst::ElementPtr convert = gst::MakeElement("videoconvert");
        gst_util_set_object_arg(G_OBJECT(source.get()), "pattern", c.pattern);
        const gst::CapsPtr size(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, c.width,
                                                    "height", G_TYPE_INT, c.height, "format",
                                                    G_TYPE_STRING, "I420", nullptr));
        g_object_set(caps.get(), "caps", size.get(), nullptr);
        gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), caps.get(), convert.get(),
                         frames.Element(), nullptr);
        ASSERT_TRUE(gst_element_link_many(source.get(), caps.get(), convert.get(), frames.Element(),
                                          nullptr));
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
        EXPECT_TRUE(arrived.wait(5000));
        const QImage frame = frames.Frame();
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        ASSERT_EQ(frame.size(), QSize(c.width, c.height));
        for (const QPoint p : {QPoint(0, 0), QPoint(c.width - 1, c.height - 1)}) {
            const QRgb got = frame.pixel(p);
            EXPECT_NEAR(qRed(got), qRed(c.colour), 8);
            EXPECT_NEAR(qGreen(got), qGreen(c.colour), 8);
            EXPECT_NEAR(qBlue(got), qBlue(c.colour), 8);
        }
        frames.Clear();
        EXPECT_TRUE(frames.Frame().isNull());
    }
}

} // namespace
