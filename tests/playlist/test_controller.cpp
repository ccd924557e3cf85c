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
#include <QMetaMethod>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumadeck;
using namespace lumadeck::test;
using enum PlayStateCode;

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
        const auto recordAll = [this](auto... signal) {
            (record(list.get(), signal, QMetaMethod::fromSignal(signal).name()), ...);
        };
        using P = clsPlayList;
        recordAll(&P::VideoOpened, &P::VideoStart, &P::VideoDone, &P::VideoPaused, &P::VideoStopped,
                  &P::FileNotFound, &P::FirstFileAddedToPlaylist, &P::Done, &P::PlaylistShown,
                  &P::PlaylistHidden);
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
    QByteArray file(const QString& name = {}) const {
        QFile f(name.isEmpty() ? path : name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    // The playlist file after a save to it, or after the program's cleanup.
    QByteArray saved() { return list->SavePlayList(path) ? file() : QByteArray("<not saved>"); }
    QByteArray cleanedUp() {
        list->Cleanup();
        return file();
    }
    void write(const QByteArray& bytes, const QString& name = {}) {
        QFile f(name.isEmpty() ? path : name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QString lastBox() const { return dialogs.boxes.isEmpty() ? "" : dialogs.boxes.last().text; }

    QTemporaryDir dir;
    RecordingDialogs dialogs;
    SimulatedMediaControl control;
    RecordingWindow host;
    std::unique_ptr<clsPlayList> list;
    QString a, b, c, path;
};

} // namespace

// Play on a fresh controller opens, adds and starts; adds before the control answers open once.
TEST_F(PlayListTest, PlayVideoOnAFreshControllerOpensAddsThenStarts) {
    RecordingPositionStore store;
    list->cPlay().SetPositionStore(&store);
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued); // as the real control
    list->PlayVideo(a);
    EXPECT_EQ(events, QStringList({"VideoOpened " + a, "FirstFileAddedToPlaylist " + a,
                                   "VideoStart " + a}));
    events.clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(events, QStringList({"VideoStart " + a}));
    EXPECT_EQ(control.PlayState(), Playing);
    EXPECT_EQ(store.restored, QStringList({a})); // a single file resumes
    list->cPlay().SetPositionStore(nullptr);

    list->Clear();
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0);
    control.calls.clear();
    for (int i = 0; i < 20; ++i) {
        list->Add(media(QStringLiteral("clip%1.mpg").arg(i)), false);
    }
    EXPECT_EQ(control.calls.filter("Open ").size(), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 0);
}

// Add opens only when nothing is loaded; a drop on an empty list plays; a dropped list loads.
TEST_F(PlayListTest, AddAndDropOpenOnlyWhenNothingInTheListIsLoaded) {
    list->Add(a, false);
    EXPECT_EQ(events, QStringList({"VideoPaused " + a, "VideoOpened " + a,
                                   "FirstFileAddedToPlaylist " + a}));
    add({b});
    list->PlayNextVideo();
    events.clear();
    control.calls.clear();
    add({c, a});
    EXPECT_TRUE(control.calls.isEmpty() && events.isEmpty()) << str();
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    EXPECT_TRUE(list->IsModified());

    list->Clear();
    DroppedFiles::Open(*list, {a, b});
    EXPECT_EQ(entries(), QStringList({a, b}));
    EXPECT_EQ(control.FileName(), a);
    EXPECT_EQ(control.PlayState(), Playing);
    write(lines({c}));
    DroppedFiles::Open(*list, {path, a});
    EXPECT_EQ(entries(), QStringList({c, a}));
    EXPECT_EQ(list->PlayListFileName(), path);
}

