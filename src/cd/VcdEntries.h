#pragma once

#include "VcdDisc.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace lumadeck {

// The most entry points a Video CD records (ENTRIES.VCD holds room for 500).
inline constexpr int kMaxVcdEntries = 500;

// One entry point: the track (2 for the first MPEG track) and its sector.
struct VcdEntry {
    int track = 0;
    quint32 lsn = 0;
};

// Reads an entry table (ENTRIES.VCD, or ENTRIES.SVD of a Super Video CD):
// "ENTRYVCD" or "ENTRYSVD", a version, a profile, a count of at most 500
// and that many entries of a BCD track number and a BCD minute, second and
// frame. Entries whose numbers are not BCD or name no MPEG track are left
// out. Nothing, with the reason, when the data is no entry table or its
// count does not fit.
std::optional<QList<VcdEntry>> ParseVcdEntries(QByteArrayView data, QString* error = nullptr);

// The presentation time (90 kHz) of the first video packet in MPEG
// program stream data (MPEG-1 or MPEG-2 packet headers); -1 when none.
qint64 FirstVideoPts(QByteArrayView data);

// The time code of the first group of pictures in MPEG video data, in
// seconds, at the rate of a sequence header before it; -1 when none.
double FirstGopSeconds(QByteArrayView data);

// The entry table of an open disc: /VCD/ENTRIES.VCD or /SVCD/ENTRIES.SVD;
// an empty list when the disc has none that reads.
QList<VcdEntry> ReadVcdEntries(VcdDisc& disc);

// Where the entries lying inside a track's file start, in seconds on the
// track's own clock (the one its positions are told in, which need not
// start at 0): the first picture of the group of pictures at each entry,
// placed by its time code from the track's first picture (or, without time
// codes, the time of the first video packet at the entry). Entries outside
// the file, or with nothing found in the sectors that follow, are left out;
// the times come sorted, each at most once.
QList<double> VcdEntryTimes(VcdDisc& disc, const DiscFile& track, const QList<VcdEntry>& entries);

// The chapters of a file the player opens: its entries when it is a Video
// CD track read from its disc (a drive, an image, or the image behind a
// mount), an empty list for every other file.
QList<double> ChaptersOfFile(const QString& fileName);

} // namespace lumadeck
