#include "AudioChannel.h"

#include <gst/audio/audio.h>

#include <cstring>

namespace lumadeck {

void KeepOneChannel(std::uint8_t* data, std::size_t bytes, int sampleBytes,
                    AudioChannelCode channel) {
    if (channel == AudioChannelCode::Stereo || !data || sampleBytes <= 0) {
        return;
    }
    const std::size_t width = std::size_t(sampleBytes);
    const std::size_t frame = 2 * width;
    const std::size_t from = channel == AudioChannelCode::Left ? 0 : width;
    const std::size_t to = width - from;
    for (std::size_t at = 0; at + frame <= bytes; at += frame) {
        std::memcpy(data + at + to, data + at + from, width);
    }
}

ChannelFilter::ChannelFilter() : m_element(gst::MakeElement("identity")) {
    if (!m_element) {
        return;
    }
    // The probe sits on the filter's output, where each buffer passes alone.
    m_pad.reset(gst_element_get_static_pad(m_element.get(), "src"));
    if (m_pad) {
        m_probe = gst_pad_add_probe(m_pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
                                    &ChannelFilter::onBuffer, this, nullptr);
    }
}

ChannelFilter::~ChannelFilter() {
    if (m_pad && m_probe) {
        gst_pad_remove_probe(m_pad.get(), m_probe);
    }
}

GstPadProbeReturn ChannelFilter::onBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
    const auto channel = static_cast<ChannelFilter*>(self)->Channel();
    if (channel == AudioChannelCode::Stereo) {
        return GST_PAD_PROBE_OK;
    }
    const gst::CapsPtr caps(gst_pad_get_current_caps(pad));
    GstAudioInfo audio;
    if (!caps || !gst_audio_info_from_caps(&audio, caps.get()) ||
        GST_AUDIO_INFO_CHANNELS(&audio) != 2 || GST_AUDIO_INFO_WIDTH(&audio) % 8 != 0) {
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstAudioBuffer sound;
    if (!gst_audio_buffer_map(&sound, &audio, buffer, GST_MAP_READWRITE)) {
        return GST_PAD_PROBE_OK;
    }
    const int width = GST_AUDIO_INFO_WIDTH(&audio) / 8;
    if (GST_AUDIO_INFO_LAYOUT(&audio) == GST_AUDIO_LAYOUT_INTERLEAVED) {
        KeepOneChannel(static_cast<std::uint8_t*>(sound.planes[0]),
                       std::size_t(sound.n_samples) * 2 * std::size_t(width), width, channel);
    } else if (sound.n_planes == 2) {
        // One plane a channel: the chosen one copied over the other.
        const int from = channel == AudioChannelCode::Left ? 0 : 1;
        std::memcpy(sound.planes[1 - from], sound.planes[from],
                    std::size_t(sound.n_samples) * std::size_t(width));
    }
    gst_audio_buffer_unmap(&sound);
    return GST_PAD_PROBE_OK;
}

} // namespace lumadeck
