#pragma once

#include <QString>

namespace lumadeck::apifuncs {

// Asks the desktop to open a document with its default application. On
// failure returns false and sets errorText to what went wrong ("File not
// found", "No association for file extension", ...); on success errorText is "".
bool ShellOpenFile(const QString& path, QString& errorText);

// The text for a result code of the document opener.
QString ShellErrorText(int code);

} // namespace lumadeck::apifuncs
