// Saved video positions in a real registry file.
#include "app/SavedPositions.h"
#include "app/mdlGlobals.h"
#include "platform/cRegistry.h"
#include "testing/MemorySettingsStore.h"
#include "testing/PositionDoubles.h"
#include "testing/RecordingDialogs.h"
#include "testing/ServicesGuard.h"
#include "testing/SimulatedMediaControl.h"

#include <QLocale>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

const QString Disc = "/media/u/VCD_ONE";
const QString Track = "/media/u/VCD_ONE/MPEGAV/AVSEQ01.DAT";
const QString TrackKey = "Software\\Lumadeck\\MPEGAV\\AVSEQ01.DAT";
const QString DiscKey = TrackKey + "\\VCD_ONE";

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
    }

    cRegistry& at(const QString& key, const QString& name = {}) {
        check.SetClassKey(HKEY_CURRENT_USER);
        check.SetSectionKey(key);
        check.SetValueKey(name);
        return check;
    }
    QVariant stored(const QString& key, const QString& name = "CurrPos") {
        at(key, name).SetDefault("<absent>");
        return check.Value();
    }
    void storeText(const QString& key, const QString& name, const QString& text) {
        at(key, name).SetValueType(REG_SZ);
        check.SetValue(text);
    }
    // The player telling the store of a new state (1 paused, 8 closing).
    void pauseAt(const QString& file, double position, double duration = 3000,
                 PlayStateCode state = PlayStateCode::Paused) {
        FakeControl c(file, duration);
        c.position = position;
        g::SavePosition(PlayStateCode::Playing, state, c);
    }
    // The seeks a freshly opened file gets.
    QList<double> resume(const QString& file, double duration = 3000) {
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

TEST_F(SavedPositionsTest, KeysFollowThePathBelowTheMountPointAndTheLabelOrThereIsNone) {
    volumes.mounts["/mnt/usb"] = "";
    volumes.mounts["/media/u/ODD"] = "A\\B";
    const std::pair<QString, QString> cases[] = {
        {Track, DiscKey},
        {"/media/u/VCD_ONE/mpegav//Avseq01.dat",
         "Software\\Lumadeck\\mpegav\\Avseq01.dat\\VCD_ONE"},
        {"/home/u/Videos/trip.mpg", "Software\\Lumadeck\\home\\u\\Videos\\trip.mpg\\"},
        {"/mnt/usb/a/./b.avi", "Software\\Lumadeck\\a\\b.avi\\"},
        // Names without a key are never stored.
        {"", ""},
        {"Videos/clip.mpg", ""},
        {"\\\\server\\share\\clip.mpg", ""},
        {"http://host/clip.mpg", ""},
        {"/home/u/a\\b.mpg", ""},
        {"/", ""},
        {Disc, ""},
        {"/media/u/ODD/x.mpg", ""}};
    for (const auto& [name, key] : cases) {
        EXPECT_EQ(g::PositionKey(name), key) << name.toStdString();
        if (key.isEmpty()) {
            pauseAt(name, 100);
        }
    }
    // Nor are odd numbers.
    pauseAt(Track, std::numeric_limits<double>::quiet_NaN());
    pauseAt(Track, 10, std::numeric_limits<double>::infinity());
    EXPECT_FALSE(at("Software\\Lumadeck").KeyExists());
    volumes.unreachable = true;
    EXPECT_EQ(g::PositionKey(Track),
              "Software\\Lumadeck\\media\\u\\VCD_ONE\\MPEGAV\\AVSEQ01.DAT\\");
}

TEST_F(SavedPositionsTest, PausingOrClosingStoresTextsPerDiscAndReopeningResumes) {
    pauseAt(Track, 125.5);
    EXPECT_EQ(stored(DiscKey), QVariant("125.5"));
    EXPECT_EQ(check.ValueType(), REG_SZ);
    EXPECT_EQ(stored(DiscKey, "MaxPos"), QVariant("3000"));
    QStringList names;
    long count = 0;
    check.EnumerateValues(names, count);
    EXPECT_EQ(names, QStringList({"CurrPos", "MaxPos"}));
    EXPECT_EQ(resume(Track), QList<double>({125.5}));

    // The same path on another disc keeps a position of its own.
    volumes.mounts[Disc] = "VCD_TWO";
    EXPECT_TRUE(resume(Track).isEmpty());
    pauseAt(Track, 42);
    EXPECT_EQ(resume(Track), QList<double>({42}));
    EXPECT_EQ(stored(TrackKey + "\\VCD_TWO"), QVariant("42"));
    volumes.mounts[Disc] = "VCD_ONE";
    EXPECT_EQ(resume(Track), QList<double>({125.5}));

    // Closing the file (state 8) stores too; other new states store nothing.
    pauseAt(Track, 700.25, 3000, PlayStateCode::Closing);
    for (long state : {0L, 2L, 3L, 6L, 9L}) {
        pauseAt(Track, 800, 3000, PlayStateCode(state));
    }
    EXPECT_EQ(stored(DiscKey), QVariant("700.25"));
}

TEST_F(SavedPositionsTest, PausingAtTheStartOrTheEndForgetsAndAnUnknownLengthChangesNothing) {
    for (double end : {0.0, 3000.0}) {
        pauseAt(Track, 125.5);
        pauseAt(Track, end);
        EXPECT_FALSE(at(DiscKey).KeyExists()) << end;
        EXPECT_TRUE(at(TrackKey).KeyExists());
        EXPECT_TRUE(resume(Track).isEmpty());
    }
    pauseAt(Track, 3000); // nothing left to forget
    EXPECT_FALSE(at(DiscKey).KeyExists());
    pauseAt(Track, std::nextafter(3000.0, 0.0)); // just short of the end is kept
    EXPECT_TRUE(at(DiscKey).KeyExists());

    pauseAt(Track, 125.5);
    // A control closing the file may already answer 0 for everything.
    pauseAt(Track, 0, 0, PlayStateCode::Closing);
    pauseAt(Track, 60, 0, PlayStateCode::Closing);
    EXPECT_EQ(stored(DiscKey, "MaxPos"), QVariant("3000"));
    EXPECT_EQ(resume(Track), QList<double>({125.5}));
}

TEST_F(SavedPositionsTest, ForgettingAnUnlabelledFileKeepsItsLabelledNamesakes) {
    // On an unlabelled filesystem this has the disc track's key path, one level up.
    volumes.mounts["/v"] = "";
    const QString local = "/v/MPEGAV/AVSEQ01.DAT";
    pauseAt(Track, 125.5);
    pauseAt(local, 60, 1200);
    EXPECT_EQ(stored(TrackKey), QVariant("60"));
    EXPECT_EQ(resume(local, 1200), QList<double>({60}));

    pauseAt(local, 0, 1200);
    EXPECT_EQ(stored(TrackKey), QVariant("<absent>"));
    EXPECT_EQ(resume(Track), QList<double>({125.5}));
    EXPECT_TRUE(resume(local, 1200).isEmpty());
}

TEST_F(SavedPositionsTest, ResumesOnlyForTheSameLengthAndAnEarlierPosition) {
    pauseAt(Track, 125.5);
    EXPECT_TRUE(resume(Track, 3000.0000001).isEmpty());
    EXPECT_TRUE(resume(Track, 2999).isEmpty());
    EXPECT_EQ(stored(DiscKey), QVariant("125.5")); // the entry stays

    for (const char* bad : {"3000", "3100", "", "abc", "-5", "0", "nan", "inf", "12,5"}) {
        storeText(DiscKey, "CurrPos", bad);
        EXPECT_TRUE(resume(Track).isEmpty()) << bad;
    }
    storeText(DiscKey, "CurrPos", " 12.5 ");
    EXPECT_EQ(resume(Track), QList<double>({12.5}));
    storeText(DiscKey, "MaxPos", "3e3");
    EXPECT_EQ(resume(Track), QList<double>({12.5}));
    storeText(DiscKey, "MaxPos", "junk");
    EXPECT_TRUE(resume(Track).isEmpty());
    at(DiscKey, "MaxPos").DeleteValue();
    EXPECT_TRUE(resume(Track).isEmpty());
}

TEST_F(SavedPositionsTest, PositionsRoundTripExactlyWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const double duration = 5400.123456789012;
    for (double p : {0.1, 1.0 / 3.0, 1e-300, 1234.5678901234567, 5399.999999999999}) {
        pauseAt(Track, p, duration);
        EXPECT_EQ(resume(Track, duration), QList<double>({p})) << g::PositionText(p).toStdString();
    }
    EXPECT_EQ(stored(DiscKey, "MaxPos"), QVariant("5400.123456789012"));
    EXPECT_EQ(g::PositionText(125.5), "125.5");
    QLocale::setDefault(before);
}

TEST_F(SavedPositionsTest, WithResumingOffPositionsAreStillWritten) {
    g::SaveVideoPosition = false;
    pauseAt(Track, 125.5);
    EXPECT_EQ(stored(DiscKey), QVariant("125.5"));
    EXPECT_TRUE(resume(Track).isEmpty());
    EXPECT_EQ(volumes.asked.size(), 1) << "no lookup when resuming is off";
    g::SaveVideoPosition = true;
    EXPECT_EQ(resume(Track), QList<double>({125.5}));
}

TEST_F(SavedPositionsTest, ClearingAsksFirstAndKeepsTheOptions) {
    MemorySettingsStore settings;
    RecordingDialogs dialogs;
    ServicesGuard services{{&settings, &dialogs}};
    g::SaveSettings();
    const auto options = settings.values;
    storeText("Software\\Other", "Keep", "1");
    pauseAt(Track, 125.5);
    volumes.mounts["/v"] = "";
    pauseAt("/v/deep/er/clip.mpg", 30, 60);

    dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_FALSE(g::ConfirmClearSavedPositions());
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(resume(Track), QList<double>({125.5}));

    EXPECT_TRUE(g::ConfirmClearSavedPositions());
    EXPECT_FALSE(at("Software\\Lumadeck").KeyExists());
    EXPECT_TRUE(resume(Track).isEmpty());
    EXPECT_TRUE(resume("/v/deep/er/clip.mpg", 60).isEmpty());
    EXPECT_EQ(stored("Software\\Other", "Keep"), QVariant("1"));
    EXPECT_EQ(settings.values, options);

    pauseAt(Track, 5); // saving afterwards starts the tree again
    EXPECT_EQ(resume(Track), QList<double>({5}));
}
