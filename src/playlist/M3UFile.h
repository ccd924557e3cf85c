#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <optional>

namespace lumadeck::M3UFile {

// What a playlist file holds: the entries in file order and the resume point
// of its last "#Last:" line (index 0 and position 0 when it has none).
struct Contents {
    QStringList names;
    long lastIndex = 0;
    double lastPosition = 0;
    // More than MaxEntries entries: names holds only the first MaxEntries.
    bool tooManyEntries = false;
};

// The resume point written on the "#Last:" line.
struct ResumePoint {
    long index = 0;
    double position = 0;
};

// The largest playlist file read; larger ones are refused.
inline constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
// The most entries a playlist file may hold; one with more is refused.
inline constexpr qsizetype MaxEntries = 100000;

// Reads playlist text (UTF-8, an optional byte-order mark is skipped). A line
// ends at a carriage return, a carriage return and line feed, or a line feed
// alone; lines are stripped of leading and trailing spaces; empty lines and
// lines starting with "#" are not entries, except that a "#Last:" line (any
// letter case) sets the resume point. A line holding a NUL, or longer than
// any path (MaxFileNameBytes), names no file and is left out. Names are decoded as file names are
// (DecodeFileName), so bytes that are not UTF-8 are kept and written back
// as they were.
Contents Parse(QByteArrayView text);

// Whether a name can be stored on a line of its own: one holding a carriage
// return or a line feed cannot (it would be read back as several lines),
// nor one holding a NUL (no file has such a name).
bool CanStore(const QString& name);

// Folds one "#Last:" line (already stripped of surrounding spaces) into the
// resume point. The first comma splits index and position; a part that is
// not a number leaves its previous value; negative values become 0.
// Returns false when the line is not a resume line.
bool ParseResumeLine(QStringView line, long& index, double& position);

// The text of a playlist: "#EXTM3U" and the "#Last:" line when a resume
// point is given, then one name per line (in the bytes of the file name),
// every line ended by CR LF. Names that cannot be stored are left out.
QByteArray Serialize(const QStringList& names, const std::optional<ResumePoint>& resume);

// The same playlist text with only its resume line brought up to date, every
// other byte left as it was: with a resume point, the last "#Last:" line is
// replaced, or, when there is none, one is added after a leading "#EXTM3U"
// line (which is added too when missing); without one, every "#Last:" line
// is removed. Added lines end the way the text's first line ends.
QByteArray UpdateResumeLine(QByteArrayView text, const std::optional<ResumePoint>& resume);

// Seconds as written on the "#Last:" line: up to 15 significant digits with a
// decimal point whatever the locale, no decimals for a whole number.
QString FormatPosition(double seconds);
// A number as read from the "#Last:" line: a decimal point or a decimal comma.
std::optional<double> ParseNumber(QStringView text);

// Reads a whole file of at most MaxFileSize bytes. On failure, error
// receives the system's description of it (for example "No such file or
// directory").
bool ReadFile(const QString& path, QByteArray& contents, QString& error);

// Writes a whole file. Where the folder allows it the text goes to a
// temporary file beside the target, which then replaces the target, so the
// old file is either replaced whole or left as it was; the replacement keeps
// the old file's mode. A file that belongs to another user, or lies in a
// folder the user may not create files in, is written in place instead, which
// keeps its owner and mode. On failure, error receives the system's
// description of it.
bool WriteFile(const QString& path, const QByteArray& contents, QString& error);

} // namespace lumadeck::M3UFile
