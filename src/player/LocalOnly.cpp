#include "player/LocalOnly.h"

#include "player/GstHandles.h"
#include "player/VcdTrackSource.h"

#include <cstring>

namespace lumadeck {

namespace {

// decodebin's GstAutoplugSelectResult, whose header is not installed.
constexpr int kAutoplugTry = 0;
constexpr int kAutoplugSkip = 2;

constexpr const char* kRefusedKey = "lumadeck-network-refused";

// Posts the error that ends the open, once for each element that refuses.
void refuse(GstElement* element) {
    if (g_object_get_data(G_OBJECT(element), kRefusedKey)) {
        return;
    }
    g_object_set_data(G_OBJECT(element), kRefusedKey, GINT_TO_POINTER(1));
    GError* raw = g_error_new_literal(
        GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE,
        "the file names media on the network (a streaming manifest), and only files are played");
    const gst::ErrorPtr error(raw);
    gst_element_post_message(element,
                             gst_message_new_error(GST_OBJECT(element), error.get(), nullptr));
}

int onAutoplugSelect(GstElement* bin, GstPad*, GstCaps*, GstElementFactory* factory, gpointer) {
    if (factory && ReachesNetwork(factory)) {
        refuse(bin);
        return kAutoplugSkip;
    }
    return kAutoplugTry;
}

} // namespace

bool ReachesNetwork(GstElementFactory* factory) {
    const gchar* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    if (klass && (std::strstr(klass, "Network") || std::strstr(klass, "Adaptive"))) {
        return true;
    }
    // Only sources fetch: a sink may name a scheme of its own (appsink,
    // which the frame sink is made of, answers "appsink://").
    if (gst_element_factory_get_uri_type(factory) != GST_URI_SRC) {
        return false;
    }
    const gchar* const* protocols = gst_element_factory_get_uri_protocols(factory);
    for (; protocols && *protocols; ++protocols) {
        if (g_ascii_strcasecmp(*protocols, "file") != 0 &&
            g_ascii_strcasecmp(*protocols, kVcdUriScheme) != 0) {
            return true;
        }
    }
    return false;
}

void KeepLocal(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && ReachesNetwork(factory)) {
        refuse(element);
        return;
    }
    if (g_signal_lookup("autoplug-select", G_OBJECT_TYPE(element)) != 0) {
        g_signal_connect(element, "autoplug-select", G_CALLBACK(onAutoplugSelect), nullptr);
    }
}

} // namespace lumadeck
