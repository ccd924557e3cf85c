#include "playlist/DroppedFiles.h"

#include "platform/FileNames.h"
#include "playlist/clsPlayList.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

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
        if (!url.isLocalFile()) {
            continue;
        }
        const QString name = url.toLocalFile();
        if (IsPossibleFileName(name)) {
            names.append(name);
        }
    }
    return names;
}

namespace {

// Takes the drag and drop events of the window it is installed on.
class DropTarget : public QObject {
public:
    DropTarget(QWidget& window, PlayListFinder playList)
        : QObject(&window), m_playList(std::move(playList)) {
        setObjectName(QStringLiteral("dropTarget"));
        window.setAcceptDrops(true);
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched != parent() ||
            (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
            return false;
        }
        // A drag move event is a drop event, and a drag enter event a move.
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList names = Names(drop->mimeData());
        clsPlayList* playList = m_playList ? m_playList() : nullptr;
        if (names.isEmpty() || !playList) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (type == QEvent::Drop) {
            Open(*playList, names);
        }
        return true;
    }

private:
    PlayListFinder m_playList;
};

} // namespace

void TakeDropsOn(QWidget& window, PlayListFinder playList) {
    if (!window.findChild<DropTarget*>(QStringLiteral("dropTarget"), Qt::FindDirectChildrenOnly)) {
        new DropTarget(window, std::move(playList));
    }
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
