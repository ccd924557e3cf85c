#include "VcdTrackSource.h"
#include "platform/FileNames.h"

#include "cd/DiscPath.h"
#include "cd/VcdDisc.h"

#include <QFile>

#include <gst/base/gstbasesrc.h>
#include <gst/gst.h>
#include <memory>
#include <mutex>

// A GstBaseSrc that reads one file of a disc through VcdDisc: random
// access in bytes over the file's payload, so playbin's demuxers pull,
// seek and work out durations as they do for a file on disk.

namespace {

struct LumadeckVcdSrc {
    GstBaseSrc parent;
    gchar* location; // "<disc>/<path on disc>"
    lumadeck::VcdDisc* disc;
    lumadeck::DiscFile* file;
};

struct LumadeckVcdSrcClass {
    GstBaseSrcClass parent_class;
};

enum { PROP_0, PROP_LOCATION };

GType lumadeck_vcd_src_get_type();
#define LUMADECK_VCD_SRC(obj) (reinterpret_cast<LumadeckVcdSrc*>(obj))

void uri_handler_init(gpointer g_iface, gpointer);

G_DEFINE_TYPE_WITH_CODE(LumadeckVcdSrc, lumadeck_vcd_src, GST_TYPE_BASE_SRC,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_URI_HANDLER, uri_handler_init))

GstStaticPadTemplate src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

void closeDisc(LumadeckVcdSrc* self) {
    delete self->file;
    self->file = nullptr;
    delete self->disc;
    self->disc = nullptr;
}

bool setLocation(LumadeckVcdSrc* self, const gchar* location, GError** err) {
    GstState state = GST_STATE_NULL;
    GST_OBJECT_LOCK(self);
    state = GST_STATE(self);
    if (state != GST_STATE_READY && state != GST_STATE_NULL) {
        GST_OBJECT_UNLOCK(self);
        g_set_error(err, GST_URI_ERROR, GST_URI_ERROR_BAD_STATE,
                    "Changing the location of a disc source while it runs is not supported");
        return false;
    }
    g_free(self->location);
    self->location = g_strdup(location);
    GST_OBJECT_UNLOCK(self);
    return true;
}

void set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    if (id == PROP_LOCATION) {
        setLocation(LUMADECK_VCD_SRC(object), g_value_get_string(value), nullptr);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

void get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    LumadeckVcdSrc* self = LUMADECK_VCD_SRC(object);
    if (id == PROP_LOCATION) {
        GST_OBJECT_LOCK(self);
        g_value_set_string(value, self->location);
        GST_OBJECT_UNLOCK(self);
    } else {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    }
}

void finalize(GObject* object) {
    LumadeckVcdSrc* self = LUMADECK_VCD_SRC(object);
    closeDisc(self);
    g_free(self->location);
    G_OBJECT_CLASS(lumadeck_vcd_src_parent_class)->finalize(object);
}

gboolean start(GstBaseSrc* base) {
    LumadeckVcdSrc* self = LUMADECK_VCD_SRC(base);
    closeDisc(self);
    const QString location = self->location ? QString::fromUtf8(self->location) : QString();
    const auto ref = lumadeck::SplitDiscPath(location);
    if (!ref) {
        GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND, ("The disc or image could not be found"),
                          ("%s", self->location ? self->location : "(no location)"));
        return FALSE;
    }
    QString why;
    auto disc = lumadeck::VcdDisc::Open(ref->source, &why);
    if (!disc) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ, ("%s", why.toUtf8().constData()), (nullptr));
        return FALSE;
    }
    auto file = disc->Find(ref->path);
    if (!file) {
        GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND, ("The file is not on the disc"),
                          ("%s", ref->path.toUtf8().constData()));
        return FALSE;
    }
    self->disc = disc.release();
    self->file = new lumadeck::DiscFile(*file);
    return TRUE;
}

gboolean stop(GstBaseSrc* base) {
    closeDisc(LUMADECK_VCD_SRC(base));
    return TRUE;
}

gboolean get_size(GstBaseSrc* base, guint64* size) {
    LumadeckVcdSrc* self = LUMADECK_VCD_SRC(base);
    if (!self->file) {
        return FALSE;
    }
    *size = guint64(self->file->Bytes());
    return TRUE;
}

gboolean is_seekable(GstBaseSrc*) {
    return TRUE;
}

GstFlowReturn fill(GstBaseSrc* base, guint64 offset, guint length, GstBuffer* buf) {
    LumadeckVcdSrc* self = LUMADECK_VCD_SRC(base);
    if (!self->file || !self->disc) {
        return GST_FLOW_ERROR;
    }
    if (offset >= guint64(self->file->Bytes())) {
        return GST_FLOW_EOS;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buf, &map, GST_MAP_WRITE)) {
        return GST_FLOW_ERROR;
    }
    const qint64 got =
        self->disc->Read(*self->file, qint64(offset), reinterpret_cast<char*>(map.data), length);
    gst_buffer_unmap(buf, &map);
    if (got < 0) {
        GST_ELEMENT_ERROR(self, RESOURCE, READ, ("A sector of the disc could not be read"),
                          ("%s at byte %" G_GUINT64_FORMAT, self->location, offset));
        return GST_FLOW_ERROR;
    }
    if (got == 0) {
        return GST_FLOW_EOS;
    }
    gst_buffer_resize(buf, 0, got);
    GST_BUFFER_OFFSET(buf) = offset;
    GST_BUFFER_OFFSET_END(buf) = offset + guint64(got);
    return GST_FLOW_OK;
}

