#pragma once

#include <QString>

namespace lumadeck {

// Hands a document to the desktop's default application for its type.
class IDocumentOpener {
public:
    virtual ~IDocumentOpener() = default;

    // Result codes of Open().
    enum Result {
        Opened = 0,
        FileNotFound = 2,
        PathNotFound = 3,
        AccessDenied = 5,
        NoAssociation = 31,
        Failed = -1,
    };

    // Opens the document with the "open" verb; workingFolder is the folder
    // the application starts in.
    virtual int Open(const QString& path, const QString& workingFolder) = 0;
};

// The real opener: asks the desktop (xdg-mime) which application opens the
// document's type and starts it through xdg-open, without a shell.
class DesktopOpener : public IDocumentOpener {
public:
    int Open(const QString& path, const QString& workingFolder) override;
};

} // namespace lumadeck
