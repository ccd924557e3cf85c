// The main window's CD drive menus: scanning the drives into the toolbar's
// drive buttons and the drive menus, disc arrival and removal, and the
// commands of the drive menus.
#include "Forms.h"
#include "MediaTypes.h"
#include "cd/DriveServices.h"
#include "cd/ImageDrives.h"
#include "cd/clsFindFile.h"
#include "frmLumadeck.h"
#include "mdlGlobals.h"
#include "player/clsPlayVideo.h"
#include "playlist/clsPlayList.h"

#include <QAction>
#include <QFileInfo>
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

namespace {

const QString KeyPlayAll = QStringLiteral("PlayAll");
const QString KeyAddAll = QStringLiteral("AddAll");
const QString KeySep = QStringLiteral("Sep");
const QString KeyNone = QStringLiteral("None");
const QString KeyRemoveImage = QStringLiteral("RemoveImage");

// "AVSEQ01.DAT (12,345 KB)": the size in KB, rounded half to even, grouped
// the way the user's locale groups digits.
QString fileCaption(const QString& fullName, qint64 bytes) {
    const double kb = std::nearbyint(static_cast<double>(bytes) / 1024.0);
    const QString size = QLocale().toString(static_cast<qlonglong>(kb));
    return fullName.mid(fullName.lastIndexOf('/') + 1) + " (" + size.trimmed() + " KB)";
}

} // namespace

// ------------------------------------------------------------- drive buttons

DriveButton* frmLumadeck::findButton(const QString& key) {
    for (DriveButton& button : m_driveButtons) {
        if (button.key == key) {
            return &button;
        }
    }
    return nullptr;
}

DriveButton& frmLumadeck::addButton(const QString& szDrive) {
    DriveButton button;
    button.key = "CD" + szDrive;
    auto* widget = new QToolButton(Toolbar1);
    widget->setObjectName(button.key);
    widget->setIcon(style()->standardIcon(QStyle::SP_DriveCDIcon));
    widget->setPopupMode(QToolButton::InstantPopup);
    widget->setMenu(new QMenu(widget));
    Toolbar1->addWidget(widget);
    button.widget = widget;
    m_driveButtons.append(button);
    return m_driveButtons.last();
}

// Mirrors a button's dropdown list into its toolbar widget.
void frmLumadeck::updateButtonWidget(DriveButton& button) {
    if (!button.widget) {
        return;
    }
    button.widget->setToolTip(button.toolTip);
    button.widget->menu()->clear();
    for (const DriveButtonItem& item : button.items) {
        appendButtonItem(button, item);
    }
}

// Adds one item at the end of a button's dropdown widget.
void frmLumadeck::appendButtonItem(DriveButton& button, const DriveButtonItem& item) {
    if (!button.widget) {
        return;
    }
    QMenu* menu = button.widget->menu();
    if (item.key == KeySep) {
        menu->addSeparator();
        return;
    }
    QAction* action = menu->addAction(item.text);
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
    return apifuncs::DriveCaption(szDrive, apifuncs::GetVolumeName(szDrive));
}

namespace {

void setItem(QAction* action, const QString& caption, const QString& tag, bool enabled) {
    // A separator keeps its caption "-" only as its tag's meaning: menus
    // draw a separator's text beside its line.
    action->setSeparator(tag == KeySep);
    action->setText(tag == KeySep ? QString() : caption);
    action->setData(tag);
    action->setEnabled(enabled);
    action->setVisible(true);
}

// Unloads items 1 and up of drive menu n.
void unloadItems(DriveMenuSet& set, int n) {
    QList<QAction*>& items = set.items[n];
    while (items.size() > 1) {
        QAction* action = items.takeLast();
        set.mnuDrive[n]->removeAction(action);
        action->deleteLater();
    }
}

void setMenuVisible(QMenu* menu, bool visible) {
    if (menu) {
        menu->menuAction()->setVisible(visible);
    }
}

} // namespace

// --------------------------------------------------------------------- scans

void frmLumadeck::cFind_FoundFile(const QString& szFullFileName, const QString& /*szFileName*/,
                                  bool& Cancel) {
    if (bCloseRequested || bStopSearch) {
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
        const int slash = szFullFileName.lastIndexOf('/');
        if (slash < 0) {
            return;
        }
        const QString parent = szFullFileName.left(slash);
        const int parentSlash = parent.lastIndexOf('/');
        if (parentSlash < 0) {
            return;
        }
        const QString folder = parent.mid(parentSlash + 1).toLower();
        if (folder != "mpegav" && folder != "mpeg2") {
            return;
        }
    }
    AddFileToDriveMenu(driveOfFile(szFullFileName), szFullFileName);
    letEventsRun();
}

