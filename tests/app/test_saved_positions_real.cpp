// A real clip through GStreamer, as a user meets it: paused at a second,
// program closed, started again, the clip opened: it continues there.
#include "app/SavedPositions.h"
#include "app/mdlGlobals.h"
#include "platform/cRegistry.h"
#include "player/GstMediaControl.h"
#include "player/clsPlayVideo.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace lumadeck;
namespace g = lumadeck::mdlGlobals;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// One start of the program: the real control (silent sinks) and the player.
struct RealRun {
    RealRun() {
        control = new GstMediaControl(&form, {"fakevideosink", "fakeaudiosink"});
        player = std::make_unique<clsPlayVideo>();
        player->SetParentForm(&form);
        player->SetMediaPlayer(control);
        player->SetTimer(&timer);
        player->SetPositionStore(&store);
    }
    QWidget form;
    QTimer timer;
    SavedPositionStore store;
    GstMediaControl* control = nullptr;
    std::unique_ptr<clsPlayVideo> player;
};

} // namespace

TEST(SavedPositionsReal, APausedClipContinuesThereAfterARestart) {
    const QString clip = LUMADECK_BUILD_DIR "/testmedia/clip.mpg";
    if (!QFileInfo::exists(clip)) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    if (!GstMediaControl::InitEngine()) {
        GTEST_SKIP() << "GStreamer cannot run here";
    }
    QTemporaryDir dir;
    g::SaveVideoPosition = true;
    double paused = 0;
    {
        cRegistry registry(dir.path() + "/registry.sqlite");
        g::SetPositionRegistry(&registry);
        RealRun run;
        run.player->PlayVideo(clip);
        ASSERT_TRUE(waitFor([&] { return run.control->CurrentPosition() >= 1.2; }));
        run.player->Pause();
        ASSERT_TRUE(
            waitFor([&] { return run.control->PlayState() == MediaControl::PlayStatePaused; }));
        paused = run.control->CurrentPosition();
        run.player.reset(); // closing the program
        g::SetPositionRegistry(nullptr);
    }
    ASSERT_GT(paused, 1.0);
    ASSERT_LT(paused, 2.9);
    {
        cRegistry registry(dir.path() + "/registry.sqlite");
        g::SetPositionRegistry(&registry);
        RealRun run;
        run.player->PlayVideo(clip);
        ASSERT_TRUE(
            waitFor([&] { return run.control->PlayState() == MediaControl::PlayStatePlaying; }));
        // Where it was paused, give or take the seek's precision and a busy
        // machine's delay in noticing that play started.
        EXPECT_GE(run.control->CurrentPosition(), paused - 0.15);
        EXPECT_LT(run.control->CurrentPosition(), paused + 1.0);
        run.player.reset();
        g::SetPositionRegistry(nullptr);
    }
}

TEST(SavedPositionsReal, OpeningAnotherClipKeepsThePlaceOfTheFirst) {
    const QString first = LUMADECK_BUILD_DIR "/testmedia/clip.mpg";
    const QString second = LUMADECK_BUILD_DIR "/testmedia/clip.avi";
    if (!QFileInfo::exists(first) || !QFileInfo::exists(second)) {
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
    }
    if (!GstMediaControl::InitEngine()) {
        GTEST_SKIP() << "GStreamer cannot run here";
    }
    QTemporaryDir dir;
    g::SaveVideoPosition = true;
    cRegistry registry(dir.path() + "/registry.sqlite");
    g::SetPositionRegistry(&registry);
    double left = 0;
    {
        RealRun run;
        run.player->PlayVideo(first);
        ASSERT_TRUE(waitFor([&] { return run.control->CurrentPosition() >= 1.2; }));
        left = run.control->CurrentPosition();
        run.player->PlayVideo(second); // the first one closes while it plays
        ASSERT_TRUE(waitFor([&] { return run.control->FileName() == second; }));
    }
    {
        RealRun run;
        run.player->PlayVideo(first);
        ASSERT_TRUE(
            waitFor([&] { return run.control->PlayState() == MediaControl::PlayStatePlaying; }));
        // The file closed a little after `left` was read.
        EXPECT_GE(run.control->CurrentPosition(), left - 0.15);
        EXPECT_LT(run.control->CurrentPosition(), left + 1.0);
    }
    g::SetPositionRegistry(nullptr);
}
