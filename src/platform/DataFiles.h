#pragma once

#include <QString>

namespace lumadeck::DataFiles {

// The folder that holds the program's artwork and help page: the program's
// own folder, unless another one was set (tests do).
QString Folder();
void SetFolder(const QString& folder); // "" goes back to the program's folder

// The full name of a data file in that folder.
QString Path(const QString& name);

} // namespace lumadeck::DataFiles
