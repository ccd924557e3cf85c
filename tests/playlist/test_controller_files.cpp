// Loading and saving playlists through the controller, with real files.
#include "PlayListTestSupport.h"
#include "playlist/M3UFile.h"

#include <QDir>
#include <unistd.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class PlayListFiles : public PlayListTest {
protected:
    void SetUp() override {
        PlayListTest::SetUp();
        control.DefaultMedia.duration = 600;
        a = media("one.mpg");
        b = media("two.mpg");
        c = media("three.mpg");
    }
    void TearDown() override {
        M3UFile::SetBeforeReplaceHook({});
        PlayListTest::TearDown();
    }
    // A playlist of the three files whose index-th entry plays at position.
    void playThree(long index, double position) {
        for (const QString& f : {a, b, c}) {
            list->Add(f, true);
        }
        list->PlayVideoByIndex(index, 0);
        control.Advance(position);
    }
    // A fresh controller on the same control, as after a restart.
    void restart(bool saveVideoPosition = true) {
        list.reset();
        events.clear();
        control.calls.clear();
        list = std::make_unique<clsPlayList>();
        list->cPlay().SetMediaPlayer(&control);
        list->SetWindowHost(&host);
        list->SetOptions({[saveVideoPosition] { return saveVideoPosition; }, {}});
        listen(*list);
    }
    QByteArray crlf(const QStringList& lines) const {
        QByteArray out;
        for (const QString& l : lines) {
            out += l.toUtf8() + "\r\n";
        }
        return out;
    }
    QString a, b, c;
};

TEST_F(PlayListFiles, SavedWhileTheSecondEntryPlaysResumesThere) {
    const QString path = dir.filePath("list.m3u");
    playThree(1, 75);
    list->Add(a, true); // edited, so the save clears the modified flag
    ASSERT_TRUE(list->IsModified());

    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(contentsOf(path), crlf({"#EXTM3U", "#Last:1,75", a, b, c, a}));
    EXPECT_EQ(list->PlayListFileName(), path);
    EXPECT_FALSE(list->IsModified());
    EXPECT_TRUE(dialogs.boxes.isEmpty());

    restart();
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(), QStringList({a, b, c, a}));
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    EXPECT_EQ(control.FileName(), b);
    EXPECT_EQ(control.CurrentPosition(), 75);
    EXPECT_EQ(control.PlayState(), MediaControl::PlayStatePlaying);
    // A saved playlist's entries do not look up their own saved positions.
    EXPECT_FALSE(list->cPlay().bAttemptResume());
    EXPECT_EQ(list->PlayListFileName(), path);
    EXPECT_FALSE(list->IsModified());
}

TEST_F(PlayListFiles, FirstEntryPlayingWritesIndexZeroAndReloadsFromTheStart) {
    const QString path = dir.filePath("first.m3u");
    playThree(0, 20.5);
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(contentsOf(path), crlf({"#EXTM3U", "#Last:0,20.5", a, b, c}));

    restart();
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(control.CurrentPosition(), 0);
    EXPECT_FALSE(control.calls.join('|').contains("SetCurrentPosition"));
}

TEST_F(PlayListFiles, NoResumeLineWhenPlayedToTheEndOrNothingMatches) {
    const QString path = dir.filePath("list.m3u");
    playThree(2, 0);
    control.ReachEnd(); // the last entry played to its very end
    ASSERT_EQ(list->CurrentFileIndex(), 3);
    ASSERT_TRUE(list->SavePlayList(path));
    // Saving found the index again: the last entry, played out.
    EXPECT_EQ(contentsOf(path), crlf({a, b, c}));

    // The player holds a file that is not in the list.
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0);
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(contentsOf(path), crlf({a, b, c}));
    EXPECT_EQ(list->CurrentFileIndex(), -1);

    // The last entry, stopped short of its end, does get the line.
    list->PlayVideoByIndex(2, 0);
    control.Advance(10);
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(contentsOf(path), crlf({"#EXTM3U", "#Last:2,10", a, b, c}));
}

