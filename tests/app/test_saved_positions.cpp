// Saved video positions in a real registry file.
#include "app/SavedPositions.h"
#include "app/mdlGlobals.h"
#include "platform/cRegistry.h"
#include "testing/MemorySettingsStore.h"
#include "testing/PositionDoubles.h"
#include "testing/RecordingDialogs.h"
#include "testing/ServicesGuard.h"

#include <QLocale>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;
namespace g = lumadeck::mdlGlobals;

namespace {

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

TEST_F(SavedPositionsTest, KeysFollowThePathBelowTheMountPointAndTheLabelOrThereIsNone) {
    EXPECT_EQ(g::PositionKey(Track), DiscKey);
    EXPECT_EQ(g::PositionKey(Disc + "/mpegav//Avseq01.dat"),
              "Software\\Lumadeck\\mpegav\\Avseq01.dat\\VCD_ONE");
    EXPECT_EQ(g::PositionKey("/home/u/trip.mpg"), "Software\\Lumadeck\\home\\u\\trip.mpg\\");
    EXPECT_EQ(g::PositionKey("/v/a/./b.avi"), "Software\\Lumadeck\\a\\b.avi\\");
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
    volumes.unreachable = true;
    EXPECT_EQ(g::PositionKey(Track),
              "Software\\Lumadeck\\media\\u\\VCD_ONE\\MPEGAV\\AVSEQ01.DAT\\");
}

TEST_F(SavedPositionsTest, PausingOrClosingStoresTextsPerDiscAndReopeningResumes) {
    pauseAt(Track, 125.5);
    EXPECT_EQ(at(DiscKey).Value(), QVariant("125.5"));
    EXPECT_EQ(at(DiscKey, "MaxPos").Value(), QVariant("3000"));
    EXPECT_EQ(resume(Track), Seeks({125.5}));
    // The same path on another disc keeps a position of its own.
    volumes.mounts[Disc] = "VCD_TWO";
    EXPECT_TRUE(resume(Track).isEmpty());
    pauseAt(Track, 42);
    EXPECT_EQ(resume(Track), Seeks({42}));
    volumes.mounts[Disc] = "VCD_ONE";
    // Closing stores too, other new states nothing; a control closing the file
    // may already answer 0 for everything, which changes nothing.
    pauseAt(Track, 700.25, 3000, PlayStateCode::Closing);
    for (long state : {0L, 2L, 3L, 6L, 9L}) {
        pauseAt(Track, 800, 3000, PlayStateCode(state));
    }
    pauseAt(Track, 60, 0, PlayStateCode::Closing);
    EXPECT_EQ(resume(Track), Seeks({700.25}));
    // With resuming off positions are still written, and nothing is looked up.
    g::SaveVideoPosition = false;
    pauseAt(Track, 125.5);
    const qsizetype lookups = volumes.asked.size();
    EXPECT_TRUE(resume(Track).isEmpty());
    EXPECT_EQ(volumes.asked.size(), lookups);
    g::SaveVideoPosition = true;

    // Pausing at the start or the end forgets only that file's position: the
    // unlabelled file's key is the parent of the disc track's.
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
}

TEST_F(SavedPositionsTest, ResumesOnlyForTheSameLengthAndAnEarlierPositionWhateverTheLocale) {
    pauseAt(Track, 125.5);
    EXPECT_TRUE(resume(Track, 3000.0000001).isEmpty());
    EXPECT_TRUE(resume(Track, 2999).isEmpty());
    EXPECT_EQ(at(DiscKey).Value(), QVariant("125.5")); // the entry stays
    for (const char* bad : {"3000", "3100", "", "abc", "-5", "0", "nan", "inf", "12,5"}) {
        at(DiscKey).SetValue(bad);
        EXPECT_TRUE(resume(Track).isEmpty()) << bad;
    }
    // Stored texts as a hand may have written them.
    const std::pair<const char*, Seeks> maxima[] = {{"3e3", {12.5}}, {"junk", {}}};
    for (const auto& [max, seeks] : maxima) {
        at(DiscKey).SetValue(" 12.5 ");
        at(DiscKey, "MaxPos").SetValue(max);
        EXPECT_EQ(resume(Track), seeks) << max;
    }
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
}

TEST_F(SavedPositionsTest, ClearingAsksFirstAndKeepsTheOptionsAndOtherKeys) {
    MemorySettingsStore settings;
    RecordingDialogs dialogs;
    ServicesGuard services{{&settings, &dialogs}};
    g::SaveSettings();
    const auto options = settings.values;
    at("Software\\Other").SetValue("1");
    pauseAt(Track, 125.5);
    pauseAt("/v/deep/er/clip.mpg", 30, 60);
    dialogs.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_FALSE(g::ConfirmClearSavedPositions());
    EXPECT_EQ(resume(Track), Seeks({125.5}));
    EXPECT_TRUE(g::ConfirmClearSavedPositions());
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_EQ(dialogs.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_FALSE(at("Software\\Lumadeck").KeyExists());
    EXPECT_TRUE(resume(Track).isEmpty() && resume("/v/deep/er/clip.mpg", 60).isEmpty());
    EXPECT_EQ(at("Software\\Other").Value(), QVariant("1"));
    EXPECT_EQ(settings.values, options);
    pauseAt(Track, 5); // saving afterwards starts the tree again
    EXPECT_EQ(resume(Track), Seeks({5}));
}
