#include "PlayListTestSupport.h"

#include <QCoreApplication>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class RecordingStore : public IPositionStore {
public:
    void SavePosition(long, long newState, MediaControl& c) override {
        calls << QStringLiteral("Save %1 %2").arg(newState).arg(c.FileName());
    }
    void RestorePosition(MediaControl& c) override {
        calls << QStringLiteral("Restore ") + c.FileName();
    }
    QStringList calls;
};

} // namespace

TEST_F(PlayListTest, PlayVideoOnAFreshControllerOpensAddsThenStarts) {
    RecordingStore store;
    list->cPlay().SetPositionStore(&store);
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued);
    const QString a = media("a.mpg");

    list->PlayVideo(a);
    // The controller's own signals, raised before the control answers.
    EXPECT_EQ(events, QStringList({"VideoOpened " + a, "FirstFileAddedToPlaylist " + a,
                                   "VideoStart " + a}));
    // A single file resumes at its saved position.
    EXPECT_TRUE(list->cPlay().bAttemptResume());
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(entries(), QStringList({a}));

    events.clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(events, QStringList({"VideoStart " + a}));
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePlaying);
    EXPECT_TRUE(store.calls.contains("Restore " + a)) << store.calls.join('|').toStdString();
    EXPECT_EQ(list->CurrentFileName(), a);
    list->cPlay().SetPositionStore(nullptr);
}

TEST_F(PlayListTest, AddingWhileAnotherEntryPlaysOpensNothing) {
    const QString a = media("a.mpg"), b = media("b.mpg"), c = media("c.mpg");
    list->PlayVideo(a);
    list->Add(b, true);
    list->PlayNextVideo();
    ASSERT_EQ(control.FileName(), b);
    events.clear();
    control.calls.clear();

    list->Add(c, true);
    list->Add(a, true);
    EXPECT_TRUE(control.calls.isEmpty()) << control.calls.join('|').toStdString();
    EXPECT_TRUE(events.isEmpty()) << events.join('|').toStdString();
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    EXPECT_EQ(entries(), QStringList({a, b, c, a}));
    EXPECT_TRUE(list->IsModified());
}

TEST_F(PlayListTest, AddToAnEmptyListOpensWithoutStarting) {
    const QString a = media("a.mpg"), b = media("b.mpg");
    list->Add(a, false);
    EXPECT_EQ(only({"VideoOpened", "FirstFileAddedToPlaylist", "VideoStart"}),
              QStringList({"VideoOpened " + a, "FirstFileAddedToPlaylist " + a}));
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePaused);
    list->Add(b, false);
    EXPECT_EQ(opens(b), 0);
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(events.count("FirstFileAddedToPlaylist " + a), 1);
}

TEST_F(PlayListTest, AddsWhileTheOpenIsStillPendingOpenOnlyTheFirstFile) {
    // The real control reports the file open later, from the event loop.
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued);
    QStringList files;
    for (int i = 0; i < 20; ++i) {
        files << media(QStringLiteral("clip%1.mpg").arg(i));
        list->Add(files.last(), false);
    }
    EXPECT_EQ(control.calls.filter("Open ").size(), 1);
    EXPECT_EQ(events.filter("VideoOpened").size(), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(control.FileName(), files.first());
}

TEST_F(PlayListTest, EndOfTheList) {
    const QString a = media("a.mpg"), b = media("b.mpg");
    list->PlayVideo(a);
    list->Add(b, true);
    control.ReachEnd();
    EXPECT_EQ(control.FileName(), b);
    EXPECT_EQ(list->CurrentFileIndex(), 1);

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
    EXPECT_TRUE(events.isEmpty());
    EXPECT_TRUE(control.calls.isEmpty());
    EXPECT_EQ(list->CurrentFileIndex(), 2);
    list->RestartPlay();
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    // An unsaved list's first entry resumes; its later entries do not.
    EXPECT_TRUE(list->cPlay().bAttemptResume());
    list->PlayNextVideo();
    EXPECT_FALSE(list->cPlay().bAttemptResume());
}

TEST_F(PlayListTest, MissingEntriesAreSkipped) {
    const QString a = media("a.mpg"), b = media("b.mpg"), c = missing("c.mpg"), d = media("d.mpg");
    for (const QString& f : {a, b, c, d}) {
        list->Add(f, true);
    }
    list->PlayVideoByIndex(1, 0);
    events.clear();
    control.ReachEnd();
    // The missing third entry is reported and the fourth plays.
    EXPECT_EQ(only({"VideoDone", "FileNotFound", "Done"}),
              QStringList({"VideoDone " + b, "FileNotFound " + c, "VideoDone " + c}));
    EXPECT_EQ(list->CurrentFileIndex(), 3);
    EXPECT_EQ(control.FileName(), d);
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePlaying);
    EXPECT_EQ(opens(c), 0);

    // A missing last entry ends the list: Done once, index equal to the count.
    const QString e = missing("e.mpg");
    list->Add(e, true);
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(events.count("Done"), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 5);
    EXPECT_TRUE(events.contains("FileNotFound " + e));
}

