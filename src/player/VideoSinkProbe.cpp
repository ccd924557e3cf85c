#include "player/VideoSinkProbe.h"

#include "player/GstHandles.h"

#include <QtGlobal>
#include <gst/gl/gl.h>
#include <gst/gl/gstglfuncs.h>
#include <mutex>

#ifndef GL_RENDERER
#define GL_RENDERER 0x1F01
#endif

namespace lumadeck {

namespace {

// Runs on the context's own thread, with the context current.
void readRenderer(GstGLContext* context, gpointer data) {
    const GstGLFuncs* gl = context->gl_vtable;
    if (!gl || !gl->GetString) {
        return;
    }
    if (const GLubyte* s = gl->GetString(GL_RENDERER)) {
        *static_cast<QString*>(data) = QString::fromLatin1(reinterpret_cast<const char*>(s));
    }
}

// The renderer string; false when no OpenGL context can be made.
bool probeGl(QString* renderer) {
    GstGLDisplay* display = gst_gl_display_new();
    if (!display) {
        return false;
    }
    GstGLContext* context = gst_gl_context_new(display);
    bool made = false;
    if (context) {
        GError* rawError = nullptr;
        made = gst_gl_context_create(context, nullptr, &rawError);
        const gst::ErrorPtr error(rawError);
        if (made) {
            gst_gl_context_thread_add(context, readRenderer, renderer);
        }
        gst_object_unref(context);
    }
    gst_object_unref(display);
    return made;
}

// xvimagesink reaches READY only when the server has the Xv extension and a
// free port for a picture format it can use.
bool probeXv() {
    const gst::ElementPtr sink = gst::MakeElement("xvimagesink");
    if (!sink) {
        return false;
    }
    const bool works =
        gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(sink.get(), GST_STATE_NULL);
    return works;
}

} // namespace

VideoSinkFacts ProbeVideoSinkFacts() {
    static std::once_flag once;
    static VideoSinkFacts machine;
    VideoSinkFacts facts;
    facts.forced = qEnvironmentVariable(ForcedVideoSinkVariable).trimmed();
    if (!facts.forced.isEmpty()) {
        return facts;
    }
    std::call_once(once, [] {
        if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) {
            return;
        }
        machine.glWorks = probeGl(&machine.glRenderer);
        // Xv matters only where OpenGL would not be used.
        const VideoSinkFacts glOnly{QString(), machine.glWorks, machine.glRenderer, false};
        if (ChooseVideoSink(glOnly) != QLatin1String("glimagesink")) {
            machine.xvPorts = probeXv();
        }
    });
    facts.glWorks = machine.glWorks;
    facts.glRenderer = machine.glRenderer;
    facts.xvPorts = machine.xvPorts;
    return facts;
}

} // namespace lumadeck
