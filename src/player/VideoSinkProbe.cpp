#include "player/VideoSinkProbe.h"

#include "player/GstHandles.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <gst/gl/gl.h>
#include <gst/gl/gstglfuncs.h>
#include <mutex>
#include <type_traits>
#include <unistd.h>
#include <xcb/xcb.h>

#ifndef GL_RENDERER
#define GL_RENDERER 0x1F01
#endif

namespace lumadeck {

namespace {

// Set in the environment of the short process that asks OpenGL for its
// renderer (this same program, started again; see rendererProbeMain()).
constexpr const char* RendererProbeVariable = "LUMADECK_GL_RENDERER_PROBE";
constexpr int RendererProbeTimeoutMs = 10000;

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

// GStreamer's OpenGL library, opened in the probing process only: the
// player never maps it, nor the OpenGL, DRM and Wayland libraries it brings
// (a dozen libraries less to load at every start).
struct GlLibrary {
    decltype(&gst_gl_display_new) displayNew = nullptr;
    decltype(&gst_gl_context_new) contextNew = nullptr;
    decltype(&gst_gl_context_create) contextCreate = nullptr;
    decltype(&gst_gl_context_thread_add) threadAdd = nullptr;

    // False when the library or one of its functions is missing. The
    // library stays loaded: the probing process ends right after.
    bool Open() {
        void* library = dlopen("libgstgl-1.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            return false;
        }
        const auto find = [library](auto& function, const char* name) {
            function =
                reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
            return function != nullptr;
        };
        return find(displayNew, "gst_gl_display_new") && find(contextNew, "gst_gl_context_new") &&
               find(contextCreate, "gst_gl_context_create") &&
               find(threadAdd, "gst_gl_context_thread_add");
    }
};

// The renderer string of a context made the way GStreamer's OpenGL sink
// makes it; false when no context can be made.
bool probeGl(QString* renderer) {
    GlLibrary gl;
    if (!gl.Open()) {
        return false;
    }
    GstGLDisplay* display = gl.displayNew();
    if (!display) {
        return false;
    }
    GstGLContext* context = gl.contextNew(display);
    bool made = false;
    if (context) {
        GError* rawError = nullptr;
        made = gl.contextCreate(context, nullptr, &rawError);
        const gst::ErrorPtr error(rawError);
        if (made) {
            gl.threadAdd(context, readRenderer, renderer);
        }
        gst_object_unref(context);
    }
    gst_object_unref(display);
    return made;
}

// In the probing process, before anything else of the program runs: make
// the context, print its renderer, and end. The OpenGL driver (for a
// software renderer, tens of megabytes and a compiler) is loaded there and
// gone with it, never in the player.
__attribute__((constructor)) void rendererProbeMain() {
    const char* asked = std::getenv(RendererProbeVariable);
    if (!asked || asked[0] != '1') {
        return;
    }
    QString renderer;
    const bool made = gst_init_check(nullptr, nullptr, nullptr) && probeGl(&renderer);
    if (made) {
        std::fputs(renderer.toLatin1().constData(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    _exit(made ? 0 : 1);
}

// Asks the probing process; false when it made no context (or did not
// answer in time).
bool probeGlElsewhere(QString* renderer) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(RendererProbeVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QStringLiteral("/proc/self/exe"), {});
    if (!child.waitForFinished(RendererProbeTimeoutMs)) {
        child.kill();
        child.waitForFinished(1000);
        return false;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        return false;
    }
    *renderer = QString::fromLatin1(child.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
    return true;
}

// The X server's extensions and Mesa's variables, asked on a connection of
// our own (this may run on any thread). No GLX when there is no server.
DisplayGlFacts readDisplayGlFacts() {
    DisplayGlFacts facts;
    facts.alwaysSoftware = qEnvironmentVariable("LIBGL_ALWAYS_SOFTWARE");
    facts.galliumDriver = qEnvironmentVariable("GALLIUM_DRIVER");
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return facts;
    }
    struct Asked {
        const char* name;
        bool* present;
        xcb_query_extension_cookie_t cookie;
    };
    Asked asked[] = {{"GLX", &facts.glx, {}},
                     {"DRI3", &facts.dri3, {}},
                     {"DRI2", &facts.dri2, {}},
                     {"NV-GLX", &facts.vendorGlx, {}}};
    for (Asked& a : asked) {
        a.cookie = xcb_query_extension(connection, uint16_t(qstrlen(a.name)), a.name);
    }
    for (Asked& a : asked) {
        if (xcb_query_extension_reply_t* reply =
                xcb_query_extension_reply(connection, a.cookie, nullptr)) {
            *a.present = reply->present != 0;
            std::free(reply);
        }
    }
    xcb_disconnect(connection);
    return facts;
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

// The machine's answers, asked once. At namespace scope, so that they outlive
// a thread still asking while the program ends (see PlaybackSession).
std::once_flag machineAsked;
VideoSinkFacts machine;

} // namespace

VideoSinkFacts ProbeVideoSinkFacts() {
    VideoSinkFacts facts;
    facts.forced = qEnvironmentVariable(ForcedVideoSinkVariable).trimmed();
    if (!facts.forced.isEmpty()) {
        return facts;
    }
    std::call_once(machineAsked, [] {
        if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) {
            return;
        }
        if (JudgeDisplayGl(readDisplayGlFacts()) == DisplayGl::Unknown) {
            machine.glWorks = probeGlElsewhere(&machine.glRenderer);
        }
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
