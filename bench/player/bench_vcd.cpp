// Video CD figures, printed:
//  - open to first frame (the control's Started: the picture sink has its
//    first frame) of an image track read from its sectors, against the same
//    MPEG as a file on disk; warm medians of 20 alternating runs each, and
//    their ratio (goal: 1.2 or less);
//  - sector reading throughput of the disc reader over the whole track, as
//    a multiple of the 1x Video CD rate (75 sectors of 2,324 bytes a
//    second; goal: 50x or more).
// The images come from scripts/make-test-media (BUILD/testmedia/vcd).
#include "OpenTiming.h"
#include "cd/VcdDisc.h"
#include "player/GstMediaControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lumadeck;
using namespace lumadeck::bench;

namespace {

QString media(const QString& name) {
    return QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/vcd/") + name;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString file = media("clip_a.mpg");
    const QString track = media("one.cue") + "/MPEGAV/AVSEQ01.DAT";
    if (!QFileInfo::exists(file) || !QFileInfo::exists(media("one.cue"))) {
        std::printf("vcd: no test images; run scripts/make-test-media %s/testmedia\n",
                    LUMADECK_BUILD_DIR);
        return 0;
    }
    GstMediaControl c(nullptr, {QStringLiteral("fakevideosink"), QStringLiteral("fakeaudiosink")});
    openToStarted(c, file);
    openToStarted(c, track); // engine, caches and the source element warm
    std::vector<double> onDisk;
    std::vector<double> fromSectors;
    for (int i = 0; i < 20; ++i) {
        if (const double ms = openToStarted(c, file); ms >= 0) {
            onDisk.push_back(ms);
        }
        if (const double ms = openToStarted(c, track); ms >= 0) {
            fromSectors.push_back(ms);
        }
    }
    const double disk = median(onDisk);
    const double sectors = median(fromSectors);
    std::printf("vcd open to first frame: MPEG on disk median %.1f ms (%zu runs), image track "
                "median %.1f ms (%zu runs), ratio %.2f (goal <= 1.2)\n",
                disk, onDisk.size(), sectors, fromSectors.size(), disk > 0 ? sectors / disk : -1);

    auto disc = VcdDisc::Open(media("two.cue"));
    const auto f = disc ? disc->Find("/MPEGAV/AVSEQ01.DAT") : std::nullopt;
    if (!f) {
        std::printf("vcd throughput: the track cannot be opened\n");
        return 1;
    }
    std::vector<char> buf(2324 * 16);
    qint64 bytes = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1000) {
        for (qint64 at = 0; at < f->Bytes();) {
            const qint64 n = disc->Read(*f, at, buf.data(), qint64(buf.size()));
            if (n <= 0) {
                std::printf("vcd throughput: read failed at %lld\n", static_cast<long long>(at));
                return 1;
            }
            at += n;
            bytes += n;
        }
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    const double rate = double(bytes) / seconds;
    const double oneX = 75.0 * 2324.0;
    std::printf("vcd sector reading: %.1f MB/s, %.0fx the 1x Video CD rate (goal >= 50x)\n",
                rate / 1e6, rate / oneX);
    return 0;
}
