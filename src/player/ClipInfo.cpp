#include "player/ClipInfo.h"
#include "platform/FileNames.h"

#include "player/GstHandles.h"
#include "player/PlayerTexts.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

namespace lumadeck {

namespace {

constexpr const char* kCodecInfoUrl =
    "https://gstreamer.freedesktop.org/documentation/plugins_doc.html";

QString tagString(const GstTagList* tags, const char* tag) {
    gchar* raw = nullptr;
    if (!tags || !gst_tag_list_get_string(tags, tag, &raw)) {
        return {};
    }
    const gst::CharPtr value(raw);
    return QString::fromUtf8(value.get()).trimmed();
}

QString fromTagLib(const TagLib::String& s) {
    return QString::fromUtf8(s.toCString(true)).trimmed();
}

// The decoders in a pipeline for one kind of stream ("Video" or "Audio"):
// factory name and the plugin that provides it.
struct Decoder {
    QString factory;
    QString plugin;
};

QList<Decoder> decodersIn(GstElement* playbin, const char* kind) {
    QList<Decoder> found;
    if (!GST_IS_BIN(playbin)) {
        return found;
    }
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(playbin));
    GValue item = G_VALUE_INIT;
    for (bool done = false; !done;) {
        switch (gst_iterator_next(it, &item)) {
        case GST_ITERATOR_OK: {
            auto* element = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory* f = gst_element_get_factory(element);
            const char* klass =
                f ? gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS) : nullptr;
            if (klass && std::strstr(klass, "Decoder") && std::strstr(klass, kind)) {
                found.append(
                    {QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f))),
                     QString::fromUtf8(gst_plugin_feature_get_plugin_name(GST_PLUGIN_FEATURE(f)))});
            }
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            found.clear();
            gst_iterator_resync(it);
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    // The iterator lists a bin's children newest first: streams in order.
    std::reverse(found.begin(), found.end());
    return found;
}

// One codec entry for stream i of a kind ("video" or "audio"): the stream's
// format from its codec tag and, where the pipeline has one, the decoder
// that plays it ("MPEG-1 Video (avdec_mpeg1video)") with its manual page.
// The first title tag met becomes the clip's title.
void addStreamCodec(ClipInfo& info, GstElement* playbin, const char* kind, const char* codecTag,
                    const QString& fallbackName, int i, const QList<Decoder>& decoders) {
    GstTagList* raw = nullptr;
    const QByteArray signal = QByteArray("get-") + kind + "-tags";
    g_signal_emit_by_name(playbin, signal.constData(), i, &raw);
    const gst::TagListPtr tags(raw);
    QString name = tagString(tags.get(), codecTag);
    if (name.isEmpty()) {
        name = tagString(tags.get(), GST_TAG_CODEC);
    }
    if (info.title.isEmpty()) {
        info.title = tagString(tags.get(), GST_TAG_TITLE);
    }
    if (name.isEmpty()) {
        name = fallbackName;
    }
    QString url = QString::fromLatin1(kCodecInfoUrl);
    if (i < decoders.size()) {
        const Decoder& d = decoders[i];
        name += QStringLiteral(" (") + d.factory + QLatin1Char(')');
        url = QStringLiteral("https://gstreamer.freedesktop.org/documentation/") + d.plugin +
              QLatin1Char('/') + d.factory + QStringLiteral(".html");
    }
    info.codecs.append({name, true, url});
}

// The picture size of a video pad, with the pixels made square.
void readPictureSize(ClipInfo& info, GstPad* pad) {
    const gst::CapsPtr caps(gst_pad_get_current_caps(pad));
    GstVideoInfo video;
    if (!caps || !gst_video_info_from_caps(&video, caps.get())) {
        return;
    }
    const int parN = std::max(1, GST_VIDEO_INFO_PAR_N(&video));
    const int parD = std::max(1, GST_VIDEO_INFO_PAR_D(&video));
    info.width = int(std::lround(double(GST_VIDEO_INFO_WIDTH(&video)) * parN / parD));
    info.height = GST_VIDEO_INFO_HEIGHT(&video);
}

} // namespace

QString ClipInfo::Text(MediaInfoCode code, const QString& fileName) const {
    switch (code) {
    case MediaInfoCode::FileName:
        return fileName;
    case MediaInfoCode::Title:
        return title;
    case MediaInfoCode::Author:
        return author;
    case MediaInfoCode::Copyright:
        return copyright;
    case MediaInfoCode::Description:
        return description;
    }
    return {};
}

