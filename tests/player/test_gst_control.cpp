// The GStreamer control on the generated clips, headless (fake sinks).
#include "GstTestSupport.h"

#include <cmath>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

constexpr double kClipSeconds = 3.0;

class EveryKind : public ::testing::TestWithParam<const char*> {};

TEST_P(EveryKind, OpensSeeksAndEndsNaturally) {
    const QString name = QString::fromLatin1(GetParam());
    REQUIRE_MEDIA(name);
    GstMediaControl c(nullptr, fakeSinks());
    NotificationLog log(c);
    ASSERT_TRUE(c.Open(mediaPath(name))) << c.ErrorDescription().toStdString();

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return c.OpenState() == OpenStateCode::Open || log.has("error"); }, 10000));
    ASSERT_EQ(c.OpenState(), OpenStateCode::Open) << c.ErrorDescription().toStdString();
    EXPECT_EQ(c.FileName(), mediaPath(name));
    EXPECT_NEAR(c.Duration(), kClipSeconds, 0.2);

    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 5000));
    ASSERT_TRUE(c.SetCurrentPosition(kClipSeconds / 2));
    EXPECT_TRUE(log.has("seek 0.0>1.5") || log.events.filter("seek ").size() == 1)
        << log.events.join(", ").toStdString();
    EXPECT_TRUE(log.events.filter("seek ").value(0).endsWith(">1.5"));
    QTest::qWait(100);
    // Really there: at the middle or a little after it (it plays on).
    EXPECT_GE(c.CurrentPosition(), kClipSeconds / 2 - 0.1);
    EXPECT_LT(c.CurrentPosition(), kClipSeconds / 2 + 1.0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Stopped; }, 8000))
        << log.events.join(", ").toStdString();
    EXPECT_EQ(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_NEAR(c.CurrentPosition(), c.Duration(), 1e-9);
    EXPECT_EQ(QStringList({log.events.first(), log.events.at(1), log.events.last()}),
              QStringList({"open 0>6", "play 0>2", "play 2>0"}));
    EXPECT_FALSE(log.has("error")) << c.ErrorDescription().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Clips, EveryKind,
                         ::testing::Values("clip.mpg", "clip.mpeg", "clip.mpe", "clip.dat",
                                           "clip.vob", "clip.avi", "clip.asf", "clip.wmv",
                                           "clip.wma", "clip.mp3", "clip.mp2", "clip.wav",
                                           "clip.au", "clip.mid"),
                         paramName);

class BrokenFile : public ::testing::TestWithParam<const char*> {};

TEST_P(BrokenFile, ReportsAFormatError) {
    const QString name = QString::fromLatin1(GetParam());
    REQUIRE_MEDIA(name);
    GstMediaControl c(nullptr, fakeSinks());
    NotificationLog log(c);
    // Opening may be refused at once or fail on the bus; both must say why.
    if (c.Open(mediaPath(name))) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return log.has("error"); }, 20000))
            << log.events.join(", ").toStdString();
    }
    EXPECT_TRUE(c.ErrorDescription().toLower().contains("format"))
        << c.ErrorDescription().toStdString();
    EXPECT_NE(c.ErrorCode(), 0);
    EXPECT_NE(c.OpenState(), OpenStateCode::Open);
    EXPECT_FALSE(c.Play());
    // Exactly one report for one broken file.
    QTest::qWait(300);
    EXPECT_EQ(log.events.count("error"), 1) << log.events.join(", ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenFile,
                         ::testing::Values("broken_empty.mpg", "broken_truncated.avi",
                                           "broken_random.mpg", "broken_text.avi"),
                         paramName);

TEST(GstControl, PauseStopAndReplay) {
    REQUIRE_MEDIA("clip.mpg");
    GstMediaControl c(nullptr, fakeSinks());
    NotificationLog log(c);
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 10000));
    EXPECT_EQ(c.ImageSourceWidth(), 320);
    EXPECT_EQ(c.ImageSourceHeight(), 240);

    ASSERT_TRUE(c.Pause());
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Paused; }, 3000));
    const double pausedAt = c.CurrentPosition();
    QTest::qWait(300);
    EXPECT_NEAR(c.CurrentPosition(), pausedAt, 0.05); // paused really holds still

    ASSERT_TRUE(c.Stop());
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Stopped; }, 3000));
    // Stopped short of the end: not the natural end.
    EXPECT_NE(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_EQ(log.events.mid(0, 4), QStringList({"open 0>6", "play 0>2", "play 2>1", "play 1>0"}));

    ASSERT_TRUE(c.Play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 3000));
    EXPECT_LT(c.CurrentPosition(), 1.0);
}

TEST(GstControl, OpeningAnotherFileClosesTheFirstWhileItIsStillDescribed) {
    REQUIRE_MEDIA("clip.wav");
    REQUIRE_MEDIA("clip.mp3");
    GstMediaControl c(nullptr, fakeSinks());
    ASSERT_TRUE(c.Open(mediaPath("clip.wav")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 10000));
    c.SetCurrentPosition(1.0);

    // What the control describes at each notification.
    QStringList seen;
    const auto now = [&] { return " " + QFileInfo(c.FileName()).fileName(); };
    QObject::connect(&c, &MediaControl::PlayStateChange, [&](auto o, auto n) {
        seen << QStringLiteral("play %1>%2").arg(CodeValue(o)).arg(CodeValue(n)) + now();
    });
    QObject::connect(&c, &MediaControl::OpenStateChange, [&](auto o, auto n) {
        seen << QStringLiteral("open %1>%2").arg(CodeValue(o)).arg(CodeValue(n)) + now() +
                    (c.CurrentPosition() >= 0.9 ? " kept" : " lost");
    });
    ASSERT_TRUE(c.Open(mediaPath("clip.mp3")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.PlayState() == PlayStateCode::Playing; }, 10000));
    EXPECT_EQ(seen, QStringList({"play 2>0 clip.wav", "open 6>0 clip.wav kept",
                                 "open 0>6 clip.mp3 lost", "play 0>2 clip.mp3"}));
}

