// The playlist controller on a simulated control and real files; the M3U reader and writer.
#include "cd/FileNames.h"
#include "platform/Services.h"
#include "playlist/DroppedFiles.h"
#include "playlist/M3UFile.h"
#include "playlist/clsPlayList.h"
#include "testing/RecordingDialogs.h"
#include "testing/RecordingPlayListWindow.h"
#include "testing/RecordingPositionStore.h"
#include "testing/SignalRecorder.h"
#include "testing/SimulatedMediaControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Runs a step as an ordinary user, so that file permissions apply to root too.
void asOrdinaryUser(const std::function<void()>& step) {
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::seteuid(65534) == 0);
    step();
    ASSERT_TRUE(!root || ::seteuid(0) == 0);
}

class PlayListTest : public ::testing::Test, protected SignalRecorder {
protected:
    void SetUp() override {
        Services::setDialogs(&dialogs);
        control.DefaultMedia.duration = 600;
        restart();
        a = media("one.mpg");
        b = media("two.mpg");
        c = media("three.mpg");
        path = dir.filePath("list.m3u");
    }
    void TearDown() override {
        list.reset();
        Services::setDialogs(nullptr);
    }
    // A fresh controller on the same control, as after a restart of the program.
    void restart(bool saveVideoPosition = true, bool thinClient = false) {
        list.reset();
        events.clear();
        control.calls.clear();
        list = std::make_unique<clsPlayList>();
        list->cPlay().SetMediaPlayer(&control);
        list->SetWindowHost(&host);
        list->SetOptions({[=] { return saveVideoPosition; }, [=] { return thinClient; }});
        using P = clsPlayList;
        record(list.get(), &P::Done, "Done");
        record(list.get(), &P::VideoOpened, "VideoOpened");
        record(list.get(), &P::VideoStart, "VideoStart");
        record(list.get(), &P::VideoDone, "VideoDone");
        record(list.get(), &P::VideoPaused, "VideoPaused");
        record(list.get(), &P::VideoStopped, "VideoStopped");
        record(list.get(), &P::PositionChanged, "PositionChanged");
        record(list.get(), &P::FileNotFound, "FileNotFound");
        record(list.get(), &P::StatusMessage, "StatusMessage");
        record(list.get(), &P::ErrorMsg, "ErrorMsg");
        record(list.get(), &P::FirstFileAddedToPlaylist, "FirstFileAddedToPlaylist");
        record(list.get(), &P::PlaylistShown, "PlaylistShown");
        record(list.get(), &P::PlaylistHidden, "PlaylistHidden");
    }
    // Restarted, then the saved playlist loaded.
    bool reopen(bool saveVideoPosition = true) {
        restart(saveVideoPosition);
        return list->LoadPlayList(path);
    }
    void playAt(long index, double seconds) {
        list->PlayVideoByIndex(index, 0);
        control.Advance(seconds);
    }
    QString media(const QString& name) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::Append));
        return f.fileName();
    }
    QString missing(const QString& name) const { return dir.filePath(name); }
    void add(const QStringList& files) {
        for (const QString& f : files) {
            list->Add(f, true);
        }
    }
    // The three files, the index-th playing at position seconds.
    void playThree(long index, double position) {
        add({a, b, c});
        playAt(index, position);
    }
    QStringList entries() const {
        QStringList out;
        for (const auto& e : list->cFiles()) {
            out << e->szFileName();
        }
        return out;
    }
    // The log lines of the named signals only.
    QStringList only(const QStringList& names) const {
        return events.filter(QRegularExpression("^(" + names.join('|') + ")( |$)"));
    }
    static QByteArray lines(const QStringList& l) { return (l.join("\r\n") + "\r\n").toUtf8(); }
    QByteArray file() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    // The playlist file after a save to it, or after the program's cleanup.
    QByteArray saved() { return list->SavePlayList(path) ? file() : QByteArray("<not saved>"); }
    QByteArray cleanedUp() {
        list->Cleanup();
        return file();
    }
    void write(const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QTemporaryDir dir;
    RecordingDialogs dialogs;
    SimulatedMediaControl control;
    RecordingWindow host;
    std::unique_ptr<clsPlayList> list;
    QString a, b, c, path;
};

} // namespace

