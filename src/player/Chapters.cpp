#include "Chapters.h"

namespace lumadeck {

namespace {
// A seek lands on the picture at or before its target: up to a frame short.
constexpr double kLanding = 0.05;
} // namespace

int ChapterAt(const QList<double>& starts, double position) {
    int at = -1;
    for (int i = 0; i < starts.size(); ++i) {
        if (starts[i] <= position + kLanding) {
            at = i;
        }
    }
    return at;
}

int ChapterStep(const QList<double>& starts, double position, bool forward) {
    const int at = ChapterAt(starts, position);
    if (forward) {
        return at + 1 < starts.size() ? at + 1 : -1;
    }
    if (at < 0) {
        return -1;
    }
    if (position - starts[at] < kChapterBackSeconds) {
        return at > 0 ? at - 1 : at;
    }
    return at;
}

} // namespace lumadeck
