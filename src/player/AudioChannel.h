#pragma once

#include "player/GstHandles.h"
#include "player/MediaCodes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace lumadeck {

// Copies one channel of interleaved two-channel audio over the other, in
// place: frames of two samples of sampleBytes each. Stereo leaves the data
// as it is; a trailing part frame is left alone.
void KeepOneChannel(std::uint8_t* data, std::size_t bytes, int sampleBytes,
                    AudioChannelCode channel);

// The audio filter playbin is given: passes the sound through, and while a
// channel is chosen plays it on both speakers. The choice can change at any
// time and applies from the next buffer, without a gap. Sound of other
// than two channels (interleaved or one plane each) passes unchanged.
class ChannelFilter {
public:
    ChannelFilter();
    ~ChannelFilter();
    ChannelFilter(const ChannelFilter&) = delete;
    ChannelFilter& operator=(const ChannelFilter&) = delete;

    // Null when GStreamer could not make it.
    GstElement* Element() const { return m_element.get(); }
    AudioChannelCode Channel() const { return AudioChannelCode(m_channel.load()); }
    void SetChannel(AudioChannelCode channel) { m_channel.store(int(channel)); }

private:
    static GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    gst::ElementPtr m_element;
    gst::PadPtr m_pad;
    gulong m_probe = 0;
    std::atomic<int> m_channel{int(AudioChannelCode::Stereo)};
};

} // namespace lumadeck