TEST_F(PlayListFiles, ResumeIsSkippedWithTheOptionOffOrAnIndexBeyondTheList) {
    const QString path = dir.filePath("list.m3u");
    write(path, crlf({"#EXTM3U", "#Last:2,30", a, b, c}));
    restart(false);
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(control.CurrentPosition(), 0);

    write(path, crlf({"#Last:3,30", a, b, c}));
    restart(true);
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(control.CurrentPosition(), 0);
}

TEST_F(PlayListFiles, ReadingOddlyShapedFiles) {
    const QString path = dir.filePath("odd.m3u");
    // Lone CRs, blank lines, spaces, other programs' lines, capitals.
    write(path, "  " + a.toUtf8() + "  \r\r\n#EXTINF:10,Title\r  \r\n#LAST:  2 , 12.5 \r" +
                    b.toUtf8() + "\r" + c.toUtf8() + "\r" + b.toUtf8());
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(), QStringList({a, b, c, b}));
    EXPECT_EQ(list->CurrentFileIndex(), 2);
    EXPECT_EQ(control.FileName(), c);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 12.5);

    // Line feeds only: one single line, which here starts with "#".
    write(path, "#EXTM3U\n" + a.toUtf8() + "\n" + b.toUtf8() + "\n");
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(list->PlayListFileName(), path);

    // A resume line without a comma says nothing.
    write(path, crlf({"#Last:2", a, b, c}));
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
}

TEST_F(PlayListFiles, LoadReportsEventsLikeAddsThenPlays) {
    const QString path = dir.filePath("list.m3u");
    write(path, crlf({"#EXTM3U", "#Last:1,5", a, b}));
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(only({"VideoOpened", "FirstFileAddedToPlaylist"}),
              QStringList({"VideoOpened " + a, "FirstFileAddedToPlaylist " + a}));
    EXPECT_EQ(events.filter("VideoStart " + b).size(), 2); // asked for, then started
}

TEST_F(PlayListFiles, UnreadablePlaylistsChangeNothing) {
    playThree(1, 10);
    const auto unchanged = [&] {
        EXPECT_EQ(entries(), QStringList({a, b, c}));
        EXPECT_EQ(list->CurrentFileIndex(), 1);
        EXPECT_EQ(control.FileName(), b);
        EXPECT_EQ(list->PlayListFileName(), "");
        EXPECT_TRUE(list->IsModified());
    };
    EXPECT_FALSE(list->LoadPlayList(dir.filePath("nothere.m3u")));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Lumadeck: Error loading playlist");
    EXPECT_EQ(dialogs.boxes[0].text, "Error: Cannot load playlist: No such file or directory");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Critical);
    unchanged();

    EXPECT_FALSE(list->LoadPlayList(dir.path()));
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot load playlist: Is a directory");
    unchanged();

    // A file its user may not read (root reads everything, so the test
    // steps down to an ordinary user for the attempt).
    const QString locked = dir.filePath("locked.m3u");
    write(locked, crlf({a}));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const uid_t euid = ::geteuid();
    if (euid == 0) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    const bool loaded = list->LoadPlayList(locked);
    if (euid == 0) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot load playlist: Permission denied");
    unchanged();
}

TEST_F(PlayListFiles, UnwritablePlaylistsChangeNothing) {
    playThree(1, 10);
    const QString path = dir.filePath("list.m3u");
    ASSERT_TRUE(list->SavePlayList(path));
    list->Add(c, true);
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0); // a save would find index -1

    const auto unchanged = [&] {
        EXPECT_EQ(list->PlayListFileName(), path);
        EXPECT_TRUE(list->IsModified());
        EXPECT_EQ(list->CurrentFileIndex(), 1);
    };
    EXPECT_FALSE(list->SavePlayList(dir.filePath("no/such/folder/list.m3u")));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Lumadeck: Error saving playlist");
    EXPECT_EQ(dialogs.boxes[0].text, "Error: Cannot save playlist: No such file or directory");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Critical);
    unchanged();
    EXPECT_FALSE(list->SavePlayList("/sys/lumadeck-list.m3u"));
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot save playlist: Permission denied");
    unchanged();
}

