#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace lumadeck {

// Linux file names are bytes. Names in valid UTF-8 become ordinary strings;
// every byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate U+DC80 + (byte - 0x80), so that EncodeFileName gives back the
// exact bytes and a file found on disk can be opened by the name reported.
QString DecodeFileName(QByteArrayView bytes);

// The bytes of a name made by DecodeFileName (or of any ordinary string,
// as UTF-8). No file name holds a NUL: for a name with one (a "%00" in a
// URI becomes one) the result is empty, never the bytes before the NUL,
// which the system would take for the name of another file.
QByteArray EncodeFileName(const QString& name);

// The longest name taken from outside the program (command line, bus,
// drops), in bytes: the system's own limit for a path.
inline constexpr qsizetype MaxFileNameBytes = 4096;

// Whether a name given from outside can name a file at all: not empty, no
// NUL, and at most MaxFileNameBytes bytes.
bool IsPossibleFileName(const QString& name);

// What the system says about a file, asked with the exact bytes of its
// name (Qt's own file classes would turn undecodable bytes into "?" and
// ask about another file). Links are followed.
struct FileStatus {
    bool exists = false;
    bool isFile = false;   // a regular file
    bool isFolder = false; // a directory
    qint64 size = 0;       // in bytes; 0 unless a regular file
};
FileStatus StatFile(const QString& name);

} // namespace lumadeck
