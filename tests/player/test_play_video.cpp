// The video player driven through the simulated control.
#include "GstTestSupport.h"
#include "testing/RecordingPositionStore.h"
#include "testing/SimulatedMediaControl.h"

#include <QRegularExpression>
#include <QTemporaryDir>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

SimulatedMedia media(double duration, int width = 320, int height = 240) {
    SimulatedMedia m;
    std::tie(m.duration, m.width, m.height) = std::tuple(duration, width, height);
    return m;
}

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
        ASSERT_EQ(timer.isActive() ? timer.interval() : 0, 100); // ten seconds, a hundred ticks
        timer.stop();                                            // the tests tick by hand
        record(player.get(), &clsPlayVideo::Done, "Done");
        record(player.get(), &clsPlayVideo::Paused, "Paused");
        record(player.get(), &clsPlayVideo::Stopped, "Stopped");
        record(player.get(), &clsPlayVideo::Started, "Started");
        record(player.get(), &clsPlayVideo::FileNotFound, "FileNotFound");
        record(player.get(), &clsPlayVideo::StatusMessage, "StatusMessage");
        record(player.get(), &clsPlayVideo::ErrorMsg, "ErrorMsg");
        record(player.get(), &clsPlayVideo::PositionChanged, "PositionChanged");
    }
    QString file(const QString& name, const SimulatedMedia& m = {}) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write("media") > 0);
        control->Script(f.fileName(), m);
        return f.fileName();
    }
    static void settle() {
        for (int i = 0; i < 2; ++i) {
            QCoreApplication::processEvents();
        }
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

// A missing file is never opened: FileNotFound, Done, and the status cleared ten seconds later.
TEST_F(PlayVideo, AMissingOrRefusedFileIsReportedAndNothingElse) {
    for (const QString& name : {dir.filePath("gone.mpg"), file(".hidden.mpg"), dir.path(), {}}) {
        clear();
        player->PlayVideo(name, 0);
        EXPECT_EQ(events, QStringList({"FileNotFound " + name, "Done " + name}));
        EXPECT_FALSE(player->DonePending());
    }
    EXPECT_TRUE(control->calls.filter("Open").isEmpty());
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
    // An open the control refuses shows its reason and raises nothing.
    QCoreApplication::setApplicationName("Lumadeck");
    SimulatedMedia refused;
    std::tie(refused.refuseOpen, refused.errorDescription) = std::pair(true, "Engine missing");
    clear();
    player->PlayVideo(file("a.mpg", refused), 10);
    ASSERT_EQ(dialogs.boxes.size(), 1);
    EXPECT_EQ(std::tuple(dialogs.boxes[0].text, dialogs.boxes[0].title, dialogs.boxes[0].icon),
              std::tuple(QString("Error: Engine missing"), QString("Lumadeck"), MsgIcon::None));
    EXPECT_TRUE(events.isEmpty() && !player->OpenPending());
    EXPECT_EQ(parent.cursor().shape(), Qt::ArrowCursor);
}

// Notifications come from the event loop, as the real control's do.
TEST_F(PlayVideo, PlayingToTheEndRaisesDoneBeforeStoppedAndAnEarlyStopOnlyStopped) {
    control->SetDelivery(SimulatedMediaControl::Delivery::Queued);
    const QString a = file("trip.mpg", media(100));
    player->PlayVideo(a, 30);
    EXPECT_TRUE(events.isEmpty() && player->OpenPending());
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
    ticks(3);
    EXPECT_EQ(events, QStringList({"Started " + a, "Paused " + a, "Stopped " + a}));
}

// From Done, Stopped still names the file that ended.
TEST_F(PlayVideo, AListenerMayStartTheNextFileFromFileNotFoundOrDone) {
    const QString a = file("a.mpg"), b = file("b.mpg"), gone = dir.filePath("gone.mpg");
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
    EXPECT_EQ(parent.windowTitle(), "Lumadeck Player: b.mpg");
}

// A start position before the end is sought, else the saved one when resuming is on; positions
// are saved on every play state change and at close.
TEST_F(PlayVideo, AStartPositionOrElseTheSavedOneIsSoughtAndPositionsAreSaved) {
    player->PlayVideo(file("long.mpg", media(200)), 125.5);
    EXPECT_EQ(events.first(), "PositionChanged 2:06 3:20");
    control->calls.clear();
    player->PlayVideo(file("short.mpg", media(100)), 125.5);
    player->SeekTo(100); // exactly at the end is not before it
    EXPECT_TRUE(control->calls.filter("SetCurrentPosition").isEmpty());
    EXPECT_TRUE(store.calls.filter("restore").isEmpty()); // a start was given
    player->SeekTo(99.9);
    EXPECT_EQ(control->calls.filter("SetCurrentPosition").size(), 1);
    const QString a = file("a.mpg", media(300));
    store.restoreTo = 42;
    player->PlayVideo(a, 0);
    EXPECT_NEAR(player->CurrentPosition(), 42, 1e-9);
    control->Advance(12);
    player->Pause();
    player->SetbAttemptResume(false);
    player->PlayVideo(file("b.mpg", media(300)), 0);
    EXPECT_EQ(player->CurrentPosition(), 0);
    EXPECT_EQ(store.calls.filter(QRegularExpression("[ab].mpg")),
              QStringList({"restore a.mpg", "save 0>2 a.mpg 42", "save 2>1 a.mpg 54",
                           "save 1>0 a.mpg 54", "save 2>8 a.mpg 54", "save 0>2 b.mpg 0"}));
    store.calls.clear();
    control->Advance(5);
    player.reset();
    EXPECT_EQ(store.calls, QStringList({"save 2>8 b.mpg 5"}));
}

// A property the control could not set ends nothing; a real failure is shown and ends the file
// on the next tick; a second error while the first one's box is open is ignored.
TEST_F(PlayVideo, AnErrorIsShownPassedOnAndEndsTheFileOnTheNextTick) {
    const QString a = file("bad.mpg");
    player->PlayVideo(a, 0);
    clear();
    control->RaiseError(77, "The control FAILED to Set The Property DisplaySize");
    EXPECT_EQ(events, QStringList({"ErrorMsg The control FAILED to Set The Property DisplaySize. "
                                   "Error Code: 77"}));
    EXPECT_FALSE(player->DonePending());
    ticks(5);
    EXPECT_EQ(events.size(), 1);
    EXPECT_EQ(control->PlayState(), PlayStateCode::Playing);
    clear();
    const QString why = "Unrecognised or corrupt media format: junk";
    bool nested = false;
    dialogs.whileShown = [&](const auto&) {
        if (!std::exchange(nested, true)) {
            control->RaiseError(2, "second");
        }
    };
    control->RaiseError(4097, why);
    ASSERT_EQ(dialogs.boxes.size(), 2);
    const auto& box = dialogs.boxes[1];
    EXPECT_EQ(std::tuple(box.title, box.icon, box.buttons, box.text),
              std::tuple(QString("MS Media Player Error"), MsgIcon::Critical, MsgButtons::Ok,
                         ComposeErrorMessage(a, 4097, why)));
    EXPECT_EQ(events, QStringList({"ErrorMsg " + why + ". Error Code: 4097"}));
    EXPECT_TRUE(player->DonePending());
    ticks(1);
    EXPECT_EQ(events.last(), "Done " + a);
    ticks(58);
    EXPECT_EQ(events.size(), 2);
    ticks(1);
    EXPECT_EQ(events.last(), "StatusMessage ");
    control->RaiseError(3, "third"); // once the report is over, reported again
    EXPECT_EQ(dialogs.boxes.size(), 3);
}

// The player frees the control's display size for the user; a stored zoom out of range fits.
TEST_F(PlayVideo, ZoomMapsToDisplaySizesAndBackAndActualSizeFollowsTheVideo) {
    EXPECT_TRUE(control->AutoSize() && control->AllowChangeDisplaySize());
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
    EXPECT_TRUE(control->DisplaySize() == DisplaySizeCode::FullScreen && player->FullScreen());
    player->SetFullScreen(false);
    EXPECT_TRUE(control->DisplaySize() == DisplaySizeCode::Double && !player->FullScreen());
    // Actual size follows the video within limits.
    player->SetlZoom(ZoomIndex::ActualSize);
    player->PlayVideo(file("tall.mpg", media(60, 320, 250)), 0);
    const int actualHeight = control->height();
    player->SetlZoom(ZoomIndex::Double); // resized at once, not at the window's next change
    EXPECT_GT(control->height(), actualHeight);
    player->SetlZoom(ZoomIndex::ActualSize);
    player->PlayVideo(file("wide.mpg", media(60, 1200, 200)), 0);
    control->Move(0, 30, 1000, 100);
    player->ResizePlayer();
    // 1210 wanted > 800 outer: the control keeps its 1000; the height is the video's 200 + the
    // panel's 64, at least 300, at least the 550 there are.
    EXPECT_EQ(control->geometry(), QRect(0, 30, 1000, 550));
    control->Move(0, 30, 500, 100);
    player->ResizePlayer();
    EXPECT_EQ(control->width(), 800); // never narrower than the window allows
    // Never smaller than 300 pixels; double size doubles the wanted picture.
    parent.resize(400, 400);
    control->move(50, 0);
    player->SetFormTopMargin(0);
    player->SetFormBottomMargin(150);
    player->PlayVideo(file("tiny.mpg", media(60, 100, 80)), 0);
    player->ResizePlayer();
    EXPECT_EQ(control->geometry(), QRect(50, 0, 300, 300));
    player->SetlZoom(ZoomIndex::Double);
    parent.resize(1000, 1000);
    EXPECT_EQ(control->size(), QSize(800, 850)); // 1000 - 4 x 50 wide
}

TEST_F(PlayVideo, WithoutAControlOrWithFailingCallsNothingBreaks) {
    clsPlayVideo bare;
    for (auto op : {&clsPlayVideo::Play, &clsPlayVideo::Pause, &clsPlayVideo::StopPlaying,
                    &clsPlayVideo::ResizePlayer, &clsPlayVideo::ApplyZoom, &clsPlayVideo::Tick}) {
        (bare.*op)();
    }
    bare.SeekTo(5);
    bare.SetFileName("/x.mpg");
    EXPECT_EQ(bare.Length() + bare.CurrentPosition() + bare.CodecCount(), 0);
    EXPECT_EQ(bare.LengthAsString() + bare.FileName() +
                  bare.GetMediaInfoString(MediaInfoCode::Title),
              "0:00");
    EXPECT_EQ(bare.GetPlayStatus(), PlayStateCode::Stopped);
    SimulatedMediaControl alone; // a control without a window to fit it in
    bare.SetMediaPlayer(&alone);
    bare.ApplyZoom();
    bare.Tick();
    bare.SetMediaPlayer(nullptr);
    player->PlayVideo(file("a.mpg"), 0);
    for (const char* op : {"Duration", "CurrentPosition", "Play", "Pause", "Stop", "Move",
                           "SetDisplaySize", "MediaInfoString", "FileName"}) {
        control->SetFailing(op);
    }
    player->Pause();
    player->SeekTo(5);
    player->SetlZoom(ZoomIndex::FitToWindow);
    ticks(2);
    EXPECT_EQ(player->Length(), 0);
    EXPECT_EQ(player->CurrentPositionAsString() + player->GetMediaInfoString(MediaInfoCode::Title),
              "0:00");
    EXPECT_EQ(player->GetPlayStatus(), PlayStateCode::Playing);
}

} // namespace
