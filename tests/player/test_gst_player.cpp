// The video player on GStreamer (fake sinks): Video CD tracks read from BIN/CUE
// image sectors, their chapters, and a file name that is not UTF-8.
#include "GstTestSupport.h"
#include "cd/VcdEntries.h"
#include "platform/FileNames.h"
#include "player/Chapters.h"
#include "player/TransportPanel.h"
#include "player/VcdTrackSource.h"

#include <QFile>
#include <QTemporaryDir>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Plays a file from a position to its end; returns the length reported once it started.
double playFrom(RealPlayer& p, const QString& name, double start) {
    p.clear();
    double length = -1;
    QObject::connect(&p.player, &clsPlayVideo::Started, &p.window,
                     [&](const QString&) { length = p.control->Duration(); });
    p.player.PlayVideo(name, start);
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.has("Done " + QFileInfo(name).fileName()); }, 20000))
        << p.str();
    QObject::disconnect(&p.player, &clsPlayVideo::Started, &p.window, nullptr);
    return length;
}

// Each track opens with its source clip's length, starts in the middle when
// asked and ends with Done; a cut-off image ends early and cleanly; a file
// the disc does not hold is not found.
TEST(VcdTracks, TracksPlayAsTheirSourcesACutOneEndsEarlyAMissingOneIsNotFound) {
    REQUIRE_MEDIA("vcd/cut.cue");
    const struct {
        const char* image;
        const char* path;
        const char* source; // the MPEG the track was made from
    } tracks[] = {
        {"vcd/one.cue", "/MPEGAV/AVSEQ01.DAT", "vcd/clip_a.mpg"},
        {"vcd/two.cue", "/MPEGAV/AVSEQ01.DAT", "vcd/clip_a.mpg"},
        {"vcd/two.cue", "/mpegav/avseq02.dat", "vcd/clip_b.mpg"},
        {"vcd/two.bin", "/MPEGAV/AVSEQ02.DAT", "vcd/clip_b.mpg"},
        {"vcd/svcd.cue", "/MPEG2/AVSEQ01.MPG", "vcd/clip_svcd.mpg"},
        {"vcd/data.cue", "/MPEGAV/AVSEQ01.DAT", "vcd/clip_a.mpg"}, // a Mode 1 data CD
    };
    RealPlayer p;
    QMap<QString, double> lengths; // of the sources, each played once
    for (const auto& t : tracks) {
        if (!QFileInfo::exists(mediaPath(t.image))) {
            continue; // an image its tools could not make
        }
        SCOPED_TRACE(t.image + std::string(t.path));
        if (!lengths.contains(t.source)) {
            lengths[t.source] = playFrom(p, mediaPath(t.source), 1);
        }
        const QString name = mediaPath(t.image) + t.path;
        EXPECT_TRUE(PlaybackUri(name).startsWith("lumadeck-vcd:///"));
        EXPECT_NEAR(playFrom(p, name, lengths[t.source] / 2), lengths[t.source], 0.2);
        ASSERT_GT(lengths[t.source], 1.5);
        // The seek to the middle came first, then the start, then the end.
        ASSERT_GE(p.events.size(), 3);
        EXPECT_TRUE(p.events[0].startsWith("PositionChanged ")) << p.str();
        EXPECT_EQ(p.events[1], "Started " + QFileInfo(name).fileName());
    }
    const double cut = playFrom(p, mediaPath("vcd/cut.cue") + "/MPEGAV/AVSEQ02.DAT", 0);
    EXPECT_GT(cut, 0.1);
    EXPECT_LT(cut, lengths["vcd/clip_b.mpg"] - 0.3);
    EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    QStringList notFound;
    QObject::connect(&p.player, &clsPlayVideo::FileNotFound,
                     [&](const QString& f) { notFound << f; });
    const QString missing = mediaPath("vcd/two.cue") + "/MPEGAV/AVSEQ09.DAT";
    p.player.PlayVideo(missing, 0);
    EXPECT_EQ(notFound, QStringList({missing}));
    EXPECT_TRUE(PlaybackUri(mediaPath("vcd/clip_a.mpg")).startsWith("file:///"));
}

// The disc goes away under a playing track (the image cut short): the error box, then Done.
TEST(VcdTracks, ADiscThatCannotBeReadWhilePlayingEndsWithTheErrorBox) {
    REQUIRE_MEDIA("vcd/two.cue");
    QTemporaryDir dir;
    for (const char* f : {"two.cue", "two.bin"}) {
        ASSERT_TRUE(QFile::copy(mediaPath(QStringLiteral("vcd/") + f), dir.filePath(f)));
    }
    RealPlayer p;
    QObject::connect(&p.player, &clsPlayVideo::Started, &p.window, [&](const QString&) {
        QFile(dir.filePath("two.bin")).resize(2352 * 500); // the first track and a bit
    });
    p.player.PlayVideo(dir.filePath("two.cue") + "/MPEGAV/AVSEQ01.DAT", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.has("Done AVSEQ01.DAT"); }, 20000)) << p.str();
    ASSERT_EQ(p.dialogs.boxes.size(), 1) << p.str();
    EXPECT_EQ(p.dialogs.boxes[0].title, "MS Media Player Error");
    EXPECT_EQ(p.events.filter("ErrorMsg").size(), 1);
}