// Done comes once at the end; missing entries (50,000: no stack overflow) are skipped unopened.
TEST_F(PlayListTest, EndOfTheListAndMissingEntries) {
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
    events.clear();
    control.calls.clear();
    list->PlayPrevVideo();
    list->PlayNextVideo();
    EXPECT_TRUE(events.isEmpty() && control.calls.isEmpty());
    list->RestartPlay();
    EXPECT_EQ(control.FileName(), a);
    EXPECT_TRUE(list->cPlay().bAttemptResume());

    list->Clear();
    control.SetDelivery(SimulatedMediaControl::Delivery::Queued);
    add({a});
    for (int i = 0; i < 50000; ++i) { // c in the middle
        list->Add(i == 25000 ? c : dir.filePath(QStringLiteral("absent/AVSEQ%1.DAT").arg(i)), true);
    }
    list->PlayVideoByIndex(0, 0);
    QCoreApplication::processEvents();
    events.clear();
    control.calls.clear();
    control.ReachEnd();
    QCoreApplication::processEvents();
    EXPECT_EQ(events.filter("FileNotFound").size(), 25000);
    EXPECT_TRUE(control.calls.filter("absent").isEmpty()); // no open of a missing file
    EXPECT_EQ(control.FileName(), c);
    ASSERT_TRUE(list->SavePlayList(path)); // finds the entry playing, not a stale one
    EXPECT_EQ(list->CurrentFileIndex(), 25001);
    events.clear();
    control.ReachEnd();
    QCoreApplication::processEvents();
    EXPECT_EQ(events.filter("FileNotFound").size(), 24999);
    EXPECT_EQ(events.count("Done"), 1);
    EXPECT_EQ(list->CurrentFileIndex(), 50001);
}

// Removing an entry above the playing one keeps the index: the entry then there plays next.
TEST_F(PlayListTest, RemovingAboveThePlayingEntryKeepsTheIndex) {
    playThree(1, 0);
    list->Remove(a.toUpper()); // letter case ignored
    EXPECT_EQ(entries(), QStringList({b, c}));
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    control.ReachEnd();
    EXPECT_EQ(control.FileName(), c);
}

// The window loads when shown, is placed unless docked, and follows the player's state changes.
TEST_F(PlayListTest, PlaylistWindow) {
    list->SetbPLShown(false); // raises its signal even when nothing changes
    add({a});
    EXPECT_EQ(host.loads, 0);
    list->ShowPlayList();
    list->ShowPlayList(); // already shown: restored and focused, not moved
    EXPECT_EQ(host.calls, QStringList({"ShowPlayList", "Reload 1", "SetCurrent 0", "MoveTo 0,0",
                                       "Visible 1", "ShowPlayList", "Reload 1", "SetCurrent 0",
                                       "ShowNormal", "TakeFocus", "Visible 1"}));
    EXPECT_EQ(only({"PlaylistHidden", "PlaylistShown"}),
              QStringList({"PlaylistHidden", "PlaylistShown", "PlaylistShown"}));
    add({b});
    list->PlayVideoByIndex(1, 0);
    for (const auto& step : std::initializer_list<std::function<void()>>{
             [&] { control.Pause(); }, [&] { control.Play(); }, [&] { control.Stop(); }}) {
        host.calls.clear();
        step();
        EXPECT_EQ(host.calls, QStringList{"SetCurrent 1"});
    }
    restart(true, true);
    list->ShowPlayList();
    EXPECT_FALSE(host.calls.contains("MoveTo 0,0"));
    EXPECT_EQ(host.loads, 2);
}

