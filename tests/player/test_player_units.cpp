// The engine's parts that need no clip: the video sink choice, the picture's place, the transport
// panel, times as text, and the frame sink the control paints from on Wayland.
#include "player/FrameSink.h"
#include "player/MediaTime.h"
#include "player/PlaybackErrors.h"
#include "player/PlaybackSession.h"
#include "player/PlayerTexts.h"
#include "player/TransportPanel.h"
#include "player/VideoRect.h"
#include "player/VideoSinkChoice.h"

#include <QLayout>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>

using namespace lumadeck;

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// OpenGL by a GPU gets its sink, on the CPU Xv where the server has ports, else X images; a forced
// sink wins, blanks force nothing.
TEST(VideoSinkChoice, FollowsTheRendererAndTheXvPorts) {
    const QString intel = "Mesa Intel(R) UHD Graphics 620 (KBL GT2)",
                  llvmpipe = "llvmpipe (LLVM 15)", nvidia = "NVIDIA GeForce GTX 1050/PCIe/SSE2";
    const std::pair<VideoSinkFacts, const char*> cases[] = {
        // sinks without "imagesink"
        {{"", true, nvidia, true}, "gl"},
        {{"", true, "AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49)", false}, "gl"},
        {{"", true, llvmpipe, true}, "xv"},
        {{"", true, llvmpipe, false}, "x"},
        {{"", true, "LLVMPIPE (LLVM 11.0.1, 128 bits)", false}, "x"},
        {{"", true, "Gallium 0.4 on softpipe", false}, "x"},
        {{"", true, "Software Rasterizer", true}, "xv"},
        {{"", false, "", true}, "xv"},
        {{"", false, "", false}, "x"},
        {{"", false, intel, false}, "x"},
        {{"", true, "", false}, "x"},
        {{"", true, "   ", true}, "xv"},
        {{"ximagesink", true, nvidia, true}, "x"},
        {{"glimagesink", true, llvmpipe, false}, "gl"},
        {{" xvimagesink ", false, "", false}, "xv"},
        {{"  ", true, llvmpipe, false}, "x"}};
    for (const auto& [facts, sink] : cases) {
        EXPECT_EQ(ChooseVideoSink(facts), sink + QString("imagesink"))
            << facts.glRenderer.toStdString();
    }
    for (const char* name : {"ximagesink", "glimagesink", "xvimagesink", "fakevideosink", ""}) {
        EXPECT_EQ(SinkNeedsScaling(name), name == std::string("ximagesink")) << name;
    }
}

// No GLX: no OpenGL. Without direct rendering: software. Else unknown, unless Mesa is told (in
// its words for yes) or a software Gallium driver is named.
TEST(VideoSinkChoice, TheDisplayTellsMissingAndSoftwareOpenGlWithoutAContext) {
    const std::pair<DisplayGlFacts, DisplayGl> cases[] = {
        {{false, true, true, false, "", ""}, DisplayGl::Missing},
        {{false, false, false, false, "1", "llvmpipe"}, DisplayGl::Missing},
        {{true, false, false, false, "", ""}, DisplayGl::Software},
        {{true, true, false, false, "", ""}, DisplayGl::Unknown},
        {{true, false, false, true, "", ""}, DisplayGl::Unknown},
        {{true, true, true, false, "1", ""}, DisplayGl::Software},
        {{true, true, false, false, " YES ", ""}, DisplayGl::Software},
        {{true, true, false, false, "0", ""}, DisplayGl::Unknown},
        {{true, true, false, false, "", "llvmpipe"}, DisplayGl::Software},
        {{true, true, false, false, "", "Softpipe"}, DisplayGl::Software},
        {{true, true, false, false, "", "radeonsi"}, DisplayGl::Unknown},
        {{true, false, true, false, "", ""}, DisplayGl::Unknown}};
    for (const auto& c : cases) {
        EXPECT_EQ(JudgeDisplayGl(c.first), c.second) << "row " << &c - cases;
    }
}

// Never larger than the area, the shape kept, centred; no picture or no area: the whole area; a
// sliver still gets a pixel; an unknown size is the actual one.
TEST(VideoRect, EachDisplaySizeScalesKeepsTheShapeAndCentres) {
    const QRect area(0, 0, 800, 600);
    const QSize source(320, 240);
    using D = DisplaySizeCode;
    const std::tuple<D, QRect, QSize, QRect> cases[] = {
        {D::Default, area, source, {240, 180, 320, 240}},
        {D::Half, area, source, {320, 240, 160, 120}},
        {D::Double, area, source, {80, 60, 640, 480}},
        {D::FullScreen, area, source, area},
        {D::FitToWindow, area, source, area},
        {D::OneSixteenthScreen, area, source, {350, 262, 100, 75}},
        {D::OneFourthScreen, area, source, {200, 150, 400, 300}},
        {D::OneHalfScreen, area, source, area},
        {D::Double, {0, 0, 400, 400}, source, {0, 50, 400, 300}},
        {D::FitToWindow, {10, 20, 800, 300}, source, {210, 20, 400, 300}},
        {D::Default, area, {0, 0}, area},
        {D::Default, {0, 0, 0, 0}, source, {0, 0, 0, 0}},
        {D::FitToWindow, {0, 0, 1, 600}, source, {0, 299, 1, 1}},
        {D(42), area, source, {240, 180, 320, 240}}};
    for (const auto& [size, inside, picture, expected] : cases) {
        EXPECT_EQ(VideoRect(inside, picture, size, QSize(1600, 1200)), expected) << int(size);
    }
}

