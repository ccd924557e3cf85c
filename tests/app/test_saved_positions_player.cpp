// Saved positions as the video player uses them, over two runs of the
// program: a file paused or left open continues there next time.
#include "app/SavedPositions.h"
#include "app/mdlGlobals.h"
#include "platform/cRegistry.h"
#include "player/SimulatedMediaControl.h"
#include "player/clsPlayVideo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace lumadeck;
namespace g = lumadeck::mdlGlobals;

namespace {

// One disc, mounted at a folder of the test.
class OneDisc : public IVolumeLookup {
public:
    std::optional<VolumeInfo> VolumeOf(const QString& path) override {
        if (path.startsWith(mountPoint + "/")) {
            return VolumeInfo{mountPoint, label};
        }
        return VolumeInfo{"/", ""};
    }
    QString mountPoint;
    QString label;
};

// What one start of the program sets up: its own registry object on the
// shared file, the control and the player.
struct ProgramRun {
    explicit ProgramRun(const QString& database) : registry(database) {
        g::SetPositionRegistry(&registry);
        control = new SimulatedMediaControl(&form);
        player = std::make_unique<clsPlayVideo>();
        player->SetParentForm(&form);
        player->SetMediaPlayer(control);
        player->SetTimer(&timer);
        player->SetPositionStore(&store);
    }
    ~ProgramRun() {
        player.reset(); // the player stores the open file's position as it goes
        g::SetPositionRegistry(nullptr);
    }
    void script(const QString& file, double duration) {
        SimulatedMedia media;
        media.duration = duration;
        control->Script(file, media);
    }

    cRegistry registry;
    QWidget form;
    QTimer timer;
    SavedPositionStore store;
    SimulatedMediaControl* control = nullptr;
    std::unique_ptr<clsPlayVideo> player;
};

class PlayerPositionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        disc.mountPoint = dir.path() + "/media/VCD_ONE";
        disc.label = "VCD_ONE";
        g::SetVolumeLookup(&disc);
        g::SaveVideoPosition = true;
        track = makeFile("media/VCD_ONE/MPEGAV/AVSEQ01.DAT");
        other = makeFile("media/VCD_ONE/MPEGAV/AVSEQ02.DAT");
        database = dir.path() + "/data/Lumadeck/registry.sqlite";
    }
    void TearDown() override { g::SetVolumeLookup(nullptr); }

    QString makeFile(const QString& relative) {
        const QString path = dir.path() + "/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("clip");
        return path;
    }

    QTemporaryDir dir;
    OneDisc disc;
    QString track;
    QString other;
    QString database;
};

} // namespace

TEST_F(PlayerPositionsTest, APausedFileContinuesThereInTheNextRun) {
    {
        ProgramRun run(database);
        run.script(track, 3000);
        run.player->PlayVideo(track);
        run.control->Advance(125.5);
        run.player->Pause();
        run.control->Advance(10); // paused: the position stays
    }
    {
        ProgramRun run(database);
        run.script(track, 3000);
        run.player->PlayVideo(track);
        EXPECT_DOUBLE_EQ(run.control->CurrentPosition(), 125.5);
        EXPECT_EQ(run.control->PlayState(), MediaControl::PlayStatePlaying);
    }
}

TEST_F(PlayerPositionsTest, OpeningAnotherFileOrQuittingKeepsThePlace) {
    {
        ProgramRun run(database);
        run.script(track, 3000);
        run.script(other, 200);
        run.player->PlayVideo(track);
        run.control->Advance(60);
        run.player->Pause();
        run.player->PlayVideo(other); // closes the first file
        run.control->Advance(20);
    } // quitting while the second one plays
    {
        ProgramRun run(database);
        run.script(track, 3000);
        run.script(other, 200);
        run.player->PlayVideo(track);
        EXPECT_DOUBLE_EQ(run.control->CurrentPosition(), 60);
        run.player->PlayVideo(other);
        EXPECT_DOUBLE_EQ(run.control->CurrentPosition(), 20);
    }
}