// The resume line: written while an entry plays, used on loading unless off or past the list.
TEST_F(PlayListTest, TheResumeLineIsWrittenWhileAnEntryPlaysAndUsedOnLoading) {
    playThree(1, 75);
    add({a}); // a name twice
    EXPECT_EQ(saved(), lines({"#EXTM3U", "#Last:1,75", a, b, c, a}));
    ASSERT_TRUE(reopen());
    EXPECT_EQ(entries(), QStringList({a, b, c, a}));
    EXPECT_EQ(control.FileName(), b);
    EXPECT_EQ(control.CurrentPosition(), 75);
    EXPECT_FALSE(list->cPlay().bAttemptResume()); // the line is the list's only resume point
    EXPECT_FALSE(list->IsModified());

    list->PlayVideoByIndex(3, 0);
    control.ReachEnd();
    EXPECT_EQ(saved(), lines({a, b, c, a}));
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0);
    EXPECT_EQ(saved(), lines({a, b, c, a}));
    // Index 0 starts the first entry from its start; the option off or an index past the list too.
    for (const auto& [text, option] : {std::pair{"#Last:0,20\r\n", true},
                                       {"#EXTM3U\r\n#Last:2,30\r\n", false},
                                       {"#Last:3,30\r\n", true}}) {
        write(text + lines({a, b, c}));
        ASSERT_TRUE(reopen(option));
        EXPECT_EQ(list->CurrentFileIndex(), 0) << text;
        EXPECT_EQ(control.CurrentPosition(), 0) << text;
    }
    // Odd shapes: a byte-order mark, lone CRs, blank lines, spaces (trimmed) and a tab (kept),
    // comments and other programs' lines, capitals, a name twice.
    write("\xEF\xBB\xBF  " + a.toUtf8() + "  \r\r\n#EXTINF:10,Title\r  \r\n#LAST:  2 , 12.5 \r" +
          b.toUtf8() + "\r# " + c.toUtf8() + "\r\n" + c.toUtf8() + "\r" + b.toUtf8() +
          "\r\t/v/tab.mpg\r\xEF\xBB\xBF/v/caf\xC3\xA9.mpg");
    ASSERT_TRUE(list->LoadPlayList(path));
    EXPECT_EQ(entries(),
              QStringList({a, b, c, b, "\t/v/tab.mpg", QStringLiteral("\uFEFF/v/café.mpg")}));
    EXPECT_EQ(control.FileName(), c);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 12.5);
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST(M3UFormat, ResumeLineAndLineEnds) {
    for (const auto& [text, index, position] : {
             std::tuple{"#Last:1,75", 1L, 75.0},
             {"#last:3,12,25", 3L, 12.25},            // a decimal comma
             {"#Last:4,40\r\n#Last:x,50", 4L, 50.0},  // a bad part keeps its value
             {"#Last:5,5\r\n#Last:-3,-1.5", 0L, 0.0}, // negatives become 0
             {"#Last:3.5,1", 4L, 1.0},                // halves round to even
             {"#Last:1,2\r\n#Last:1e3,nan", 1000L, 2.0},
             {"#Last:2147483647,1", 2147483647L, 1.0}, // the largest index; one more is refused
             {"#Last:1,2\r\n#Last:2147483648,inf", 1L, 2.0},
             {"#Last:1,1.000,5", 1L, 0.0}, // digit grouping is no number
             {"#Last 3,4", 0L, 0.0},       // not the resume line
         }) {
        const auto read = M3UFile::Parse(text);
        EXPECT_EQ(read.lastIndex, index) << text;
        EXPECT_DOUBLE_EQ(read.lastPosition, position) << text;
    }
    // Written with CR LF, UTF-8 and a decimal point whatever the locale; read with any line end.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(M3UFile::Serialize({QStringLiteral("/v/é.mpg")}, M3UFile::ResumePoint{1, 1234.25}),
              QByteArray("#EXTM3U\r\n#Last:1,1234.25\r\n/v/\xC3\xA9.mpg\r\n"));
    QLocale::setDefault(before);
    EXPECT_EQ(M3UFile::FormatPosition(0.1 + 0.2), "0.3");
    const QStringList odd{QStringLiteral("\uFEFFodd.mpg")}; // a first name's byte-order mark stays
    EXPECT_EQ(M3UFile::Parse(M3UFile::Serialize(odd, std::nullopt)).names, odd);
    // A line longer than any path names no file.
    EXPECT_EQ(M3UFile::Parse("/v/a.mpg\n\n/v/b.mpg\r\n/v/c.mpg\r/v/d.mpg\n" + QByteArray(4097, 'x'))
                  .names,
              QStringList({"/v/a.mpg", "/v/b.mpg", "/v/c.mpg", "/v/d.mpg"}));
}

