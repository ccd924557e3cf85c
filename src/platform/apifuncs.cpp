#include "apifuncs.h"

#include "IDocumentOpener.h"
#include "Services.h"

#include <QDir>
#include <QFileInfo>

namespace lumadeck::apifuncs {

QString ShellErrorText(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Path not found";
    case 5:
        return "Access denied";
    case 8:
        return "Out of memory";
    case 11:
        return "Invalid EXE file or error in EXE image";
    case 26:
        return "A sharing violation occurred";
    case 27:
        return "Incomplete or invalid file association";
    case 28:
        return "DDE Time out";
    case 29:
        return "DDE transaction failed";
    case 30:
        return "DDE busy";
    case 31:
        return "No association for file extension";
    case 32:
        return "DLL not found";
    default:
        return "Unknown error";
    }
}

bool ShellOpenFile(const QString& path, QString& errorText) {
    errorText.clear();
    const QFileInfo info(path);
    if (!info.exists()) {
        errorText =
            ShellErrorText(QFileInfo(info.absolutePath()).isDir() ? IDocumentOpener::FileNotFound
                                                                  : IDocumentOpener::PathNotFound);
        return false;
    }
    if (!info.isReadable()) {
        errorText = ShellErrorText(IDocumentOpener::AccessDenied);
        return false;
    }
    const int slash = path.lastIndexOf('/');
    const QString workingFolder = slash < 0 ? QDir::currentPath() : path.left(slash);
    const int result = Services::opener().Open(path, workingFolder.isEmpty() ? "/" : workingFolder);
    if (result == IDocumentOpener::Opened) {
        return true;
    }
    errorText = ShellErrorText(result);
    return false;
}

} // namespace lumadeck::apifuncs