TEST_F(PlayListFiles, InterruptedSaveKeepsTheOldPlaylistWhole) {
    const QString path = dir.filePath("list.m3u");
    playThree(1, 10);
    ASSERT_TRUE(list->SavePlayList(path));
    const QByteArray before = contentsOf(path);
    list->Remove(a);
    M3UFile::SetBeforeReplaceHook([](const QString&) { return ENOSPC; });
    EXPECT_FALSE(list->SavePlayList(path));
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot save playlist: No space left on device");
    EXPECT_EQ(contentsOf(path), before);
    EXPECT_TRUE(list->IsModified());
    EXPECT_EQ(QDir(dir.path()).entryList({"list.m3u*", ".list.m3u*"}, QDir::Files | QDir::Hidden),
              QStringList({"list.m3u"}));

    restart();
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(), QStringList({a, b, c}));
    EXPECT_EQ(list->CurrentFileIndex(), 1);
}

TEST_F(PlayListFiles, CleanupSavesLoadedListsAskingWhenEdited) {
    const QString path = dir.filePath("list.m3u");
    playThree(0, 0);

    // Never saved: nothing is asked and nothing written.
    list->Cleanup();
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    EXPECT_FALSE(QFile::exists(path));

    // Loaded and untouched: rewritten silently with the current position.
    ASSERT_TRUE(list->SavePlayList(path));
    list->PlayVideoByIndex(2, 0);
    control.Advance(42);
    list->Cleanup();
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    EXPECT_EQ(contentsOf(path), crlf({"#EXTM3U", "#Last:2,42", a, b, c}));

    // Edited: asked first; No leaves the file, Yes saves it.
    list->Remove(c);
    dialogs.answers.push_back(MsgAnswer::No);
    list->Cleanup();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Save Playlist");
    EXPECT_EQ(dialogs.boxes[0].text,
              "Playlist list.m3u has been modified.\r\nWould you like to save it?");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Question);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(contentsOf(path), crlf({"#EXTM3U", "#Last:2,42", a, b, c}));

    dialogs.answers.push_back(MsgAnswer::Yes);
    list->Cleanup();
    EXPECT_EQ(dialogs.boxes.size(), 2);
    // The playing file is no longer in the list: no resume line.
    EXPECT_EQ(contentsOf(path), crlf({a, b}));
    EXPECT_FALSE(list->IsModified());
}

TEST_F(PlayListFiles, CleanupUnloadsAShownWindow) {
    list->ShowPlayList();
    events.clear();
    list->Cleanup();
    EXPECT_EQ(host.unloads, 1);
    EXPECT_FALSE(host.IsLoaded());
    EXPECT_FALSE(list->bPLShown());
    // Once from the window's own unload, once from the controller.
    EXPECT_EQ(events, QStringList({"PlaylistHidden", "PlaylistHidden"}));
}

TEST_F(PlayListFiles, LoadingWithTheWindowShownRefillsItOnce) {
    QStringList names;
    for (int i = 0; i < 300; ++i) {
        names << (i == 0 ? a : dir.filePath(QStringLiteral("entry%1.mpg").arg(i)));
    }
    const QString path = dir.filePath("big.m3u");
    write(path, M3UFile::Serialize(names, M3UFile::ResumePoint{0, 0}));
    list->ShowPlayList();
    RecordingWindow& w = *host.loaded();
    w.reloads = 0;
    w.calls.clear();

    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_LE(w.reloads, 2);
    // The window showed the whole list when the current entry was marked.
    EXPECT_EQ(w.calls.filter("Reload"), QStringList({"Reload 300", "Reload 300"}));
    EXPECT_EQ(w.calls.last(), "SetCurrent 0");
    EXPECT_EQ(w.rows.size(), 300);
    EXPECT_EQ(w.selected, 0);
    EXPECT_EQ(events.count("FirstFileAddedToPlaylist " + a), 1);

    // An empty playlist still empties the window.
    write(path, "");
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_TRUE(w.rows.isEmpty());
}