void lumadeck_vcd_src_class_init(LumadeckVcdSrcClass* klass) {
    GObjectClass* gobject = G_OBJECT_CLASS(klass);
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* basesrc = GST_BASE_SRC_CLASS(klass);
    gobject->set_property = set_property;
    gobject->get_property = get_property;
    gobject->finalize = finalize;
    g_object_class_install_property(
        gobject, PROP_LOCATION,
        g_param_spec_string(
            "location", "Location", "The disc (device or image) and the file on it", nullptr,
            GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY)));
    gst_element_class_set_static_metadata(element, "Lumadeck disc file source", "Source/File",
                                          "Reads a file of a Video CD from its sectors",
                                          "Lumadeck Player");
    gst_element_class_add_static_pad_template(element, &src_template);
    basesrc->start = start;
    basesrc->stop = stop;
    basesrc->get_size = get_size;
    basesrc->is_seekable = is_seekable;
    basesrc->fill = fill;
}

void lumadeck_vcd_src_init(LumadeckVcdSrc* self) {
    self->location = nullptr;
    self->disc = nullptr;
    self->file = nullptr;
    // A Video CD sector's payload at a time, sixteen at once.
    gst_base_src_set_blocksize(GST_BASE_SRC(self), 2324 * 16);
}

GstURIType uri_get_type(GType) {
    return GST_URI_SRC;
}

const gchar* const* uri_get_protocols(GType) {
    static const gchar* protocols[] = {lumadeck::kVcdUriScheme, nullptr};
    return protocols;
}

gchar* uri_get_uri(GstURIHandler* handler) {
    LumadeckVcdSrc* self = LUMADECK_VCD_SRC(handler);
    GST_OBJECT_LOCK(self);
    gchar* uri = nullptr;
    if (self->location) {
        gchar* file = gst_filename_to_uri(self->location, nullptr);
        if (file && g_str_has_prefix(file, "file://")) {
            uri = g_strconcat(lumadeck::kVcdUriScheme, file + 4, nullptr);
        }
        g_free(file);
    }
    GST_OBJECT_UNLOCK(self);
    return uri;
}

gboolean uri_set_uri(GstURIHandler* handler, const gchar* uri, GError** err) {
    gchar* location = gst_uri_get_location(uri);
    if (!location || location[0] != '/') {
        g_free(location);
        g_set_error(err, GST_URI_ERROR, GST_URI_ERROR_BAD_URI, "Not a disc file URI: %s", uri);
        return FALSE;
    }
    const bool ok = setLocation(LUMADECK_VCD_SRC(handler), location, err);
    g_free(location);
    return ok;
}

void uri_handler_init(gpointer g_iface, gpointer) {
    auto* iface = static_cast<GstURIHandlerInterface*>(g_iface);
    iface->get_type = uri_get_type;
    iface->get_protocols = uri_get_protocols;
    iface->get_uri = uri_get_uri;
    iface->set_uri = uri_set_uri;
}

} // namespace

namespace lumadeck {

bool RegisterVcdTrackSource() {
    static bool registered = false;
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gst_is_initialized()) {
            gst_init(nullptr, nullptr);
        }
        registered = gst_element_register(nullptr, "lumadeckvcdsrc", GST_RANK_PRIMARY,
                                          lumadeck_vcd_src_get_type());
    });
    return registered;
}

QByteArray PlaybackUri(const QString& fileName, QString* error) {
    QString direct;
    if (SplitDiscPath(fileName)) {
        direct = fileName;
    } else {
        direct = DirectNameOfMountedTrack(fileName);
    }
    const QString name = direct.isEmpty() ? fileName : direct;
    const QByteArray bytes = EncodeFileName(name);
    if (bytes.isEmpty()) {
        if (error) {
            *error = QStringLiteral("No such file: ") + fileName;
        }
        return {};
    }
    GError* err = nullptr;
    gchar* uri = gst_filename_to_uri(bytes.constData(), &err);
    if (!uri) {
        if (error) {
            *error = err ? QString::fromUtf8(err->message) : fileName;
        }
        if (err) {
            g_error_free(err);
        }
        return {};
    }
    QByteArray out(uri);
    g_free(uri);
    if (!direct.isEmpty() && RegisterVcdTrackSource() && out.startsWith("file://")) {
        out = QByteArray(kVcdUriScheme) + out.mid(4);
    }
    return out;
}

} // namespace lumadeck
