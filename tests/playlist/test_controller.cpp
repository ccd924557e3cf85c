#include "PlayListTestSupport.h"

#include <QCoreApplication>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class RecordingStore : public IPositionStore {
public:
    void SavePosition(long, long, MediaControl&) override {}
    void RestorePosition(MediaControl& c) override { restored << c.FileName(); }
    QStringList restored;
};

} // namespace

TEST_F(PlayListTest, PlayVideoOnAFreshControllerOpensAddsThenStarts) {
    RecordingStore store;
    list->cPlay().SetPositionStore(&store);
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued); // as the real control
    const QString a = media("a.mpg");
    list->PlayVideo(a);
    EXPECT_EQ(events, QStringList({"VideoOpened " + a, "FirstFileAddedToPlaylist " + a,
                                   "VideoStart " + a}));
    EXPECT_EQ(entries(), QStringList({a}));
    events.clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(events, QStringList({"VideoStart " + a}));
    EXPECT_EQ(list->CurrentFileName(), a);
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePlaying);
    // A single file resumes at its saved position.
    EXPECT_EQ(store.restored, QStringList({a}));
    list->cPlay().SetPositionStore(nullptr);
}

TEST_F(PlayListTest, AddOpensOnlyWhenNothingInTheListIsLoaded) {
    const QString a = media("a.mpg"), b = media("b.mpg"), c = media("c.mpg");
    list->Add(a, false);
    EXPECT_EQ(events, QStringList({"VideoPaused " + a, "VideoOpened " + a,
                                   "FirstFileAddedToPlaylist " + a}));
    add({b});
    list->PlayNextVideo();
    events.clear();
    control.calls.clear();
    add({c, a});
    EXPECT_TRUE(control.calls.isEmpty() && events.isEmpty()) << events.join('|').toStdString();
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    EXPECT_TRUE(list->IsModified());

    // While the control has not yet reported a file open, adding more
    // entries must not open each of them in turn.
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued);
    list->Clear();
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0);
    control.calls.clear();
    for (int i = 0; i < 20; ++i) {
        list->Add(media(QStringLiteral("clip%1.mpg").arg(i)), false);
    }
    EXPECT_EQ(control.calls.filter("Open ").size(), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 0);
}

TEST_F(PlayListTest, EndOfTheList) {
    const QString a = media("a.mpg"), b = media("b.mpg");
    list->PlayVideo(a);
    add({b});
    control.ReachEnd();
    EXPECT_EQ(control.FileName(), b);
    EXPECT_FALSE(list->cPlay().bAttemptResume()); // only the first entry resumes
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(only({"VideoDone", "Done", "VideoStopped", "VideoStart"}),
              QStringList({"VideoDone " + b, "Done", "VideoStopped " + b}));
    EXPECT_EQ(list->CurrentFileIndex(), 2);
    // From there Prev and Next do nothing; a restart plays the first entry.
    events.clear();
    control.calls.clear();
    list->PlayPrevVideo();
    list->PlayNextVideo();
    EXPECT_TRUE(events.isEmpty() && control.calls.isEmpty());
    list->RestartPlay();
    EXPECT_EQ(control.FileName(), a);
    EXPECT_TRUE(list->cPlay().bAttemptResume());
}

TEST_F(PlayListTest, MissingEntriesAreSkipped) {
    const QString a = media("a.mpg"), b = media("b.mpg"), c = missing("c.mpg"), d = media("d.mpg");
    add({a, b, c, d});
    list->PlayVideoByIndex(1, 0);
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(only({"VideoDone", "FileNotFound", "Done"}),
              QStringList({"VideoDone " + b, "FileNotFound " + c, "VideoDone " + c}));
    EXPECT_EQ(list->CurrentFileIndex(), 3);
    EXPECT_EQ(control.FileName(), d);
    EXPECT_EQ(opens(c), 0);

    // Several in a row, then a missing last entry: the list ends, Done once.
    const QStringList gone{missing("e.mpg"), missing("f.mpg"), missing("g.mpg")};
    add(gone);
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(events.filter("FileNotFound").size(), 3);
    EXPECT_EQ(events.count("Done"), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 7);

    // The playlist of a disc that is not in its drive: tens of thousands of
    // missing entries in a row must not nest until the stack runs out.
    list->Clear();
    add({a});
    for (int i = 0; i < 50000; ++i) {
        list->Add(missing(QStringLiteral("absent/AVSEQ%1.DAT").arg(i)), true);
    }
    list->PlayVideoByIndex(0, 0);
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(events.count("Done"), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 50001);
}

TEST_F(PlayListTest, MissingEntriesWithAControlThatAnswersLater) {
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued);
    const QString a = media("a.mpg"), b = missing("b.mpg"), c = media("c.mpg");
    add({a, b, c});
    list->PlayVideoByIndex(0, 0);
    QCoreApplication::processEvents();
    control.ReachEnd();
    QCoreApplication::processEvents();
    EXPECT_EQ(control.FileName(), c);
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePlaying);
    EXPECT_EQ(list->CurrentFileIndex(), 2);
    // Saving finds the entry that is opening or playing, not a stale one.
    ASSERT_TRUE(list->SavePlayList(dir.filePath("later.m3u")));
    EXPECT_EQ(list->CurrentFileIndex(), 2);
}

