// Loading and saving playlists through the controller, with real files.
#include "PlayListTestSupport.h"
#include "playlist/M3UFile.h"

#include <QDir>
#include <sys/stat.h>

using namespace lumadeck;
using namespace lumadeck::test;

class PlayListFiles : public PlayListTest {
protected:
    void SetUp() override {
        PlayListTest::SetUp();
        a = media("one.mpg");
        b = media("two.mpg");
        c = media("three.mpg");
        path = dir.filePath("list.m3u");
    }
    void TearDown() override {
        M3UFile::SetBeforeReplaceHook({});
        PlayListTest::TearDown();
    }
    // The three files, the index-th playing at position seconds.
    void playThree(long index, double position) {
        add({a, b, c});
        list->PlayVideoByIndex(index, 0);
        control.Advance(position);
    }
    QByteArray lines(const QStringList& l) const { return (l.join("\r\n") + "\r\n").toUtf8(); }
    QByteArray file() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    void write(const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QString a, b, c, path;
};

TEST_F(PlayListFiles, SavedWhileTheSecondEntryPlaysResumesThere) {
    playThree(1, 75);
    add({a}); // a name twice
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:1,75", a, b, c, a}));
    EXPECT_EQ(list->PlayListFileName(), path);
    EXPECT_FALSE(list->IsModified());

    restart();
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(), QStringList({a, b, c, a}));
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    EXPECT_EQ(control.FileName(), b);
    EXPECT_EQ(control.CurrentPosition(), 75);
    // The resume line is a saved playlist's only resume point.
    EXPECT_FALSE(list->cPlay().bAttemptResume());
    EXPECT_FALSE(list->IsModified());
    EXPECT_EQ(only({"VideoOpened", "FirstFileAddedToPlaylist"}),
              QStringList({"VideoOpened " + a, "FirstFileAddedToPlaylist " + a}));
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(PlayListFiles, WhenTheResumeLineIsWrittenAndUsed) {
    playThree(0, 20.5);
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:0,20.5", a, b, c}));
    restart();
    ASSERT_TRUE(list->LoadPlayList(path)); // index 0: the first entry from its start
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(control.CurrentPosition(), 0);

    list->PlayVideoByIndex(2, 0);
    control.ReachEnd(); // played to its very end: no resume line
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(file(), lines({a, b, c}));
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0); // not in the list: none either
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(file(), lines({a, b, c}));

    // Option off, or an index beyond the list: the first entry from its start.
    write(lines({"#EXTM3U", "#Last:2,30", a, b, c}));
    restart(false);
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(control.CurrentPosition(), 0);
    write(lines({"#Last:3,30", a, b, c}));
    restart();
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(control.FileName(), a);
}

TEST_F(PlayListFiles, OddlyShapedFiles) {
    // Lone CRs, blank lines, spaces, other programs' lines, capitals.
    write("  " + a.toUtf8() + "  \r\r\n#EXTINF:10,Title\r  \r\n#LAST:  2 , 12.5 \r" + b.toUtf8() +
          "\r" + c.toUtf8() + "\r" + b.toUtf8());
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(), QStringList({a, b, c, b}));
    EXPECT_EQ(control.FileName(), c);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 12.5);
    // Line feeds only: one single line, here starting with "#".
    write("#EXTM3U\n" + a.toUtf8() + "\n" + b.toUtf8() + "\n");
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_TRUE(entries().isEmpty());
    // A resume line without a comma says nothing.
    write(lines({"#Last:2", a, b, c}));
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
}

