// The GStreamer control on every kind of clip (fake sinks) and the notification order every
// control promises (see MediaControl).
#include "GstTestSupport.h"

#include "player/ClipInfo.h"
#include "player/GstHandles.h"
#include "player/PlaybackSession.h"
#include "player/TransportPanel.h"
#include "player/frmCodecs.h"

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <sys/stat.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Each clip opens paused, described by tags and picture size, and plays from a seek to its end.
TEST(GstControl, EveryKindOpensDescribedAndPlaysFromASeekToItsEnd) {
    REQUIRE_MEDIA("clip.mid");
    const struct {
        const char* name;
        int width;
        int tags; // 1: the title, 2: also the description
    } clips[] = {{"clip.mpg", 320, 0}, {"clip.mpeg", 320, 0}, {"clip.mpe", 320, 0},
                 {"clip.dat", 352, 0}, {"clip.vob", 320, 0},  {"clip.avi", 320, 1},
                 {"clip.asf", 320, 0}, {"clip.wmv", 320, 0},  {"clip.wma", 0, 2},
                 {"clip.mp3", 0, 2},   {"clip.mp2", 0, 0},    {"clip.wav", 0, 2},
                 {"clip.au", 0, 0},    {"clip.mid", 0, 0}};
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
        EXPECT_TRUE(clip.tags < 1 ||
                    c.MediaInfoString(MediaInfoCode::Title) == "Lumadeck test clip");
        EXPECT_TRUE(clip.tags < 2 ||
                    c.MediaInfoString(MediaInfoCode::Description) == "Test pattern and tone");
        EXPECT_EQ(c.MediaInfoString(MediaInfoCode(4242)), "");
        ASSERT_TRUE(c.Play() && waitForState(c, PlayStateCode::Playing));
        ASSERT_TRUE(c.SetCurrentPosition(2.0));
        EXPECT_TRUE(log.events.last().endsWith(">2.0")) << log.str(); // inside the call
        QTest::qWait(100);
        EXPECT_GE(c.CurrentPosition(), 1.9); // really there, or a little after it
        ASSERT_TRUE(waitForState(c, PlayStateCode::Stopped, 8000)) << log.str();
        EXPECT_EQ(c.EndOfPlayPosition(), c.CurrentPosition());
        EXPECT_NEAR(c.CurrentPosition(), c.Duration(), 1e-9);
        EXPECT_EQ(log.events.filter(QRegularExpression("^(open|play|error)")),
                  QStringList({"open 0>6", "play 0>1", "play 1>2", "play 2>0"}));
    }
}

// At the open notification the clip is fully described; the panel under the picture follows the
// position while playing and keeps still while paused; a stop is not the natural end, and playing
// after it starts again.
TEST(GstControl, OpenPauseSeekStopPlayAndEndInOrderWithThePanelFollowing) {
    REQUIRE_MEDIA("clip.mpg");
    GstMediaControl c(nullptr, fakeSinks());
    NotificationLog log(c);
    const auto* panel = c.findChild<TransportPanel*>();
    const auto shown = [panel] { return panel->State().position; };
    QStringList atOpen;
    QObject::connect(&c, &MediaControl::OpenStateChange, [&](auto, auto n) {
        atOpen << QString::number(n == OpenStateCode::Open && c.Duration() > 0) << c.FileName()
               << QStringLiteral("%1 %2x%3")
                      .arg(CodeValue(c.PlayState()))
                      .arg(c.ImageSourceWidth())
                      .arg(c.ImageSourceHeight());
    });
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(waitForState(c, PlayStateCode::Playing)) << c.ErrorDescription().toStdString();
    EXPECT_EQ(atOpen, QStringList({"1", mediaPath("clip.mpg"), "0 320x240"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() >= 1.0; }, 3000)) << shown();

    ASSERT_TRUE(c.Pause() && waitForState(c, PlayStateCode::Paused));
    const double paused = shown(), pausedAt = c.CurrentPosition();
    EXPECT_NEAR(paused, pausedAt, 0.3);
    QTest::qWait(600);
    EXPECT_EQ(shown(), paused);
    EXPECT_NEAR(c.CurrentPosition(), pausedAt, 0.05);
    EXPECT_EQ(panel->State().playState, PlayStateCode::Paused);
    ASSERT_TRUE(c.SetCurrentPosition(0.5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(shown() - 0.5) < 0.05; }, 2000)) << shown();
    ASSERT_TRUE(c.Play());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() >= 1.5; }, 3000)) << shown();

    ASSERT_TRUE(c.Stop() && waitForState(c, PlayStateCode::Stopped)) << log.str();
    EXPECT_NE(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_EQ(c.OpenState(), OpenStateCode::Open);
    ASSERT_TRUE(c.Play() && waitForState(c, PlayStateCode::Playing));
    EXPECT_LT(c.CurrentPosition(), 1.0);
    ASSERT_TRUE(waitForState(c, PlayStateCode::Stopped)) << log.str();
    EXPECT_EQ(c.EndOfPlayPosition(), c.CurrentPosition());
    EXPECT_EQ(log.events.filter(QRegularExpression("^(open|play|error)")),
              QStringList({"open 0>6", "play 0>2", "play 2>1", "play 1>2", "play 2>0", "play 0>2",
                           "play 2>0"}));
}

