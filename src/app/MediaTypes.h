#pragma once

#include <QString>

namespace lumadeck::MediaTypes {

// True for the fourteen media extensions (without the dot, any letter case):
// dat avi asf vob wmv mpg mpeg mpe wma wav au mid mp3 mp2. No trimming.
bool IsMediaExtension(const QString& ext);

// True for files that open as a whole rather than as one entry of the
// playlist: playlists (.m3u, tested as the open command tests it) and Video
// CD disc images (.cue and its .bin).
bool OpensAsWhole(const QString& fileName);

// The dialog filter: "|"-separated description and pattern pairs, patterns
// separated by ";". With bIncludePlaylists the first entry also lists
// playlists and a "Play lists (*.m3u)" entry is added.
QString BuildFileFilter(bool bIncludePlaylists);

// The same filter in Qt's form ("Video Files (*.mpg *.MPG);;All Files (*)").
// Patterns match in either letter case, as discs often carry upper-case
// names, and "*.*" means every file.
QString ToQtFilter(const QString& filter);

// Shows the open dialog; returns the chosen file's full path or "". The
// dialog starts in the folder of initialFileName (the part before its last
// "/"), or in its own default folder when the name has no "/".
QString ShowOpenDialog(const QString& filter, const QString& initialFileName, const QString& title,
                       const QString& defaultExtension);
// The open dialog where several files may be chosen; their full paths, none
// when cancelled.
QStringList ShowOpenFilesDialog(const QString& filter, const QString& title);

// Shows the save dialog (asking before an existing file is overwritten);
// returns the path chosen or "". The initial file name is not used.
QString ShowSaveDialog(const QString& filter, const QString& initialFileName, const QString& title,
                       const QString& defaultExtension);

} // namespace lumadeck::MediaTypes
