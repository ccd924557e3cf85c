#pragma once

#include <QList>

namespace lumadeck {

// Page Up within this many seconds of a chapter's start goes to the chapter
// before, as stand players do; later it goes back to the chapter's start.
inline constexpr double kChapterBackSeconds = 3.0;

// The chapter playing at a position: the last whose start is not after it
// (a position a little short of a start, as a seek may land, counts as
// there). -1 before the first one or without chapters. starts is sorted.
int ChapterAt(const QList<double>& starts, double position);

// The chapter Page Down (forward) or Page Up (back) goes to from a
// position; -1 when there is none to go to.
int ChapterStep(const QList<double>& starts, double position, bool forward);

} // namespace lumadeck
