#pragma once

#include <QString>

namespace lumadeck {

// What the machine answers about drawing video; see ProbeVideoSinkFacts().
struct VideoSinkFacts {
    // A sink named by the user (LUMADECK_VIDEO_SINK); "" when none.
    QString forced;
    // Whether an OpenGL context could be made, and its renderer string.
    bool glWorks = false;
    QString glRenderer;
    // Whether the X server offers Xv ports xvimagesink can use.
    bool xvPorts = false;
};

// The environment variable that forces a video sink by element name.
inline constexpr const char* ForcedVideoSinkVariable = "LUMADECK_VIDEO_SINK";

// Whether a GL renderer string names a renderer that draws on the CPU
// (Mesa's llvmpipe, softpipe, swrast, which calls itself "Software
// Rasterizer").
bool IsSoftwareGlRenderer(const QString& renderer);

// The window sink for these facts: the forced one when named; OpenGL where
// the GPU draws; where OpenGL would run on the CPU (or is missing), Xv
// where the server scales in hardware, otherwise plain X images.
QString ChooseVideoSink(const VideoSinkFacts& facts);

// Whether the named sink draws frames at their own size, so that the
// picture has to be scaled to the window before it.
bool SinkNeedsScaling(const QString& sinkName);

} // namespace lumadeck
