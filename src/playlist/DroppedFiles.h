#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace lumadeck {

class clsPlayList;

// Files dropped on one of the program's windows (the main window, the
// playlist window). Both windows take a drop the same way: they accept it
// when Names() finds a local file in it, and hand the names to Open().
namespace DroppedFiles {

// The local files a drop names, in order. Only file URLs count: links to
// web pages and text that merely looks like a path are left out, and so are
// names no file can have (a NUL in them, "%00" in the URL, or too long).
QStringList Names(const QMimeData* data);

// Adds the files to the playlist, in order. A playlist file (.m3u) loads
// instead, replacing the list; files after it are added to the loaded
// list. The first file added plays when the list was empty before it.
void Open(clsPlayList& playList, const QStringList& fileNames);

// Files that open as a whole rather than as one entry of the list: the main
// window routes them through its open command, which knows every such kind
// (playlists, disc images), and returns true for a file it opened that way.
// A playlist file the opener leaves (or any, without an opener) loads
// through the controller.
using WholeFileOpener = std::function<bool(const QString& fileName)>;
void SetWholeFileOpener(WholeFileOpener opener);

// Makes a window take drops as the main window does: files dropped on it
// are handed to Open() with the playlist the finder gives; without one the
// drop is refused. Asked again for the same window, nothing changes.
using PlayListFinder = std::function<clsPlayList*()>;
void TakeDropsOn(QWidget& window, PlayListFinder playList);

} // namespace DroppedFiles

} // namespace lumadeck
