#include "MediaTypes.h"

#include "platform/IDialogs.h"
#include "platform/Services.h"

#include <QApplication>
#include <QStringList>

namespace lumadeck::MediaTypes {

bool IsMediaExtension(const QString& ext) {
    static const QStringList media = {"dat", "avi", "asf", "vob", "wmv", "mpg", "mpeg",
                                      "mpe", "wma", "wav", "au",  "mid", "mp3", "mp2"};
    return media.contains(ext.toLower());
}

bool OpensAsWhole(const QString& fileName) {
    if (fileName.size() <= 3) {
        return false;
    }
    const QString tail = fileName.right(4).toLower();
    return tail == QStringLiteral(".m3u") || tail == QStringLiteral(".cue") ||
           tail == QStringLiteral(".bin");
}

QString BuildFileFilter(bool bIncludePlaylists) {
    QString filter = "All Media Files|*.mp*;*.dat;*.avi;*.asf;*.vob;*.wmv;*.wma;*.wav;*.au;*.mid";
    if (bIncludePlaylists) {
        filter += ";*.m3u";
    }
    filter += "|Video Files|*.mpg;*.mpeg;*.mpe;*.dat;*.avi;*.asf;*.wmv;*.vob";
    filter += "|Audio Files|*.mp3;*.mp2;*.wma;*.wav;*.au;*.mid";
    if (bIncludePlaylists) {
        filter += "|Play lists (*.m3u)|*.m3u";
        // An image chosen here becomes a drive of its own.
        filter += "|Video CD Images (*.cue *.bin)|*.cue;*.bin";
    }
    filter += "|All Files (*.*)|*.*";
    return filter;
}

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        // A description that names its patterns gets them from the list below.
        if (description.endsWith(')')) {
            const int open = description.lastIndexOf('(');
            if (open > 0) {
                description = description.left(open).trimmed();
            }
        }
        QStringList patterns;
        for (const QString& raw : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            const QString pattern = raw.trimmed();
            if (pattern == "*.*" || pattern == "*") {
                patterns = {"*"};
                break;
            }
            for (const QString& p : {pattern.toLower(), pattern.toUpper()}) {
                if (!patterns.contains(p)) {
                    patterns.append(p);
                }
            }
        }
        if (description.isEmpty() || patterns.isEmpty()) {
            continue;
        }
        entries.append(description + " (" + patterns.join(' ') + ")");
    }
    return entries.join(";;");
}

QString ShowOpenDialog(const QString& filter, const QString& initialFileName, const QString& title,
                       const QString& defaultExtension) {
    FileDialogRequest request;
    request.title = title;
    request.filter = ToQtFilter(filter);
    const int slash = initialFileName.lastIndexOf('/');
    if (slash >= 0) {
        request.initialFolder = slash == 0 ? QString("/") : initialFileName.left(slash);
    }
    request.defaultSuffix = defaultExtension;
    // As chosen: a file's name may begin or end with a blank.
    return Services::dialogs().OpenFile(QApplication::activeWindow(), request);
}

QStringList ShowOpenFilesDialog(const QString& filter, const QString& title) {
    FileDialogRequest request;
    request.title = title;
    request.filter = ToQtFilter(filter);
    return Services::dialogs().OpenFiles(QApplication::activeWindow(), request);
}

QString ShowSaveDialog(const QString& filter, const QString& /*initialFileName*/,
                       const QString& title, const QString& defaultExtension) {
    FileDialogRequest request;
    request.title = title;
    request.filter = ToQtFilter(filter);
    request.defaultSuffix = defaultExtension;
    return Services::dialogs().SaveFile(QApplication::activeWindow(), request);
}

} // namespace lumadeck::MediaTypes
