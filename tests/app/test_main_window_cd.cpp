// The CD drive menus over folder drives and a hostile disc image; the Audio Channel and
// Chapters submenus; saved video positions in a real registry file.
#include "../support/MainWindowFixture.h"
#include "app/AudioChannels.h"
#include "app/ChapterMenu.h"
#include "app/DriveMenus.h"
#include "app/SavedPositions.h"
#include "app/frmHelper.h"
#include "cd/clsFindFile.h"
#include "platform/cRegistry.h"
#include "testing/CraftedDisc.h"
#include "testing/PositionDoubles.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTimer>
#include <cmath>
#include <functional>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

QStringList buttonTexts(frmLumadeck& w, const QString& key) {
    QStringList out;
    for (const DriveMenuContents& b : w.DriveMenus().Drives()) {
        for (const DriveMenuItem& item : b.key == key ? b.items : QList<DriveMenuItem>{}) {
            out << item.text;
        }
    }
    return out;
}
QStringList shownItems(const QObject& w, int n) {
    return texts(driveMenu(w, n)->actions(), true);
}
const QStringList kNothingFound = {"(No Video Files found)"};

// Folder drives that run a step when a scan asks for a drive's mount point,
// as the real drives mount a disc (and so report its arrival) at that moment.
class MountingDrives : public FolderDriveServices {
public:
    QString MountPoint(const QString& drive, bool mount) override {
        if (mount && onMount) {
            onMount(drive);
        }
        return FolderDriveServices::MountPoint(drive, mount);
    }
    std::function<void(const QString&)> onMount;
};

class DriveMenusTest : public MainWindowTest {
protected:
    // A Video CD with tracks, data files and other media.
    QString makeDisc(const QString& name) {
        for (const char* other :
             {"/DATA/X.DAT", "/SEGMENT/ITEM0001.DAT", "/X.DAT", "/README.TXT"}) {
            file(name + other);
        }
        file(name + "/MPEGAV/AVSEQ01.DAT", 12345 * 1024);
        file(name + "/CLIPS/A.MPG", 3584); // 3.5 KB: halves go to the even neighbour
        file(name + "/B.AVI", 2560);       // 2.5 KB
        return dir.filePath(name);
    }
};

struct ChannelControl : SimulatedMediaControl {
    ChannelControl() { SetDelivery(Delivery::Immediate); }
    AudioChannelCode AudioChannel() const override { return channel; }
    bool SetAudioChannel(AudioChannelCode c) override {
        channel = c;
        return true;
    }
    QList<double> Chapters() const override { return chapters; }
    void SetChapters(const QList<double>& starts) override { chapters = starts; }
    AudioChannelCode channel = AudioChannelCode::Stereo;
    QList<double> chapters;
};

const QString Disc = "/media/u/VCD_ONE";
const QString Track = Disc + "/MPEGAV/AVSEQ01.DAT";
const QString Local = "/v/MPEGAV/AVSEQ01.DAT"; // on an unlabelled filesystem
const QString TrackKey = "Software\\Lumadeck\\MPEGAV\\AVSEQ01.DAT";
const QString DiscKey = TrackKey + "\\VCD_ONE";
using Seeks = QList<double>;

class SavedPositionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        volumes.mounts = {{Disc, "VCD_ONE"}, {"/v", ""}, {"/media/u/ODD", "A\\B"}};
        g::SetPositionRegistry(&reg);
        g::SetVolumeLookup(&volumes);
        g::SaveVideoPosition = true;
    }
    void TearDown() override {
        g::SetPositionRegistry(nullptr);
        g::SetVolumeLookup(nullptr);
    }
    // The registry's value at a key, read or written through a second handle.
    cRegistry& at(const QString& key, const QString& name = "CurrPos") {
        check.SetClassKey(HKEY_CURRENT_USER);
        check.SetSectionKey(key);
        check.SetValueKey(name);
        check.SetValueType(REG_SZ);
        check.SetDefault("<absent>");
        return check;
    }
    // The player telling the store of a new state.
    void pauseAt(const QString& file, double position, double duration = 3000,
                 PlayStateCode state = PlayStateCode::Paused) {
        FakeControl c(file, duration);
        c.position = position;
        g::SavePosition(PlayStateCode::Playing, state, c);
    }
    // The seeks a freshly opened file gets.
    Seeks resume(const QString& file, double duration = 3000) {
        FakeControl c(file, duration);
        g::RestorePosition(c);
        return c.seeks;
    }

    QTemporaryDir dir;
    cRegistry reg{dir.path() + "/Lumadeck/registry.sqlite"};
    cRegistry check{dir.path() + "/Lumadeck/registry.sqlite"};
    FakeVolumes volumes;
};

} // namespace

TEST_F(DriveMenusTest, ScanListsBoundedMediaInEveryMenuAndRefreshesAndImageScansStopWhenAsked) {
    drives.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    drives.InsertDisc("sr1", makeDisc("disc2"), "VCD_TWO");
    frmLumadeck& w = start();
    const QStringList items = {"Play All",     "Add All To Playlist", "-",
                               "B.AVI (2 KB)", "A.MPG (4 KB)",        "AVSEQ01.DAT (12,345 KB)"};
    EXPECT_EQ(buttonTexts(w, "CDsr0"), items);
    EXPECT_EQ(driveMenu(w, 1)->title(), "sr1: (VCD_TWO)");
    EXPECT_EQ(shownItems(w, 1), items);
    EXPECT_FALSE(driveMenu(w, 2)->menuAction()->isVisible());
    auto* button = named<QToolButton>(w, "CDsr0");
    ASSERT_TRUE(button && button->isVisibleTo(&w) && !button->icon().isNull());
    EXPECT_EQ(texts(button->menu()->actions()), items);

    // The helper window's menus list only the files, and add what is chosen.
    frmHelper& helper = Forms::Helper.get();
    QSignalSpy added(&helper, &frmHelper::AddToPL);
    helper.ShowDriveMenus(w.DriveMenuViews(true));
    EXPECT_EQ(texts(driveMenu(helper, 0)->actions(), true), items.mid(3));
    driveMenu(helper, 0)->actions()[5]->trigger();
    const QString track = dir.filePath("disc1/MPEGAV/AVSEQ01.DAT");
    EXPECT_EQ(added.value(0).value(0).toString(), track);
    EXPECT_FALSE(helper.isVisible());

    // A file plays alone, Add All appends without interrupting, Play All replaces.
    clsPlayList& pl = *w.cPlayList();
    const QList<std::pair<QString, int>> clicks = {{track, 1}, {"AddAll", 4}, {"Sep", 4}};
    for (const auto& [key, count] : clicks) {
        w.Toolbar1_ButtonMenuClick("CDsr0", key);
        EXPECT_EQ(pl.cFiles().Count(), count) << key.toStdString();
        EXPECT_EQ(w.cPlay()->FileName(), track);
    }
    w.Toolbar1_ButtonMenuClick("CDsr0", "PlayAll");
    EXPECT_TRUE(pl.cFiles().Count() == 3 && w.cPlay()->FileName() == dir.filePath("disc1/B.AVI"));
    driveMenu(w, 0)->actions()[4]->trigger(); // as its dropdown item does
    EXPECT_TRUE(pl.cFiles().Count() == 1 &&
                w.cPlay()->FileName() == dir.filePath("disc1/CLIPS/A.MPG"));

    action(w, "mnuRefresh")->trigger();
    EXPECT_FALSE(action(w, "mnuRefresh")->isEnabled());
    EXPECT_EQ(timer(w)->Tag, TimerTag::RefreshDrives);
    // Stopped at the first file: the first drive keeps it, the second is not scanned.
    bool stopped = false, stopVisible = false;
    QObject::connect(w.cFind(), &clsFindFile::FoundFile, &w, [&] {
        if (!std::exchange(stopped, true)) {
            stopVisible = action(w, "stop")->isVisible() && action(w, "mnuStop")->isEnabled();
            action(w, "mnuStop")->trigger();
        }
    });
    w.Timer1_Timer();
    EXPECT_TRUE(stopped && stopVisible);
    EXPECT_EQ(timer(w)->Tag, TimerTag::Idle);
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled() && !w.IsSearching());
    EXPECT_FALSE(action(w, "mnuStop")->isEnabled() || action(w, "stop")->isVisible());
    EXPECT_TRUE(buttonTexts(w, "CDsr1").isEmpty() && buttonTexts(w, "CDsr0").size() < 6);
    // The next refresh scans every drive again; a drive's walk ends at the most
    // files a menu lists (the program's is 50,000), and the next drive's goes on.
    Environment().maxVideoFilesPerDrive = 2;
    runOnTick(w, TimerTag::RefreshDrives);
    EXPECT_EQ(buttonTexts(w, "CDsr0").size() + buttonTexts(w, "CDsr1").size(), 2 * (3 + 2));
    EXPECT_EQ(label(w, "status")->text(), "Drive sr1: only the first 2 video files are listed");
    for (int tick = 1; tick <= 60; ++tick) { // for six seconds
        w.cPlay()->Tick();
        EXPECT_EQ(label(w, "status")->text().isEmpty(), tick == 60) << tick;
    }

    // A maze of directories in an opened image is read on another thread while
    // the window keeps running, its Stop on offer and working.
    const QString cue = WriteImage(dir.path(), "maze", DirectoryMaze(10000, 60, 64));
    int ticksWhileReading = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (w.IsSearching() && ticksWhileReading++ == 0) {
            stopVisible = action(w, "stop")->isVisible() && action(w, "mnuStop")->isEnabled();
            action(w, "mnuStop")->trigger();
        }
    });
    tick.start(0);
    stopVisible = false;
    w.OpenPath(cue);
    EXPECT_TRUE(ticksWhileReading > 0 && stopVisible);
    EXPECT_FALSE(w.IsSearching() || action(w, "stop")->isVisible());
    EXPECT_EQ(buttonTexts(w, "CDimg0"),
              QStringList({"(No Video Files found)", "-", "Remove Image"}));
    EXPECT_TRUE(dialogs.boxes.isEmpty());
}

