// A clip none of whose streams can be decoded: the control reports an error
// that names the missing codec, and the player gives the codec advice.
#include "GstTestSupport.h"

#include <QRegularExpression>
#include <cstdlib>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Hide the Windows Media Audio decoder before GStreamer starts.
const int hideDecoder = setenv("GST_PLUGIN_FEATURE_RANK", "avdec_wmav2:NONE", 1);

TEST(MissingCodec, TheErrorNamesTheCodecAndThePlayerAdvisesOnCodecs) {
    ASSERT_EQ(hideDecoder, 0);
    REQUIRE_MEDIA("clip.wma");
    RealPlayer p;
    p.player.PlayVideo(mediaPath("clip.wma"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.events.contains("Done clip.wma"); }, 10000))
        << p.events.join(", ").toStdString();
    const QString error = p.control->ErrorDescription();
    EXPECT_TRUE(error.startsWith("No codec installed for ")) << error.toStdString();
    EXPECT_TRUE(error.contains("Windows Media Audio")) << error.toStdString();
    ASSERT_EQ(p.dialogs.boxes.size(), 1);
    EXPECT_TRUE(p.dialogs.boxes[0].text.contains("You probably do not have the required Codecs"));
    // Reported once, before the file is done with.
    EXPECT_EQ(p.events.filter(QRegularExpression("^(ErrorMsg|Done) ")),
              QStringList({"ErrorMsg " + error +
                               ". Error Code: " + QString::number(GstMediaControl::ErrorCodec),
                           "Done clip.wma"}));
}

} // namespace
