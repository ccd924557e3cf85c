// The GStreamer control on every kind of clip (fake sinks); contract: test_control_contract.
#include "GstTestSupport.h"

#include "player/ClipInfo.h"
#include "player/GstHandles.h"
#include "player/PlaybackSession.h"
#include "player/TransportPanel.h"

#include <QRegularExpression>
#include <cmath>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Each clip opens paused, described by tags and picture size, and plays from a seek to its end.
TEST(GstControl, EveryKindOpensDescribedAndPlaysFromASeekToItsEnd) {
    REQUIRE_MEDIA("clip.mid");
    enum Tags { None, TitleOnly, Both };
    const struct {
        const char* name;
        int width;
        Tags tags;
    } clips[] = {{"clip.mpg", 320, None}, {"clip.mpeg", 320, None}, {"clip.mpe", 320, None},
                 {"clip.dat", 352, None}, {"clip.vob", 320, None},  {"clip.avi", 320, TitleOnly},
                 {"clip.asf", 320, None}, {"clip.wmv", 320, None},  {"clip.wma", 0, Both},
                 {"clip.mp3", 0, Both},   {"clip.mp2", 0, None},    {"clip.wav", 0, Both},
                 {"clip.au", 0, None},    {"clip.mid", 0, None}};
    for (const auto& clip : clips) {
        SCOPED_TRACE(clip.name);
        GstMediaControl c(nullptr, fakeSinks());
        NotificationLog log(c);
        c.SetAutoStart(false);
        ASSERT_TRUE(c.Open(mediaPath(clip.name))) << c.ErrorDescription().toStdString();
        ASSERT_TRUE(waitForState(c, PlayStateCode::Paused)) << log.str();
        EXPECT_EQ(c.FileName(), mediaPath(clip.name));
        EXPECT_NEAR(c.Duration(), 3.0, 0.2);
        EXPECT_EQ(c.ImageSourceWidth(), clip.width);
        if (clip.tags != None) {
            EXPECT_EQ(c.MediaInfoString(MediaInfoCode::Title), "Lumadeck test clip");
        }
        if (clip.tags == Both) {
            EXPECT_EQ(c.MediaInfoString(MediaInfoCode::Description), "Test pattern and tone");
        }
        EXPECT_EQ(c.MediaInfoString(MediaInfoCode(4242)), "");

        ASSERT_TRUE(c.Play());
        ASSERT_TRUE(waitForState(c, PlayStateCode::Playing));
        ASSERT_TRUE(c.SetCurrentPosition(2.0));
        EXPECT_TRUE(log.events.last().endsWith(">2.0")) << log.str(); // inside the call
        QTest::qWait(100);
        // Really there: at the seek or a little after it (it plays on).
        EXPECT_GE(c.CurrentPosition(), 1.9);
        ASSERT_TRUE(waitForState(c, PlayStateCode::Stopped, 8000)) << log.str();
        EXPECT_EQ(c.EndOfPlayPosition(), c.CurrentPosition());
        EXPECT_NEAR(c.CurrentPosition(), c.Duration(), 1e-9);
        EXPECT_EQ(log.events.filter(QRegularExpression("^(open|play|error)")),
                  QStringList({"open 0>6", "play 0>1", "play 1>2", "play 2>0"}));
    }
}

// Each stream names the decoder that plays it, and its manual page.
TEST(GstControl, CodecsNameEveryStream) {
    REQUIRE_MEDIA("clip.asf");
    GstMediaControl c(nullptr, fakeSinks());
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.asf")));
    ASSERT_TRUE(waitForOpen(c));
    ASSERT_EQ(c.CodecCount(), 2);
    const QString both = c.CodecDescription(1) + " | " + c.CodecDescription(2);
    for (const char* part : {"Windows Media 8", "WMA", "(avdec_wmv2)", "(avdec_wmav2)"}) {
        EXPECT_TRUE(both.contains(part)) << both.toStdString();
    }
    EXPECT_TRUE(c.CodecInstalled(1) && c.CodecInstalled(2));
    const QString urls = c.CodecURL(1) + " " + c.CodecURL(2);
    EXPECT_TRUE(
        urls.contains("https://gstreamer.freedesktop.org/documentation/libav/avdec_wmv2.html"))
        << urls.toStdString();
    EXPECT_EQ(c.CodecDescription(3), "");
    EXPECT_FALSE(c.CodecInstalled(0));
}

