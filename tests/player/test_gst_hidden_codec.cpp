// A clip whose video decoder is not available: the control names the codec
// as not installed and still plays the sound.
#include "GstTestSupport.h"

#include <cstdlib>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Hide the Windows Media Video 8 decoder before GStreamer starts.
const int hideDecoder = setenv("GST_PLUGIN_FEATURE_RANK", "avdec_wmv2:NONE", 1);

TEST(HiddenDecoder, TheCodecIsListedAsNotInstalledAndTheSoundPlays) {
    ASSERT_EQ(hideDecoder, 0);
    REQUIRE_MEDIA("clip.wmv");
    GstMediaControl c(nullptr, fakeSinks());
    NotificationLog log(c);
    ASSERT_TRUE(c.Open(mediaPath("clip.wmv")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return c.OpenState() == OpenStateCode::Open || log.has("error"); }, 10000));
    ASSERT_EQ(c.OpenState(), OpenStateCode::Open) << c.ErrorDescription().toStdString();

    QStringList missing;
    for (long i = 1; i <= c.CodecCount(); ++i) {
        if (!c.CodecInstalled(i)) {
            missing << c.CodecDescription(i);
            EXPECT_TRUE(c.CodecURL(i).startsWith("https://"));
        }
    }
    EXPECT_EQ(c.CodecCount(), 2); // picture and sound
    ASSERT_EQ(missing.size(), 1);
    EXPECT_TRUE(missing[0].contains("Windows Media Video 8")) << missing[0].toStdString();
    EXPECT_EQ(c.ImageSourceWidth(), 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Stopped; }, 8000))
        << log.events.join(", ").toStdString();
    EXPECT_EQ(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_NEAR(c.Duration(), 3.0, 0.2);
    EXPECT_FALSE(log.has("error")) << c.ErrorDescription().toStdString();
}

} // namespace
