#pragma once

// Owning handles for GStreamer and GLib objects: each releases what it holds
// exactly once, so no code in the player frees or unrefs by hand.

#include <gst/gst.h>
#include <memory>

namespace lumadeck::gst {

struct ObjectUnref {
    void operator()(gpointer p) const { gst_object_unref(p); }
};
struct MessageUnref {
    void operator()(GstMessage* p) const { gst_message_unref(p); }
};
struct TagListUnref {
    void operator()(GstTagList* p) const { gst_tag_list_unref(p); }
};
struct CapsUnref {
    void operator()(GstCaps* p) const { gst_caps_unref(p); }
};
struct SampleUnref {
    void operator()(GstSample* p) const { gst_sample_unref(p); }
};
struct IteratorFree {
    void operator()(GstIterator* p) const { gst_iterator_free(p); }
};
struct GFree {
    void operator()(gpointer p) const { g_free(p); }
};
struct ErrorFree {
    void operator()(GError* p) const { g_error_free(p); }
};
struct SourceDestroy {
    void operator()(GSource* p) const {
        g_source_destroy(p);
        g_source_unref(p);
    }
};

// A GstObject (element, pad, bus, ...) with one reference owned.
template <typename T> using ObjectPtr = std::unique_ptr<T, ObjectUnref>;
using ElementPtr = ObjectPtr<GstElement>;
using BusPtr = ObjectPtr<GstBus>;
using PadPtr = ObjectPtr<GstPad>;
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;
using TagListPtr = std::unique_ptr<GstTagList, TagListUnref>;
using CapsPtr = std::unique_ptr<GstCaps, CapsUnref>;
using SamplePtr = std::unique_ptr<GstSample, SampleUnref>;
using IteratorPtr = std::unique_ptr<GstIterator, IteratorFree>;
using CharPtr = std::unique_ptr<gchar, GFree>;
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

// Takes a newly made element and sinks its floating reference, so the
// handle owns it whether or not it is later handed to a bin.
inline ElementPtr MakeElement(const char* factory) {
    GstElement* e = gst_element_factory_make(factory, nullptr);
    if (e) {
        gst_object_ref_sink(e);
    }
    return ElementPtr(e);
}

// A new reference to an object already owned elsewhere.
template <typename T> ObjectPtr<T> Ref(T* object) {
    return ObjectPtr<T>(object ? static_cast<T*>(gst_object_ref(object)) : nullptr);
}

} // namespace lumadeck::gst
