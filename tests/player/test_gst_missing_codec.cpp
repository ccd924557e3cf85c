// A clip none of whose streams can be decoded: the control reports an error
// that names the missing codec, and the player gives the codec advice.
#include "GstTestSupport.h"

#include "platform/RecordingDialogs.h"
#include "platform/Services.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"

#include <cstdlib>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Hide the Windows Media Audio decoder before GStreamer starts.
const int hideDecoder = setenv("GST_PLUGIN_FEATURE_RANK", "avdec_wmav2:NONE", 1);

TEST(MissingCodec, TheErrorNamesTheCodecAndThePlayerAdvisesOnCodecs) {
    ASSERT_EQ(hideDecoder, 0);
    REQUIRE_MEDIA("clip.wma");
    RecordingDialogs dialogs;
    Services::setDialogs(&dialogs);
    QWidget window;
    auto* control = new GstMediaControl(&window, fakeSinks());
    TagTimer timer;
    clsPlayVideo player;
    player.SetParentForm(&window);
    player.SetMediaPlayer(control);
    player.SetTimer(&timer);
    QStringList events;
    QObject::connect(&player, &clsPlayVideo::ErrorMsg, [&](const QString& e) { events << e; });
    QObject::connect(&player, &clsPlayVideo::Done,
                     [&](const QString& f) { events << "Done " + QFileInfo(f).fileName(); });

    player.PlayVideo(mediaPath("clip.wma"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.contains("Done clip.wma"); }, 10000))
        << events.join(", ").toStdString();
    EXPECT_TRUE(control->ErrorDescription().startsWith("No codec installed for "))
        << control->ErrorDescription().toStdString();
    EXPECT_TRUE(control->ErrorDescription().contains("Windows Media Audio"))
        << control->ErrorDescription().toStdString();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_TRUE(dialogs.boxes[0].text.contains("You probably do not have the required Codecs"));
    EXPECT_EQ(events.first(), control->ErrorDescription() +
                                  ". Error Code: " + QString::number(GstMediaControl::ErrorCodec));
    Services::setDialogs(nullptr);
}

} // namespace