TEST_F(PlayListTest, RemovingAnEntryAboveThePlayingOne) {
    const QString a = media("a.mpg"), b = media("b.mpg"), c = media("c.mpg");
    add({a, b, c});
    list->PlayVideoByIndex(1, 0);
    list->Remove(a.toUpper()); // letter case is ignored
    EXPECT_EQ(entries(), QStringList({b, c}));
    EXPECT_EQ(list->CurrentFileIndex(), 1); // not adjusted
    // The entry now at the index plays when the playing file ends.
    control.ReachEnd();
    EXPECT_EQ(control.FileName(), c);
    EXPECT_EQ(list->CurrentFileIndex(), 1);
}

TEST_F(PlayListTest, MovingKeepsTheIndexOnThePlayingEntry) {
    QStringList f;
    for (const char* n : {"a.mpg", "b.mpg", "c.mpg", "d.mpg", "e.mpg"}) {
        f << media(n);
    }
    add(f);
    list->PlayVideoByIndex(2, 0);
    struct Step {
        bool before;
        long from, to;
        QList<int> order;
        long index;
    };
    for (const Step& s : {Step{true, 2, 0, {2, 0, 1, 3, 4}, 0},  // the playing entry up
                          Step{false, 0, 4, {0, 1, 3, 4, 2}, 4}, // and down
                          Step{false, 3, 4, {0, 1, 3, 2, 4}, 3}, // its upper neighbour below it
                          Step{true, 4, 3, {0, 1, 3, 4, 2}, 4},  // its lower neighbour above it
                          Step{false, 0, 1, {1, 0, 3, 4, 2}, 4}, // others swap
                          Step{true, 1, 1, {1, 0, 3, 4, 2}, 4},  // same index: nothing
                          Step{false, -1, 2, {1, 0, 3, 4, 2}, 4}}) {
        s.before ? list->MoveBefore(s.from, s.to) : list->MoveAfter(s.from, s.to);
        QStringList expected;
        for (int i : s.order) {
            expected << f[i];
        }
        EXPECT_EQ(entries(), expected) << s.from << (s.before ? " before " : " after ") << s.to;
        EXPECT_EQ(list->CurrentFileIndex(), s.index);
    }
    // With the player's file not in the list the index stays -1.
    list->cPlay().PlayVideo(media("other.mpg"), 0);
    list->MoveAfter(0, 1);
    EXPECT_EQ(list->CurrentFileIndex(), -1);
}

TEST_F(PlayListTest, PlayerSignalsArePassedOn) {
    const QString a = media("a.mpg");
    list->PlayVideo(a);
    events.clear();
    list->cPlay().Pause();
    list->cPlay().Play();
    list->cPlay().SeekTo(30);
    list->cPlay().StopPlaying();
    control.RaiseError(42, "Something broke");
    EXPECT_EQ(events,
              QStringList({"VideoPaused " + a, "VideoStart " + a, "PositionChanged 0:30 10:00",
                           "VideoStopped " + a, "ErrorMsg Something broke. Error Code: 42"}));
    events.clear();
    list->OpenVideoByIndex(0);
    list->PlayVideoByIndex(1, 0); // out of range: nothing
    EXPECT_EQ(only({"VideoStart", "VideoOpened"}),
              QStringList({"VideoStart " + a, "VideoOpened " + a}));
}

TEST_F(PlayListTest, PlaylistWindow) {
    // The flag raises its signal even when it does not change.
    list->SetbPLShown(false);
    EXPECT_EQ(events, QStringList({"PlaylistHidden"}));
    const QString a = media("a.mpg"), b = media("b.mpg");
    add({a});
    EXPECT_EQ(host.loads, 0); // not told anything while hidden

    list->ShowPlayList();
    RecordingWindow* w = host.window.get();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->calls,
              QStringList({"ShowPlayList", "Reload 1", "SetCurrent 0", "MoveTo 0,0", "Visible 1"}));
    EXPECT_EQ(events.last(), "PlaylistShown");
    w->calls.clear();
    list->ShowPlayList(); // already shown: restored and focused, not moved
    EXPECT_EQ(w->calls, QStringList({"ShowPlayList", "Reload 1", "SetCurrent 0", "ShowNormal",
                                     "TakeFocus", "Visible 1"}));
    w->calls.clear();
    add({b});
    list->PlayVideoByIndex(1, 0);
    list->Remove(a);
    list->Clear();
    EXPECT_EQ(w->calls.filter("Reload"), QStringList({"Reload 2", "Reload 1", "Reload 0"}));
    EXPECT_TRUE(w->calls.contains("SetCurrent 1"));

    // With the compact window in use the playlist window stays where it is docked.
    restart(true, true);
    list->ShowPlayList();
    EXPECT_FALSE(host.window->calls.contains("MoveTo 0,0"));
    EXPECT_EQ(host.loads, 2);
}
