// Real clips through GStreamer over two runs of the program, as a user meets
// them: a clip closed while it plays or paused before quitting continues
// there next time.
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

const QString First = LUMADECK_BUILD_DIR "/testmedia/clip.mpg";
const QString Second = LUMADECK_BUILD_DIR "/testmedia/clip.avi";

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// One start of the program: its own registry object on the shared file, the
// real control (silent sinks) and the player. Its end is the program's end.
struct RealRun {
    explicit RealRun(const QString& database) : registry(database) {
        g::SetPositionRegistry(&registry);
        control = new GstMediaControl(&form, {"fakevideosink", "fakeaudiosink"});
        player = std::make_unique<clsPlayVideo>();
        player->SetParentForm(&form);
        player->SetMediaPlayer(control);
        player->SetTimer(&timer);
        player->SetPositionStore(&store);
    }
    ~RealRun() {
        player.reset(); // stores the open clip's position as it closes
        g::SetPositionRegistry(nullptr);
    }
    // Opens the clip and returns its position once it plays.
    double open(const QString& clip) {
        player->PlayVideo(clip);
        EXPECT_TRUE(waitFor([&] {
            return control->FileName() == clip && control->PlayState() == PlayStateCode::Playing;
        }));
        return control->CurrentPosition();
    }
    // Plays on until past the given second and returns the position.
    double playPast(double seconds) {
        EXPECT_TRUE(waitFor([&] { return control->CurrentPosition() >= seconds; }));
        return control->CurrentPosition();
    }

    cRegistry registry;
    QWidget form;
    QTimer timer;
    SavedPositionStore store;
    GstMediaControl* control = nullptr;
    std::unique_ptr<clsPlayVideo> player;
};

class SavedPositionsReal : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo::exists(First) || !QFileInfo::exists(Second)) {
            GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";
        }
        if (!GstMediaControl::InitEngine()) {
            GTEST_SKIP() << "GStreamer cannot run here";
        }
        g::SaveVideoPosition = true;
    }
    // Where a clip resumes, give or take the seek's precision and a busy
    // machine's delay in noticing that play started or the clip closed.
    static void expectNear(double resumed, double left) {
        EXPECT_GE(resumed, left - 0.15);
        EXPECT_LT(resumed, left + 1.0);
    }

    QTemporaryDir dir;
    const QString database = dir.path() + "/registry.sqlite";
};

} // namespace

TEST_F(SavedPositionsReal, ClipsClosedOrPausedContinueThereAfterARestart) {
    double first = 0;
    double second = 0;
    {
        RealRun run(database);
        run.open(First);
        first = run.playPast(1.2);
        run.open(Second); // the first one closes while it plays
        run.playPast(1.2);
        run.player->Pause();
        ASSERT_TRUE(waitFor([&] { return run.control->PlayState() == PlayStateCode::Paused; }));
        second = run.control->CurrentPosition();
    } // quitting with the second one paused
    ASSERT_LT(second, 2.9);
    RealRun run(database);
    expectNear(run.open(First), first);
    expectNear(run.open(Second), second);
}

// Added to a list with resuming off (opened without starting), then opened
// again with resuming on: the clip continues where it was left.
TEST_F(SavedPositionsReal, OpeningWithoutStartingKeepsTheSavedPosition) {
    double left = 0;
    {
        RealRun run(database);
        run.open(First);
        left = run.playPast(1.2);
    }
    RealRun run(database);
    g::SaveVideoPosition = false;
    run.player->OpenVideo(First);
    ASSERT_TRUE(waitFor([&] {
        return run.control->OpenState() == OpenStateCode::Open &&
               run.control->PlayState() == PlayStateCode::Paused;
    }));
    g::SaveVideoPosition = true;
    expectNear(run.open(First), left);
}