TEST_F(PlayListTest, PlayVideoOnAFreshControllerOpensAddsThenStarts) {
    RecordingPositionStore store;
    list->cPlay().SetPositionStore(&store);
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued); // as the real control
    list->PlayVideo(a);
    EXPECT_EQ(events, QStringList({"VideoOpened " + a, "FirstFileAddedToPlaylist " + a,
                                   "VideoStart " + a}));
    EXPECT_EQ(entries(), QStringList({a}));
    events.clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(events, QStringList({"VideoStart " + a}));
    EXPECT_EQ(list->CurrentFileName(), a);
    EXPECT_EQ(control.PlayState(), PlayStateCode::Playing);
    EXPECT_EQ(store.restored, QStringList({a})); // a single file resumes
    list->cPlay().SetPositionStore(nullptr);
}

TEST_F(PlayListTest, AddOpensOnlyWhenNothingInTheListIsLoaded) {
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

    // Entries added before the control reports a file open do not each open.
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

TEST_F(PlayListTest, DroppedMediaJoinTheListAndADroppedPlaylistLoads) {
    DroppedFiles::Open(*list, {a, b});
    EXPECT_EQ(entries(), QStringList({a, b}));
    EXPECT_EQ(control.FileName(), a);
    write(lines({c}));
    DroppedFiles::Open(*list, {path, a});
    EXPECT_EQ(entries(), QStringList({c, a}));
    EXPECT_EQ(list->PlayListFileName(), path);
}

TEST_F(PlayListTest, EndOfTheList) {
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

TEST_F(PlayListTest, MissingEntriesAreSkippedAlsoWithAControlThatAnswersLater) {
    const QString gone = missing("gone.mpg"), d = media("d.mpg");
    add({a, b, gone, d});
    list->PlayVideoByIndex(1, 0);
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(only({"VideoDone", "FileNotFound", "Done"}),
              QStringList({"VideoDone " + b, "FileNotFound " + gone, "VideoDone " + gone}));
    EXPECT_EQ(list->CurrentFileIndex(), 3);
    EXPECT_EQ(control.FileName(), d);
    EXPECT_EQ(control.calls.count("Open " + gone), 0);

    // Several in a row, then a missing last entry: the list ends, Done once.
    add({missing("e.mpg"), missing("f.mpg"), missing("g.mpg")});
    events.clear();
    control.ReachEnd();
    EXPECT_EQ(events.filter("FileNotFound").size(), 3);
    EXPECT_EQ(events.count("Done"), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 7);

    // A disc not in its drive: 50,000 missing entries in a row must not overflow the stack.
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

    // With a control that answers later.
    list->Clear();
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued);
    add({a, missing("gone.mpg"), c});
    list->PlayVideoByIndex(0, 0);
    QCoreApplication::processEvents();
    control.ReachEnd();
    QCoreApplication::processEvents();
    EXPECT_EQ(control.FileName(), c);
    EXPECT_EQ(control.PlayState(), PlayStateCode::Playing);
    EXPECT_EQ(list->CurrentFileIndex(), 2);
    // Saving finds the entry that is opening or playing, not a stale one.
    ASSERT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(list->CurrentFileIndex(), 2);
}

TEST_F(PlayListTest, MovingKeepsTheIndexOnThePlayingEntryRemovingDoesNot) {
    const QStringList f{a, b, c, media("d.mpg"), media("e.mpg")};
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

    // Removing an entry above the playing one leaves the index; the entry then there plays next.
    list->Clear();
    add({a, b, c});
    list->PlayVideoByIndex(1, 0);
    list->Remove(a.toUpper()); // letter case is ignored
    EXPECT_EQ(entries(), QStringList({b, c}));
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    control.ReachEnd();
    EXPECT_EQ(control.FileName(), c);
    EXPECT_EQ(list->CurrentFileIndex(), 1);
}

TEST_F(PlayListTest, PlaylistWindow) {
    // The flag raises its signal even when it does not change.
    list->SetbPLShown(false);
    EXPECT_EQ(events, QStringList({"PlaylistHidden"}));
    add({a});
    EXPECT_EQ(host.loads, 0); // not told anything while hidden

    list->ShowPlayList();
    ASSERT_TRUE(host.IsLoaded());
    EXPECT_EQ(host.calls,
              QStringList({"ShowPlayList", "Reload 1", "SetCurrent 0", "MoveTo 0,0", "Visible 1"}));
    EXPECT_EQ(events.last(), "PlaylistShown");
    host.calls.clear();
    list->ShowPlayList(); // already shown: restored and focused, not moved
    EXPECT_EQ(host.calls, QStringList({"ShowPlayList", "Reload 1", "SetCurrent 0", "ShowNormal",
                                       "TakeFocus", "Visible 1"}));
    host.calls.clear();
    add({b});
    list->PlayVideoByIndex(1, 0);
    list->Remove(a);
    list->Clear();
    EXPECT_EQ(host.calls.filter("Reload"), QStringList({"Reload 2", "Reload 1", "Reload 0"}));
    EXPECT_TRUE(host.calls.contains("SetCurrent 1"));
    // Every change of the player's state marks the entry that plays.
    add({a, b});
    list->PlayVideoByIndex(1, 0);
    const std::function<void()> steps[] = {[&] { control.Pause(); }, [&] { control.Play(); },
                                           [&] { control.Stop(); }};
    for (const auto& step : steps) {
        host.calls.clear();
        step();
        EXPECT_EQ(host.calls, QStringList{"SetCurrent 1"});
    }

    // With the compact window in use the playlist window stays where it is docked.
    restart(true, true);
    list->ShowPlayList();
    EXPECT_FALSE(host.calls.contains("MoveTo 0,0"));
    EXPECT_EQ(host.loads, 2);
}

TEST_F(PlayListTest, TheResumeLineIsWrittenWhileAnEntryPlaysAndUsedOnLoading) {
    playThree(1, 75);
    add({a}); // a name twice
    EXPECT_EQ(saved(), lines({"#EXTM3U", "#Last:1,75", a, b, c, a}));
    EXPECT_EQ(list->PlayListFileName(), path);
    EXPECT_FALSE(list->IsModified());

    ASSERT_TRUE(reopen());
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

    list->Clear();
    playThree(0, 20.5);
    EXPECT_EQ(saved(), lines({"#EXTM3U", "#Last:0,20.5", a, b, c}));
    ASSERT_TRUE(reopen()); // index 0: the first entry from its start
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(control.CurrentPosition(), 0);

    list->PlayVideoByIndex(2, 0);
    control.ReachEnd(); // played to its very end: no resume line
    EXPECT_EQ(saved(), lines({a, b, c}));
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0); // not in the list: none either
    EXPECT_EQ(saved(), lines({a, b, c}));

    // Option off, or an index beyond the list: the first entry from its start.
    write(lines({"#EXTM3U", "#Last:2,30", a, b, c}));
    ASSERT_TRUE(reopen(false));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(control.CurrentPosition(), 0);
    write(lines({"#Last:3,30", a, b, c}));
    ASSERT_TRUE(reopen());
    EXPECT_EQ(control.FileName(), a);
}