// Opened without starting, a clip waits paused at its start.
TEST(GstControl, TagsGiveTitleAndDescriptionBeforeAnythingPlays) {
    REQUIRE_MEDIA("clip.mp3");
    for (const char* name : {"clip.mp3", "clip.avi", "clip.wma", "clip.wav"}) {
        GstMediaControl c(nullptr, fakeSinks());
        NotificationLog log(c);
        c.SetAutoStart(false);
        ASSERT_TRUE(c.Open(mediaPath(name)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.OpenState() == OpenStateCode::Open; }, 10000))
            << name;
        QTest::qWait(100);
        EXPECT_EQ(c.PlayState(), PlayStateCode::Paused) << name;
        EXPECT_LT(c.CurrentPosition(), 0.05) << name;
        EXPECT_EQ(log.events, QStringList({"open 0>6", "play 0>1"})) << name;
        EXPECT_EQ(c.MediaInfoString(MediaInfoCode::Title), "Lumadeck test clip") << name;
        if (QByteArray(name) != "clip.avi") {
            EXPECT_EQ(c.MediaInfoString(MediaInfoCode::Description), "Test pattern and tone")
                << name;
        }
        EXPECT_EQ(c.MediaInfoString(MediaInfoCode(4242)), "");
    }
}

TEST(GstControl, CodecsNameEveryStream) {
    REQUIRE_MEDIA("clip.asf");
    GstMediaControl c(nullptr, fakeSinks());
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.asf")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.OpenState() == OpenStateCode::Open; }, 10000));
    ASSERT_EQ(c.CodecCount(), 2);
    const QString both = c.CodecDescription(1) + " | " + c.CodecDescription(2);
    EXPECT_TRUE(both.contains("Windows Media 8")) << both.toStdString();
    EXPECT_TRUE(both.contains("WMA")) << both.toStdString();
    EXPECT_TRUE(c.CodecInstalled(1));
    EXPECT_TRUE(c.CodecInstalled(2));
    // Each stream names the decoder that plays it, and its manual page.
    EXPECT_TRUE(both.contains("(avdec_wmv2)")) << both.toStdString();
    EXPECT_TRUE(both.contains("(avdec_wmav2)")) << both.toStdString();
    const QString urls = c.CodecURL(1) + " " + c.CodecURL(2);
    EXPECT_TRUE(
        urls.contains("https://gstreamer.freedesktop.org/documentation/libav/avdec_wmv2.html"))
        << urls.toStdString();
    EXPECT_EQ(c.CodecDescription(3), "");
    EXPECT_FALSE(c.CodecInstalled(0));
}

// The first element of the named factory in a running pipeline; nullptr
// when there is none.
gst::ElementPtr findElement(GstElement* playbin, const char* factory) {
    gst::ElementPtr found;
    const gst::IteratorPtr it(gst_bin_iterate_recurse(GST_BIN(playbin)));
    GValue item = G_VALUE_INIT;
    for (bool done = false; !done && !found;) {
        switch (gst_iterator_next(it.get(), &item)) {
        case GST_ITERATOR_OK: {
            auto* e = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory* f = gst_element_get_factory(e);
            if (f && g_str_equal(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), factory)) {
                found = gst::Ref(e);
            }
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(it.get());
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    return found;
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
    const auto synthesiser = [&] { return findElement(s.Pipeline()->Playbin(), "fluiddec"); };

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

TEST(GstControl, CallsWithoutAFileFailQuietlyAndAMissingFileIsAnError) {
    GstMediaControl c(nullptr, fakeSinks());
    EXPECT_FALSE(c.Play());
    EXPECT_FALSE(c.Pause());
    EXPECT_FALSE(c.Stop());
    EXPECT_FALSE(c.SetCurrentPosition(2));
    EXPECT_EQ(c.Duration(), 0);
    EXPECT_EQ(c.CurrentPosition(), 0);
    EXPECT_EQ(c.FileName(), "");
    EXPECT_EQ(c.CodecCount(), 0);
    EXPECT_FALSE(c.Open(""));
    EXPECT_FALSE(c.ErrorDescription().isEmpty());
    EXPECT_FALSE(c.SetDisplaySize(DisplaySizeCode(8)));
    EXPECT_TRUE(c.SetDisplaySize(DisplaySizeCode::Double));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::Double);

    // A missing file is an error, not a hang.
    NotificationLog log(c);
    const QString name = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/no such file.mpg");
    if (c.Open(name)) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return log.has("error"); }, 10000));
    }
    EXPECT_FALSE(c.ErrorDescription().isEmpty());
    EXPECT_NE(c.OpenState(), OpenStateCode::Open);
}

} // namespace
