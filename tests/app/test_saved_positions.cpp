// Saved video positions against a real registry file: keys by path and disc
// label, the rules for forgetting and for resuming, and clearing them all.
#include "app/SavedPositions.h"
#include "app/mdlGlobals.h"
#include "platform/MemorySettingsStore.h"
#include "platform/RecordingDialogs.h"
#include "platform/Services.h"
#include "platform/cRegistry.h"
#include "player/MediaControl.h"

#include <QLocale>
#include <QMap>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace lumadeck;
namespace g = lumadeck::mdlGlobals;

namespace {

// Just enough of a media control: a file, a position and a duration, and a
// record of every seek.
class FakeControl : public MediaControl {
public:
    FakeControl(QString file, double position, double duration)
        : file_(std::move(file)), position_(position), duration_(duration) {}

    QString FileName() const override { return file_; }
    double CurrentPosition() const override { return position_; }
    bool SetCurrentPosition(double seconds) override {
        seeks.append(seconds);
        position_ = seconds;
        return true;
    }
    double Duration() const override { return duration_; }
    void set(double position, double duration) {
        position_ = position;
        duration_ = duration;
    }
    QList<double> seeks;

    bool Open(const QString&) override { return false; }
    bool Play() override { return false; }
    bool Pause() override { return false; }
    bool Stop() override { return false; }
    bool AutoStart() const override { return true; }
    bool SetAutoStart(bool) override { return false; }
    double EndOfPlayPosition() const override { return 0; }
    long PlayState() const override { return PlayStatePaused; }
    long OpenState() const override { return OpenStateOpen; }
    long DisplaySize() const override { return 0; }
    bool SetDisplaySize(long) override { return false; }
    bool AutoSize() const override { return false; }
    bool SetAutoSize(bool) override { return false; }
    bool AllowChangeDisplaySize() const override { return false; }
    bool SetAllowChangeDisplaySize(bool) override { return false; }
    int ImageSourceWidth() const override { return 0; }
    int ImageSourceHeight() const override { return 0; }
    int VideoBorderWidth() const override { return 0; }
    bool ShowControls() const override { return false; }
    bool SetShowControls(bool) override { return false; }
    int PanelHeight() const override { return 0; }
    bool EnableFullScreenControls() const override { return false; }
    bool SetEnableFullScreenControls(bool) override { return false; }
    QString ErrorDescription() const override { return {}; }
    long ErrorCode() const override { return 0; }
    long CodecCount() const override { return 0; }
    QString CodecDescription(long) const override { return {}; }
    bool CodecInstalled(long) const override { return false; }
    QString CodecURL(long) const override { return {}; }
    QString MediaInfoString(long) const override { return {}; }

private:
    QString file_;
    double position_;
    double duration_;
};

// Mount points and their labels, as the tests insert and change discs.
class FakeVolumes : public IVolumeLookup {
public:
    std::optional<VolumeInfo> VolumeOf(const QString& path) override {
        asked.append(path);
        if (unreachable) {
            return std::nullopt;
        }
        VolumeInfo best{"/", ""};
        for (auto it = mounts.cbegin(); it != mounts.cend(); ++it) {
            if ((path == it.key() || path.startsWith(it.key() + "/")) &&
                it.key().size() > best.mountPoint.size()) {
                best = {it.key(), it.value()};
            }
        }
        return best;
    }
    QMap<QString, QString> mounts;
    QStringList asked;
    bool unreachable = false;
};

const QString Disc = "/media/u/VCD_ONE";
const QString Track = "/media/u/VCD_ONE/MPEGAV/AVSEQ01.DAT";
const QString TrackKey = "Software\\Lumadeck\\MPEGAV\\AVSEQ01.DAT";

class SavedPositionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        volumes.mounts[Disc] = "VCD_ONE";
        g::SetPositionRegistry(&reg);
        g::SetVolumeLookup(&volumes);
        g::SaveVideoPosition = true;
    }
    void TearDown() override {
        g::SetPositionRegistry(nullptr);
        g::SetVolumeLookup(nullptr);
        Services::setDialogs(nullptr);
        Services::setSettings(nullptr);
    }

    QVariant stored(const QString& key, const QString& name) {
        check.SetClassKey(HKEY_CURRENT_USER);
        check.SetSectionKey(key);
        check.SetValueKey(name);
        check.SetDefault("<absent>");
        return check.Value();
    }
    bool keyExists(const QString& key) {
        check.SetClassKey(HKEY_CURRENT_USER);
        check.SetSectionKey(key);
        return check.KeyExists();
    }
    void storeText(const QString& key, const QString& name, const QString& text) {
        check.SetClassKey(HKEY_CURRENT_USER);
        check.SetSectionKey(key);
        check.SetValueKey(name);
        check.SetValueType(REG_SZ);
        check.SetValue(text);
    }
    // Pauses the control at the position, as the player does.
    void pauseAt(FakeControl& c, double position) {
        c.set(position, c.Duration());
        g::SavePosition(MediaControl::PlayStatePlaying, MediaControl::PlayStatePaused, c);
    }
    // The seeks a freshly opened file gets.
    QList<double> resume(const QString& file, double duration) {
        FakeControl c(file, 0, duration);
        g::RestorePosition(c);
        return c.seeks;
    }

    QTemporaryDir dir;
    cRegistry reg{dir.path() + "/Lumadeck/registry.sqlite"};
    cRegistry check{dir.path() + "/Lumadeck/registry.sqlite"};
    FakeVolumes volumes;
};

} // namespace

