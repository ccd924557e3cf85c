// The main window's drives that are read without a mount: Video CD images
// opened as drives, and discs in drives that nothing has mounted. Their
// files are listed from the disc's own directory, by the same rules as the
// files of a mounted disc.
#include "Forms.h"
#include "cd/DiscPath.h"
#include "cd/DiscScan.h"
#include "cd/DriveServices.h"
#include "cd/ImageDrives.h"
#include "cd/VcdDisc.h"
#include "frmLumadeck.h"
#include "platform/FileNames.h"
#include "platform/IDialogs.h"
#include "platform/Services.h"
#include "playlist/clsPlayList.h"

#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace lumadeck {

void frmLumadeck::ScanDisc(const QString& szDrive) {
    const QString source = apifuncs::GetCDDiscSource(szDrive);
    if (source.isEmpty()) {
        return;
    }
    // Read on a thread of its own, as a mounted disc is walked between
    // events: the window stays responsive, and Stop Refreshing or closing
    // the window ends the read.
    DiscScan scan(source);
    scan.Wait([this] { return m_stopSearch || m_closeRequested; });
    if (!scan.Opened() || m_stopSearch || m_closeRequested) {
        return; // no disc, nothing a CD filesystem can be read from, or stopped
    }
    const QList<DiscFile> files = scan.Files();
    m_discFileSizes.clear();
    for (const DiscFile& f : files) {
        m_discFileSizes.insert(DiscFileName(source, f.path), f.Bytes());
    }
    for (const DiscFile& f : files) {
        bool cancel = false;
        cFind_FoundFile(DiscFileName(source, f.path), f.path.mid(f.path.lastIndexOf('/') + 1),
                        cancel);
        if (cancel) {
            break;
        }
    }
    m_discFileSizes.clear();
}

qint64 frmLumadeck::FileLength(const QString& szFullFileName) const {
    if (const auto it = m_discFileSizes.constFind(szFullFileName); it != m_discFileSizes.cend()) {
        return it.value();
    }
    const FileStatus info = StatFile(szFullFileName);
    return info.exists ? info.size : -1;
}

void frmLumadeck::AddImageItems(DriveMenuContents& button) {
    if (!ImageDrives::current().Contains(button.drive())) {
        return;
    }
    DriveMenuModel::AddImageItems(button);
    updateButtonWidget(button);
}

void frmLumadeck::ImageDriveRemoved(const QString& szDrive) {
    const QString key = apifuncs::DriveKey(szDrive);
    if (QToolButton* widget = m_driveWidgets.take(key)) {
        for (QAction* action : m_toolbar1->actions()) {
            if (m_toolbar1->widgetForAction(action) == widget) {
                m_toolbar1->removeAction(action);
            }
        }
        widget->deleteLater();
    }
    for (int i = 0; i < m_drives.Drives().size(); ++i) {
        if (m_drives.Drives()[i].key == key) {
            m_drives.RemoveAt(i);
            break;
        }
    }
    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        if (m_driveMenus.tag[n] == key) {
            m_driveMenus.tag[n].clear();
        }
    }
    if (!m_searching) {
        reloadMenus();
    }
}

void frmLumadeck::OpenDiscImage(const QString& imagePath) {
    if (m_unloaded || m_closeRequested) {
        return;
    }
    if (m_searching) {
        // A scan is under way: the image joins once it is over.
        QTimer::singleShot(200, this, [this, imagePath] { OpenDiscImage(imagePath); });
        return;
    }
    QString error;
    const QString drive = ImageDrives::current().Add(imagePath, &error);
    if (drive.isEmpty()) {
        Services::dialogs().MessageBox(this, "Lumadeck: Error opening disc image", error,
                                       MsgIcon::Critical, MsgButtons::Ok);
        return;
    }
    AddCD(drive);
    if (m_closeRequested || m_unloaded) {
        return;
    }
    const DriveMenuContents* button = m_drives.Find(apifuncs::DriveKey(drive));
    if (button && !DriveMenuModel::Files(*button).isEmpty()) {
        Toolbar1_ButtonMenuClick(button->key, DriveMenuModel::KeyPlayAll);
    }
}

} // namespace lumadeck
