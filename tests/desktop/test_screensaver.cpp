// The screen is kept on while a picture plays: the guard, and the real client
// against a fake org.freedesktop.ScreenSaver on a private bus.
#include "../support/PrivateBus.h"
#include "desktop/DBusScreenSaver.h"
#include "desktop/IScreenSaver.h"
#include "desktop/ScreenSaverGuard.h"
#include "testing/FakeScreenSaver.h"
#include "testing/SimulatedMediaControl.h"

#include <functional>
#include <memory>
#include <utility>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

const QString inhibit = "Inhibit Lumadeck Player: Playing a video";

SimulatedMedia media(int width) {
    SimulatedMedia m;
    m.width = width;
    m.height = width ? 240 : 0;
    return m;
}

} // namespace

TEST(ScreenSaverGuard, HoldsTheScreenOnExactlyWhileAPicturePlays) {
    RecordingScreenSaver saver;
    auto control = std::make_unique<SimulatedMediaControl>();
    control->Script("/v/film.mpg", media(320));
    control->Script("/v/song.mp3", media(0));
    auto guard = std::make_unique<ScreenSaverGuard>(saver);
    guard->Watch(control.get());
    const QStringList on = {inhibit}, off = {"UnInhibit"}, both = {inhibit, "UnInhibit"}, none;
    const std::pair<std::function<void()>, QStringList> steps[] = {
        {[&] { control->Open("/v/film.mpg"); }, on},
        {[&] { control->Pause(); }, off},
        {[&] { control->Play(); }, on},
        {[&] { control->Stop(); }, off},
        {[&] { control->Play(), control->ReachEnd(); }, both},
        {[&] { control->Open("/v/song.mp3"); }, none}, // sound only
        {[&] { control->Open("/v/film.mpg"), control->Open("/v/song.mp3"); }, both},
        {[&] { control->Open("/v/film.mpg"), control.reset(); }, both}, // the control goes away
    };
    for (const auto& [step, requests] : steps) {
        step();
        EXPECT_EQ(std::exchange(saver.calls, {}), requests) << requests.join(',').toStdString();
    }
    // The program's end releases the screen too.
    SimulatedMediaControl other;
    guard->Watch(&other);
    other.Open("/v/film.mpg");
    guard.reset();
    EXPECT_EQ(saver.calls, both);
}

// ------------------------------------------------------------ on the bus

namespace {

QStringList g_messages;
void recordMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_messages << text;
}
} // namespace

TEST(DBusScreenSaver, AsksTheServiceWithdrawsWithItsCookieAndIsQuietWithoutIt) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running());
    const QString app = "Lumadeck Player", why = "Playing a video";
    // Without the service or a bus, nothing happens and nothing is printed.
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    {
        DBusScreenSaver saver(bus.connect());
        for (int i = 0; i < 20; ++i) {
            saver.Inhibit(app, why);
            QCoreApplication::processEvents();
            saver.UnInhibit();
        }
        saver.Inhibit(app, why);
        QTest::qWait(300);
        EXPECT_EQ(saver.Cookie(), 0u);
        DBusScreenSaver none(QDBusConnection(QString("no such connection")));
        none.Inhibit(app, why);
        none.UnInhibit();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_messages.isEmpty()) << g_messages.join('\n').toStdString();

    FakeScreenSaverOnBus fake(bus.connect());
    auto calls = [&] { return fake.service.calls(); };
    const QString asked = "Inhibit " + app + ": " + why + " -> %1";
    {
        DBusScreenSaver saver(bus.connect());
        saver.Inhibit(app, why);
        saver.Inhibit(app, why); // already asked
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 1; }));
        saver.UnInhibit();
        // Withdrawn before the answer came: the cookie is returned on arrival.
        saver.Inhibit(app, why);
        saver.UnInhibit();
        ASSERT_TRUE(waitFor([&] { return calls().size() == 4; }));
        EXPECT_EQ(calls(), QStringList({asked.arg(1), "UnInhibit 1", asked.arg(2), "UnInhibit 2"}));
        EXPECT_EQ(saver.Cookie(), 0u);
        // A request still in force when the program ends is withdrawn.
        saver.Inhibit(app, why);
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 3; }));
    }
    ASSERT_TRUE(waitFor([&] { return calls().size() == 6; }));
    EXPECT_EQ(calls().last(), "UnInhibit 3");

    // As the program ends: the guard goes first, then the client.
    {
        DBusScreenSaver saver(bus.connect());
        SimulatedMediaControl control;
        ScreenSaverGuard guard(saver);
        guard.Watch(&control);
        control.Open("/v/film.mpg");
        ASSERT_TRUE(waitFor([&] { return saver.Cookie() == 4; }));
    }
    EXPECT_TRUE(waitFor([&] { return calls().size() == 8; }));
    EXPECT_EQ(calls().mid(6), QStringList({asked.arg(4), "UnInhibit 4"}));
}
