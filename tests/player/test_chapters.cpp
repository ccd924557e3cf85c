// Chapters of a Video CD track: where Page Down and Page Up go, and where a
// real track lands when they are pressed.
#include "GstTestSupport.h"
#include "cd/VcdEntries.h"
#include "player/Chapters.h"
#include "player/TransportPanel.h"

using namespace lumadeck;
using namespace lumadeck::test;

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

// Page Down from the start of a track lands within a frame of each entry in
// turn; Page Up just after an entry goes to the one before.
TEST(Chapters, PageDownLandsOnEachEntryOfAVideoCdAndASuperVideoCdTrack) {
    const char* tracks[] = {"vcd/chapters.cue/MPEGAV/AVSEQ01.DAT",
                            "vcd/chapters_svcd.cue/MPEG2/AVSEQ01.MPG"};
    REQUIRE_MEDIA("vcd/chapters.cue");
    for (const char* track : tracks) {
        SCOPED_TRACE(track);
        const QString name = mediaPath(track);
        const QList<double> starts = ChaptersOfFile(name);
        ASSERT_EQ(starts.size(), 4);
        QWidget window;
        GstMediaControl control(&window, fakeSinks());
        control.SetAutoStart(false);
        ASSERT_TRUE(control.Open(name));
        ASSERT_TRUE(waitForOpen(control));
        control.SetChapters(starts);
        // The seek bar marks each one.
        const auto* seekBar = control.findChild<MarkedSlider*>();
        ASSERT_TRUE(seekBar);
        EXPECT_EQ(seekBar->Marks().size(), 4);
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
        // Opening another file forgets them.
        control.Open(mediaPath("vcd/karaoke.mpg"));
        EXPECT_TRUE(control.Chapters().isEmpty());
    }
}
