#pragma once

#include <gst/gst.h>

namespace lumadeck {

// The program plays files, never the network. A local file can still lead
// the engine there: an HLS or DASH manifest names pieces on web servers, an
// SDP description names a stream. These keep a pipeline to local sources.

// Whether elements of this factory would reach out over the network:
// sources and sinks for any protocol but the local ones, network elements,
// and demuxers that fetch what an adaptive-streaming manifest names.
bool ReachesNetwork(GstElementFactory* factory);

// For playbin's element-setup: a decoding bin is kept from choosing an
// element that reaches the network, and the pipeline fails with a stream
// error that says why; an element of that kind that is added all the same
// fails the pipeline too.
void KeepLocal(GstElement* element);

} // namespace lumadeck
