// The video player driven through the simulated control.
#include "GstTestSupport.h"
#include "testing/RecordingPositionStore.h"
#include "testing/SimulatedMediaControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class PlayVideo : public ::testing::Test, protected SignalRecorder {
protected:
    void SetUp() override {
        parent.resize(800, 600);
        parent.show(); // a hidden window gets its resize events only when shown
        control->setGeometry(0, 30, 400, 300);
        player->SetPositionStore(&store);
        player->SetParentForm(&parent);
        player->SetMediaPlayer(control);
        player->SetTimer(&timer);
        player->SetlZoom(ZoomIndex::ActualSize);
        player->SetFormBottomMargin(20);
        player->SetFormTopMargin(30);
        player->ResizePlayer();
        // Ten seconds are a hundred ticks; the tests tick by hand.
        ASSERT_TRUE(timer.isActive());
        ASSERT_EQ(timer.interval(), 100);
        timer.stop();
        using V = clsPlayVideo;
        for (const auto& [signal, name] : {std::pair{&V::Done, "Done"},
                                           {&V::Paused, "Paused"},
                                           {&V::Stopped, "Stopped"},
                                           {&V::Started, "Started"},
                                           {&V::FileNotFound, "FileNotFound"},
                                           {&V::StatusMessage, "StatusMessage"},
                                           {&V::ErrorMsg, "ErrorMsg"}}) {
            record(player.get(), signal, name);
        }
        record(player.get(), &V::PositionChanged, "PositionChanged");
    }
    // A file on disk that the control plays as scripted.
    QString file(const QString& name, const SimulatedMedia& m) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write("media") > 0);
        control->Script(path, m);
        return path;
    }
    QString file(const QString& name, double duration = 60) {
        SimulatedMedia m;
        m.duration = duration;
        return file(name, m);
    }
    // Plays a file and forgets what that reported.
    QString playing(const QString& name) {
        const QString path = file(name);
        player->PlayVideo(path, 0);
        clear();
        return path;
    }
    static void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            player->Tick();
        }
    }
    QTemporaryDir dir;
    RecordingDialogs dialogs;
    ServicesGuard services{{.dialogs = &dialogs}};
    RecordingPositionStore store;
    QWidget parent;
    SimulatedMediaControl* control = new SimulatedMediaControl(&parent);
    TagTimer timer;
    std::unique_ptr<clsPlayVideo> player = std::make_unique<clsPlayVideo>();
};

TEST_F(PlayVideo, AMissingFileRaisesFileNotFoundThenDoneAndClearsTheStatusTenSecondsLater) {
    const QString hidden = file(".hidden.mpg");
    for (const QString& name : {dir.filePath("gone.mpg"), hidden, dir.path(), QString()}) {
        clear();
        player->PlayVideo(name, 0);
        EXPECT_EQ(events, QStringList({"FileNotFound " + name, "Done " + name}));
        EXPECT_FALSE(player->DonePending());
    }
    EXPECT_TRUE(control->calls.filter("Open").isEmpty()) << control->calls.join(", ").toStdString();
    clear();
    ticks(99);
    EXPECT_TRUE(events.isEmpty());
    ticks(1);
    EXPECT_EQ(events, QStringList({"StatusMessage "}));
    ticks(200);
    EXPECT_EQ(events.size(), 1);

    clear();
    player->OpenVideo(dir.filePath("gone.avi"), 12);
    EXPECT_EQ(events, QStringList({"FileNotFound " + dir.filePath("gone.avi"),
                                   "Done " + dir.filePath("gone.avi")}));
    EXPECT_EQ(parent.cursor().shape(), Qt::ArrowCursor);
}