// The closing notifications still give the old file and its position.
TEST(GstControl, OpeningAnotherFileClosesTheFirstWhileItIsStillDescribed) {
    REQUIRE_MEDIA("clip.wav");
    GstMediaControl c(nullptr, fakeSinks());
    ASSERT_TRUE(c.Open(mediaPath("clip.wav")) && waitForState(c, PlayStateCode::Playing));
    ASSERT_TRUE(c.SetCurrentPosition(1.0));
    QStringList seen;
    const auto log = [&](const char* what, auto o, auto n) {
        seen << QStringLiteral("%1 %2>%3 ").arg(what).arg(CodeValue(o)).arg(CodeValue(n)) +
                    QFileInfo(c.FileName()).fileName() +
                    (c.CurrentPosition() >= 0.9 ? " kept" : " lost");
    };
    QObject::connect(&c, &MediaControl::PlayStateChange,
                     [&](auto o, auto n) { log("play", o, n); });
    QObject::connect(&c, &MediaControl::OpenStateChange,
                     [&](auto o, auto n) { log("open", o, n); });
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 4; }, 10000));
    EXPECT_EQ(seen, QStringList({"play 2>0 clip.wav kept", "open 6>0 clip.wav kept",
                                 "open 0>6 clip.mpg lost", "play 0>2 clip.mpg lost"}));
}

// A missing file may be refused at once or fail later; either way it says why. A broken file is
// taken on and is exactly one format error.
TEST(GstControl, AMissingOrBrokenFileIsOneErrorAndNeverOpens) {
    REQUIRE_MEDIA("broken_text.avi");
    GstMediaControl c(nullptr, fakeSinks()); // calls without a file fail quietly
    EXPECT_FALSE(c.Play() || c.Pause() || c.Stop() || c.SetCurrentPosition(2) || c.Open(""));
    EXPECT_EQ(c.Duration() + c.CurrentPosition() + c.CodecCount(), 0);
    EXPECT_TRUE(!c.SetDisplaySize(DisplaySizeCode(8)) && c.SetDisplaySize(DisplaySizeCode::Double));
    EXPECT_EQ(c.DisplaySize(), DisplaySizeCode::Double);
    NotificationLog log(c);
    for (const QString name : {"no such file.mpg", "broken_empty.mpg", "broken_truncated.avi",
                               "broken_random.mpg", "broken_text.avi"}) {
        SCOPED_TRACE(name.toStdString());
        log.clear();
        const bool broken = name.startsWith("broken");
        const bool taken = c.Open(mediaPath(name));
        if (taken) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return log.has("error"); }, 20000)) << log.str();
        }
        QTest::qWait(200);
        EXPECT_EQ(log.events, taken || broken ? QStringList({"error"}) : QStringList());
        EXPECT_EQ(c.OpenState(), OpenStateCode::Closed);
        EXPECT_TRUE(c.ErrorCode() != 0 && !c.ErrorDescription().isEmpty());
        EXPECT_EQ(c.ErrorDescription().toLower().contains("format"), broken)
            << c.ErrorDescription().toStdString();
        EXPECT_FALSE(c.Play());
    }
}

// A stream whose length is not known when it opens (raw MPEG audio through a pipe) still opens.
TEST(GstControl, AStreamOfUnknownLengthOpensAfterAShortWait) {
    REQUIRE_MEDIA("clip.mp2");
    QTemporaryDir dir;
    const QString pipe = dir.filePath("live.mp2");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QProcess feed; // opening a pipe waits for its reader
    feed.start("sh", {"-c", "cat \"$0\" > \"$1\"", mediaPath("clip.mp2"), pipe});
    GstMediaControl c(nullptr, fakeSinks());
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(pipe));
    EXPECT_TRUE(waitForOpen(c)) << c.ErrorDescription().toStdString();
}

// Each stream names the decoder that plays it and its manual page, in the codec window too.
TEST(GstControl, CodecsNameEveryStream) {
    REQUIRE_MEDIA("clip.asf");
    GstMediaControl c(nullptr, fakeSinks());
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.asf")) && waitForOpen(c));
    ASSERT_EQ(c.CodecCount(), 2);
    frmCodecs window;
    window.LoadListOfCodecs(&c);
    window.LoadListOfCodecs(&c); // an open window keeps its rows
    ASSERT_EQ(window.RowCount(), 2);
    const QString both = window.RowText(0) + " | " + window.RowText(1) + " " + window.RowUrl(0) +
                         " " + c.CodecURL(2);
    for (const char* part :
         {"Windows Media 8", "WMA", "(avdec_wmv2)", "(avdec_wmav2)", "avdec_wmav2.html",
          "https://gstreamer.freedesktop.org/documentation/libav/avdec_wmv2.html"}) {
        EXPECT_TRUE(both.contains(part)) << both.toStdString();
    }
    EXPECT_EQ(window.RowInstalled(1), "Installed");
    EXPECT_TRUE(c.CodecInstalled(1) && c.CodecInstalled(2) && !c.CodecInstalled(0));
    EXPECT_EQ(c.CodecDescription(3) + c.CodecURL(3), "");
    EXPECT_EQ(window.windowTitle(), "List of installed Codecs");
    EXPECT_TRUE(window.findChild<QLabel*>("lblCaption")->font().bold());
}

