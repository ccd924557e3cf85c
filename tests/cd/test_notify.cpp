// CD notification on folder drives: what is told, when, and on which thread.
#include "cd/mdlCDNotify.h"
#include "testing/FolderDriveServices.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;
using namespace lumadeck::mdlCDNotify;
using Event = DeviceChange::Event;
using Device = DeviceChange::Device;

namespace {

struct Window : ICDNotifyTarget {
    QStringList calls;
    std::function<void(const QString&)> duringAdd;
    void AddCD(const QString& d) override {
        calls << "Add " + d;
        if (duringAdd) {
            duringAdd(d);
        }
        calls << "AddDone " + d;
    }
    void RemoveCD(const QString& d) override { calls << "Remove " + d; }
};

class NotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        DriveServices::setCurrent(&drives);
        bHooked = false;
    }
    void TearDown() override {
        StopCDNotification(&window);
        DriveServices::setCurrent(nullptr);
    }
    FolderDriveServices drives;
    Window window;
};

DeviceChange Change(Event e, QStringList names, bool media = true, Device d = Device::Volume) {
    return {e, d, media, std::move(names)};
}

} // namespace

TEST(CDNotifyDecode, OnlyMediaArrivalAndRemovalOfTheFirstNamedVolume) {
    const auto decoded = [](const DeviceChange& c) {
        const auto d = DecodeDeviceChange(c);
        return QString(d.action == CDAction::AddCD      ? "Add "
                       : d.action == CDAction::RemoveCD ? "Remove "
                       : d.action == CDAction::None     ? "None "
                                                        : "? ") +
               d.drive;
    };
    EXPECT_EQ(decoded(Change(Event::Arrival, {"sr0"})), "Add sr0");
    EXPECT_EQ(decoded(Change(Event::RemoveComplete, {"img1"})), "Remove img1");
    EXPECT_EQ(decoded(Change(Event::Arrival, {"sr1", "sr0"})), "Add sr1");
    EXPECT_EQ(decoded(Change(Event::Arrival, {"", "sr3"})), "Add sr3");
    // Nothing for: queries, node changes, drives without a medium change,
    // other devices, no drive at all.
    for (const DeviceChange& c :
         {Change(Event::QueryRemove, {"sr0"}), Change(Event::NodesChanged, {"sr0"}),
          Change(Event::Other, {"sr0"}), Change(Event::Arrival, {"sr0"}, false),
          Change(Event::RemoveComplete, {"sr0"}, false),
          Change(Event::Arrival, {"sr0"}, true, Device::Other), Change(Event::Arrival, {}),
          Change(Event::Arrival, {""})}) {
        EXPECT_TRUE(decoded(c).startsWith("None ")) << decoded(c).toStdString();
    }
}

TEST_F(NotifyTest, DeliversDiscsComingAndGoingWhileHookedOnceHoweverOftenStarted) {
    drives.InsertDisc("sr0", "/tmp", "BEFORE"); // not watched yet: not reported
    StartCDNotification(&window);
    StartCDNotification(&window);
    ASSERT_TRUE(bHooked);
    drives.RemoveDisc("sr0");
    drives.InsertDisc("sr1", "/tmp", "VCD_ONE"); // the drive appearing is no medium change
    drives.Raise(Change(Event::QueryRemove, {"sr1"}));
    drives.Raise(Change(Event::Arrival, {"sr1", "sr0"}));
    EXPECT_EQ(window.calls,
              (QStringList{"Remove sr0", "Add sr1", "AddDone sr1", "Add sr1", "AddDone sr1"}));
    StopCDNotification(&window);
    StopCDNotification(&window);
    EXPECT_FALSE(bHooked);
    EXPECT_FALSE(drives.Watching());
    window.calls.clear();
    drives.RemoveDisc("sr1");
    EXPECT_TRUE(window.calls.isEmpty());

    // The menu command flips the mark; the result is whether it is in force.
    const auto click = [&](bool checked) {
        const bool mark = mnuEnableCDNotification_Click(checked, &window);
        EXPECT_EQ(mark, bHooked);
        return mark;
    };
    EXPECT_TRUE(click(false));
    EXPECT_FALSE(click(true));
    // A mark out of step with the state: only the mark changes.
    StartCDNotification(&window);
    EXPECT_TRUE(click(false)); // "on" while hooked
    StopCDNotification(&window);
    EXPECT_FALSE(click(true));  // "off" while unhooked
    drives.SetWatchable(false); // cannot be watched: the mark comes back off
    EXPECT_FALSE(click(false));
}

TEST_F(NotifyTest, ChangesDuringAScanWaitUntilItReturnsAndStoppingDropsThem) {
    StartCDNotification(&window);
    int nested = 0;
    window.duringAdd = [&](const QString& d) {
        if (d == "sr0" && nested++ == 0) {
            drives.RemoveDisc("sr0");
            drives.InsertDisc("sr1", "/tmp", "B");
            EXPECT_EQ(PendingNotices(), 2);
        }
    };
    drives.InsertDisc("sr0", "/tmp", "A");
    EXPECT_EQ(window.calls,
              (QStringList{"Add sr0", "AddDone sr0", "Remove sr0", "Add sr1", "AddDone sr1"}));
    EXPECT_EQ(PendingNotices(), 0);

    window.calls.clear();
    window.duringAdd = [&](const QString&) {
        drives.RemoveDisc("sr2");
        StopCDNotification(&window);
    };
    drives.InsertDisc("sr2", "/tmp", "C");
    EXPECT_EQ(window.calls, (QStringList{"Add sr2", "AddDone sr2"}));
    EXPECT_EQ(PendingNotices(), 0);
    EXPECT_FALSE(bHooked);
}

TEST_F(NotifyTest, ChangesFromAnotherThreadArriveOnTheUserInterfaceThread) {
    StartCDNotification(&window);
    QThread* uiThread = QThread::currentThread();
    QThread* calledOn = nullptr;
    window.duringAdd = [&](const QString&) { calledOn = QThread::currentThread(); };
    std::unique_ptr<QThread> worker(
        QThread::create([&] { emit drives.DeviceChanged(Change(Event::Arrival, {"sr0"})); }));
    worker->start();
    worker->wait();
    EXPECT_TRUE(window.calls.isEmpty()); // not called on the worker
    QCoreApplication::processEvents();
    EXPECT_EQ(window.calls, (QStringList{"Add sr0", "AddDone sr0"}));
    EXPECT_EQ(calledOn, uiThread);
}