TEST_F(PlayListTest, ManyMissingEntriesInARowAreSkippedWithoutDeepNesting) {
    const QString a = media("a.mpg"), e = media("e.mpg");
    const QStringList gone{missing("b.mpg"), missing("c.mpg"), missing("d.mpg")};
    list->Add(a, true);
    for (const QString& f : gone) {
        list->Add(f, true);
    }
    list->Add(e, true);
    list->PlayVideoByIndex(0, 0);
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(events.filter("FileNotFound"),
              QStringList({"FileNotFound " + gone[0], "FileNotFound " + gone[1],
                           "FileNotFound " + gone[2]}));
    for (const QString& f : gone) {
        EXPECT_EQ(events.count("VideoDone " + f), 1) << f.toStdString();
    }
    EXPECT_EQ(list->CurrentFileIndex(), 4);
    EXPECT_EQ(control.FileName(), e);
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePlaying);
    EXPECT_EQ(events.count("Done"), 0);

    // A playlist of a disc that is not in the drive: tens of thousands of
    // missing entries in a row end the list instead of exhausting the stack.
    list->Clear();
    list->Add(a, true);
    for (int i = 0; i < 50000; ++i) {
        list->Add(missing(QStringLiteral("absent/AVSEQ%1.DAT").arg(i)), true);
    }
    list->PlayVideoByIndex(0, 0);
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(events.count("Done"), 1);
    EXPECT_EQ(events.filter("FileNotFound").size(), 50000);
    EXPECT_EQ(list->CurrentFileIndex(), 50001);
}

TEST_F(PlayListTest, RemovingAnEntryAboveThePlayingOne) {
    const QString a = media("a.mpg"), b = media("b.mpg"), c = media("c.mpg");
    for (const QString& f : {a, b, c}) {
        list->Add(f, true);
    }
    list->PlayVideoByIndex(1, 0);
    list->ShowPlayList();
    host.loaded()->calls.clear();

    list->Remove(a.toUpper() == a ? a : a.toUpper()); // letter case is ignored
    EXPECT_EQ(entries(), QStringList({b, c}));
    EXPECT_EQ(list->CurrentFileIndex(), 1); // not adjusted
    EXPECT_TRUE(host.loaded()->calls.contains("Reload 2"));
    // When the playing file ends, the entry now at the index plays from its start.
    control.ReachEnd();
    EXPECT_EQ(control.FileName(), c);
    EXPECT_EQ(list->CurrentFileIndex(), 1);

    list->Remove("/not/in/the/list.mpg");
    EXPECT_EQ(entries(), QStringList({b, c}));
}

TEST_F(PlayListTest, MovingKeepsTheIndexOnThePlayingEntry) {
    QStringList f;
    for (const char* n : {"a.mpg", "b.mpg", "c.mpg", "d.mpg", "e.mpg"}) {
        f << media(n);
        list->Add(f.last(), true);
    }
    list->PlayVideoByIndex(2, 0); // c
    const auto expect = [&](const QStringList& order, long index) {
        EXPECT_EQ(entries(), order);
        EXPECT_EQ(list->CurrentFileIndex(), index);
        EXPECT_EQ(list->cFiles().Item(list->CurrentFileIndex())->szFileName(), f[2]);
    };
    list->MoveBefore(2, 0); // the playing entry up to the top
    expect({f[2], f[0], f[1], f[3], f[4]}, 0);
    list->MoveAfter(0, 4); // and down to the bottom
    expect({f[0], f[1], f[3], f[4], f[2]}, 4);
    list->MoveBefore(3, 0); // an entry above it, moved further up
    expect({f[4], f[0], f[1], f[3], f[2]}, 4);
    list->MoveAfter(3, 4); // its upper neighbour moved below it
    expect({f[4], f[0], f[1], f[2], f[3]}, 3);
    list->MoveBefore(4, 3); // its lower neighbour moved above it
    expect({f[4], f[0], f[1], f[3], f[2]}, 4);
    list->MoveAfter(1, 2); // two entries above it swap
    expect({f[4], f[1], f[0], f[3], f[2]}, 4);

    // Same or out-of-range indexes do nothing, not even set the modified flag.
    ASSERT_TRUE(list->SavePlayList(dir.filePath("moves.m3u")));
    list->MoveBefore(1, 1);
    list->MoveAfter(-1, 2);
    list->MoveAfter(1, 5);
    expect({f[4], f[1], f[0], f[3], f[2]}, 4);
    EXPECT_FALSE(list->IsModified());
    list->MoveAfter(0, 1);
    EXPECT_TRUE(list->IsModified());
}