// A failed load shows the system's reason and changes nothing (a pipe does not hang).
TEST_F(PlayListTest, FailuresShowTheSystemsReasonAndChangeNothing) {
    playThree(1, 10);
    write(lines({a}));
    const QString big = dir.filePath("big.m3u");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    for (const auto& [name, mode] : {std::pair{path, 0}, {dir.path(), 0755}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), mode_t(mode)), 0);
    }
    QFile bigFile(big);
    ASSERT_TRUE(bigFile.open(QIODevice::WriteOnly) && bigFile.resize(M3UFile::MaxFileSize + 1));
    for (const auto& [name, why] : {std::pair{dir.filePath("nothere.m3u"), "No such file"},
                                    {dir.path(), "Is a directory"},
                                    {dir.filePath("pipe"), "Invalid argument"},
                                    {path, "Permission denied"},
                                    {big, "File too large"}}) {
        const auto load = [&] { EXPECT_FALSE(list->LoadPlayList(name)); };
        name == path ? asOrdinaryUser(load) : load();
        EXPECT_TRUE(lastBox().startsWith(QString("Error: Cannot load playlist: ") + why))
            << lastBox().toStdString();
        EXPECT_EQ(entries(), QStringList({a, b, c})) << why;
        EXPECT_EQ(control.FileName(), b);
    }
}

// A save failing as on a full disk keeps the old file whole; a new file gets ordinary permissions.
TEST_F(PlayListTest, AFailedSaveKeepsTheOldPlaylistWhole) {
    playThree(1, 10);
    ASSERT_TRUE(list->SavePlayList(path));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    const QByteArray before = file();
    list->Remove(a);
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0); // a save finds index -1: it must not stick
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    const rlimit tiny{16, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    const bool saved16 = list->SavePlayList(path);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved16);
    EXPECT_EQ(lastBox(), "Error: Cannot save playlist: File too large");
    EXPECT_EQ(file(), before);
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    EXPECT_EQ(list->PlayListFileName(), path);
    EXPECT_TRUE(list->IsModified());
    EXPECT_EQ(QDir(dir.path()).entryList({"*.m3u*"}, QDir::Files | QDir::Hidden),
              QStringList({"list.m3u"}));
}

// At exit a list never saved is left alone, an edited one is saved after asking; the window goes.
TEST_F(PlayListTest, CleanupSavesLoadedListsAskingWhenEdited) {
    playThree(2, 42);
    list->ShowPlayList();
    events.clear();
    list->Cleanup();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(host.IsLoaded());
    EXPECT_EQ(events, QStringList({"PlaylistHidden", "PlaylistHidden"}));

    ASSERT_TRUE(list->SavePlayList(path));
    list->Remove(c);
    dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
    list->Cleanup();
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:2,42", a, b, c}));
    EXPECT_EQ(cleanedUp(), lines({a, b}));
}

// A file that may not be replaced (folder not writable, another user's) is written in place.
TEST_F(PlayListTest, SavingWhereAFileMayNotBeReplacedWritesItInPlace) {
    playThree(1, 10);
    constexpr uid_t user = 65534;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    for (const auto& [folderMode, owner, mode, replaced] :
         {std::tuple{mode_t(0755), user, mode_t(0640), true}, // own file, own folder
          {mode_t(0555), user, mode_t(0640), false},          // own file, folder not writable
          {mode_t(0755), uid_t(0), mode_t(0666), false}}) {   // another user's, open to all
        const QString folder = dir.filePath(QString::number(folderMode + owner));
        const QString target = folder + "/list.m3u";
        ASSERT_TRUE(QDir().mkpath(folder));
        write("old\r\n", target);
        const QByteArray folderName = QFile::encodeName(folder), name = QFile::encodeName(target);
        ASSERT_EQ(::chown(folderName.constData(), user, 0) | ::chown(name.constData(), owner, 0) |
                      ::chmod(folderName.constData(), folderMode) | ::chmod(name.constData(), mode),
                  0);
        struct stat before {};
        struct stat after {};
        ASSERT_EQ(::stat(name.constData(), &before), 0);
        asOrdinaryUser([&] { EXPECT_TRUE(list->SavePlayList(target)); });
        ASSERT_EQ(::stat(name.constData(), &after), 0);
        EXPECT_EQ(after.st_ino != before.st_ino, replaced) << folderMode << " " << owner;
        EXPECT_EQ(after.st_uid, owner);
        EXPECT_EQ(after.st_mode & 07777, mode);
        EXPECT_EQ(file(target), lines({"#EXTM3U", "#Last:1,10", a, b, c}));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"list.m3u"}));
    }
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