TEST_F(SavedPositionsTest, KeysFollowThePathBelowTheMountPointAndTheLabel) {
    EXPECT_EQ(g::PositionKey(Track), TrackKey + "\\VCD_ONE");
    EXPECT_EQ(g::PositionKey("/media/u/VCD_ONE/mpegav//Avseq01.dat"),
              "Software\\Lumadeck\\mpegav\\Avseq01.dat\\VCD_ONE");
    EXPECT_EQ(g::PositionKey("/home/u/Videos/trip.mpg"),
              "Software\\Lumadeck\\home\\u\\Videos\\trip.mpg\\");
    volumes.mounts["/mnt/usb"] = "";
    EXPECT_EQ(g::PositionKey("/mnt/usb/a/./b.avi"), "Software\\Lumadeck\\a\\b.avi\\");
    volumes.unreachable = true;
    EXPECT_EQ(g::PositionKey(Track),
              "Software\\Lumadeck\\media\\u\\VCD_ONE\\MPEGAV\\AVSEQ01.DAT\\");

    // Names that have no key.
    volumes.unreachable = false;
    for (const QString& name :
         {QString(""), QString("clip.mpg"), QString("Videos/clip.mpg"),
          QString("\\\\server\\share\\clip.mpg"), QString("http://host/clip.mpg"),
          QString("/home/u/a\\b.mpg"), QString("/"), Disc}) {
        EXPECT_EQ(g::PositionKey(name), "") << name.toStdString();
    }
    volumes.mounts["/media/u/ODD"] = "A\\B";
    EXPECT_EQ(g::PositionKey("/media/u/ODD/x.mpg"), "");
}

TEST_F(SavedPositionsTest, PausingStoresTextsAndReopeningResumes) {
    FakeControl c(Track, 0, 3000);
    pauseAt(c, 125.5);
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "CurrPos"), QVariant("125.5"));
    EXPECT_EQ(check.ValueType(), REG_SZ);
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "MaxPos"), QVariant("3000"));
    QStringList names;
    long count = 0;
    check.EnumerateValues(names, count);
    EXPECT_EQ(names, QStringList({"CurrPos", "MaxPos"}));

    EXPECT_EQ(resume(Track, 3000), QList<double>({125.5}));

    // Closing the file (state 8) stores too, whatever the old state was;
    // other new states store nothing.
    c.set(700.25, 3000);
    g::SavePosition(MediaControl::PlayStatePaused, 8, c);
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "CurrPos"), QVariant("700.25"));
    for (long state : {0L, 2L, 3L, 6L, 9L}) {
        c.set(800, 3000);
        g::SavePosition(MediaControl::PlayStatePaused, state, c);
    }
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "CurrPos"), QVariant("700.25"));

    // Through the store the player is given.
    SavedPositionStore store;
    IPositionStore& s = store;
    c.set(9.75, 3000);
    s.SavePosition(2, 1, c);
    FakeControl again(Track, 0, 3000);
    s.RestorePosition(again);
    EXPECT_EQ(again.seeks, QList<double>({9.75}));
}

