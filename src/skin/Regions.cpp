#include "Regions.h"

#include <QRect>
#include <algorithm>
#include <cmath>
#include <vector>

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

QRegion Polygon(const QPolygonF& polygon) {
    if (polygon.size() < 3) {
        return {};
    }
    const QRectF bounds = polygon.boundingRect();
    const int top = static_cast<int>(std::floor(bounds.top()));
    const int bottom = static_cast<int>(std::ceil(bounds.bottom()));
    std::vector<double> crossings;
    std::vector<QRect> rects;
    for (int y = top; y < bottom; ++y) {
        const double cy = y + 0.5;
        crossings.clear();
        for (qsizetype i = 0; i < polygon.size(); ++i) {
            const QPointF a = polygon[i];
            const QPointF b = polygon[(i + 1) % polygon.size()];
            // Half-open in y, so a vertex on the row's centre counts once.
            if ((a.y() <= cy && cy < b.y()) || (b.y() <= cy && cy < a.y())) {
                crossings.push_back(a.x() + (cy - a.y()) * (b.x() - a.x()) / (b.y() - a.y()));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // Pixels whose centre x + 0.5 lies in [left, right).
            const int first = static_cast<int>(std::ceil(crossings[i] - 0.5));
            const int last = static_cast<int>(std::ceil(crossings[i + 1] - 0.5)) - 1;
            if (last >= first) {
                rects.emplace_back(first, y, last - first + 1, 1);
            }
        }
    }
    QRegion region;
    for (const QRect& r : rects) {
        region += r;
    }
    return region;
}

} // namespace lumadeck::Regions
