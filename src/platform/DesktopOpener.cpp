#include "IDocumentOpener.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace lumadeck {

namespace {

// The desktop entry that opens files of this type, "" when none does.
QString defaultApplicationFor(const QString& mimeType) {
    const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
    if (xdgMime.isEmpty()) {
        return {};
    }
    QProcess query;
    query.start(xdgMime, {"query", "default", mimeType});
    if (!query.waitForFinished(10000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}

} // namespace

int DesktopOpener::Open(const QString& path, const QString& workingFolder) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return QFileInfo(info.absolutePath()).isDir() ? FileNotFound : PathNotFound;
    }
    if (!info.isReadable()) {
        return AccessDenied;
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    QString application = defaultApplicationFor(type.name());
    for (const QString& parent : type.parentMimeTypes()) {
        if (!application.isEmpty()) {
            break;
        }
        application = defaultApplicationFor(parent);
    }
    if (application.isEmpty()) {
        return NoAssociation;
    }
    const QString xdgOpen = QStandardPaths::findExecutable("xdg-open");
    if (xdgOpen.isEmpty()) {
        return NoAssociation;
    }
    // Started on its own: the application outlives this call and the program.
    if (!QProcess::startDetached(xdgOpen, {info.absoluteFilePath()}, workingFolder)) {
        return Failed;
    }
    return Opened;
}

} // namespace lumadeck
