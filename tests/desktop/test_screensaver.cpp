// The screen is kept on while a picture plays: the guard, and the real client
// against a fake org.freedesktop.ScreenSaver on a private bus.
#include "../support/PrivateBus.h"
#include "desktop/ScreenSaverGuard.h"
#include "testing/FakeScreenSaver.h"
#include "testing/SimulatedMediaControl.h"

#include <memory>
#include <utility>

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

TEST(DBusScreenSaver, AsksTheServiceWithdrawsWithItsCookieAndIsQuietWithoutIt) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running());
    const QString app = "Lumadeck Player", why = "Playing a video";
    // Without the service or a bus, nothing happens and nothing is printed.
    static QStringList messages;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { messages << text; });
    {
        DBusScreenSaver saver(bus.connect()), none(QDBusConnection(QString("no such")));
        saver.Inhibit(app, why), saver.UnInhibit(), saver.Inhibit(app, why);
        none.Inhibit(app, why), none.UnInhibit();
        QTest::qWait(300);
        EXPECT_EQ(saver.Cookie(), 0u);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    FakeScreenSaverOnBus fake(bus.connect());
    const auto calls = [&] { return fake.service.calls(); };
    const QString asked = "Inhibit " + app + ": " + why + " -> %1";
    {
        DBusScreenSaver saver(bus.connect());
        saver.Inhibit(app, why);
        saver.Inhibit(app, why); // already asked
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 1; }));
        saver.UnInhibit();
        saver.Inhibit(app, why); // withdrawn before the answer: returned on arrival
        saver.UnInhibit();
        ASSERT_TRUE(waitFor([&] { return calls().size() == 4; }));
        EXPECT_EQ(calls(), QStringList({asked.arg(1), "UnInhibit 1", asked.arg(2), "UnInhibit 2"}));
        saver.Inhibit(app, why); // still in force when the program ends: withdrawn
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 3; }));
    }
    // As the program ends the guard goes first, then the client, whose withdrawal still leaves.
    {
        DBusScreenSaver saver(bus.connect());
        SimulatedMediaControl control;
        ScreenSaverGuard guard(saver);
        guard.Watch(&control);
        control.Open("/v/film.mpg");
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 4; }));
    }
    EXPECT_TRUE(waitFor([&] { return calls().size() == 8; }));
    EXPECT_EQ(calls().mid(4),
              QStringList({asked.arg(3), "UnInhibit 3", asked.arg(4), "UnInhibit 4"}));
}
