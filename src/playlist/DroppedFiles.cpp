#include "playlist/DroppedFiles.h"

#include "playlist/clsPlayList.h"

#include <QMimeData>
#include <QUrl>

namespace lumadeck::DroppedFiles {

namespace {

WholeFileOpener& wholeFileOpener() {
    static WholeFileOpener opener;
    return opener;
}

bool isPlayListFile(const QString& name) {
    return name.size() > 3 && name.right(4).toLower() == QStringLiteral(".m3u");
}

} // namespace

QStringList Names(const QMimeData* data) {
    QStringList names;
    if (!data || !data->hasUrls()) {
        return names;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            names.append(url.toLocalFile());
        }
    }
    return names;
}

void SetWholeFileOpener(WholeFileOpener opener) {
    wholeFileOpener() = std::move(opener);
}

void Open(clsPlayList& playList, const QStringList& fileNames) {
    long firstAdded = -1;
    bool wasEmpty = false;
    for (const QString& name : fileNames) {
        if (name.isEmpty()) {
            continue;
        }
        const WholeFileOpener& opener = wholeFileOpener();
        bool whole = opener && opener(name);
        if (!whole && isPlayListFile(name)) {
            playList.LoadPlayList(name);
            whole = true;
        }
        if (whole) {
            // The list was replaced (or the file was refused): what was
            // added before it is no longer waiting to play.
            firstAdded = -1;
            continue;
        }
        if (firstAdded < 0) {
            wasEmpty = playList.cFiles().Count() == 0;
            firstAdded = playList.cFiles().Count();
        }
        playList.Add(name, true);
    }
    if (wasEmpty && firstAdded >= 0 && firstAdded < playList.cFiles().Count()) {
        playList.PlayVideoByIndex(firstAdded, 0);
    }
}

} // namespace lumadeck::DroppedFiles
