// Without the Windows Media Audio decoder: a clip that still has a picture
// names the missing codec and plays; one with nothing left to decode is an
// error that names the codec, and the player gives the codec advice, once.
#include "GstTestSupport.h"

#include <cstdlib>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Hidden before GStreamer starts.
const int hideDecoder = setenv("GST_PLUGIN_FEATURE_RANK", "avdec_wmav2:NONE", 1);

TEST(MissingCodec, TheCodecIsListedAsNotInstalledAndThePicturePlays) {
    ASSERT_EQ(hideDecoder, 0);
    REQUIRE_MEDIA("clip.wmv");
    GstMediaControl c(nullptr, fakeSinks());
    NotificationLog log(c);
    ASSERT_TRUE(c.Open(mediaPath("clip.wmv")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing)) << c.ErrorDescription().toStdString();
    ASSERT_EQ(c.CodecCount(), 2); // picture and sound
    EXPECT_TRUE(c.CodecInstalled(1) && !c.CodecInstalled(2));
    EXPECT_TRUE(c.CodecDescription(2).contains("Windows Media Audio"));
    EXPECT_TRUE(c.CodecURL(2).startsWith("https://"));
    EXPECT_EQ(c.ImageSourceWidth(), 320);
    ASSERT_TRUE(waitForState(c, PlayStateCode::Stopped, 8000)) << log.str();
    EXPECT_EQ(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_NEAR(c.Duration(), 3.0, 0.2);
    EXPECT_FALSE(log.has("error")) << c.ErrorDescription().toStdString();
}

TEST(MissingCodec, WithNothingToDecodeTheErrorNamesTheCodecAndThePlayerAdvises) {
    ASSERT_EQ(hideDecoder, 0);
    REQUIRE_MEDIA("clip.wma");
    RealPlayer p;
    p.player.PlayVideo(mediaPath("clip.wma"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.has("Done clip.wma"); }, 10000)) << p.str();
    const QString error = p.control->ErrorDescription();
    EXPECT_TRUE(error.startsWith("No codec installed for ")) << error.toStdString();
    EXPECT_TRUE(error.contains("Windows Media Audio")) << error.toStdString();
    ASSERT_EQ(p.dialogs.boxes.size(), 1);
    EXPECT_TRUE(p.dialogs.boxes[0].text.contains("You probably do not have the required Codecs"));
    EXPECT_EQ(p.events, QStringList({"ErrorMsg " + error + ". Error Code: " +
                                         QString::number(GstMediaControl::ErrorCodec),
                                     "Done clip.wma"}));
}

} // namespace
