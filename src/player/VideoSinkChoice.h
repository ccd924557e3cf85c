#pragma once

#include <QString>

namespace lumadeck {

// What the machine answers about drawing video; see ProbeVideoSinkFacts().
struct VideoSinkFacts {
    // A sink named by the user (LUMADECK_VIDEO_SINK); "" when none.
    QString forced;
    // Whether an OpenGL context could be made, and its renderer string
    // (false, without asking a context, where the display shows OpenGL
    // missing or drawn on the CPU).
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

// What the X server and the environment say about OpenGL before any context
// is made (see JudgeDisplayGl()).
struct DisplayGlFacts {
    // The server's extensions: GLX at all; DRI3 or DRI2, through which a
    // GPU driver draws directly; a GPU vendor's own GLX (NV-GLX).
    bool glx = false;
    bool dri3 = false;
    bool dri2 = false;
    bool vendorGlx = false;
    // LIBGL_ALWAYS_SOFTWARE and GALLIUM_DRIVER as set ("" when not).
    QString alwaysSoftware;
    QString galliumDriver;
};

enum class DisplayGl {
    // No OpenGL on this display.
    Missing,
    // OpenGL would be drawn on the CPU.
    Software,
    // Only a context's renderer can tell.
    Unknown,
};

// Judges OpenGL from those facts alone: missing without GLX; on the CPU
// when Mesa is told to draw in software, or when the server offers no
// direct rendering (no DRI3, no DRI2, no vendor GLX: a virtual framebuffer
// or a remote display, where GLX is drawn by the server's own software
// renderer); otherwise unknown.
DisplayGl JudgeDisplayGl(const DisplayGlFacts& facts);

// Whether the named sink draws frames at their own size, so that the
// picture has to be scaled to the window before it.
bool SinkNeedsScaling(const QString& sinkName);

} // namespace lumadeck
