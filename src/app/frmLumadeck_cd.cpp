// The main window's CD drive menus: scanning the drives into the toolbar's
// drive buttons and the drive menus, disc arrival and removal, and the
// commands of the drive menus.
#include "AppEnvironment.h"
#include "Forms.h"
#include "MediaTypes.h"
#include "cd/DiscPath.h"
#include "cd/DriveServices.h"
#include "cd/ImageDrives.h"
#include "cd/clsFindFile.h"
#include "frmLumadeck.h"
#include "mdlGlobals.h"
#include "platform/FileNames.h"
#include "platform/PlainText.h"
#include "player/clsPlayVideo.h"
#include "playlist/clsPlayList.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <cmath>

namespace lumadeck {

namespace g = mdlGlobals;

using M = DriveMenuModel;

// How deep a disc scan goes. A disc image on a filesystem that makes up its
// own inode numbers can hold a folder cycle that looks like an endless tree.
constexpr int kMaxFolderLevels = 64;

// ------------------------------------------------------------- drive buttons

DriveMenuContents& frmLumadeck::addButton(const QString& szDrive) {
    DriveMenuContents& entry = m_drives.Add(szDrive);
    auto* widget = new QToolButton(m_toolbar1);
    widget->setObjectName(entry.key);
    widget->setIcon(style()->standardIcon(QStyle::SP_DriveCDIcon));
    widget->setPopupMode(QToolButton::InstantPopup);
    widget->setMenu(new QMenu(widget));
    m_toolbar1->addWidget(widget);
    m_driveWidgets.insert(entry.key, widget);
    return entry;
}

// Mirrors a button's dropdown list into its toolbar widget.
void frmLumadeck::updateButtonWidget(const DriveMenuContents& button) {
    QToolButton* widget = m_driveWidgets.value(button.key);
    if (!widget) {
        return;
    }
    widget->setToolTip(button.toolTip);
    widget->menu()->clear();
    for (const DriveMenuItem& item : button.items) {
        appendButtonItem(button, item);
    }
}

// Adds one item at the end of a button's dropdown widget.
void frmLumadeck::appendButtonItem(const DriveMenuContents& button, const DriveMenuItem& item) {
    QToolButton* widget = m_driveWidgets.value(button.key);
    if (!widget) {
        return;
    }
    QMenu* menu = widget->menu();
    if (item.key == M::KeySep) {
        menu->addSeparator();
        return;
    }
    QAction* action = menu->addAction(MenuText(item.text));
    action->setEnabled(item.enabled);
    const QString key = button.key;
    const QString itemKey = item.key;
    connect(action, &QAction::triggered, this,
            [this, key, itemKey] { Toolbar1_ButtonMenuClick(key, itemKey); });
}

int frmLumadeck::FindDriveMenu(DriveMenuSet& set, const QString& key) const {
    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        if (set.tag[n] == key) {
            return n;
        }
    }
    return -1;
}

int frmLumadeck::GetFreeDriveMenu(DriveMenuSet& set) const {
    return FindDriveMenu(set, QString());
}

QString frmLumadeck::driveCaption(const QString& szDrive) const {
    return MenuText(apifuncs::DriveCaption(szDrive, apifuncs::GetVolumeName(szDrive)));
}

// --------------------------------------------------------------------- scans

void frmLumadeck::cFind_FoundFile(const QString& szFullFileName, const QString& /*szFileName*/,
                                  bool& Cancel) {
    if (m_closeRequested || m_stopSearch) {
        Cancel = true;
        return;
    }
    const int dot = szFullFileName.lastIndexOf('.');
    if (dot < 0) {
        return;
    }
    const QString ext = szFullFileName.mid(dot + 1);
    if (!MediaTypes::IsMediaExtension(ext)) {
        if (!isVisible()) {
            ShowAppropriateForm();
        }
        letEventsRun();
        return;
    }
    if (ext.toLower() == "dat") {
        // Video CD tracks count only in their own folders.
        if (VideoCdTrackVersion(szFullFileName) == 0) {
            return;
        }
    }
    const QString drive = driveOfFile(szFullFileName);
    const DriveMenuContents* button = m_drives.Find("CD" + drive);
    const int most = Environment().maxVideoFilesPerDrive;
    if (button && button->items.size() - 3 >= most) {
        // Enough for any real disc: this drive's walk ends, the next
        // drive's goes on.
        Cancel = true;
        m_panelStatus->setText("Drive " + drive + ": only the first " + QLocale().toString(most) +
                               " video files are listed");
        if (m_play) {
            m_play->RaiseStatusAfterSeconds(60);
        }
        return;
    }
    AddFileToDriveMenu(drive, szFullFileName);
    letEventsRun();
}