TEST_F(SavedPositionsTest, TheSamePathOnTwoDiscsKeepsTwoPositions) {
    FakeControl one(Track, 0, 3000);
    pauseAt(one, 125.5);
    volumes.mounts[Disc] = "VCD_TWO";
    EXPECT_TRUE(resume(Track, 3000).isEmpty());
    FakeControl two(Track, 0, 3000);
    pauseAt(two, 42);
    EXPECT_EQ(resume(Track, 3000), QList<double>({42}));
    volumes.mounts[Disc] = "VCD_ONE";
    EXPECT_EQ(resume(Track, 3000), QList<double>({125.5}));
    EXPECT_EQ(stored(TrackKey + "\\VCD_TWO", "CurrPos"), QVariant("42"));
}

TEST_F(SavedPositionsTest, PausingAtTheStartOrTheEndForgets) {
    FakeControl c(Track, 0, 3000);
    pauseAt(c, 125.5);
    pauseAt(c, 0);
    EXPECT_FALSE(keyExists(TrackKey + "\\VCD_ONE"));
    EXPECT_TRUE(keyExists(TrackKey));
    EXPECT_TRUE(resume(Track, 3000).isEmpty());

    pauseAt(c, 125.5);
    pauseAt(c, 3000);
    EXPECT_FALSE(keyExists(TrackKey + "\\VCD_ONE"));
    pauseAt(c, 3000); // nothing left to forget
    EXPECT_FALSE(keyExists(TrackKey + "\\VCD_ONE"));

    // A position just short of the end is kept.
    pauseAt(c, std::nextafter(3000.0, 0.0));
    EXPECT_TRUE(keyExists(TrackKey + "\\VCD_ONE"));
}

TEST_F(SavedPositionsTest, ForgettingAnUnlabelledFileKeepsItsLabelledNamesakes) {
    // /v/MPEGAV/AVSEQ01.DAT on an unlabelled filesystem has the same key path
    // as the disc's track, one level up.
    volumes.mounts["/v"] = "";
    const QString local = "/v/MPEGAV/AVSEQ01.DAT";
    FakeControl disc(Track, 0, 3000);
    pauseAt(disc, 125.5);
    FakeControl file(local, 0, 1200);
    pauseAt(file, 60);
    EXPECT_EQ(stored(TrackKey, "CurrPos"), QVariant("60"));
    EXPECT_EQ(resume(local, 1200), QList<double>({60}));

    pauseAt(file, 0);
    EXPECT_EQ(stored(TrackKey, "CurrPos"), QVariant("<absent>"));
    EXPECT_EQ(resume(Track, 3000), QList<double>({125.5}));
    EXPECT_TRUE(resume(local, 1200).isEmpty());
}

TEST_F(SavedPositionsTest, AnUnknownLengthLeavesTheEntryAlone) {
    FakeControl c(Track, 0, 3000);
    pauseAt(c, 125.5);
    // A control closing the file may already answer 0 for everything.
    for (double position : {0.0, 60.0}) {
        c.set(position, 0);
        g::SavePosition(MediaControl::PlayStatePlaying, 8, c);
    }
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "CurrPos"), QVariant("125.5"));
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "MaxPos"), QVariant("3000"));
    EXPECT_EQ(resume(Track, 3000), QList<double>({125.5}));
}

TEST_F(SavedPositionsTest, ResumesOnlyForTheSameLengthAndAnEarlierPosition) {
    FakeControl c(Track, 0, 3000);
    pauseAt(c, 125.5);
    EXPECT_TRUE(resume(Track, 3000.0000001).isEmpty());
    EXPECT_TRUE(resume(Track, 2999).isEmpty());
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "CurrPos"), QVariant("125.5")); // entry stays

    const QString key = TrackKey + "\\VCD_ONE";
    storeText(key, "CurrPos", "3000");
    EXPECT_TRUE(resume(Track, 3000).isEmpty());
    storeText(key, "CurrPos", "3100");
    EXPECT_TRUE(resume(Track, 3000).isEmpty());
    for (const char* bad : {"", "abc", "-5", "0", "nan", "inf", "12,5"}) {
        storeText(key, "CurrPos", bad);
        EXPECT_TRUE(resume(Track, 3000).isEmpty()) << bad;
    }
    storeText(key, "CurrPos", " 12.5 ");
    EXPECT_EQ(resume(Track, 3000), QList<double>({12.5}));
    storeText(key, "MaxPos", "3e3");
    EXPECT_EQ(resume(Track, 3000), QList<double>({12.5}));
    storeText(key, "MaxPos", "junk");
    EXPECT_TRUE(resume(Track, 3000).isEmpty());
    check.SetValueKey("MaxPos");
    check.DeleteValue();
    EXPECT_TRUE(resume(Track, 3000).isEmpty());
}

