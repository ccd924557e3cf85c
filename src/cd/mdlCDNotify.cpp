#include "mdlCDNotify.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>

namespace lumadeck::mdlCDNotify {

bool bHooked = false;

namespace {

ICDNotifyTarget* gWindow = nullptr;
QPointer<IDriveServices> gServices;
QMetaObject::Connection gConnection;
QObject* gContext = nullptr; // lives on the user-interface thread
QList<CDNotice> gPending;
bool gDelivering = false;

void Unhook() {
    QObject::disconnect(gConnection);
    gConnection = {};
    if (gServices) {
        gServices->StopWatching();
    }
    gServices = nullptr;
    gWindow = nullptr;
    gPending.clear();
}

} // namespace

void StartCDNotification(ICDNotifyTarget* window) {
    if (bHooked || !window) {
        return;
    }
    Unhook(); // anything left from a flag cleared by hand
    qRegisterMetaType<DeviceChange>();
    if (!gContext) {
        gContext = new QObject;
        if (QCoreApplication::instance()) {
            gContext->moveToThread(QCoreApplication::instance()->thread());
        }
    }
    IDriveServices& services = DriveServices::current();
    gServices = &services;
    gWindow = window;
    // Changes raised on another thread are queued to the user-interface one.
    gConnection = QObject::connect(&services, &IDriveServices::DeviceChanged, gContext,
                                   [](const DeviceChange& c) { CDNotifyHandler(c); });
    if (!services.StartWatching()) {
        Unhook();
        return;
    }
    bHooked = true;
}

void StopCDNotification(ICDNotifyTarget* window) {
    if (!bHooked) {
        return;
    }
    bHooked = false;
    Unhook();
}

QString DriveFromList(const QStringList& drives) {
    for (const QString& d : drives) {
        if (!d.isEmpty()) {
            return d;
        }
    }
    return {};
}

CDNotice DecodeDeviceChange(const DeviceChange& change) {
    CDNotice notice;
    if (change.event == DeviceChange::Event::Arrival) {
        notice.action = CDAction::AddCD;
    } else if (change.event == DeviceChange::Event::RemoveComplete) {
        notice.action = CDAction::RemoveCD;
    } else {
        return {};
    }
    if (change.device != DeviceChange::Device::Volume || !change.media) {
        return {};
    }
    notice.drive = DriveFromList(change.drives);
    if (notice.drive.isEmpty()) {
        return {}; // a drive of no name cannot be scanned
    }
    return notice;
}

void CDNotifyHandler(const DeviceChange& change) {
    if (!bHooked || !gWindow) {
        return;
    }
    const CDNotice notice = DecodeDeviceChange(change);
    if (notice.action == CDAction::None) {
        return;
    }
    gPending.append(notice);
    DeliverPendingNotices();
}

void DeliverPendingNotices() {
    if (gDelivering) {
        return; // the running call delivers them when it returns
    }
    gDelivering = true;
    while (!gPending.isEmpty() && bHooked && gWindow && !gWindow->ScanRunning()) {
        const CDNotice next = gPending.takeFirst();
        if (next.action == CDAction::AddCD) {
            gWindow->AddCD(next.drive);
        } else {
            gWindow->RemoveCD(next.drive);
        }
    }
    gDelivering = false;
    if (!bHooked) {
        gPending.clear();
    }
}

int PendingNotices() {
    return int(gPending.size());
}

bool mnuEnableCDNotification_Click(bool bChecked, ICDNotifyTarget* window) {
    const bool checked = !bChecked;
    if (checked) {
        StartCDNotification(window);
    } else {
        StopCDNotification(window);
    }
    return bHooked;
}

} // namespace lumadeck::mdlCDNotify