// Page Down and Page Up go to the next and the previous chapter's start.
TEST(Chapters, PageDownAndPageUpGoToTheNextAndThePreviousStart) {
    const QList<double> starts{0.5, 1.7, 2.9, 3.5};
    const struct {
        double position;
        bool forward;
        int to;
    } rows[] = {
        {0.0, true, 0},  {0.5, true, 1},   {1.68, true, 2}, // a seek landing a little short
        {3.6, true, -1}, {0.0, false, -1}, {0.6, false, 0}, // the first chapter: its start
        {1.8, false, 0}, {2.0, false, 0},  {3.5, false, 2},
        {6.6, false, 3}, // well into the last one: back to its start
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ChapterStep(starts, row.position, row.forward), row.to)
            << row.position << (row.forward ? " down" : " up");
    }
    EXPECT_EQ(ChapterStep({}, 1, true), -1);
    EXPECT_EQ(ChapterAt(starts, 2.0), 1);
}

// On a Video CD and a Super Video CD track, the seek bar marks each entry, Page
// Down lands within a frame of each in turn, Page Up just after one goes to the
// one before, and another file forgets them.
TEST(Chapters, PageDownLandsOnEachEntryOfAVideoCdAndASuperVideoCdTrack) {
    REQUIRE_MEDIA("vcd/chapters.cue");
    for (const char* track :
         {"vcd/chapters.cue/MPEGAV/AVSEQ01.DAT", "vcd/chapters_svcd.cue/MPEG2/AVSEQ01.MPG"}) {
        SCOPED_TRACE(track);
        const QList<double> starts = ChaptersOfFile(mediaPath(track));
        ASSERT_EQ(starts.size(), 4);
        QWidget window;
        GstMediaControl control(&window, fakeSinks());
        control.SetAutoStart(false);
        ASSERT_TRUE(control.Open(mediaPath(track)) && waitForOpen(control));
        control.SetChapters(starts);
        EXPECT_EQ(control.findChild<MarkedSlider*>()->Marks().size(), 4);
        const auto landsAt = [&](double seconds) {
            return QTest::qWaitFor(
                [&] { return std::abs(control.CurrentPosition() - seconds) < 0.04; }, 5000);
        };
        for (int i = 1; i < 4; ++i) {
            QTest::keyClick(&control, Qt::Key_PageDown);
            EXPECT_TRUE(landsAt(starts[i])) << i << ": " << control.CurrentPosition();
        }
        QTest::keyClick(&control, Qt::Key_PageUp);
        EXPECT_TRUE(landsAt(starts[2])) << control.CurrentPosition();
        control.Open(mediaPath("vcd/karaoke.mpg"));
        EXPECT_TRUE(control.Chapters().isEmpty());
    }
}

// Sound under a Latin-1 name, a picture under the "?" Qt's encoding makes of
// it: each plays its own file.
TEST(RealPlayer, ANameThatIsNotUtf8PlaysItsOwnFileNotTheQuestionMark) {
    REQUIRE_MEDIA("clip.mp2");
    QTemporaryDir dir;
    const QByteArray latin1 = EncodeFileName(dir.path()) + "/caf\xE9.mpg";
    const QString question = dir.filePath("caf?.mpg");
    ASSERT_TRUE(QFile::copy(mediaPath("clip.mpg"), question));
    {
        QFile in(mediaPath("clip.mp2")), out;
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        FILE* f = std::fopen(latin1.constData(), "wb");
        ASSERT_TRUE(f && out.open(f, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        ASSERT_EQ(out.write(in.readAll()), in.size());
    }
    for (const auto& [name, width] : {std::pair{DecodeFileName(latin1), 0}, {question, 320}}) {
        SCOPED_TRACE(name.toStdString());
        RealPlayer p;
        p.player.PlayVideo(name, 0);
        ASSERT_TRUE(waitForState(*p.control, PlayStateCode::Playing))
            << p.str() << p.control->ErrorDescription().toStdString();
        EXPECT_EQ(p.control->FileName(), name);
        EXPECT_EQ(p.control->ImageSourceWidth(), width);
        EXPECT_NEAR(p.control->Duration(), 3.0, 0.3); // for sound, from this very file's size
        EXPECT_TRUE(p.dialogs.boxes.isEmpty());
    }
}

} // namespace
