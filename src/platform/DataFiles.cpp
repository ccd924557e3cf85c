#include "DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lumadeck::DataFiles {

namespace {
QString g_folder;
}

QString FolderFor(const QString& programFolder) {
    const QDir program(programFolder);
    if (QFileInfo::exists(program.filePath(QString::fromLatin1(HelpPage)))) {
        return programFolder;
    }
    const QString installed =
        QDir::cleanPath(program.filePath(QStringLiteral("../share/lumadeck")));
    if (QFileInfo(installed).isDir()) {
        return installed;
    }
    return programFolder;
}

QString Folder() {
    if (!g_folder.isEmpty()) {
        return g_folder;
    }
    // Found once: the program does not move while it runs.
    static const QString own = FolderFor(QCoreApplication::applicationDirPath());
    return own;
}

void SetFolder(const QString& folder) {
    g_folder = folder;
}

QString Path(const QString& name) {
    return QDir(Folder()).filePath(name);
}

} // namespace lumadeck::DataFiles