bool ApplyTags(ClipInfo& info, const GstTagList* tags) {
    if (!tags) {
        return false;
    }
    bool filled = false;
    auto fill = [tags, &filled](QString& field, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (!field.isEmpty()) {
                return;
            }
            field = tagString(tags, n);
            filled = filled || !field.isEmpty();
        }
    };
    fill(info.title, {GST_TAG_TITLE});
    fill(info.description, {GST_TAG_COMMENT, GST_TAG_DESCRIPTION});
    fill(info.author, {GST_TAG_ARTIST, GST_TAG_COMPOSER});
    fill(info.copyright, {GST_TAG_COPYRIGHT});
    guint rate = 0;
    if ((gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &rate) ||
         gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &rate)) &&
        rate > 0) {
        info.bitrate = rate;
    }
    return filled;
}

void ReadStreams(ClipInfo& info, GstElement* playbin) {
    info.codecs.clear();
    gint nVideo = 0;
    gint nAudio = 0;
    g_object_get(playbin, "n-video", &nVideo, "n-audio", &nAudio, nullptr);
    const QList<Decoder> videoDecoders = decodersIn(playbin, "Video");
    const QList<Decoder> audioDecoders = decodersIn(playbin, "Audio");
    for (gint i = 0; i < nVideo; ++i) {
        addStreamCodec(info, playbin, "video", GST_TAG_VIDEO_CODEC, QStringLiteral("Video"), i,
                       videoDecoders);
        GstPad* raw = nullptr;
        g_signal_emit_by_name(playbin, "get-video-pad", i, &raw);
        const gst::PadPtr pad(raw);
        if (pad && i == 0) {
            readPictureSize(info, pad.get());
        }
    }
    for (gint i = 0; i < nAudio; ++i) {
        addStreamCodec(info, playbin, "audio", GST_TAG_AUDIO_CODEC, QStringLiteral("Audio"), i,
                       audioDecoders);
    }
    info.codecs.append(info.missing);
}

void ReadFileTags(ClipInfo& info, const QString& fileName) {
    if (!info.title.isEmpty() && !info.description.isEmpty() && !info.author.isEmpty()) {
        return;
    }
    const TagLib::FileRef ref(EncodeFileName(fileName).constData(), false);
    if (ref.isNull() || !ref.file()) {
        return;
    }
    const TagLib::PropertyMap props = ref.file()->properties();
    auto first = [&props](const char* key) {
        const auto it = props.find(key);
        return it == props.end() || it->second.isEmpty() ? QString()
                                                         : fromTagLib(it->second.front());
    };
    if (info.title.isEmpty()) {
        info.title = first("TITLE");
    }
    if (info.description.isEmpty()) {
        info.description = first("COMMENT");
    }
    if (info.description.isEmpty()) {
        info.description = first("DESCRIPTION");
    }
    if (info.description.isEmpty()) {
        // Windows Media files often keep it as a "Description" attribute.
        if (auto* asf = dynamic_cast<TagLib::ASF::File*>(ref.file()); asf && asf->tag()) {
            const auto& attributes = asf->tag()->attributeListMap();
            const auto it = attributes.find("Description");
            if (it != attributes.end() && !it->second.isEmpty()) {
                info.description = fromTagLib(it->second.front().toString());
            }
        }
    }
    if (info.author.isEmpty()) {
        info.author = first("ARTIST");
    }
    if (info.copyright.isEmpty()) {
        info.copyright = first("COPYRIGHT");
    }
}

bool AddMissingCodec(ClipInfo& info, GstMessage* message) {
    QString name;
    const GstStructure* s = gst_message_get_structure(message);
    const GValue* detail = s ? gst_structure_get_value(s, "detail") : nullptr;
    if (detail && GST_VALUE_HOLDS_CAPS(detail)) {
        const gst::CharPtr d(gst_pb_utils_get_codec_description(gst_value_get_caps(detail)));
        name = QString::fromUtf8(d.get());
    }
    if (name.isEmpty()) {
        const gst::CharPtr d(gst_missing_plugin_message_get_description(message));
        name = QString::fromUtf8(d.get());
    }
    if (name.isEmpty()) {
        name = QStringLiteral("Unknown codec");
    }
    for (const CodecEntry& c : std::as_const(info.missing)) {
        if (c.description == name) {
            return false;
        }
    }
    info.missing.append({name, false, QString::fromLatin1(kCodecDownloadUrl)});
    return true;
}

} // namespace lumadeck