QString frmLumadeck::driveOfFile(const QString& szFullFileName) const {
    // Scans walk one drive at a time; only a file found outside a scan is
    // looked up among the mounted discs.
    return m_scanningDrive.isEmpty() ? apifuncs::GetDriveOfPath(szFullFileName) : m_scanningDrive;
}

void frmLumadeck::AddFileToDriveMenu(const QString& szDrive, const QString& szFullFileName) {
    DriveButton* button = findButton("CD" + szDrive);
    if (!button) {
        return;
    }
    const int menu = FindDriveMenu(driveMenus, button->key);
    if (button->items.isEmpty()) {
        button->items = {{KeyPlayAll, "Play All", true},
                         {KeyAddAll, "Add All To Playlist", true},
                         {KeySep, "-", true}};
        if (menu >= 0) {
            unloadItems(driveMenus, menu);
            setItem(driveMenus.item(menu, 0), "Play All", KeyPlayAll, true);
            setItem(driveMenus.item(menu, 1), "Add All To Playlist", KeyAddAll, true);
            setItem(driveMenus.item(menu, 2), "-", KeySep, true);
        }
    }
    const qint64 length = FileLength(szFullFileName);
    if (length < 0) {
        updateButtonWidget(*button);
        return; // a file whose length cannot be read is not listed
    }
    const QString caption = fileCaption(szFullFileName, length);
    button->items.append({szFullFileName, caption, true});
    if (button->items.size() == 4) {
        updateButtonWidget(*button); // the first file: the fixed items come too
    } else {
        appendButtonItem(*button, button->items.last());
    }
    if (menu >= 0) {
        setItem(driveMenus.item(menu, driveMenus.items[menu].size()), caption, szFullFileName,
                true);
        setMenuVisible(driveMenus.mnuDrive[menu], !g::ThinClient);
    }
}

void frmLumadeck::ScanDrive(const QString& szDrive) {
    const QString key = "CD" + szDrive;
    DriveButton* button = findButton(key);
    if (!button) {
        button = &addButton(szDrive);
    } else {
        button->items.clear();
    }
    button->toolTip = "CD Drive: " + szDrive;
    updateButtonWidget(*button);

    int menu = FindDriveMenu(driveMenus, key);
    if (menu < 0) {
        menu = GetFreeDriveMenu(driveMenus);
    }
    if (menu >= 0) {
        driveMenus.tag[menu] = key;
        driveMenus.mnuDrive[menu]->setTitle(driveCaption(szDrive));
        setMenuVisible(driveMenus.mnuDrive[menu], true);
        setItem(driveMenus.item(menu, 0), "Finding.", QString(), false);
        unloadItems(driveMenus, menu);
    }

    m_scanningDrive = szDrive;
    const QString mountPoint = apifuncs::GetCDMountPoint(szDrive);
    if (!mountPoint.isEmpty() && m_find) {
        m_find->FindFiles(mountPoint, "*.*");
    } else if (mountPoint.isEmpty()) {
        ScanDisc(szDrive); // an image, or a disc nothing has mounted
    }
    m_scanningDrive.clear();

    button = findButton(key); // the list may have changed while events ran
    if (!button) {
        return;
    }
    if (bCloseRequested) {
        bSearching = false;
    } else if (button->items.isEmpty()) {
        button->items.append({KeyNone, "(No Video Files found)", false});
        updateButtonWidget(*button);
    }
    if (!bCloseRequested) {
        AddImageItems(*button);
    }
}

void frmLumadeck::ScanCDDrives() {
    bStopSearch = false;
    tbStop->setVisible(true);
    for (int i = 0; i < m_driveButtons.size();) {
        if (m_driveButtons[i].key.startsWith("CD")) {
            if (QToolButton* widget = m_driveButtons[i].widget) {
                widget->deleteLater();
                for (QAction* action : Toolbar1->actions()) {
                    if (Toolbar1->widgetForAction(action) == widget) {
                        Toolbar1->removeAction(action);
                    }
                }
            }
            m_driveButtons.removeAt(i);
        } else {
            ++i;
        }
        letEventsRun();
    }
    for (int n = 0; n < DriveMenuSet::Count; ++n) {
        setMenuVisible(driveMenus.mnuDrive[n], false);
        driveMenus.tag[n].clear();
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
        if (bCloseRequested) {
            return;
        }
        if (bStopSearch) {
            break;
        }
        letEventsRun();
    }
    EndSearch();
    bStopSearch = false;
    tbStop->setVisible(false);
}

void frmLumadeck::BeginSearch() {
    mnuRefresh->setEnabled(false);
    mnuStop->setEnabled(true);
    bSearching = true;
    bStopSearch = false;
    tbStop->setVisible(true);
    letEventsRun();
}