TEST_F(SavedPositionsTest, PositionsRoundTripExactlyWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const double duration = 5400.123456789012;
    for (double p : {0.1, 1.0 / 3.0, 1e-300, 1234.5678901234567, 5399.999999999999}) {
        FakeControl c(Track, 0, duration);
        pauseAt(c, p);
        EXPECT_EQ(resume(Track, duration), QList<double>({p})) << g::PositionText(p).toStdString();
    }
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "MaxPos"), QVariant("5400.123456789012"));
    EXPECT_EQ(g::PositionText(125.5), "125.5");
    QLocale::setDefault(before);
}

TEST_F(SavedPositionsTest, NamesWithoutAKeyAndOddNumbersAreNeverStored) {
    for (const QString& name : {QString(""), QString("clip.mpg"), QString("\\\\srv\\s\\clip.mpg"),
                                QString("http://host/clip.mpg"), QString("/home/u/a\\b.mpg")}) {
        FakeControl c(name, 0, 3000);
        pauseAt(c, 100);
        g::SavePosition(2, 8, c);
        g::RestorePosition(c);
        EXPECT_TRUE(c.seeks.isEmpty());
    }
    FakeControl c(Track, 0, 0);
    c.set(std::numeric_limits<double>::quiet_NaN(), 3000);
    g::SavePosition(2, 1, c);
    c.set(10, std::numeric_limits<double>::infinity());
    g::SavePosition(2, 1, c);
    EXPECT_FALSE(keyExists("Software\\Lumadeck"));
}

TEST_F(SavedPositionsTest, WithResumingOffPositionsAreStillWritten) {
    g::SaveVideoPosition = false;
    FakeControl c(Track, 0, 3000);
    pauseAt(c, 125.5);
    EXPECT_EQ(stored(TrackKey + "\\VCD_ONE", "CurrPos"), QVariant("125.5"));
    EXPECT_TRUE(resume(Track, 3000).isEmpty());
    EXPECT_TRUE(volumes.asked.size() == 1) << "no lookup when resuming is off";
    g::SaveVideoPosition = true;
    EXPECT_EQ(resume(Track, 3000), QList<double>({125.5}));
}

TEST_F(SavedPositionsTest, ClearingAsksFirstAndKeepsTheOptions) {
    MemorySettingsStore settings;
    Services::setSettings(&settings);
    g::SaveSettings();
    const auto options = settings.values;
    RecordingDialogs dialogs;
    Services::setDialogs(&dialogs);
    storeText("Software\\Other", "Keep", "1");
    FakeControl a(Track, 0, 3000);
    pauseAt(a, 125.5);
    volumes.mounts["/v"] = "";
    FakeControl b("/v/deep/er/clip.mpg", 0, 60);
    pauseAt(b, 30);

    dialogs.answers.push_back(MsgAnswer::No);
    EXPECT_FALSE(g::ConfirmClearSavedPositions());
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].title, "Clear Saved Positions");
    EXPECT_EQ(dialogs.boxes[0].text, "This will clear all the saved positions of videos that you "
                                     "have played.\r\nDo you want to proceed?");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(resume(Track, 3000), QList<double>({125.5}));

    dialogs.answers.push_back(MsgAnswer::Yes);
    EXPECT_TRUE(g::ConfirmClearSavedPositions());
    EXPECT_FALSE(keyExists("Software\\Lumadeck"));
    EXPECT_FALSE(keyExists("Software\\Lumadeck\\deep\\er\\clip.mpg"));
    EXPECT_TRUE(resume(Track, 3000).isEmpty());
    EXPECT_TRUE(resume("/v/deep/er/clip.mpg", 60).isEmpty());
    EXPECT_EQ(stored("Software\\Other", "Keep"), QVariant("1"));
    EXPECT_EQ(settings.values, options);

    // Saving afterwards starts the tree again.
    pauseAt(a, 5);
    EXPECT_EQ(resume(Track, 3000), QList<double>({5}));
}

TEST(MountTableVolumes, FindTheFilesystemOfARealPath) {
    QTemporaryDir dir;
    MountTableVolumeLookup lookup;
    const auto volume = lookup.VolumeOf(dir.path() + "/clip.mpg");
    ASSERT_TRUE(volume.has_value());
    EXPECT_TRUE(volume->mountPoint == "/" ||
                (dir.path() + "/").startsWith(volume->mountPoint + "/"))
        << volume->mountPoint.toStdString();
}
