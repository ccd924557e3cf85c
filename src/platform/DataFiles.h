#pragma once

#include <QString>

namespace lumadeck::DataFiles {

// The folder that holds the program's artwork and help page, found from the
// program's own location (see FolderFor), unless another one was set (tests
// do).
QString Folder();
void SetFolder(const QString& folder); // "" goes back to the program's own

// The data folder of a program that lies in programFolder: the program's
// folder itself when the help page lies beside it (a build folder), else
// share/lumadeck beside the program's bin folder when that exists (an
// installed program: PREFIX/bin/lumadeck and PREFIX/share/lumadeck), else
// the program's folder.
QString FolderFor(const QString& programFolder);

// The name of the help page, which marks a data folder.
inline constexpr const char* HelpPage = "Lumadeck.html";

// The full name of a data file in that folder.
QString Path(const QString& name);

} // namespace lumadeck::DataFiles