// MPEG is decoded by libmpeg2 and libmpg123 where installed, not by the general decoder
// library, whose load costs a playing Video CD about 35 MB.
TEST(GstControl, MpegPlaysThroughTheLeanDecoders) {
    REQUIRE_MEDIA("clip.dat");
    GstMediaControl c(nullptr, fakeSinks());
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.dat")) && waitForOpen(c));
    for (const char* name : {"mpeg2dec", "mpg123audiodec"}) {
        if (!gst::ObjectPtr<GstElementFactory>(gst_element_factory_find(name))) {
            GTEST_SKIP() << name << " is not installed";
        }
    }
    const QString both = c.CodecDescription(1) + " | " + c.CodecDescription(2);
    EXPECT_TRUE(both.contains("(mpeg2dec)") && both.contains("(mpg123audiodec)"))
        << both.toStdString();
}

// A list's first entry is opened as it is added and played at once: one open serves both
// (starting over costs the sinks' restart); an open file reopens.
TEST(GstControl, AskingAgainForTheFileStillOpeningKeepsItsOpen) {
    REQUIRE_MEDIA("clip.mpg");
    GstMediaControl c(nullptr, fakeSinks());
    int starts = 0;
    QObject::connect(c.findChild<PlaybackSession*>(), &PlaybackSession::Preparing,
                     [&] { ++starts; });
    c.SetAutoStart(false);
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    c.SetAutoStart(true);
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")) && waitForState(c, PlayStateCode::Playing));
    EXPECT_EQ(starts, 1);
    ASSERT_TRUE(c.Open(mediaPath("clip.mpg")));
    EXPECT_EQ(starts, 2);
}

// The General MIDI sound font (well over 100 MB once read) belongs to the synthesiser element:
// made only for a MIDI file, and released with it once the MIDI file closes, by another file or
// by none (an empty name closes the file, and fails).
TEST(GstControl, TheMidiSynthesiserLivesOnlyWhileAMidiFileIsOpen) {
    REQUIRE_MEDIA("clip.mid");
    PlaybackSession s(fakeSinks());
    gpointer synthesiser = nullptr; // cleared once the element is gone
    for (const auto& [name, midi] : {std::pair{"clip.mpg", false},
                                     {"clip.mid", true},
                                     {"clip.wav", false},
                                     {"clip.mid", true},
                                     {"", false}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(s.Open(*name ? mediaPath(name) : QString()) && QTest::qWaitFor([&] {
                      return s.PlayState() == PlayStateCode::Playing || s.ErrorCode() != 0;
                  }) &&
                      s.ErrorCode() == 0,
                  *name != 0)
            << s.ErrorDescription().toStdString();
        const gst::ElementPtr e = FindElement(s.Pipeline()->Playbin(), "fluiddec");
        ASSERT_EQ(e != nullptr, midi);
        if (e) {
            synthesiser = e.get();
            g_object_add_weak_pointer(G_OBJECT(e.get()), &synthesiser);
        }
        EXPECT_TRUE(midi || QTest::qWaitFor([&] { return !synthesiser; }, 5000));
    }
    EXPECT_EQ(s.OpenState(), OpenStateCode::Closed);
}

// Parsers send a new bit rate many times a second: it is kept, but only a text filled in for the
// first time is news (the window writes it).
TEST(ClipTags, OnlyATextFilledForTheFirstTimeIsNews) {
    ASSERT_TRUE(GstMediaControl::InitEngine());
    ClipInfo info;
    const gst::TagListPtr rate(gst_tag_list_new(GST_TAG_BITRATE, 128000u, nullptr));
    const gst::TagListPtr named(
        gst_tag_list_new(GST_TAG_TITLE, "First", GST_TAG_BITRATE, 96000u, nullptr));
    const gst::TagListPtr renamed(
        gst_tag_list_new(GST_TAG_TITLE, "Second", GST_TAG_COPYRIGHT, "(c) us", nullptr));
    EXPECT_FALSE(ApplyTags(info, nullptr) || ApplyTags(info, rate.get()));
    EXPECT_EQ(info.bitrate, 128000u);
    EXPECT_TRUE(ApplyTags(info, named.get()) && ApplyTags(info, renamed.get()));
    EXPECT_FALSE(ApplyTags(info, renamed.get()));
    EXPECT_EQ(std::tuple(info.title, info.copyright, info.bitrate),
              std::tuple(QString("First"), QString("(c) us"), 96000u));
}

} // namespace
