#pragma once

#include "player/MediaCodes.h"

#include <QRect>
#include <QSize>

namespace lumadeck {

// Where the picture goes inside area: the source size scaled for the
// display size (0 actual, 1 half, 2 double, 3 full screen and 4 fit to the
// area, 5/6/7 one sixteenth/fourth/half of the screen), keeping the
// picture's shape, never larger than the area, centred in it. Without a
// picture (an empty source) the whole area.
QRect VideoRect(const QRect& area, const QSize& source, DisplaySizeCode displaySize,
                const QSize& screen);

} // namespace lumadeck
