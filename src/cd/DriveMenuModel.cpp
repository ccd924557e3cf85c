#include "cd/DriveMenuModel.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace lumadeck {

const QString DriveMenuModel::KeyPlayAll = QStringLiteral("PlayAll");
const QString DriveMenuModel::KeyAddAll = QStringLiteral("AddAll");
const QString DriveMenuModel::KeySep = QStringLiteral("Sep");
const QString DriveMenuModel::KeyNone = QStringLiteral("None");
const QString DriveMenuModel::KeyRemoveImage = QStringLiteral("RemoveImage");

bool DriveMenuModel::IsFileKey(const QString& key) {
    return !key.isEmpty() && key != KeyPlayAll && key != KeyAddAll && key != KeySep &&
           key != KeyNone && key != KeyRemoveImage;
}

QString DriveMenuModel::FileCaption(const QString& fullName, qint64 bytes) {
    const double kb = std::nearbyint(static_cast<double>(bytes) / 1024.0);
    const QString size = QLocale().toString(static_cast<qlonglong>(kb));
    return fullName.mid(fullName.lastIndexOf('/') + 1) + " (" + size.trimmed() + " KB)";
}

DriveMenuContents* DriveMenuModel::Find(const QString& key) {
    for (DriveMenuContents& entry : m_drives) {
        if (entry.key == key) {
            return &entry;
        }
    }
    return nullptr;
}

DriveMenuContents& DriveMenuModel::Add(const QString& drive) {
    m_drives.append({"CD" + drive, QString(), {}});
    return m_drives.last();
}

bool DriveMenuModel::AddFixedItems(DriveMenuContents& entry) {
    if (!entry.items.isEmpty()) {
        return false;
    }
    entry.items = {{KeyPlayAll, "Play All"}, {KeyAddAll, "Add All To Playlist"}, {KeySep, "-"}};
    return true;
}

void DriveMenuModel::AddFile(DriveMenuContents& entry, const QString& fullName, qint64 bytes) {
    entry.items.append({fullName, FileCaption(fullName, bytes)});
}

void DriveMenuModel::AddImageItems(DriveMenuContents& entry) {
    entry.items.append({KeySep, "-"});
    entry.items.append({KeyRemoveImage, "Remove Image"});
}

void DriveMenuModel::SetNoFiles(DriveMenuContents& entry) {
    entry.items = {{KeyNone, "(No Video Files found)", false}};
}

QStringList DriveMenuModel::Files(const DriveMenuContents& entry) {
    QStringList files;
    for (const DriveMenuItem& item : entry.items) {
        if (IsFileKey(item.key)) {
            files.append(item.key);
        }
    }
    return files;
}

QList<DriveMenuView>
DriveMenuModel::Menus(bool onlyFiles, const std::function<QString(const QString&)>& caption) const {
    QList<DriveMenuView> menus;
    for (const DriveMenuContents& entry : m_drives) {
        if (menus.size() >= MenuCount) {
            break;
        }
        DriveMenuView view{entry.key, caption(entry.drive()), entry.items};
        if (view.items.isEmpty()) {
            view.items = {{QString(), "(No Files Found)", false}};
        }
        if (onlyFiles) {
            for (DriveMenuItem& item : view.items) {
                item.visible = item.key != KeyPlayAll && item.key != KeyAddAll &&
                               item.key != KeySep && item.key != KeyRemoveImage;
            }
        }
        menus.append(view);
    }
    return menus;
}

} // namespace lumadeck
