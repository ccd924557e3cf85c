#pragma once

#include "DriveServices.h"

#include <QString>
#include <QStringList>

namespace lumadeck {

// What the main window provides to be told of discs coming and going.
class ICDNotifyTarget {
public:
    virtual ~ICDNotifyTarget() = default;
    virtual void AddCD(const QString& szDrive) = 0;
    virtual void RemoveCD(const QString& szDrive) = 0;
    // True while a scan of the drives runs; notices wait until it has ended.
    virtual bool ScanRunning() const { return false; }
};

namespace mdlCDNotify {

// True while the program is being told of disc arrivals and removals.
extern bool bHooked;

// Starts telling window of disc arrivals and removals on the drives of
// DriveServices::current(). Does nothing when already started; leaves
// bHooked false when the changes cannot be watched.
void StartCDNotification(ICDNotifyTarget* window);
// Stops it; does nothing when not started. Call before window goes away.
void StopCDNotification(ICDNotifyTarget* window);

enum class CDAction { None, AddCD, RemoveCD };
struct CDNotice {
    CDAction action = CDAction::None;
    QString drive;
};

// The first drive a change names; "" when it names none.
QString DriveFromList(const QStringList& drives);

// What a change means for the window: an arrival or a completed removal of
// the medium of a volume, for the first drive named; everything else
// (queries, node changes, drives plugged in or out, other devices, changes
// naming no drive) means nothing.
CDNotice DecodeDeviceChange(const DeviceChange& change);

// Handles one change while started: decodes it and calls the window's
// AddCD or RemoveCD. A change that arrives while such a call is running, or
// while the window runs a scan of its own (scans let events run), waits, and
// is delivered in order when the call returns or by DeliverPendingNotices.
void CDNotifyHandler(const DeviceChange& change);

// Delivers the waiting notices, in order, unless a call is already being
// delivered or the window runs a scan. The window calls it once its scan
// has ended.
void DeliverPendingNotices();

// Notices waiting to be delivered.
int PendingNotices();

// The "&Enable CD Notification" command: given the item's check mark,
// flips it, starts or stops notification for window accordingly, and
// returns the new check mark, which is whether notification is really in
// force (bHooked). The menu item and the option EnableCDNotify take the
// returned value.
bool mnuEnableCDNotification_Click(bool bChecked, ICDNotifyTarget* window);

} // namespace mdlCDNotify

} // namespace lumadeck