TEST_F(DriveMenusTest, DiscNoticesRescanOneDriveAndWaitForTheRunningScan) {
    MountingDrives mounting;
    DriveServices::setCurrent(&mounting);
    stored("EnableCDNotify", "True");
    mounting.InsertDisc("sr0", makeDisc("disc1"), "VCD_ONE");
    mounting.AddDrive("sr1");
    QString caption; // while the drives are scanned at the start
    mounting.onMount = [&](const QString&) { caption = Forms::Lumadeck->windowTitle(); };
    frmLumadeck& w = start();
    ASSERT_TRUE(mdlCDNotify::bHooked);
    EXPECT_EQ(caption, "Lumadeck: Finding video files on CDs.");

    // A refresh whose scan mounts sr0 (so reports its arrival) and asks for a refresh.
    int pendingDuring = -1;
    QString tagAfterTick, menuDuring;
    mounting.onMount = [&](const QString& drive) {
        if (drive == "sr0" && pendingDuring < 0) {
            // Rescanned: emptied, refresh off and stop on while it runs.
            menuDuring = shownItems(w, 0).join('/') +
                         (action(w, "mnuRefresh")->isEnabled() ? " refresh" : "") +
                         (action(w, "mnuStop")->isEnabled() ? " stop" : "");
            mounting.Raise(
                {DeviceChange::Event::Arrival, DeviceChange::Device::Volume, true, {"sr0"}});
            pendingDuring = mdlCDNotify::PendingNotices();
            runOnTick(w, TimerTag::RefreshDrives);
            tagAfterTick = std::exchange(timer(w)->Tag, TimerTag::Idle);
        }
    };
    runOnTick(w, TimerTag::RefreshDrives);
    EXPECT_EQ(menuDuring, "Finding. stop");
    EXPECT_EQ(pendingDuring, 1);       // held while the scan ran...
    EXPECT_EQ(tagAfterTick, "1");      // ...like the refresh asked for meanwhile
    QCoreApplication::processEvents(); // ...and delivered after it
    EXPECT_EQ(mdlCDNotify::PendingNotices(), 0);
    EXPECT_EQ(label(w, "status")->text(), "CD inserted in Drive: sr0");
    EXPECT_TRUE(action(w, "mnuRefresh")->isEnabled() && !w.IsSearching());
    // The overlapping scans left the menus as one scan does.
    EXPECT_EQ(buttonTexts(w, "CDsr0").size(), 6);
    EXPECT_EQ(shownItems(w, 0), buttonTexts(w, "CDsr0"));
    EXPECT_EQ(buttonTexts(w, "CDsr1"), kNothingFound);

    // A disc in and out of the other drive: only that drive is scanned and emptied.
    mounting.onMount = nullptr;
    mounting.InsertDisc("sr1", makeDisc("disc2"), "VCD_TWO");
    QCoreApplication::processEvents();
    EXPECT_EQ(label(w, "status")->text(), "CD inserted in Drive: sr1");
    EXPECT_EQ(driveMenu(w, 1)->title(), "sr1: (VCD_TWO)");
    EXPECT_EQ(shownItems(w, 1), buttonTexts(w, "CDsr0"));
    mounting.RemoveDisc("sr1");
    QCoreApplication::processEvents();
    EXPECT_EQ(label(w, "status")->text(), "CD removed from Drive: sr1");
    EXPECT_EQ(driveMenu(w, 1)->title(), "Drive sr1:");
    EXPECT_TRUE(buttonTexts(w, "CDsr1") == kNothingFound && shownItems(w, 1) == kNothingFound);
    EXPECT_FALSE(driveMenu(w, 1)->actions()[0]->isEnabled() ||
                 named<QToolButton>(w, "CDsr1")->menu()->actions()[0]->isEnabled());
    mdlCDNotify::StopCDNotification(&w);
    DriveServices::setCurrent(&drives);
}

