#pragma once

#include <QRegion>

namespace lumadeck::Regions {

// The rectangle (0, 0)-(w, h) with its corners rounded by an ellipse of
// ew x eh pixels, built row by row. A pixel belongs to the region when its
// centre lies inside the rounded outline.
QRegion RoundRect(int w, int h, int ew, int eh);

} // namespace lumadeck::Regions