// MPEG is decoded by libmpeg2 and libmpg123 where installed, not by the general
// decoder library, whose load costs a playing Video CD about 35 MB.
TEST(GstControl, MpegPlaysThroughTheLeanDecoders) {
    REQUIRE_MEDIA("clip.dat");
    GstMediaControl c(nullptr, fakeSinks());
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.dat")));
    ASSERT_TRUE(waitForOpen(c));
    for (const char* name : {"mpeg2dec", "mpg123audiodec"}) {
        if (!gst::ObjectPtr<GstElementFactory>(gst_element_factory_find(name))) {
            GTEST_SKIP() << name << " is not installed";
        }
    }
    ASSERT_EQ(c.CodecCount(), 2);
    const QString both = c.CodecDescription(1) + " | " + c.CodecDescription(2);
    EXPECT_TRUE(both.contains("(mpeg2dec)") && both.contains("(mpg123audiodec)"))
        << both.toStdString();
}

// A list's first entry is opened as it is added and played at once: one open
// serves both (starting over costs the sinks' restart); an open file reopens.
TEST(GstControl, AskingAgainForTheFileStillOpeningKeepsItsOpen) {
    REQUIRE_MEDIA("clip.mpg");
    GstMediaControl c(nullptr, fakeSinks());
    auto* session = c.findChild<PlaybackSession*>();
    ASSERT_TRUE(session);
    int starts = 0;
    QObject::connect(session, &PlaybackSession::Preparing, [&] { ++starts; });
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    c.SetAutoStart(true);
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing));
    EXPECT_EQ(starts, 1);
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    EXPECT_EQ(starts, 2);
}

// Watches an object without keeping it: Gone() once its last reference
// was released.
class Watch {
public:
    explicit Watch(GstElement* e) { g_weak_ref_init(&m_ref, e); }
    ~Watch() { g_weak_ref_clear(&m_ref); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    bool Gone() {
        gpointer held = g_weak_ref_get(&m_ref);
        if (held) {
            g_object_unref(held);
        }
        return held == nullptr;
    }

private:
    GWeakRef m_ref;
};

// The General MIDI sound font (well over 100 MB once read) belongs to the
// synthesiser element: that element is made only for a MIDI file, and is
// released (with the font) once the MIDI file closes, whether another file
// opens or none.
TEST(GstControl, TheMidiSynthesiserLivesOnlyWhileAMidiFileIsOpen) {
    for (const char* name : {"clip.mid", "clip.mpg", "clip.wav"}) {
        REQUIRE_MEDIA(name);
    }
    PlaybackSession s(fakeSinks());
    const auto plays = [&](const char* name) {
        return s.Open(mediaPath(name)) &&
               QTest::qWaitFor(
                   [&] { return s.PlayState() == PlayStateCode::Playing || s.ErrorCode() != 0; },
                   10000) &&
               s.PlayState() == PlayStateCode::Playing;
    };
    const auto synthesiser = [&] { return FindElement(s.Pipeline()->Playbin(), "fluiddec"); };

    ASSERT_TRUE(plays("clip.mpg")) << s.ErrorDescription().toStdString();
    EXPECT_FALSE(synthesiser());

    ASSERT_TRUE(plays("clip.mid")) << s.ErrorDescription().toStdString();
    gst::ElementPtr first = synthesiser();
    ASSERT_TRUE(first);
    Watch firstWatch(first.get());
    first.reset();
    ASSERT_TRUE(plays("clip.wav")) << s.ErrorDescription().toStdString();
    EXPECT_FALSE(synthesiser());
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstWatch.Gone(); }, 5000));

    ASSERT_TRUE(plays("clip.mid")) << s.ErrorDescription().toStdString();
    gst::ElementPtr second = synthesiser();
    ASSERT_TRUE(second);
    Watch secondWatch(second.get());
    second.reset();
    // Closed without another file: an empty name closes it and fails.
    EXPECT_FALSE(s.Open(QString()));
    EXPECT_EQ(s.OpenState(), OpenStateCode::Closed);
    EXPECT_FALSE(synthesiser());
    EXPECT_TRUE(QTest::qWaitFor([&] { return secondWatch.Gone(); }, 5000));
}