TEST(TransportPanel, EveryControlHasAPlaceOfItsOwnAndTheVolumeSliderAsks) {
    TransportPanel panel;
    panel.resize(640, 30);
    panel.show();
    panel.layout()->activate();
    const QList<QWidget*> controls = panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), 7); // play, pause, stop, the seek bar, the time, mute, the volume
    for (QWidget* a : controls) {
        EXPECT_TRUE(panel.rect().contains(a->geometry())) << a->toolTip().toStdString();
        for (QWidget* b : controls) {
            EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                << a->toolTip().toStdString() << " over " << b->toolTip().toStdString();
        }
    }
    auto* seekBar = panel.findChild<MarkedSlider*>(); // works only for a clip with a length
    EXPECT_FALSE(seekBar->isEnabled());
    TransportState state;
    state.open = true;
    for (const double length : {0.0, 3.0}) {
        state.duration = length;
        panel.SetState(state);
        EXPECT_EQ(seekBar->isEnabled(), length > 0);
    }
    QSignalSpy asked(&panel, &TransportPanel::VolumeRequested);
    for (QSlider* s : panel.findChildren<QSlider*>()) {
        s->setValue(s->maximum() == 100 ? 30 : s->value());
    }
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0][0].toInt(), 30);
    // Mute is a switch: a click asks for silence.
    QSignalSpy muted(&panel, &TransportPanel::MuteRequested);
    QTest::mouseClick(*std::find_if(controls.begin(), controls.end(),
                                    [](QWidget* w) { return w->toolTip() == "Mute"; }),
                      Qt::LeftButton);
    EXPECT_EQ(muted.size() == 1 && muted[0][0].toBool(), true);
}

// m:ss, h:mm:ss from an hour; halves away from zero up to 59 s, to even above; 60 s carry.
TEST(ConvertSeconds, FormsRoundingAndOddValues) {
    const std::pair<double, const char*> cases[] = {
        {0, "0:00"},         {5, "0:05"},         {59, "0:59"},          {75, "1:15"},
        {600, "10:00"},      {3599, "59:59"},     {3600, "1:00:00"},     {3690, "1:01:30"},
        {7322, "2:02:02"},   {36061, "10:01:01"}, {360000, "100:00:00"}, {0.49, "0:00"},
        {0.5, "0:01"},       {2.5, "0:03"},       {58.6, "0:59"},        {60.5, "1:00"},
        {61.5, "1:02"},      {62.5, "1:02"},      {3661.5, "1:01:02"},   {59.4, "0:59"},
        {59.5, "1:00"},      {59.6, "1:00"},      {119.7, "2:00"},       {3599.5, "1:00:00"},
        {3659.9, "1:01:00"}, {-3, "0:-03"},       {-0.4, "0:00"},        {kNan, "0:00"},
        {kInf, "0:00"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(ConvertSeconds(seconds).toStdString(), text) << seconds;
    }
    EXPECT_FALSE(ConvertSeconds(1e300).isEmpty());
}

// A bit rate of 1, a corrupt header or an infinite position still give a sane seek bar and text.
TEST(MediaTime, CorruptLengthsAndPositionsAreClampedBeforeConversion) {
    const std::pair<double, double> rows[] = {{12.5, 12.5},
                                              {0, 0},
                                              {-5, 0},
                                              {kNan, 0},
                                              {-kInf, 0},
                                              {kInf, 0},
                                              {1e300, kMaxMediaSeconds},
                                              {kMaxMediaSeconds + 1, kMaxMediaSeconds}};
    for (const auto& [in, seconds] : rows) {
        EXPECT_EQ(ClampSeconds(in), seconds) << in;
        EXPECT_EQ(ToNanoseconds(in), std::int64_t(seconds * 1e9)) << in;
    }
    const double estimated = EstimatedSeconds(std::int64_t(1) << 62, 1); // a huge sparse file
    EXPECT_EQ(estimated, kMaxMediaSeconds);
    EXPECT_EQ(ConvertSeconds(estimated), "8784:00:00");
    EXPECT_EQ(EstimatedSeconds(16000, 128000), 1.0);
    EXPECT_EQ(EstimatedSeconds(16000, 0), 0);
    EXPECT_EQ(EstimatedSeconds(-1, 128000), 0);
}

// Frames (here of an odd width) arrive as images of their own size and colours, announced on the
// control's thread, and are let go on Clear().
TEST(FrameSink, HandsOverEachFrameAsAnImage) {
    ASSERT_TRUE(PlaybackSession::InitEngine());
    FrameSink frames;
    QSignalSpy arrived(&frames, &FrameSink::FrameArrived);
    gst::ElementPtr pipeline(gst_parse_launch("videotestsrc pattern=red ! video/x-raw,format=I420,"
                                              "width=99,height=51 ! videoconvert name=last",
                                              nullptr));
    ASSERT_TRUE(pipeline && gst_object_ref_sink(pipeline.get()));
    gst_bin_add(GST_BIN(pipeline.get()), frames.Element());
    const gst::ElementPtr last(gst_bin_get_by_name(GST_BIN(pipeline.get()), "last"));
    ASSERT_TRUE(gst_element_link(last.get(), frames.Element()));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    EXPECT_TRUE(arrived.wait(5000));
    const QImage frame = frames.Frame();
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    ASSERT_EQ(frame.size(), QSize(99, 51));
    for (const QRgb got : {frame.pixel(0, 0), frame.pixel(98, 50)}) {
        EXPECT_LE(std::abs(qRed(got) - 255) + qGreen(got) + qBlue(got), 24) << std::hex << got;
    }
    frames.Clear();
    EXPECT_TRUE(frames.Frame().isNull());
}

} // namespace