QString frmLumadeck::driveOfFile(const QString& szFullFileName) const {
    // Scans walk one drive at a time; only a file found outside a scan is
    // looked up among the mounted discs.
    return m_scanningDrive.isEmpty() ? apifuncs::GetDriveOfPath(szFullFileName) : m_scanningDrive;
}

void frmLumadeck::AddFileToDriveMenu(const QString& szDrive, const QString& szFullFileName) {
    DriveMenuContents* button = m_drives.Find("CD" + szDrive);
    if (!button) {
        return;
    }
    const int menu = FindDriveMenu(m_driveMenus, button->key);
    if (M::AddFixedItems(*button) && menu >= 0) {
        m_driveMenus.UnloadItems(menu);
        for (int i = 0; i < button->items.size(); ++i) {
            m_driveMenus.SetItem(menu, i, button->items[i]);
        }
    }
    const qint64 length = FileLength(szFullFileName);
    if (length < 0) {
        updateButtonWidget(*button);
        return; // a file whose length cannot be read is not listed
    }
    M::AddFile(*button, szFullFileName, length);
    if (button->items.size() == 4) {
        updateButtonWidget(*button); // the first file: the fixed items come too
    } else {
        appendButtonItem(*button, button->items.last());
    }
    if (menu >= 0) {
        m_driveMenus.SetItem(menu, m_driveMenus.items[menu].size(), button->items.last());
        m_driveMenus.SetVisible(menu, !g::ThinClient);
    }
}

void frmLumadeck::ScanDrive(const QString& szDrive) {
    const QString key = "CD" + szDrive;
    DriveMenuContents* button = m_drives.Find(key);
    if (!button) {
        button = &addButton(szDrive);
    } else {
        button->items.clear();
    }
    button->toolTip = "CD Drive: " + szDrive;
    updateButtonWidget(*button);

    int menu = FindDriveMenu(m_driveMenus, key);
    if (menu < 0) {
        menu = GetFreeDriveMenu(m_driveMenus);
    }
    if (menu >= 0) {
        m_driveMenus.tag[menu] = key;
        m_driveMenus.mnuDrive[menu]->setTitle(driveCaption(szDrive));
        m_driveMenus.SetVisible(menu, true);
        m_driveMenus.SetItem(menu, 0, {QString(), "Finding.", false});
        m_driveMenus.UnloadItems(menu);
    }

    m_scanningDrive = szDrive;
    const QString mountPoint = apifuncs::GetCDMountPoint(szDrive);
    if (!mountPoint.isEmpty() && m_find) {
        m_find->SetMaxDepth(kMaxFolderLevels);
        m_find->FindFiles(mountPoint, "*.*");
    } else if (mountPoint.isEmpty()) {
        ScanDisc(szDrive); // an image, or a disc nothing has mounted
    }
    m_scanningDrive.clear();

    button = m_drives.Find(key); // the list may have changed while events ran
    if (!button) {
        return;
    }
    if (m_closeRequested) {
        m_searching = false;
    } else if (button->items.isEmpty()) {
        M::SetNoFiles(*button);
        updateButtonWidget(*button);
    }
    if (!m_closeRequested) {
        AddImageItems(*button);
    }
}

void frmLumadeck::ScanCDDrives() {
    m_stopSearch = false;
    m_tbStop->setVisible(true);
    for (int i = 0; i < m_drives.Drives().size();) {
        if (m_drives.Drives()[i].key.startsWith("CD")) {
            if (QToolButton* widget = m_driveWidgets.take(m_drives.Drives()[i].key)) {
                widget->deleteLater();
                for (QAction* action : m_toolbar1->actions()) {
                    if (m_toolbar1->widgetForAction(action) == widget) {
                        m_toolbar1->removeAction(action);
                    }
                }
            }
            m_drives.RemoveAt(i);
        } else {
            ++i;
        }
        letEventsRun();
    }
    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        m_driveMenus.SetVisible(n, false);
        m_driveMenus.tag[n].clear();
    }
    ImageDrives::current().Prune();
    QStringList drives;
    apifuncs::GetCDDrives(drives);
    const QStringList images = ImageDrives::current().Drives();
    for (const QString& drive : drives) {
        if (images.contains(drive) && !ImageDrives::current().Contains(drive)) {
            continue; // removed while the drives before it were scanned
        }
        ScanDrive(drive);
        if (m_closeRequested) {
            return;
        }
        if (m_stopSearch) {
            break;
        }
        letEventsRun();
    }
    EndSearch();
    m_stopSearch = false;
    m_tbStop->setVisible(false);
}

