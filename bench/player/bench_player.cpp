// Playback engine figures, printed:
//  - open-to-Started time of the GStreamer control for the MPEG-1 clip and
//    the Video CD .dat: first open in a fresh process (engine start included)
//    and warm (engine running, control reused), median of 20 each;
//  - peak memory of the process;
//  - a soak run: short files played back to back through the video player,
//    each of which must end with Done, and the memory growth from file 50 on.
// The clips come from scripts/make-test-media (BUILD/testmedia). Sound and
// picture go to silent sinks that keep real time.
//
//   bench_player [--soak-files N]       all figures
//   bench_player --cold-once FILE       one first open, prints milliseconds
#include "OpenTiming.h"
#include "player/GstMediaControl.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace lumadeck;
using namespace lumadeck::bench;

namespace {

const GstMediaControl::Sinks kSinks{QStringLiteral("fakevideosink"),
                                    QStringLiteral("fakeaudiosink")};

QString media(const QString& name) {
    return QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/") + name;
}

double peakMB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

double currentMB() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0 : -1;
}

int coldOnce(const QString& file) {
    QElapsedTimer t;
    t.start();
    GstMediaControl c(nullptr, kSinks); // starts the engine and builds the pipeline
    const double setup = double(t.nsecsElapsed()) / 1e6;
    const double open = openToStarted(c, file);
    std::printf("%.3f\n", open < 0 ? -1 : setup + open);
    return open < 0 ? 1 : 0;
}

void openFigures(const QString& name, int runs) {
    const QString file = media(name);
    std::vector<double> cold;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--cold-once"), file});
        if (p.waitForFinished(30000) && p.exitCode() == 0) {
            cold.push_back(p.readAllStandardOutput().trimmed().toDouble());
        }
    }
    GstMediaControl c(nullptr, kSinks);
    openToStarted(c, file); // engine and caches warm
    std::vector<double> warm;
    for (int i = 0; i < runs; ++i) {
        const double ms = openToStarted(c, file);
        if (ms >= 0) {
            warm.push_back(ms);
        }
    }
    std::printf("%-9s open to Started: first open median %.1f ms (%zu/%d runs), warm median "
                "%.1f ms (min %.1f, max %.1f, %zu/%d runs)\n",
                qPrintable(name), median(cold), cold.size(), runs, median(warm),
                warm.empty() ? -1 : *std::min_element(warm.begin(), warm.end()),
                warm.empty() ? -1 : *std::max_element(warm.begin(), warm.end()), warm.size(), runs);
}

int soak(int files) {
    QTemporaryDir dir;
    const QStringList kinds = {QStringLiteral("mpg"), QStringLiteral("avi"), QStringLiteral("wav"),
                               QStringLiteral("mp3")};
    QStringList names;
    for (int i = 0; i < files; ++i) {
        const QString kind = kinds[i % kinds.size()];
        const QString name =
            dir.filePath(QStringLiteral("soak_%1.%2").arg(i, 3, 10, QChar('0')).arg(kind));
        if (!QFile::link(media(QStringLiteral("short/short.") + kind), name)) {
            std::printf("soak: cannot make %s\n", qPrintable(name));
            return 1;
        }
        names << name;
    }
    QWidget window;
    window.resize(640, 480);
    auto* control = new GstMediaControl(&window, kSinks);
    TagTimer timer;
    clsPlayVideo player;
    player.SetParentForm(&window);
    player.SetMediaPlayer(control);
    player.SetTimer(&timer);

    int next = 0;
    int done = 0;
    int errors = 0;
    double memAt50 = -1;
    QStringList notDone;
    QString expected;
    QObject::connect(&player, &clsPlayVideo::ErrorMsg, [&](const QString&) { ++errors; });
    QObject::connect(&player, &clsPlayVideo::Done, [&](const QString& f) {
        if (f == expected) {
            ++done;
        } else {
            notDone << expected;
        }
        if (done == 50) {
            memAt50 = currentMB();
        }
        if (next < names.size()) {
            expected = names[next++];
            player.PlayVideo(expected, 0);
        }
    });
    QElapsedTimer t;
    t.start();
    expected = names[next++];
    player.PlayVideo(expected, 0);
    waitUntil([&] { return done + notDone.size() >= files; }, files * 5000);
    const double memEnd = currentMB();
    std::printf("soak: %d files in %.1f s, %d ended with Done, %d errors, %lld missing; "
                "memory %.1f MB at file 50, %.1f MB at file %d, growth %.2f MB (goal < 10)\n",
                files, double(t.elapsed()) / 1000.0, done, errors,
                static_cast<long long>(notDone.size()), memAt50, memEnd, files, memEnd - memAt50);
    return done == files ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args[1] == QLatin1String("--cold-once")) {
        return coldOnce(args[2]);
    }
    int soakFiles = 300;
    const int at = int(args.indexOf(QStringLiteral("--soak-files")));
    if (at > 0 && at + 1 < args.size()) {
        soakFiles = std::max(1, args[at + 1].toInt());
    }
    if (!QFileInfo::exists(media(QStringLiteral("clip.mpg")))) {
        std::printf("no test media: run scripts/make-test-media %s/testmedia\n",
                    LUMADECK_BUILD_DIR);
        return 1;
    }
    openFigures(QStringLiteral("clip.mpg"), 20);
    openFigures(QStringLiteral("clip.dat"), 20);
    std::printf("peak memory after the open runs: %.1f MB\n", peakMB());
    const int rc = soak(soakFiles);
    std::printf("peak memory: %.1f MB\n", peakMB());
    return rc;
}
