#pragma once

#include <QString>
#include <QStringList>

namespace lumadeck {

// Error codes of the GStreamer control (its ErrorCode()).
enum class PlaybackError : int {
    None = 0,
    Format = 0x1001,      // not recognised or corrupt
    Codec = 0x1002,       // no decoder installed
    Resource = 0x1003,    // cannot read the file
    Engine = 0x1004,      // GStreamer is not usable
    Other = 0x1005,       // anything else
    OpenTimeout = 0x1006, // opening never finished
};

// What the pipeline reported, reduced to what decides the message.
struct PipelineFailure {
    enum class Domain { Core, Library, Resource, Stream, Other };
    Domain domain = Domain::Other;
    bool codecMissing = false; // no element can decode or demux the stream
    QString text;              // the pipeline's own message
    QStringList missingCodecs; // descriptions of the codecs reported missing
    bool fileIsEmpty = false;  // the file exists and holds no bytes
};

struct PlaybackErrorReport {
    PlaybackError code = PlaybackError::None;
    QString description;
};

// The code and the description the control reports for a pipeline failure.
PlaybackErrorReport DescribeFailure(const PipelineFailure& failure);

} // namespace lumadeck
