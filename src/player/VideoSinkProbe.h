#pragma once

#include "player/VideoSinkChoice.h"

namespace lumadeck {

// Asks this machine what ChooseVideoSink() needs: the sink named in
// LUMADECK_VIDEO_SINK; the renderer of an OpenGL context made the way
// GStreamer's OpenGL sink makes it; whether xvimagesink finds Xv ports on
// the X server. The OpenGL and Xv answers are asked once per process (a
// context costs tens of milliseconds) and kept; the variable is read each
// time. Call with an X11 desktop only.
VideoSinkFacts ProbeVideoSinkFacts();

} // namespace lumadeck