TEST_F(PlayListFiles, FailuresShowTheSystemsReasonAndChangeNothing) {
    playThree(1, 10);
    const auto unchanged = [&](const char* why) {
        EXPECT_EQ(dialogs.boxes.last().text.section(": ", 2), why);
        EXPECT_EQ(dialogs.boxes.last().icon, MsgIcon::Critical);
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
    unchanged("No such file or directory");
    EXPECT_FALSE(list->LoadPlayList(dir.path()));
    unchanged("Is a directory");
    // A file its user may not read, in a folder its user may not write to.
    write(lines({a}));
    const QString locked = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    for (const auto& [name, mode] : {std::pair{path, 0}, {locked, 0555}, {dir.path(), 0755}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), mode_t(mode)), 0);
    }
    asOrdinaryUser([&] { EXPECT_FALSE(list->LoadPlayList(path)); });
    unchanged("Permission denied");

    // Saving: a save would find index -1 here, which must not stick.
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0);
    EXPECT_FALSE(list->SavePlayList(dir.filePath("no/such/folder/list.m3u")));
    EXPECT_EQ(dialogs.boxes.last().title, "Lumadeck: Error saving playlist");
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot save playlist: No such file or directory");
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    asOrdinaryUser([&] { EXPECT_FALSE(list->SavePlayList(locked + "/list.m3u")); });
    EXPECT_EQ(dialogs.boxes.last().text.section(": ", 2), "Permission denied");
    EXPECT_EQ(list->PlayListFileName(), "");
    EXPECT_TRUE(list->IsModified());
}

TEST_F(PlayListFiles, InterruptedSaveKeepsTheOldPlaylistWhole) {
    playThree(1, 10);
    ASSERT_TRUE(list->SavePlayList(path));
    const QByteArray before = file();
    list->Remove(a);
    // The disk fills up once the new text is in the temporary file.
    M3UFile::SetBeforeReplaceHook([](const QString&) { return ENOSPC; });
    EXPECT_FALSE(list->SavePlayList(path));
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot save playlist: No space left on device");
    EXPECT_EQ(file(), before);
    EXPECT_TRUE(list->IsModified());
    EXPECT_EQ(QDir(dir.path()).entryList({"*.m3u*"}, QDir::Files | QDir::Hidden),
              QStringList({"list.m3u"}));
    restart();
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(), QStringList({a, b, c}));
}

TEST_F(PlayListFiles, CleanupSavesLoadedListsAskingWhenEdited) {
    playThree(0, 0);
    list->ShowPlayList();
    events.clear();
    list->Cleanup(); // never saved: nothing asked, nothing written
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    // A shown window is unloaded (its unload and the controller both say so).
    EXPECT_FALSE(host.IsLoaded());
    EXPECT_EQ(events, QStringList({"PlaylistHidden", "PlaylistHidden"}));

    ASSERT_TRUE(list->SavePlayList(path));
    list->PlayVideoByIndex(2, 0);
    control.Advance(42);
    list->Cleanup(); // untouched: rewritten silently with the current position
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:2,42", a, b, c}));

    list->Remove(c); // edited: asked first
    dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
    list->Cleanup();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Save Playlist");
    EXPECT_EQ(dialogs.boxes[0].text,
              "Playlist list.m3u has been modified.\r\nWould you like to save it?");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Question);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:2,42", a, b, c}));
    list->Cleanup();
    EXPECT_EQ(file(), lines({a, b}));
}

TEST_F(PlayListFiles, LoadingWithTheWindowShownRefillsItOnce) {
    QStringList names{a};
    for (int i = 1; i < 300; ++i) {
        names << dir.filePath(QStringLiteral("entry%1.mpg").arg(i));
    }
    write(M3UFile::Serialize(names, std::nullopt));
    list->ShowPlayList();
    host.window->calls.clear();
    ASSERT_TRUE(list->LoadPlayList(path));
    // Refilled with the whole list before the current entry is marked.
    const QStringList calls = host.window->calls;
    EXPECT_EQ(calls.filter("Reload"), QStringList({"Reload 300", "Reload 300"}));
    for (const QString& call : calls.mid(calls.indexOf("Reload 300"))) {
        EXPECT_TRUE(call == "Reload 300" || call == "SetCurrent 0") << call.toStdString();
    }
    EXPECT_EQ(host.window->rows.size(), 300);
    write(""); // and an empty playlist empties it
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_TRUE(host.window->rows.isEmpty());
}
