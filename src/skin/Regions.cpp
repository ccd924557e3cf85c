#include "Regions.h"

#include <QRect>
#include <algorithm>
#include <cmath>

namespace lumadeck::Regions {

QRegion RoundRect(int w, int h, int ew, int eh) {
    if (w <= 0 || h <= 0) {
        return {};
    }
    const double a = std::clamp(ew, 0, w) / 2.0; // horizontal radius
    const double b = std::clamp(eh, 0, h) / 2.0; // vertical radius
    QRegion region;
    int runStart = 0;
    int runInset = -1;
    auto flush = [&](int yEnd) {
        if (runInset >= 0 && w - 2 * runInset > 0) {
            region += QRect(runInset, runStart, w - 2 * runInset, yEnd - runStart);
        }
    };
    for (int y = 0; y < h; ++y) {
        const double cy = y + 0.5;
        double dy = 0;
        if (cy < b) {
            dy = b - cy;
        } else if (cy > h - b) {
            dy = cy - (h - b);
        }
        int inset = 0;
        if (dy > 0 && a > 0 && b > 0) {
            const double t = std::max(0.0, 1.0 - (dy / b) * (dy / b));
            // The first pixel whose centre is inside the ellipse.
            inset = static_cast<int>(std::ceil(a - a * std::sqrt(t) - 0.5));
            inset = std::clamp(inset, 0, w / 2);
        }
        if (inset != runInset) {
            flush(y);
            runStart = y;
            runInset = inset;
        }
    }
    flush(h);
    return region;
}

} // namespace lumadeck::Regions