// Notifications here come from the event loop, as the real control's do.
TEST_F(PlayVideo, PlayingToTheEndRaisesDoneBeforeStoppedAndAnEarlyStopOnlyStopped) {
    control->SetDelivery(SimulatedMediaControl::Delivery::Queued);
    const QString a = file("trip.mpg", 100);
    player->PlayVideo(a, 30);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_TRUE(player->OpenPending());
    settle();
    EXPECT_EQ(events, QStringList({"PositionChanged 0:30 1:40", "Started " + a}));
    EXPECT_EQ(parent.windowTitle(), "Lumadeck Player: trip.mpg");
    EXPECT_EQ(parent.cursor().shape(), Qt::ArrowCursor);
    control->ReachEnd();
    settle();
    EXPECT_EQ(events.mid(2), QStringList({"Done " + a, "Stopped " + a}));

    clear();
    player->PlayVideo(a, 0);
    settle();
    control->Advance(10);
    player->Pause();
    settle();
    player->StopPlaying();
    settle();
    EXPECT_EQ(events, QStringList({"Started " + a, "Paused " + a, "Stopped " + a}));
    ticks(3);
    EXPECT_FALSE(has("Done " + a));
}

// From Done, Stopped still names the file that ended.
TEST_F(PlayVideo, AListenerMayStartTheNextFileFromFileNotFoundOrDone) {
    const QString a = file("a.mpg");
    const QString b = file("b.mpg");
    const QString gone = dir.filePath("gone.mpg");
    auto next = QObject::connect(player.get(), &clsPlayVideo::FileNotFound,
                                 [&](const QString&) { player->PlayVideo(a, 0); });
    player->PlayVideo(gone, 0);
    EXPECT_EQ(events, QStringList({"FileNotFound " + gone, "Started " + a, "Done " + gone}));
    QObject::disconnect(next);
    QObject::connect(player.get(), &clsPlayVideo::Done, [&](const QString& f) {
        if (f == a) {
            player->PlayVideo(b, 0);
        }
    });
    clear();
    control->ReachEnd();
    EXPECT_EQ(events, QStringList({"Done " + a, "Started " + b, "Stopped " + a}));
    EXPECT_EQ(control->FileName(), b);
    EXPECT_EQ(parent.windowTitle(), "Lumadeck Player: b.mpg");
}

// A start position before the end is sought; without one the saved one, when resuming is on.
TEST_F(PlayVideo, AStartPositionOrElseTheSavedOneIsSought) {
    player->PlayVideo(file("long.mpg", 200), 125.5);
    EXPECT_NEAR(control->CurrentPosition(), 125.5, 1e-9);
    EXPECT_EQ(events.first(), "PositionChanged 2:06 3:20");
    control->calls.clear();
    player->PlayVideo(file("short.mpg", 100), 125.5);
    EXPECT_TRUE(control->calls.filter("SetCurrentPosition").isEmpty());
    EXPECT_EQ(control->CurrentPosition(), 0);
    EXPECT_TRUE(store.calls.filter("restore").isEmpty()); // a start was given
    // Exactly at the end is not before it.
    player->SeekTo(100);
    EXPECT_TRUE(control->calls.filter("SetCurrentPosition").isEmpty());
    player->SeekTo(99.9);
    EXPECT_EQ(control->calls.filter("SetCurrentPosition").size(), 1);

    const QString a = file("a.mpg", 300);
    store.restoreTo = 42;
    player->PlayVideo(a, 0);
    EXPECT_EQ(store.calls.filter("restore"), QStringList({"restore a.mpg"}));
    EXPECT_NEAR(player->CurrentPosition(), 42, 1e-9);
    store.calls.clear();
    player->SetbAttemptResume(false);
    player->PlayVideo(a, 0);
    EXPECT_TRUE(store.calls.filter("restore").isEmpty());
    EXPECT_EQ(player->CurrentPosition(), 0);
}

TEST_F(PlayVideo, PositionsAreSavedOnEveryPlayStateChangeAndWhenAFileCloses) {
    const QString a = file("a.mpg", 300);
    player->PlayVideo(a, 0);
    control->Advance(12);
    player->Pause();
    player->PlayVideo(file("b.mpg", 300), 0);
    EXPECT_EQ(store.calls, QStringList({"restore a.mpg", "save 0>2 a.mpg 0", "save 2>1 a.mpg 12",
                                        "save 1>0 a.mpg 12", "save 2>8 a.mpg 12", "restore b.mpg",
                                        "save 0>2 b.mpg 0"}));
    store.calls.clear();
    control->Advance(5);
    player.reset();
    EXPECT_EQ(store.calls, QStringList({"save 2>8 b.mpg 5"}));
}