TEST_F(PlayListTest, OddlyShapedFiles) {
    // A byte-order mark, lone CRs, blank lines, spaces (trimmed) and a tab
    // (kept), comments and other programs' lines, capitals, a name twice.
    write("\xEF\xBB\xBF  " + a.toUtf8() + "  \r\r\n#EXTINF:10,Title\r  \r\n#LAST:  2 , 12.5 \r" +
          b.toUtf8() + "\r# " + c.toUtf8() + "\r\n" + c.toUtf8() + "\r" + b.toUtf8() +
          "\r\t/v/tab.mpg\r\xEF\xBB\xBF/v/caf\xC3\xA9.mpg");
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(),
              QStringList({a, b, c, b, "\t/v/tab.mpg", QStringLiteral("\uFEFF/v/café.mpg")}));
    EXPECT_EQ(control.FileName(), c);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 12.5);
}

TEST(M3UFormat, ResumeLine) {
    struct Case {
        const char* text;
        long index;
        double position;
    };
    for (const Case& c : {
             Case{"#Last:1,75", 1, 75},
             {"#last:3,12,25", 3, 12.25},            // a decimal comma
             {"#Last:4,40\r\n#Last:9", 4, 40},       // no comma: nothing
             {"#Last:4,40\r\n#Last:x,50", 4, 50},    // a bad part keeps its value
             {"#Last:4,40\r\n#Last:6,later", 6, 40}, //
             {"#Last:5,5\r\n#Last:-3,-1.5", 0, 0},   // negatives become 0
             {"#Last:2.5,1", 2, 1},                  // halves round to even
             {"#Last:3.5,1", 4, 1},                  //
             {"#Last:1,2\r\n#Last:1e3,nan", 1000, 2},
             {"#Last:2147483647,1", 2147483647, 1}, // the largest index; one more is refused
             {"#Last:1,2\r\n#Last:2147483648,inf", 1, 2},
             {"#Last:1,1.000,5", 1, 0}, // digit grouping is no number
             {"#Last 3,4", 0, 0},       // not the resume line
         }) {
        const auto read = M3UFile::Parse(c.text);
        EXPECT_EQ(read.lastIndex, c.index) << c.text;
        EXPECT_DOUBLE_EQ(read.lastPosition, c.position) << c.text;
    }
}

