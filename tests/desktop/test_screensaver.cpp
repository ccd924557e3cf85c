// The screen is kept on while a picture plays: the guard, and the real client against a
// fake org.freedesktop.ScreenSaver on a private bus.
#include "../support/PrivateBus.h"
#include "desktop/ScreenSaverGuard.h"
#include "testing/FakeScreenSaver.h"
#include "testing/SimulatedMediaControl.h"

using namespace lumadeck;
using namespace lumadeck::test;

TEST(ScreenSaverGuard, HoldsTheScreenOnExactlyWhileAPicturePlays) {
    RecordingScreenSaver saver;
    auto control = std::make_unique<SimulatedMediaControl>();
    auto other = std::make_unique<SimulatedMediaControl>();
    SimulatedMediaControl last;
    SimulatedMedia song;
    song.width = song.height = 0;
    control->Script("/v/song.mp3", song);
    auto guard = std::make_unique<ScreenSaverGuard>(saver);
    guard->Watch(control.get());
    const QStringList on = {"Inhibit Lumadeck Player: Playing a video"}, off = {"UnInhibit"};
    const QStringList both = on + off, none;
    const std::pair<std::function<void()>, QStringList> steps[] = {
        {[&] { control->Open("/v/film.mpg"); }, on},
        {[&] { control->Pause(); }, off},
        {[&] { control->Play(); }, on},
        {[&] { control->Stop(); }, off},
        {[&] { control->Play(), control->ReachEnd(); }, both},
        {[&] { control->Open("/v/song.mp3"); }, none}, // sound only
        {[&] { control->Open("/v/film.mpg"), control->Open("/v/song.mp3"); }, both},
        {[&] { control->Open("/v/film.mpg"), guard->Watch(other.get()); }, both},
        {[&] { other->Open("/v/film.mpg"), control.reset(); }, on}, // no longer watched
        {[&] { other.reset(); }, off},                              // the watched one goes away
        {[&] { guard->Watch(&last), last.Open("/v/film.mpg"), guard.reset(); }, both}, // the end
    };
    for (const auto& [step, requests] : steps) {
        step();
        EXPECT_EQ(std::exchange(saver.calls, {}), requests) << requests.join(',').toStdString();
    }
}

// Quiet without the service or a bus; with it, a request made twice or withdrawn before its
// answer is not repeated, and one in force at the end is withdrawn.
TEST(DBusScreenSaver, AsksTheServiceWithdrawsWithItsCookieAndIsQuietWithoutIt) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running());
    const QString app = "Lumadeck Player", why = "Playing a video";
    testing::internal::CaptureStderr();
    {
        DBusScreenSaver saver(bus.connect()), none(QDBusConnection(QString("no such")));
        saver.Inhibit(app, why), none.Inhibit(app, why), none.UnInhibit();
        QTest::qWait(300);
        EXPECT_EQ(saver.Cookie(), 0u);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    FakeScreenSaverOnBus fake(bus.connect());
    {
        DBusScreenSaver saver(bus.connect());
        saver.Inhibit(app, why), saver.Inhibit(app, why);
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 1; }));
        saver.UnInhibit(), saver.Inhibit(app, why), saver.UnInhibit();
        ASSERT_TRUE(waitFor([&] { return fake.service.calls().size() == 4; }));
        saver.Inhibit(app, why);
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 3; }));
    }
    EXPECT_TRUE(waitFor([&] { return fake.service.calls().size() == 6; }));
    const QString asked = "Inhibit " + app + ": " + why + " -> ";
    EXPECT_EQ(fake.service.calls(), QStringList({asked + "1", "UnInhibit 1", asked + "2",
                                                 "UnInhibit 2", asked + "3", "UnInhibit 3"}));
}