// A property the control could not set ends nothing; a real failure is shown and ends the file.
TEST_F(PlayVideo, AnErrorIsShownPassedOnAndEndsTheFileOnTheNextTick) {
    const QString a = playing("bad.mpg");
    control->RaiseError(77, "The control FAILED to Set The Property DisplaySize");
    EXPECT_EQ(events, QStringList({"ErrorMsg The control FAILED to Set The Property DisplaySize. "
                                   "Error Code: 77"}));
    EXPECT_FALSE(player->DonePending());
    ticks(5);
    EXPECT_EQ(events.size(), 1);
    EXPECT_EQ(control->PlayState(), PlayStateCode::Playing);

    clear();
    const QString why = "Unrecognised or corrupt media format: junk";
    control->RaiseError(4097, why);
    ASSERT_EQ(dialogs.boxes.size(), 2);
    EXPECT_EQ(dialogs.boxes[1].title, "MS Media Player Error");
    EXPECT_EQ(dialogs.boxes[1].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(dialogs.boxes[1].text, ComposeErrorMessage(a, 4097, why));
    EXPECT_EQ(events, QStringList({"ErrorMsg " + why + ". Error Code: 4097"}));
    EXPECT_TRUE(player->DonePending());
    ticks(1);
    EXPECT_EQ(events.last(), "Done " + a);
    ticks(58);
    EXPECT_FALSE(has("StatusMessage "));
    ticks(1);
    EXPECT_EQ(events.count("StatusMessage "), 1);
}

TEST_F(PlayVideo, ASecondErrorWhileTheFirstIsOnScreenIsIgnored) {
    // The box of the first error is open when the second one arrives.
    struct NestingDialogs : RecordingDialogs {
        std::function<void()> whileOpen;
        MsgAnswer MessageBox(QWidget* o, const QString& t, const QString& x, MsgIcon i,
                             MsgButtons b) override {
            if (auto f = std::exchange(whileOpen, nullptr)) {
                f();
            }
            return RecordingDialogs::MessageBox(o, t, x, i, b);
        }
    } nesting;
    Services::setDialogs(&nesting);
    const QString a = playing("bad.mpg");
    nesting.whileOpen = [&] { control->RaiseError(2, "second"); };
    control->RaiseError(1, "first");
    ASSERT_EQ(nesting.boxes.size(), 1);
    EXPECT_TRUE(nesting.boxes[0].text.contains("Error Desc: first."));
    EXPECT_EQ(events, QStringList({"ErrorMsg first. Error Code: 1"}));
    ticks(1);
    EXPECT_EQ(events.count("Done " + a), 1);
    // Once the report is over, the next error is reported again.
    control->RaiseError(3, "third");
    EXPECT_EQ(nesting.boxes.size(), 2);
}

TEST_F(PlayVideo, AnOpenTheControlRefusesShowsItsReasonAndRaisesNothing) {
    SimulatedMedia refused;
    refused.refuseOpen = true;
    refused.errorDescription = "Engine missing";
    QCoreApplication::setApplicationName("Lumadeck");
    player->PlayVideo(file("a.mpg", refused), 10);
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(dialogs.boxes[0].text, "Error: Engine missing");
    EXPECT_EQ(dialogs.boxes[0].title, "Lumadeck");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::None);
    EXPECT_FALSE(player->OpenPending());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(parent.cursor().shape(), Qt::ArrowCursor);
}

