#pragma once

#include <QPolygonF>
#include <QRegion>

namespace lumadeck::Regions {

// The rectangle (0, 0)-(w, h) with its corners rounded by an ellipse of
// ew x eh pixels, built row by row. A pixel belongs to the region when its
// centre lies inside the rounded outline.
QRegion RoundRect(int w, int h, int ew, int eh);

// The pixels whose centres lie inside the polygon, under the alternate
// (even-odd) rule, built row by row.
QRegion Polygon(const QPolygonF& polygon);

} // namespace lumadeck::Regions