void frmLumadeck::EndSearch() {
    if (!bCloseRequested) {
        mnuRefresh->setEnabled(true);
        mnuStop->setEnabled(false);
        tbStop->setVisible(false);
        ReloadMenus(driveMenus, false);
        ShowAppropriateForm();
    }
    bSearching = false;
    bStopSearch = false;
}

void frmLumadeck::RefreshCDDrives() {
    BeginSearch();
    ScanCDDrives();
    if (bCloseRequested) {
        EndSearch();
        closeAfterScan();
        return;
    }
    EndSearch();
}

void frmLumadeck::AddCD(const QString& szDrive) {
    panelStatus->setText("CD inserted in Drive: " + szDrive);
    if (m_play) {
        m_play->RaiseStatusAfterSeconds(60);
    }
    BeginSearch();
    ScanDrive(szDrive);
    if (bStopSearch) {
        EndSearch();
    } else if (bCloseRequested) {
        EndSearch();
        closeAfterScan();
    } else {
        ReloadMenus(driveMenus, false);
        EndSearch();
    }
}

void frmLumadeck::RemoveCD(const QString& szDrive) {
    panelStatus->setText("CD removed from Drive: " + szDrive);
    if (m_play) {
        m_play->RaiseStatusAfterSeconds(60);
    }
    DriveButton* button = findButton("CD" + szDrive);
    if (!button) {
        button = &addButton(szDrive);
    } else {
        button->items.clear();
    }
    button->items.append({KeyNone, "(No Video Files found)", false});
    updateButtonWidget(*button);
    ReloadMenus(driveMenus, false);
}

void frmLumadeck::ReloadMenus(DriveMenuSet& frm, bool bLoadOnlyFiles) {
    setMenuVisible(frm.mnuDrive[0], true);
    for (int n = 1; n < DriveMenuSet::Count; ++n) {
        setMenuVisible(frm.mnuDrive[n], false);
    }
    if (frm.mnuPopup) {
        frm.mnuPopup->menuAction()->setVisible(false);
    }
    frm.mnuDrive[0]->setTitle("No Drives Found");
    int k = 0;
    for (const DriveButton& button : m_driveButtons) {
        if (!button.key.startsWith("CD")) {
            continue;
        }
        if (k >= DriveMenuSet::Count) {
            break;
        }
        frm.mnuDrive[k]->setTitle(driveCaption(button.drive()));
        setMenuVisible(frm.mnuDrive[k], true);
        frm.items[k][0]->setVisible(true);
        unloadItems(frm, k);
        if (button.items.isEmpty()) {
            setItem(frm.items[k][0], "(No Files Found)", QString(), false);
        }
        for (int j = 0; j < button.items.size(); ++j) {
            const DriveButtonItem& item = button.items[j];
            setItem(frm.item(k, j), item.text, item.key, item.enabled);
        }
        if (bLoadOnlyFiles) {
            for (QAction* action : frm.items[k]) {
                const QString tag = action->data().toString();
                action->setVisible(tag != KeyPlayAll && tag != KeyAddAll && tag != KeySep &&
                                   tag != KeyRemoveImage);
            }
        }
        frm.tag[k] = button.key;
        ++k;
    }
}

void frmLumadeck::Toolbar1_ButtonMenuClick(const QString& buttonKey, const QString& itemKey) {
    if (itemKey == KeySep || !m_playList) {
        return;
    }
    if (itemKey == KeyRemoveImage) {
        ImageDrives::current().Remove(apifuncs::DriveOfKey(buttonKey));
        return;
    }
    if (itemKey != KeyPlayAll && itemKey != KeyAddAll) {
        if (itemKey.isEmpty() || itemKey == KeyNone) {
            return;
        }
        m_playList->PlayVideo(itemKey);
        return;
    }
    const DriveButton* button = findButton(buttonKey);
    if (!button) {
        return;
    }
    const QList<DriveButtonItem> items = button->items; // the list may change while files open
    if (itemKey == KeyPlayAll) {
        m_playList->Clear();
    }
    for (const DriveButtonItem& item : items) {
        if (item.key != KeySep && item.key != KeyAddAll && item.key != KeyPlayAll &&
            item.key != KeyNone && item.key != KeyRemoveImage) {
            m_playList->Add(item.key, true);
        }
    }
    if (itemKey == KeyPlayAll) {
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
    const bool shown = !mnuEnableCDNotification->isChecked();
    const bool hooked = mdlCDNotify::mnuEnableCDNotification_Click(shown, this);
    mnuEnableCDNotification->setChecked(hooked);
    g::EnableCDNotify = hooked;
}

} // namespace lumadeck
