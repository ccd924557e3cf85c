#include "player/PlaybackErrors.h"

namespace lumadeck {

PlaybackErrorReport DescribeFailure(const PipelineFailure& f) {
    const QString text = f.text.isEmpty() ? QStringLiteral("Unknown error") : f.text;
    if (f.codecMissing) {
        return {
            PlaybackError::Codec,
            QStringLiteral("No codec installed for ") +
                (f.missingCodecs.isEmpty() ? text : f.missingCodecs.join(QStringLiteral(", ")))};
    }
    switch (f.domain) {
    case PipelineFailure::Domain::Stream:
        return {PlaybackError::Format,
                QStringLiteral("Unrecognised or corrupt media format: ") + text};
    case PipelineFailure::Domain::Resource:
        if (f.fileIsEmpty) {
            // An empty file is not a media file at all.
            return {PlaybackError::Format,
                    QStringLiteral("Unrecognised or corrupt media format: the file is empty")};
        }
        return {PlaybackError::Resource, QStringLiteral("Cannot read the file: ") + text};
    default:
        return {PlaybackError::Other, QStringLiteral("Playback failed: ") + text};
    }
}

} // namespace lumadeck