TEST_F(PlayListTest, MovingWhenThePlayersFileIsNotInTheList) {
    const QString a = media("a.mpg"), b = media("b.mpg"), other = media("other.mpg");
    list->Add(a, true);
    list->Add(b, true);
    list->cPlay().PlayVideo(other, 0); // played behind the controller's back
    list->MoveAfter(0, 1);
    EXPECT_EQ(entries(), QStringList({b, a}));
    EXPECT_EQ(list->CurrentFileIndex(), -1);
    // Adding now opens the new file, since nothing in the list is playing.
    const QString c = media("c.mpg");
    list->Add(c, true);
    EXPECT_EQ(control.FileName(), c);
    EXPECT_EQ(list->CurrentFileIndex(), 0);
}

TEST_F(PlayListTest, OutOfRangeIndexesDoNothing) {
    const QString a = media("a.mpg");
    list->Add(a, true);
    events.clear();
    control.calls.clear();
    list->PlayVideoByIndex(1, 0);
    list->PlayVideoByIndex(-1, 0);
    list->OpenVideoByIndex(7);
    list->SetCurrentFileIndex(3);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_TRUE(control.calls.isEmpty());
    EXPECT_EQ(list->CurrentFileIndex(), 0);

    list->OpenVideoByIndex(0);
    EXPECT_EQ(only({"VideoStart", "VideoOpened"}),
              QStringList({"VideoStart " + a, "VideoOpened " + a}));
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePaused);
}

TEST_F(PlayListTest, PlayerSignalsArePassedOn) {
    const QString a = media("a.mpg");
    list->PlayVideo(a);
    events.clear();
    list->cPlay().Pause();
    list->cPlay().Play();
    list->cPlay().StopPlaying();
    EXPECT_EQ(events, QStringList({"VideoPaused " + a, "VideoStart " + a, "VideoStopped " + a}));

    events.clear();
    list->cPlay().Play();
    list->cPlay().SeekTo(75);
    EXPECT_TRUE(events.contains("PositionChanged 1:15 1:00") ||
                events.filter("PositionChanged").size() == 0);
    control.Script(a, SimulatedMedia{});
    events.clear();
    list->cPlay().SeekTo(30);
    EXPECT_EQ(events.filter("PositionChanged"), QStringList({"PositionChanged 0:30 1:00"}));

    events.clear();
    control.RaiseError(42, "Something broke");
    EXPECT_EQ(events.filter("ErrorMsg"), QStringList({"ErrorMsg Something broke. Error Code: 42"}));
    EXPECT_EQ(dialogs.boxes.size(), 1);
}

TEST_F(PlayListTest, ShownFlagRaisesItsSignalEvenWithoutAChange) {
    list->SetbPLShown(false);
    list->SetbPLShown(false);
    list->SetbPLShown(true);
    list->SetbPLShown(true);
    EXPECT_EQ(events,
              QStringList({"PlaylistHidden", "PlaylistHidden", "PlaylistShown", "PlaylistShown"}));
    EXPECT_TRUE(list->bPLShown());
    list->SetbPLShown(false);
}

TEST_F(PlayListTest, ShowPlayListPlacesOnceThenRestoresAndFocuses) {
    const QString a = media("a.mpg");
    list->Add(a, true);
    list->ShowPlayList();
    ASSERT_TRUE(host.loaded());
    EXPECT_EQ(host.loaded()->attached, list.get());
    EXPECT_EQ(host.loaded()->calls,
              QStringList({"ShowPlayList", "Reload 1", "SetCurrent 0", "MoveTo 0,0", "Visible 1"}));
    EXPECT_EQ(events.last(), "PlaylistShown");

    host.loaded()->calls.clear();
    list->ShowPlayList();
    EXPECT_EQ(host.loaded()->calls, QStringList({"ShowPlayList", "Reload 1", "SetCurrent 0",
                                                 "ShowNormal", "TakeFocus", "Visible 1"}));

    // With the compact window in use the window stays where it was docked.
    list->Cleanup();
    list->SetOptions({{}, [] { return true; }});
    list->ShowPlayList();
    EXPECT_FALSE(host.loaded()->calls.contains("MoveTo 0,0"));
    EXPECT_EQ(host.loads, 2);
}

TEST_F(PlayListTest, WindowIsOnlyToldWhileShown) {
    const QString a = media("a.mpg"), b = media("b.mpg");
    list->Add(a, true);
    list->PlayVideoByIndex(0, 0);
    list->Clear();
    EXPECT_EQ(host.loads, 0); // never loaded while hidden

    list->ShowPlayList();
    RecordingWindow& w = *host.loaded();
    w.calls.clear();
    list->Add(a, true);
    list->Add(b, true);
    list->PlayVideoByIndex(1, 0);
    list->Remove(a);
    list->Clear();
    EXPECT_EQ(w.calls.filter("Reload"),
              QStringList({"Reload 1", "Reload 2", "Reload 1", "Reload 0"}));
    EXPECT_TRUE(w.calls.contains("SetCurrent 1"));

    list->SetbPLShown(false);
    w.calls.clear();
    list->Add(a, true);
    list->PlayVideoByIndex(0, 0);
    EXPECT_TRUE(w.calls.isEmpty());
}