// The panel under the picture follows the position while playing, keeps
// still while paused, and shows a seek made while paused.
TEST(GstControl, ThePanelFollowsThePosition) {
    REQUIRE_MEDIA("clip.mpg");
    GstMediaControl c(nullptr, fakeSinks());
    const auto* panel = c.findChild<TransportPanel*>();
    ASSERT_NE(panel, nullptr);
    const auto shown = [panel] { return panel->State().position; };
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing)) << c.ErrorDescription().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() >= 1.0; }, 3000)) << shown();

    ASSERT_TRUE(c.Pause());
    ASSERT_TRUE(waitForState(c, PlayStateCode::Paused));
    const double paused = shown();
    EXPECT_NEAR(paused, c.CurrentPosition(), 0.3);
    QTest::qWait(600);
    EXPECT_EQ(shown(), paused);
    EXPECT_EQ(panel->State().playState, PlayStateCode::Paused);

    ASSERT_TRUE(c.SetCurrentPosition(0.5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(shown() - 0.5) < 0.05; }, 2000)) << shown();

    ASSERT_TRUE(c.Play());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() >= 1.5; }, 3000)) << shown();
}

// Parsers send a new bit rate many times a second: it is kept, but only a
// text filled in for the first time is news (the window writes it).
TEST(ClipTags, OnlyATextFilledForTheFirstTimeIsNews) {
    ASSERT_TRUE(GstMediaControl::InitEngine());
    ClipInfo info;
    EXPECT_FALSE(ApplyTags(info, nullptr));
    const gst::TagListPtr rate(gst_tag_list_new(GST_TAG_BITRATE, 128000u, nullptr));
    EXPECT_FALSE(ApplyTags(info, rate.get()));
    EXPECT_EQ(info.bitrate, 128000u);
    const gst::TagListPtr named(
        gst_tag_list_new(GST_TAG_TITLE, "First", GST_TAG_BITRATE, 96000u, nullptr));
    EXPECT_TRUE(ApplyTags(info, named.get()));
    EXPECT_EQ(info.title, "First");
    EXPECT_EQ(info.bitrate, 96000u);
    const gst::TagListPtr renamed(
        gst_tag_list_new(GST_TAG_TITLE, "Second", GST_TAG_COPYRIGHT, "(c) us", nullptr));
    EXPECT_TRUE(ApplyTags(info, renamed.get()));
    EXPECT_EQ(info.title, "First");
    EXPECT_EQ(info.copyright, "(c) us");
    EXPECT_FALSE(ApplyTags(info, renamed.get()));
}

TEST(GstControl, CallsWithoutAFileFailQuietly) {
    GstMediaControl c(nullptr, fakeSinks());
    EXPECT_FALSE(c.Play() || c.Pause() || c.Stop() || c.SetCurrentPosition(2));
    EXPECT_EQ(c.Duration(), 0);
    EXPECT_EQ(c.CurrentPosition(), 0);
    EXPECT_EQ(c.FileName(), "");
    EXPECT_EQ(c.CodecCount(), 0);
    EXPECT_FALSE(c.Open(""));
    EXPECT_FALSE(c.ErrorDescription().isEmpty());
    EXPECT_FALSE(c.SetDisplaySize(DisplaySizeCode(8)));
    EXPECT_TRUE(c.SetDisplaySize(DisplaySizeCode::Double));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::Double);
}

} // namespace
