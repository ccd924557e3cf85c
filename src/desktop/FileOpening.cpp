#include "desktop/FileOpening.h"

#include "app/MediaTypes.h"
#include "app/frmLumadeck.h"
#include "playlist/clsPlayList.h"

namespace lumadeck::FileOpening {

void OpenAsChosen(frmLumadeck& window, const QStringList& fileNames) {
    bool replaced = false;
    QStringList media;
    auto openMedia = [&] {
        clsPlayList* playList = window.cPlayList();
        if (media.isEmpty() || !playList) {
            media.clear();
            return;
        }
        if (replaced) {
            for (const QString& name : media) {
                playList->Add(name, true);
            }
        } else {
            // The open command's PlayVideo of the first file, with the
            // others added before it starts: a first file that turns out to
            // be missing then moves on to the next one.
            playList->Clear();
            for (const QString& name : media) {
                playList->Add(name, true);
            }
            playList->PlayVideoByIndex(0, 0);
            replaced = true;
        }
        media.clear();
    };
    for (const QString& name : fileNames) {
        if (name.isEmpty()) {
            continue;
        }
        if (MediaTypes::OpensAsWhole(name)) {
            openMedia();
            window.OpenChosenFile(name);
            replaced = true;
        } else {
            media.append(name);
        }
    }
    openMedia();
}

} // namespace lumadeck::FileOpening
