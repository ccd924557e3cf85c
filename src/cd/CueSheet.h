#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace lumadeck {

// One TRACK of a cue sheet.
struct CueTrack {
    int number = 0;
    QString mode;            // "MODE2/2352", "MODE1/2048", "AUDIO", ...
    int sectorSize = 0;      // bytes per sector in the data file
    qint64 startSector = -1; // INDEX 01, in sectors from the start of the file
};

// What a cue sheet says: the one data file it names and its tracks.
struct CueSheet {
    QString file; // as written in the sheet (relative to the sheet's folder unless absolute)
    QList<CueTrack> tracks;
};

// Reads the text of a .cue file. Only single-file sheets are taken (the
// form CD imaging programs write for one disc). Nothing, with a reason in
// error, for a text that is not such a sheet.
std::optional<CueSheet> ParseCueSheet(QByteArrayView text, QString* error = nullptr);

// The sheet written out again in the one form every reader of sheets takes
// the same way: the data file (named dataFile) in quotes, then each track
// and where it starts. "" when the name cannot be written so (it holds a
// quote or a control character).
QByteArray CanonicalCueSheet(const CueSheet& sheet, const QByteArray& dataFile);

// The .cue file that describes a .bin image: the one of the same name beside
// it, or else one in its folder whose sheet names it. "" when there is none.
QString CueSheetOfBin(const QString& binPath);

// True for names ending in .cue or .bin (any case).
bool IsDiscImageName(const QString& path);

} // namespace lumadeck