TEST(M3UFormat, WritingUsesCrLfUtf8AndADecimalPointReadingAnyLineEnd) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(M3UFile::Serialize({QStringLiteral("/v/é.mpg")}, M3UFile::ResumePoint{1, 1234.25}),
              QByteArray("#EXTM3U\r\n#Last:1,1234.25\r\n/v/\xC3\xA9.mpg\r\n"));
    QLocale::setDefault(before);
    EXPECT_EQ(M3UFile::FormatPosition(0.1 + 0.2), "0.3");
    EXPECT_EQ(M3UFile::FormatPosition(-0.0), "0");
    // A first name that starts with a byte-order mark keeps it.
    const QStringList odd{QStringLiteral("\uFEFFodd.mpg")};
    EXPECT_EQ(M3UFile::Parse(M3UFile::Serialize(odd, std::nullopt)).names, odd);
    // Any of the three line ends, mixed, and a last line without one.
    EXPECT_EQ(M3UFile::Parse("/v/a.mpg\n\n/v/b.mpg\r\n/v/c.mpg\r/v/d.mpg").names,
              QStringList({"/v/a.mpg", "/v/b.mpg", "/v/c.mpg", "/v/d.mpg"}));
}

TEST_F(PlayListTest, FailuresShowTheSystemsReasonAndChangeNothing) {
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
    EXPECT_EQ(dialogs.boxes[0].text, "Error: Cannot load playlist: No such file or directory");
    unchanged("No such file or directory");
    EXPECT_FALSE(list->LoadPlayList(dir.path()));
    unchanged("Is a directory");
    // A named pipe without a writer must not hang the program.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    EXPECT_FALSE(list->LoadPlayList(dir.filePath("pipe")));
    unchanged("Invalid argument");
    // A file its user may not read, in a folder its user may not write to.
    write(lines({a}));
    const QString locked = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(locked));
    for (const auto& [name, mode] : {std::pair{path, 0}, {locked, 0555}, {dir.path(), 0755}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), mode_t(mode)), 0);
    }
    asOrdinaryUser([&] { EXPECT_FALSE(list->LoadPlayList(path)); });
    unchanged("Permission denied");
    // Over 64 MiB, sparse files that take no disk space.
    for (const qint64 size : {M3UFile::MaxFileSize + 1, qint64(8) << 30}) {
        QFile big(dir.filePath(QStringLiteral("big%1.m3u").arg(size)));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(size));
        big.close();
        EXPECT_FALSE(list->LoadPlayList(big.fileName()));
        EXPECT_TRUE(
            dialogs.boxes.last().text.startsWith("Error: Cannot load playlist: File too large"));
        EXPECT_EQ(entries(), QStringList({a, b, c}));
        EXPECT_EQ(control.FileName(), b);
    }

    // Saving: a save would find index -1 here, which must not stick.
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0);
    EXPECT_FALSE(list->SavePlayList(dir.filePath("no/such/folder/list.m3u")));
    EXPECT_EQ(dialogs.boxes.last().title, "Lumadeck: Error saving playlist");
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot save playlist: No such file or directory");
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    EXPECT_FALSE(list->SavePlayList(dir.path()));
    EXPECT_EQ(dialogs.boxes.last().text.section(": ", 2), "Is a directory");
    asOrdinaryUser([&] { EXPECT_FALSE(list->SavePlayList(locked + "/list.m3u")); });
    EXPECT_EQ(dialogs.boxes.last().text.section(": ", 2), "Permission denied");
    EXPECT_EQ(list->PlayListFileName(), "");
    EXPECT_TRUE(list->IsModified());
}