// The Audio Channel choice is kept per disc (per folder for files on no disc) and comes back
// after a restart; the Chapters menu lists a Video CD track's entries, off for other files.
TEST(DiscMenus, AudioChannelIsKeptPerDiscAndChaptersListTheEntriesOfATrack) {
    const QString media = QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/");
    if (!QFileInfo::exists(media + "chapters.cue")) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    QTemporaryDir dir;
    const QString one = media + "one.cue/MPEGAV/AVSEQ01.DAT";
    using C = AudioChannelCode;
    // The second run is a restart: every file of each place gets its choice back.
    const std::pair<QString, C> restored[] = {
        {media + "one.bin/MPEGAV/AVSEQ01.DAT", C::Left}, // the same disc
        {media + "two.cue/MPEGAV/AVSEQ02.DAT", C::Stereo},
        {dir.path() + "/songs/b.mpg", C::Right},
        {dir.path() + "/films/c.mpg", C::Stereo},
        {one, C::Left}};
    for (int run = 0; run < 2; ++run) {
        cRegistry reg(dir.path() + "/registry.sqlite");
        g::SetPositionRegistry(&reg);
        QMenu options;
        ChannelControl control;
        AudioChannelMenu menu(&options, &control);
        const auto shows = [&](C c) {
            return control.channel == c && menu.Menu()->actions().at(int(c))->isChecked();
        };
        if (run == 0) { // Left for disc one, Right for the songs folder
            EXPECT_TRUE(shows(C::Stereo));
            control.Open(one);
            menu.Menu()->actions().at(1)->trigger();
            EXPECT_TRUE(shows(C::Left));
            control.Open(dir.path() + "/songs/a.mpg");
            EXPECT_TRUE(shows(C::Stereo)); // nothing kept for the folder yet
            menu.Choose(C::Right);
        } else {
            for (const auto& [name, channel] : restored) {
                control.Open(name);
                EXPECT_TRUE(shows(channel)) << name.toStdString();
            }
            menu.Choose(C::Stereo); // forgets the choice
            EXPECT_EQ(g::StoredAudioChannel(restored[0].first), C::Stereo);
        }
        g::SetPositionRegistry(nullptr);
    }

    QMenu view;
    ChannelControl control;
    ChapterMenu chapters(&view, &control);
    EXPECT_FALSE(chapters.Menu()->isEnabled());
    const auto open = [&](const QString& name) {
        QSignalSpy loaded(&chapters, &ChapterMenu::Loaded);
        control.Open(name);
        return loaded.wait(5000);
    };
    // Four entries at 0.48, 1.68, 2.88 and 3.48 s on the track's clock.
    ASSERT_TRUE(open(media + "chapters.cue/MPEGAV/AVSEQ01.DAT"));
    EXPECT_TRUE(chapters.Menu()->isEnabled());
    control.SetCurrentPosition(2.0);
    emit chapters.Menu()->aboutToShow();
    EXPECT_EQ(texts(chapters.Menu()->actions()),
              QStringList({"Chapter 1 (0:00)", "Chapter 2 (0:02)", "Chapter 3 (0:03)",
                           "Chapter 4 (0:03)"}));
    EXPECT_TRUE(chapters.Menu()->actions().at(1)->isChecked() &&
                !chapters.Menu()->actions().at(2)->isChecked());
    chapters.Menu()->actions().at(2)->trigger();
    EXPECT_NEAR(control.CurrentPosition(), control.chapters[2], 0.001);
    // One entry, or no Video CD track: disabled.
    for (const QString& other : {media + "two.cue/MPEGAV/AVSEQ02.DAT", media + "karaoke.mpg"}) {
        ASSERT_TRUE(open(other));
        EXPECT_FALSE(chapters.Menu()->isEnabled()) << other.toStdString();
    }
}

