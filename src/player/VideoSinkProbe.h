#pragma once

#include "player/VideoSinkChoice.h"

namespace lumadeck {

// Asks this machine what ChooseVideoSink() needs: the sink named in
// LUMADECK_VIDEO_SINK; whether OpenGL is drawn by a GPU; whether
// xvimagesink finds Xv ports on the X server. OpenGL is first judged from
// the server's extensions and Mesa's variables (JudgeDisplayGl()); only
// where they cannot tell is a context made, in a short process of its own,
// for its renderer, so the player never loads an OpenGL driver just to ask.
// The OpenGL and Xv answers are asked once per process and kept (any
// thread may ask first; the others wait for its answer); the variable is
// read each time. Call with an X11 desktop only.
VideoSinkFacts ProbeVideoSinkFacts();

} // namespace lumadeck
