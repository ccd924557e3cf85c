#pragma once

#include <QStringList>

namespace lumadeck {

class frmLumadeck;

namespace FileOpening {

// Opens files named from outside the program (its command line, another
// start of it, the desktop's media controls) as if each had been chosen in
// the open dialog, one after the other: a playlist or disc image opens
// through the main window's open command; the media files before the first
// of those replace the list, those after it join the list it loaded. The
// first entry of a replaced list plays; a missing file is reported and
// skipped as the playlist skips any missing file.
void OpenAsChosen(frmLumadeck& window, const QStringList& fileNames);

} // namespace FileOpening

} // namespace lumadeck