// Keys follow the path below the mount point and the label (or there is none); pausing or
// closing stores texts per disc, reopening resumes only for the same length and an earlier
// position whatever the locale, and clearing asks first.
TEST_F(SavedPositionsTest, StoredPerDiscAndResumedOnlyWhereTheyFit) {
    EXPECT_EQ(g::PositionKey(Track), DiscKey);
    EXPECT_EQ(g::PositionKey(Disc + "/mpegav/./Avseq01.dat"),
              "Software\\Lumadeck\\mpegav\\Avseq01.dat\\VCD_ONE");
    EXPECT_EQ(g::PositionKey("/home/u/trip.mpg"), "Software\\Lumadeck\\home\\u\\trip.mpg\\");
    // Names without a key, and odd numbers, are never stored.
    for (const QString& name :
         {QString(), QString("Videos/clip.mpg"), QString("http://h/c.mpg"),
          QString("/home/u/a\\b.mpg"), QString("/"), Disc, QString("/media/u/ODD/x.mpg")}) {
        EXPECT_EQ(g::PositionKey(name), "") << name.toStdString();
        pauseAt(name, 100);
    }
    pauseAt(Track, std::nan(""));
    pauseAt(Track, 10, INFINITY);
    EXPECT_FALSE(at("Software\\Lumadeck").KeyExists());

    pauseAt(Track, 125.5);
    EXPECT_EQ(at(DiscKey).Value().toString() + " " + at(DiscKey, "MaxPos").Value().toString(),
              "125.5 3000");
    EXPECT_EQ(resume(Track), Seeks({125.5}));
    // The same path on another disc keeps a position of its own.
    volumes.mounts[Disc] = "VCD_TWO";
    EXPECT_TRUE(resume(Track).isEmpty());
    pauseAt(Track, 42);
    EXPECT_EQ(resume(Track), Seeks({42}));
    volumes.mounts[Disc] = "VCD_ONE";
    // Closing stores too, other states nothing; a closing control's zero length changes nothing.
    pauseAt(Track, 700.25, 3000, PlayStateCode::Closing);
    for (long state : {0L, 2L, 3L, 6L, 9L}) {
        pauseAt(Track, 800, 3000, PlayStateCode(state));
    }
    pauseAt(Track, 60, 0, PlayStateCode::Closing);
    EXPECT_EQ(resume(Track), Seeks({700.25}));
    g::SaveVideoPosition = false; // resuming off: still written, nothing resumes
    pauseAt(Track, 125.5);
    EXPECT_TRUE(resume(Track).isEmpty());
    g::SaveVideoPosition = true;

    // Pausing at the start or end forgets that file's only; an unlabelled key is a disc's parent.
    for (double end : {0.0, 1200.0}) {
        pauseAt(Local, 60, 1200);
        EXPECT_EQ(at(TrackKey).Value(), QVariant("60"));
        pauseAt(Local, end, 1200);
        EXPECT_TRUE(resume(Local, 1200).isEmpty());
        EXPECT_EQ(resume(Track), Seeks({125.5}));
    }
    pauseAt(Track, std::nextafter(3000.0, 0.0)); // just short of the end is kept
    EXPECT_EQ(resume(Track), Seeks({std::nextafter(3000.0, 0.0)}));
    pauseAt(Track, 3000);
    EXPECT_FALSE(at(DiscKey).KeyExists());
    EXPECT_TRUE(at(TrackKey).KeyExists() && resume(Track).isEmpty());

    // Clearing asks first, and keeps other programs' keys.
    RecordingDialogs dialogs;
    ServicesGuard services{{nullptr, &dialogs, nullptr, nullptr}};
    at("Software\\Other").SetValue("1");
    pauseAt(Track, 125.5);
    dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_FALSE(g::ConfirmClearSavedPositions());
    EXPECT_EQ(resume(Track), Seeks({125.5}));
    EXPECT_TRUE(g::ConfirmClearSavedPositions());
    EXPECT_EQ(dialogs.boxes.value(0).buttons, MsgButtons::YesNo);
    EXPECT_FALSE(at("Software\\Lumadeck").KeyExists());
    EXPECT_EQ(at("Software\\Other").Value(), QVariant("1"));
    pauseAt(Track, 5); // saving afterwards starts the tree again
    EXPECT_EQ(resume(Track), Seeks({5}));
    EXPECT_TRUE(resume(Track, 3000.0000001).isEmpty() && resume(Track, 2999).isEmpty());
    EXPECT_EQ(at(DiscKey).Value(), QVariant("5")); // the entry stays
    for (const char* bad : {"3000", "3100", "", "abc", "-5", "0", "nan", "inf", "12,5"}) {
        at(DiscKey).SetValue(bad);
        EXPECT_TRUE(resume(Track).isEmpty()) << bad;
    }
    at(DiscKey).SetValue(" 12.5 "); // as a hand may have written them
    at(DiscKey, "MaxPos").SetValue("3e3");
    EXPECT_EQ(resume(Track), Seeks({12.5}));
    at(DiscKey, "MaxPos").DeleteValue();
    EXPECT_TRUE(resume(Track).isEmpty());

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const double duration = 5400.123456789012;
    for (double p : {1.0 / 3.0, 1e-300, 5399.999999999999}) {
        pauseAt(Track, p, duration);
        EXPECT_EQ(resume(Track, duration), Seeks({p})) << g::PositionText(p).toStdString();
    }
    EXPECT_EQ(at(DiscKey, "MaxPos").Value(), QVariant("5400.123456789012"));
    QLocale::setDefault(before);
    volumes.unreachable = true;
    EXPECT_EQ(g::PositionKey(Track),
              "Software\\Lumadeck\\media\\u\\VCD_ONE\\MPEGAV\\AVSEQ01.DAT\\");
}
