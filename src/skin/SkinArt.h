#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace lumadeck::SkinArt {

// The program's skin pictures, by their names under the data folder
// (DataFiles::Path). They are rendered from the drawings in data/artwork by
// scripts/make-artwork, each also at twice its size (NAME@2x.png) for
// screens with more than one device pixel per point.
inline constexpr const char* CompactBar = "skin/compact.png";           // 404 x 39
inline constexpr const char* PlaylistLeft = "skin/playlist-left.png";   // 126 x 206
inline constexpr const char* PlaylistRight = "skin/playlist-right.png"; // 305 x 207
inline constexpr const char* TitleStrip = "skin/titlebar.png";          // 360 x 22
inline constexpr const char* MinimiseUp = "skin/min-up.png";            // 16 x 16 each
inline constexpr const char* MinimiseDown = "skin/min-down.png";
inline constexpr const char* MinimiseHover = "skin/min-hover.png";
inline constexpr const char* CloseUp = "skin/close-up.png";
inline constexpr const char* CloseDown = "skin/close-down.png";
inline constexpr const char* CloseHover = "skin/close-hover.png";
inline constexpr const char* ShowVideo = "skin/showvideo.png";            // 22 x 18
inline constexpr const char* ShowVideoHover = "skin/showvideo-hover.png"; // 22 x 18
inline constexpr const char* ProgramIcon = "lumadeck.png";                // 64 x 64

// The plain colour that stands in for a skin picture that cannot be read.
QColor FallbackColour();

// The name of a picture's double-size version: "skin/a.png" -> "skin/a@2x.png".
QString DoubleSizeName(const QString& name);

// The highest device pixel ratio of the screens (1 without any): what the
// skin's pictures are chosen for.
qreal ScreenRatio();

// Reads a skin picture for a device pixel ratio (0: ScreenRatio()). Above 1
// the double-size version is taken where there is one, with its device
// pixel ratio set to 2, so that it covers the same points. A missing or
// unreadable file gives a picture of `fallbackSize` filled with `fallback`
// instead, and one line on standard error naming the file (once per file
// name and run).
QPixmap Load(const QString& name, QSize fallbackSize, const QColor& fallback = FallbackColour(),
             qreal ratio = 0);

// Whether a picture of that name could be read (no message either way).
bool Exists(const QString& name);

} // namespace lumadeck::SkinArt