// The player frees the control's display size for the user to change.
TEST_F(PlayVideo, ZoomMapsToDisplaySizesAndBack) {
    EXPECT_TRUE(control->AutoSize() && control->AllowChangeDisplaySize());
    // A stored zoom out of range (4) fits the window.
    const long toDisplay[] = {0, 1, 2, 4, 4};
    for (long zoom = 0; zoom <= 4; ++zoom) {
        player->SetlZoom(ZoomIndex(zoom));
        EXPECT_EQ(CodeValue(control->DisplaySize()), toDisplay[zoom]);
        EXPECT_EQ(CodeValue(player->lZoom()), std::min(zoom, 3L));
    }
    for (long size = 3; size <= 7; ++size) {
        control->SetDisplaySize(DisplaySizeCode(size));
        EXPECT_EQ(player->lZoom(), ZoomIndex::FitToWindow);
    }
    player->SetlZoom(ZoomIndex::Double);
    player->SetFullScreen(true);
    EXPECT_EQ(control->DisplaySize(), DisplaySizeCode::FullScreen);
    EXPECT_TRUE(player->FullScreen());
    player->SetFullScreen(false);
    EXPECT_EQ(control->DisplaySize(), DisplaySizeCode::Double);
    EXPECT_FALSE(player->FullScreen());
}

TEST_F(PlayVideo, ActualSizeFollowsTheVideoWithinLimits) {
    SimulatedMedia wide;
    wide.width = 1200;
    wide.height = 200;
    player->PlayVideo(file("wide.mpg", wide), 0);
    control->Move(0, 30, 1000, 100);
    player->ResizePlayer();
    // 1210 wanted > 800 outer: the control keeps its 1000; the height is the
    // video's 200 + the panel's 64, at least 300, at least the 550 there are.
    EXPECT_EQ(control->geometry(), QRect(0, 30, 1000, 550));
    control->Move(0, 30, 500, 100);
    player->ResizePlayer();
    EXPECT_EQ(control->width(), 800); // never narrower than the window allows

    // Never smaller than 300 pixels; double size doubles the wanted picture.
    SimulatedMedia tiny;
    tiny.width = 100;
    tiny.height = 80;
    parent.resize(400, 400);
    control->move(50, 0);
    player->SetFormTopMargin(0);
    player->SetFormBottomMargin(150);
    player->PlayVideo(file("tiny.mpg", tiny), 0);
    player->ResizePlayer();
    EXPECT_EQ(control->geometry(), QRect(50, 0, 300, 300));
    player->SetlZoom(ZoomIndex::Double);
    parent.resize(1000, 1000);
    EXPECT_EQ(control->size(), QSize(800, 850)); // 1000 - 4 x 50 wide
}

TEST_F(PlayVideo, WithoutAControlOrWithFailingCallsNothingBreaks) {
    clsPlayVideo bare;
    bare.Play();
    bare.Pause();
    bare.StopPlaying();
    bare.SeekTo(5);
    bare.ResizePlayer();
    bare.ApplyZoom();
    bare.SetFileName("/x.mpg");
    bare.Tick();
    EXPECT_EQ(bare.Length(), 0);
    EXPECT_EQ(bare.CurrentPosition(), 0);
    EXPECT_EQ(bare.LengthAsString(), "0:00");
    EXPECT_EQ(bare.FileName(), "");
    EXPECT_EQ(bare.GetMediaInfoString(MediaInfoCode::Title), "");
    EXPECT_EQ(bare.CodecCount(), 0);
    EXPECT_EQ(bare.GetPlayStatus(), PlayStateCode::Stopped);
    // A control without a window to fit it in: nothing to fit.
    SimulatedMediaControl alone;
    bare.SetMediaPlayer(&alone);
    bare.ApplyZoom();
    bare.Tick();
    bare.SetMediaPlayer(nullptr);

    playing("a.mpg");
    for (const char* op : {"Duration", "CurrentPosition", "Play", "Pause", "Stop", "Move",
                           "SetDisplaySize", "MediaInfoString", "FileName"}) {
        control->SetFailing(op);
    }
    player->Pause();
    player->SeekTo(5);
    player->SetlZoom(ZoomIndex::FitToWindow);
    ticks(2);
    EXPECT_EQ(player->Length(), 0);
    EXPECT_EQ(player->CurrentPositionAsString(), "0:00");
    EXPECT_EQ(player->GetMediaInfoString(MediaInfoCode::Title), "");
    EXPECT_EQ(player->GetPlayStatus(), PlayStateCode::Playing);
}

} // namespace