void frmLumadeck::BeginSearch() {
    m_mnuRefresh->setEnabled(false);
    m_mnuStop->setEnabled(true);
    m_searching = true;
    m_stopSearch = false;
    m_tbStop->setVisible(true);
    letEventsRun();
}

void frmLumadeck::EndSearch() {
    if (!m_closeRequested) {
        m_mnuRefresh->setEnabled(true);
        m_mnuStop->setEnabled(false);
        m_tbStop->setVisible(false);
        reloadMenus();
        ShowAppropriateForm();
    }
    m_searching = false;
    m_stopSearch = false;
    if (mdlCDNotify::PendingNotices() > 0) {
        // Disc notices that came during the scan, once the code that started
        // it has finished with it.
        QMetaObject::invokeMethod(
            this, [] { mdlCDNotify::DeliverPendingNotices(); }, Qt::QueuedConnection);
    }
}

void frmLumadeck::RefreshCDDrives() {
    BeginSearch();
    ScanCDDrives();
    if (m_closeRequested) {
        EndSearch();
        closeAfterScan();
        return;
    }
    EndSearch();
}

void frmLumadeck::AddCD(const QString& szDrive) {
    m_panelStatus->setText("CD inserted in Drive: " + szDrive);
    if (m_play) {
        m_play->RaiseStatusAfterSeconds(60);
    }
    BeginSearch();
    ScanDrive(szDrive);
    if (m_stopSearch) {
        EndSearch();
    } else if (m_closeRequested) {
        EndSearch();
        closeAfterScan();
    } else {
        reloadMenus();
        EndSearch();
    }
}

void frmLumadeck::RemoveCD(const QString& szDrive) {
    m_panelStatus->setText("CD removed from Drive: " + szDrive);
    if (m_play) {
        m_play->RaiseStatusAfterSeconds(60);
    }
    DriveMenuContents* button = m_drives.Find("CD" + szDrive);
    if (!button) {
        button = &addButton(szDrive);
    }
    M::SetNoFiles(*button);
    updateButtonWidget(*button);
    reloadMenus();
}

QList<DriveMenuView> frmLumadeck::DriveMenuViews(bool bLoadOnlyFiles) const {
    return m_drives.Menus(bLoadOnlyFiles,
                          [this](const QString& drive) { return driveCaption(drive); });
}

void frmLumadeck::reloadMenus() {
    m_driveMenus.Show(DriveMenuViews(false));
}

void frmLumadeck::Toolbar1_ButtonMenuClick(const QString& buttonKey, const QString& itemKey) {
    if (itemKey == M::KeySep || !m_playList) {
        return;
    }
    if (itemKey == M::KeyRemoveImage) {
        ImageDrives::current().Remove(apifuncs::DriveOfKey(buttonKey));
        return;
    }
    if (itemKey != M::KeyPlayAll && itemKey != M::KeyAddAll) {
        if (itemKey.isEmpty() || itemKey == M::KeyNone) {
            return;
        }
        m_playList->PlayVideo(itemKey);
        return;
    }
    const DriveMenuContents* button = m_drives.Find(buttonKey);
    if (!button) {
        return;
    }
    const QStringList files = M::Files(*button); // the list may change while files open
    if (itemKey == M::KeyPlayAll) {
        m_playList->Clear();
    }
    for (const QString& file : files) {
        m_playList->Add(file, true);
    }
    if (itemKey == M::KeyPlayAll) {
        m_playList->RestartPlay();
    }
}

} // namespace lumadeck

namespace lumadeck {

void frmLumadeck::StartNotification() {
    mdlCDNotify::StartCDNotification(this);
}

void frmLumadeck::StopNotification() {
    mdlCDNotify::StopCDNotification(this);
}

void frmLumadeck::EnableCDNotificationCommand() {
    // The item has already flipped its own check mark; the command starts
    // from the mark the user saw.
    const bool shown = !m_mnuEnableCDNotification->isChecked();
    const bool hooked = mdlCDNotify::mnuEnableCDNotification_Click(shown, this);
    m_mnuEnableCDNotification->setChecked(hooked);
    g::EnableCDNotify = hooked;
}

} // namespace lumadeck
