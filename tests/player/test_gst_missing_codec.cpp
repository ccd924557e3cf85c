// Without the Windows Media Audio decoder.
#include "GstTestSupport.h"

#include <cstdlib>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Hidden before GStreamer starts.
const int hideDecoder = setenv("GST_PLUGIN_FEATURE_RANK", "avdec_wmav2:NONE", 1);

// The clip with a picture: the sound's codec listed as not installed, the picture played through.
// Nothing left to decode: an error naming the codec, and the player's codec advice, once.
TEST(MissingCodec, ListedAsNotInstalledAndWithNothingToDecodeTheErrorNamesIt) {
    ASSERT_EQ(hideDecoder, 0);
    REQUIRE_MEDIA("clip.wma");
    RealPlayer p;
    p.player.PlayVideo(mediaPath("clip.wmv"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.has("Done clip.wmv"); }, 10000)) << p.str();
    ASSERT_EQ(p.control->CodecCount(), 2);
    EXPECT_TRUE(p.control->CodecInstalled(1) && !p.control->CodecInstalled(2));
    EXPECT_TRUE(p.control->CodecDescription(2).contains("Windows Media Audio"));
    EXPECT_TRUE(p.control->CodecURL(2).startsWith("https://"));
    EXPECT_EQ(p.control->ImageSourceWidth(), 320);
    EXPECT_NEAR(p.control->CurrentPosition(), 3.0, 0.2); // played to its end
    EXPECT_EQ(p.events.filter("Error").size(), 0);
    p.clear();
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