TEST_F(PlayListTest, InterruptedSaveKeepsTheOldPlaylistWhole) {
    playThree(1, 10);
    ASSERT_TRUE(list->SavePlayList(path));
    // A new file gets ordinary permissions, not those of a temporary file.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    const QByteArray before = file();
    list->Remove(a);

    // A file size limit kills the program with SIGXFSZ halfway through the write, as a crash would.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit tiny{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        list->SavePlayList(path);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(file(), before);

    // The same limit with the signal ignored: the write fails as on a full disk.
    {
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        const rlimit tiny{16, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        const bool saved16 = list->SavePlayList(path);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(saved16);
    }
    EXPECT_EQ(dialogs.boxes.last().text, "Error: Cannot save playlist: File too large");
    EXPECT_EQ(file(), before);
    EXPECT_TRUE(list->IsModified());
    EXPECT_EQ(QDir(dir.path()).entryList({"*.m3u*"}, QDir::Files | QDir::Hidden),
              QStringList({"list.m3u"}));
    ASSERT_TRUE(reopen());
    EXPECT_EQ(entries(), QStringList({a, b, c}));
}

TEST_F(PlayListTest, CleanupSavesLoadedListsAskingWhenEdited) {
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
    playAt(2, 42);
    list->Cleanup(); // untouched: rewritten silently with the current position
    EXPECT_TRUE(dialogs.boxes.isEmpty());
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:2,42", a, b, c}));

    list->Remove(c); // edited: asked first
    dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
    list->Cleanup();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:2,42", a, b, c}));
    EXPECT_EQ(cleanedUp(), lines({a, b}));
}

TEST_F(PlayListTest, SavingWhereAFileMayNotBeReplacedWritesItInPlace) {
    playThree(1, 10);
    constexpr uid_t user = 65534;
    // An ordinary user's view of the folders below.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    struct Case {
        const char* name;
        mode_t folderMode;
        uid_t fileOwner;
        mode_t fileMode;
        bool replaced; // atomically, by a new file
    };
    for (const Case& k : {
             Case{"own file, own folder", 0755, user, 0640, true},
             {"own file, folder not writable", 0555, user, 0640, false},
             {"another user's file open to all", 0755, 0, 0666, false},
         }) {
        SCOPED_TRACE(k.name);
        const QString folder = dir.filePath(k.name);
        const QString target = folder + "/list.m3u";
        ASSERT_TRUE(QDir().mkpath(folder));
        {
            QFile f(target);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("old\r\n");
        }
        const QByteArray folderName = QFile::encodeName(folder);
        const QByteArray targetName = QFile::encodeName(target);
        ASSERT_EQ(::chown(folderName.constData(), user, 0), 0);
        ASSERT_EQ(::chmod(folderName.constData(), k.folderMode), 0);
        ASSERT_EQ(::chown(targetName.constData(), k.fileOwner, 0), 0);
        ASSERT_EQ(::chmod(targetName.constData(), k.fileMode), 0);
        struct stat before {};
        ASSERT_EQ(::stat(targetName.constData(), &before), 0);

        bool saved = false;
        asOrdinaryUser([&] { saved = list->SavePlayList(target); });
        EXPECT_TRUE(saved);
        struct stat after {};
        ASSERT_EQ(::stat(targetName.constData(), &after), 0);
        EXPECT_EQ(after.st_ino != before.st_ino, k.replaced);
        EXPECT_EQ(after.st_uid, k.fileOwner);
        EXPECT_EQ(after.st_mode & 07777, k.fileMode);
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), lines({"#EXTM3U", "#Last:1,10", a, b, c}));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"list.m3u"}));
    }
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(PlayListTest, QuietSaveAtExitChangesOnlyTheResumeLine) {
    // Other programs' playlists, their second entry played to 7 s: all kept but the resume line.
    const QByteArray one = a.toUtf8(), two = b.toUtf8();
    const QByteArray latin1 = EncodeFileName(dir.path()) + "/caf\xE9 \xFF.mpg"; // not there
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray after;
    };
    for (const Case& k : {
             Case{"CR LF, titles, a resume line to replace",
                  "#EXTM3U\r\n#EXTINF:61,One\r\n" + one + "\r\n#Last:0,3\r\n#EXTINF:-1,Two\r\n" +
                      two + "\r\n" + latin1 + "\r\n",
                  "#EXTM3U\r\n#EXTINF:61,One\r\n" + one + "\r\n#Last:1,7\r\n#EXTINF:-1,Two\r\n" +
                      two + "\r\n" + latin1 + "\r\n"},
             {"LF only, a header to add the line after",
              "#EXTM3U\n#EXTINF:61,One\n" + one + "\n" + two + "\n  \n# note\n" + latin1,
              "#EXTM3U\n#Last:1,7\n#EXTINF:61,One\n" + one + "\n" + two + "\n  \n# note\n" +
                  latin1},
             {"a byte-order mark and spaces",
              "\xEF\xBB\xBF  " + one + " \r\n  " + two + "\r\n" + latin1 + "\r\n",
              "\xEF\xBB\xBF#EXTM3U\r\n#Last:1,7\r\n  " + one + " \r\n  " + two + "\r\n" + latin1 +
                  "\r\n"},
         }) {
        SCOPED_TRACE(k.name);
        write(k.before);
        ASSERT_TRUE(reopen());
        ASSERT_EQ(entries().value(2), DecodeFileName(latin1));
        playAt(1, 7);
        EXPECT_EQ(cleanedUp(), k.after);
        // Loaded again, it resumes there, with the same names.
        ASSERT_TRUE(reopen());
        EXPECT_EQ(entries(), QStringList({a, b, DecodeFileName(latin1)}));
        EXPECT_EQ(control.FileName(), b);
        EXPECT_EQ(control.CurrentPosition(), 7);
        list->Cleanup(); // nothing to change: the file is left alone
        EXPECT_EQ(file(), k.after);
    }

    // Played to the very end: the resume line goes, the rest stays.
    write("#EXTM3U\n#EXTINF:1,x\n" + one + "\n#Last:1,4\n" + two + "\n");
    ASSERT_TRUE(reopen());
    list->PlayVideoByIndex(1, 0);
    control.ReachEnd();
    EXPECT_EQ(cleanedUp(), "#EXTM3U\n#EXTINF:1,x\n" + one + "\n" + two + "\n");

    // Changed by another program while the list was open: not touched.
    write("#EXTM3U\n" + one + "\n" + two + "\n");
    ASSERT_TRUE(reopen());
    write("#EXTM3U\n" + one + "\n" + two + "\n" + one + "\n");
    playAt(1, 7);
    EXPECT_EQ(cleanedUp(), "#EXTM3U\n" + one + "\n" + two + "\n" + one + "\n");

    // An explicit save writes the program's own format, the names' bytes kept.
    write("#EXTINF:1,x\n" + one + "\n" + latin1 + "\n");
    ASSERT_TRUE(reopen());
    EXPECT_EQ(saved(), "#EXTM3U\r\n#Last:0,0\r\n" + one + "\r\n" + latin1 + "\r\n");
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(PlayListTest, NamesWithLineBreaksAreLeftOutWithOneMessage) {
    // Written as they are, these would forge lines of the file.
    const QString forged = dir.filePath("x.mpg\n#Last:5,0\n/etc/passwd");
    const QString withCr = dir.filePath("cr\r.mpg");
    add({a, forged, b, withCr, c});
    playAt(2, 30);
    EXPECT_TRUE(list->SavePlayList(path));
    // The second entry written is the one playing.
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:1,30", a, b, c}));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    const RecordingDialogs::Box& box = dialogs.boxes[0];
    EXPECT_EQ(box.title, "Lumadeck: Error saving playlist");
    EXPECT_EQ(box.icon, MsgIcon::Warning);
    EXPECT_TRUE(
        box.text.contains(dir.filePath(QStringLiteral("x.mpg\u240A#Last:5,0\u240A/etc/passwd"))))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(dir.filePath(QStringLiteral("cr\u240D.mpg"))))
        << box.text.toStdString();
    // The file does not hold the whole list: it still counts as edited.
    EXPECT_EQ(list->PlayListFileName(), path);
    EXPECT_TRUE(list->IsModified());
    EXPECT_TRUE(M3UFile::Serialize({forged, withCr}, std::nullopt).isEmpty());
}
