// A playlist played through the real engine with real clips: saved while its
// second entry plays, the program quits, and the playlist loaded again goes
// on at that entry and second.
#include "platform/Services.h"
#include "player/GstMediaControl.h"
#include "player/TagTimer.h"
#include "playlist/M3UFile.h"
#include "playlist/clsPlayList.h"
#include "testing/RecordingDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// One run of the program: a control, the main window's timer and the
// controller, torn down in the order the main window releases them.
struct Session {
    GstMediaControl control{nullptr, {"fakevideosink", "fakeaudiosink"}};
    TagTimer timer;
    clsPlayList list;
    Session() {
        list.cPlay().SetMediaPlayer(&control);
        list.cPlay().SetTimer(&timer);
    }
    template <typename Condition> static bool waitFor(Condition condition) {
        return QTest::qWaitFor(condition, 15000);
    }
    bool waitUntilPlaying(const QString& file) {
        return waitFor([&] {
            return control.FileName() == file && control.PlayState() == PlayStateCode::Playing;
        });
    }
};

} // namespace

TEST(PlayListRealEngine, SavedPlaylistGoesOnAtItsEntryAndSecond) {
    const QString media = LUMADECK_BUILD_DIR "/testmedia/";
    const QStringList clips{media + "clip.mpg", media + "clip.avi", media + "clip.mp3"};
    for (const QString& c : clips) {
        if (!QFileInfo::exists(c)) {
            GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
        }
    }
    QString error;
    ASSERT_TRUE(GstMediaControl::InitEngine(&error)) << error.toStdString();
    RecordingDialogs dialogs;
    Services::setDialogs(&dialogs);
    QTemporaryDir dir;
    const QString path = dir.filePath("evening.m3u");

    double savedAt = 0;
    {
        Session first;
        for (const QString& c : clips) {
            first.list.Add(c, true);
        }
        first.list.PlayVideoByIndex(1, 0);
        ASSERT_TRUE(first.waitUntilPlaying(clips[1]));
        ASSERT_TRUE(first.waitFor([&] { return first.control.CurrentPosition() >= 1.2; }));
        first.list.cPlay().Pause();
        ASSERT_TRUE(
            first.waitFor([&] { return first.control.PlayState() == PlayStateCode::Paused; }));
        savedAt = first.control.CurrentPosition();
        ASSERT_TRUE(first.list.SavePlayList(path));
    }

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("#EXTM3U\r\n#Last:1,")) << text.toStdString();
    const M3UFile::Contents saved = M3UFile::Parse(text);
    EXPECT_EQ(saved.names, clips);
    EXPECT_EQ(saved.lastIndex, 1);
    EXPECT_NEAR(saved.lastPosition, savedAt, 1e-6);
    EXPECT_GT(savedAt, 1.0);

    {
        Session second;
        ASSERT_TRUE(second.list.LoadPlayList(path));
        EXPECT_EQ(second.list.CurrentFileIndex(), 1);
        // The second entry opens at the second where it was left...
        ASSERT_TRUE(second.waitFor([&] {
            return second.control.FileName() == clips[1] &&
                   second.control.OpenState() == OpenStateCode::Open &&
                   second.control.CurrentPosition() > 0;
        }));
        const double openedAt = second.control.CurrentPosition();
        EXPECT_NEAR(openedAt, savedAt, 0.3);
        // ...and plays on from there.
        ASSERT_TRUE(second.waitUntilPlaying(clips[1]));
        EXPECT_GE(second.control.CurrentPosition(), savedAt - 0.3);
        EXPECT_EQ(second.list.PlayListFileName(), path);
        EXPECT_FALSE(second.list.IsModified());
    }
    EXPECT_TRUE(dialogs.boxes.isEmpty()) << dialogs.boxes.value(0).text.toStdString();
    Services::setDialogs(nullptr);
}
