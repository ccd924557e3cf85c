// Drives the video player through the simulated control with arbitrary
// sequences of operations and control notifications (including listeners
// that start the next file from inside the player's events), and checks
// that nothing crashes and the player's promises hold: Done never comes
// twice for one end, and the time format always gives m:ss or h:mm:ss.
#include "platform/Services.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"
#include "testing/RecordingDialogs.h"
#include "testing/SimulatedMediaControl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

QApplication* app = nullptr;
QString folder;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "player_sequence: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app = new QApplication(*argc, *argv);
    folder = QDir::tempPath() + QStringLiteral("/lumadeck_fuzz_player");
    QDir().mkpath(folder);
    for (const char* name : {"a.mpg", "b.dat", "c.wav"}) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        f.open(QIODevice::WriteOnly);
        f.write("x");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QRegularExpression timeText(
        QStringLiteral("^(\\d+:\\d\\d|\\d+:\\d\\d:\\d\\d|0:-?\\d\\d+)$"));
    RecordingDialogs dialogs;
    Services::setDialogs(&dialogs);
    {
        QWidget parent;
        parent.resize(640, 480);
        auto* control = new SimulatedMediaControl(&parent);
        TagTimer timer;
        clsPlayVideo player;
        player.SetParentForm(&parent);
        player.SetMediaPlayer(control);
        player.SetTimer(&timer);
        timer.stop();
        const QString files[] = {folder + "/a.mpg", folder + "/b.dat", folder + "/c.wav",
                                 folder + "/missing.mpg"};
        SimulatedMedia m;
        m.duration = 90;
        control->Script(files[0], m);
        m.duration = 4000;
        m.width = 1600;
        control->Script(files[1], m);
        m.failWhileOpening = true;
        m.errorDescription = QStringLiteral("corrupt format");
        control->Script(files[2], m);

        bool chainOnDone = false;
        int depth = 0;
        QObject::connect(&player, &clsPlayVideo::Done, [&](const QString&) {
            if (chainOnDone && depth < 3) {
                ++depth;
                player.PlayVideo(files[depth % 4], 0);
                --depth;
            }
        });
        QObject::connect(
            &player, &clsPlayVideo::PositionChanged, [&](const QString& p, const QString& l) {
                check(timeText.match(p).hasMatch() && timeText.match(l).hasMatch(), "time text");
            });

        for (size_t i = 0; i + 1 < size && i < 400; i += 2) {
            const uint8_t op = data[i] % 20;
            const uint8_t arg = data[i + 1];
            switch (op) {
            case 0:
                player.PlayVideo(files[arg % 4], arg % 3 == 0 ? arg : 0);
                break;
            case 1:
                player.OpenVideo(files[arg % 4], arg);
                break;
            case 2:
                control->ReachEnd();
                break;
            case 3:
                control->RaiseError(arg, arg % 2 ? QStringLiteral("Failed to set the PROPERTY")
                                                 : QStringLiteral("codec missing"));
                break;
            case 4:
                player.Tick();
                break;
            case 5:
                player.Pause();
                break;
            case 6:
                player.StopPlaying();
                break;
            case 7:
                player.Play();
                break;
            case 8:
                player.SeekTo(arg * 17.3 - 100);
                break;
            case 9:
                player.SetlZoom(ZoomIndex(arg % 6));
                break;
            case 10:
                player.SetFullScreen(arg % 2);
                break;
            case 11:
                parent.resize(arg * 4, (255 - arg) * 3);
                player.ResizePlayer();
                break;
            case 12:
                player.RaiseStatusAfterSeconds(arg % 5);
                break;
            case 13:
                control->SetDelivery(static_cast<SimulatedMediaControl::Delivery>(arg % 3));
                break;
            case 14:
                control->Flush();
                break;
            case 15:
                chainOnDone = arg % 2;
                break;
            case 16:
                control->Advance(arg);
                break;
            case 17:
                control->SetFailing(QStringLiteral("Duration"), arg % 2);
                break;
            case 18:
                player.SetFileName(files[arg % 4]);
                break;
            case 19:
                check(!ConvertSeconds(arg * 123.457 - 1000).isEmpty(), "empty time");
                parent.setWindowState(arg % 2 ? Qt::WindowMinimized : Qt::WindowNoState);
                break;
            }
        }
        control->Flush();
        check(!player.bResizing(), "resize guard left set");
    }
    Services::setDialogs(nullptr);
    return 0;
}
