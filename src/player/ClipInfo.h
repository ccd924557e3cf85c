#pragma once

#include "player/MediaCodes.h"

#include <QList>
#include <QString>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstTagList GstTagList;

namespace lumadeck {

// One codec of a clip as the codec list shows it.
struct CodecEntry {
    QString description; // "MPEG-1 Video (avdec_mpeg1video)"
    bool installed = true;
    QString url; // where to get it, or read about it
    bool operator==(const CodecEntry&) const = default;
};

// What the control knows about the open clip, read once per file from the
// pipeline's tags and streams, with the file's own tags as a fallback. A
// closed clip is an empty ClipInfo.
struct ClipInfo {
    double duration = 0;  // seconds, 0 while unknown
    unsigned bitrate = 0; // bits per second from the tags, 0 while unknown
    int width = 0;        // picture size with square pixels; 0 x 0 sound only
    int height = 0;
    QString title;
    QString description;
    QString author;
    QString copyright;
    QList<CodecEntry> codecs;  // one per stream, then the missing ones
    QList<CodecEntry> missing; // codecs the pipeline asked for and lacks

    // The text MediaInfoString() gives for fileName's clip.
    QString Text(MediaInfoCode code, const QString& fileName) const;
};

// Fills the fields still empty from a tag list (the title, the description,
// the author, the copyright) and takes its bit rate; true when one of the
// texts was filled (parsers send a new bit rate many times a second).
bool ApplyTags(ClipInfo& info, const GstTagList* tags);

// Reads the streams of a prerolled playbin: one codec entry per video and
// audio stream, and the picture size of the first video stream. The codecs
// reported missing are appended.
void ReadStreams(ClipInfo& info, GstElement* playbin);

// Fills the text fields still empty from the file's own tags (TagLib).
void ReadFileTags(ClipInfo& info, const QString& fileName);

// Records the codec a missing-plugin message names; true when it is new.
bool AddMissingCodec(ClipInfo& info, GstMessage* message);

} // namespace lumadeck