// At exit other programs' playlists get only their resume line changed, unless changed meanwhile.
TEST_F(PlayListTest, QuietSaveAtExitChangesOnlyTheResumeLine) {
    const QByteArray one = a.toUtf8(), two = b.toUtf8();
    const QByteArray latin1 = EncodeFileName(dir.path()) + "/caf\xE9 \xFF.mpg"; // not there
    for (const auto& [before, after] : {
             // CR LF, titles, a resume line to replace
             std::pair{"#EXTM3U\r\n#EXTINF:61,One\r\n" + one +
                           "\r\n#Last:0,3\r\n#EXTINF:-1,Two\r\n" + two + "\r\n" + latin1 + "\r\n",
                       "#EXTM3U\r\n#EXTINF:61,One\r\n" + one +
                           "\r\n#Last:1,7\r\n#EXTINF:-1,Two\r\n" + two + "\r\n" + latin1 + "\r\n"},
             // LF only, a header to add the line after
             {"#EXTM3U\n#EXTINF:61,One\n" + one + "\n" + two + "\n  \n# note\n" + latin1,
              "#EXTM3U\n#Last:1,7\n#EXTINF:61,One\n" + one + "\n" + two + "\n  \n# note\n" +
                  latin1},
         }) {
        write(before);
        ASSERT_TRUE(reopen());
        playAt(1, 7);
        EXPECT_EQ(cleanedUp(), after);
        ASSERT_TRUE(reopen()); // it resumes there, with the same names
        EXPECT_EQ(entries(), QStringList({a, b, DecodeFileName(latin1)}));
        EXPECT_EQ(control.CurrentPosition(), 7);
        list->Cleanup(); // nothing to change: the file is left alone
        EXPECT_EQ(file(), after);
    }
    // Played to the very end: the resume line goes, the rest stays.
    write("#EXTM3U\n#EXTINF:1,x\n" + one + "\n#Last:1,4\n" + two + "\n");
    ASSERT_TRUE(reopen());
    list->PlayVideoByIndex(1, 0);
    control.ReachEnd();
    EXPECT_EQ(cleanedUp(), "#EXTM3U\n#EXTINF:1,x\n" + one + "\n" + two + "\n");
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

// Names with line breaks would forge lines of the file: they are left out, with one message.
TEST_F(PlayListTest, NamesWithLineBreaksAreLeftOutWithOneMessage) {
    const QString forged = dir.filePath("x.mpg\n#Last:5,0\n/etc/passwd");
    add({a, forged, b, dir.filePath("cr\r.mpg"), c});
    playAt(2, 30);
    EXPECT_TRUE(list->SavePlayList(path));
    EXPECT_EQ(file(), lines({"#EXTM3U", "#Last:1,30", a, b, c}));
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Warning);
    for (const QString& shown : {QStringLiteral("x.mpg\u240A#Last:5,0\u240A/etc/passwd"),
                                 QStringLiteral("cr\u240D.mpg")}) {
        EXPECT_TRUE(lastBox().contains(dir.filePath(shown))) << lastBox().toStdString();
    }
    EXPECT_EQ(list->PlayListFileName(), path);
    EXPECT_TRUE(list->IsModified());
}
