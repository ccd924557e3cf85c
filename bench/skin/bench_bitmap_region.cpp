// GetBitmapRegion of a 1920 x 1080 skin with scattered transparent pixels
// (one in 200, placed at random) and a transparent margin, against building
// the same region from the whole rectangle by one subtraction per run of
// transparent pixels. Prints the median of 10 runs of each and their ratio,
// and checks that both give the same region.
#include "skin/clsGuiFuncs.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QRegion>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr QRgb Key = 0xFF00FF;

QRegion bySubtraction(const QImage& image) {
    QRegion region(0, 0, image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && (row[x] & 0xFFFFFF) != Key) {
                ++x;
            }
            const int start = x;
            while (x < image.width() && (row[x] & 0xFFFFFF) == Key) {
                ++x;
            }
            if (start < x) {
                region -= QRect(start, y, x - start, 1);
            }
            ++x;
        }
    }
    return region;
}

template <class F> double medianMs(int runs, F work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    QImage skin(1920, 1080, QImage::Format_RGB32);
    skin.fill(qRgb(74, 24, 38));
    QRandomGenerator random(2002);
    int transparent = 0;
    for (int y = 0; y < skin.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(skin.scanLine(y));
        for (int x = 0; x < skin.width(); ++x) {
            const bool margin = x < 8 || x >= skin.width() - 8;
            if (margin || random.bounded(200) == 0) {
                row[x] = Key;
                ++transparent;
            }
        }
    }
    std::printf("picture 1920 x 1080, %d transparent pixels\n", transparent);

    QRegion fast;
    QRegion slow;
    const double linear =
        medianMs(10, [&] { fast = lumadeck::clsGuiFuncs::GetBitmapRegion(skin, QColor(Key)); });
    std::printf("GetBitmapRegion (row runs, one pass):   median of 10 %10.1f ms, %d rectangles\n",
                linear, fast.rectCount());
    std::fflush(stdout);
    const double literal = medianMs(10, [&] { slow = bySubtraction(skin); });
    std::printf("one subtraction per transparent run:    median of 10 %10.1f ms\n", literal);
    std::printf("ratio (subtraction / GetBitmapRegion):  %.1f\n", literal / linear);
    if (fast != slow) {
        std::printf("MISMATCH: the two regions differ\n");
        return 1;
    }
    std::printf("both give the same region\n");
    return 0;
}
