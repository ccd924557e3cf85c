#include "DataFiles.h"

#include <QCoreApplication>
#include <QDir>

namespace lumadeck::DataFiles {

namespace {
QString g_folder;
}

QString Folder() {
    return g_folder.isEmpty() ? QCoreApplication::applicationDirPath() : g_folder;
}

void SetFolder(const QString& folder) {
    g_folder = folder;
}

QString Path(const QString& name) {
    return QDir(Folder()).filePath(name);
}

} // namespace lumadeck::DataFiles
