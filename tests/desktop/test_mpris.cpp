// The desktop's media controls (MPRIS 2): one instance owns the name on a
// private bus, takes a second start's files, follows the window and drives it.
#include "../support/MainWindowFixture.h"
#include "../support/PrivateBus.h"
#include "desktop/DBusDesktopSession.h"
#include "desktop/FileOpening.h"
#include "desktop/MprisPlayer.h"
#include "testing/RecordingPositionStore.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSignalSpy>
#include <cmath>

using namespace lumadeck;
using namespace lumadeck::test;

// Every property of the PropertiesChanged a spy saw since the last call, with its last value.
static QVariantMap announced(QSignalSpy& changes) {
    QVariantMap all;
    for (const QList<QVariant>& args : std::as_const(changes)) {
        EXPECT_EQ(args.at(0), MprisPlayer::PlayerInterface);
        all.insert(args.at(1).toMap());
    }
    changes.clear();
    return all;
}

static QVariant track(const char* n) {
    return QVariant::fromValue(QDBusObjectPath(MprisPlayer::TrackPrefix + n));
}

class MprisTest : public MainWindowTest {
protected:
    RecordingPositionStore positions;
    MprisPlayer mpris;
};

TEST_F(MprisTest, OneInstanceTakesTheFilesOfOtherStartsFollowsTheWindowAndDrivesIt) {
    Environment().positions = &positions;
    QSignalSpy changes(&mpris, &MprisPlayer::PropertiesChanged),
        seeks(&mpris, &MprisPlayer::Seeked);
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
    DBusDesktopSession first(bus.connect()), second(bus.connect());
    const QString a = file("Vidéos/a one.mpg"), b = file("b.mpg");
    EXPECT_FALSE(first.HandOver({a})); // nobody holds the name yet
    ASSERT_EQ(first.Publish(mpris), IDesktopSession::Claim::Owner);
    MprisPlayer secondPlayer;
    EXPECT_EQ(second.Publish(secondPlayer), IDesktopSession::Claim::Taken);
    second.PublishAsInstance();
    EXPECT_TRUE(
        second.OwnedNames().value(0).startsWith(DBusDesktopSession::ServiceName + ".instance"));
    EXPECT_FALSE(mpris.CanPlay());
    // The first is still starting: the files wait for its window, then the first plays.
    EXPECT_TRUE(second.HandOver({a, b}));
    EXPECT_EQ(mpris.OpenUri("http://example.com/x.mpg"), MprisPlayer::OpenOutcome::NotAFile);
    frmLumadeck& w = start();
    mpris.Attach(w);
    SimulatedMedia tagged;
    tagged.title = "First clip", tagged.author = "Ann Author";
    scripted("Vidéos/a one.mpg", tagged);
    ASSERT_TRUE(waitFor([&] { return w.cPlay()->FileName() == a; }));
    EXPECT_EQ(entries(w), QStringList({a, b}));
    const QString url = QUrl::fromLocalFile(a).toString(QUrl::FullyEncoded);
    EXPECT_EQ(announced(changes),
              QVariantMap({{"PlaybackStatus", "Playing"},
                           {"CanGoNext", true},
                           {"CanPlay", true},
                           {"CanPause", true},
                           {"CanSeek", true},
                           {"Metadata", QVariantMap({{"mpris:trackid", track("0")},
                                                     {"mpris:length", 60'000'000LL},
                                                     {"xesam:title", "First clip"},
                                                     {"xesam:artist", QStringList{"Ann Author"}},
                                                     {"xesam:url", url}})}}));
    EXPECT_FALSE(mpris.CanGoPrevious());

    // Stop, Play and PlayPause as the window's buttons; the pause stores the position.
    mpris.Stop();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a) + " (Stopped)");
    mpris.Play();
    control->Advance(12);
    EXPECT_EQ(announced(changes).value("PlaybackStatus"), "Playing");
    positions.calls.clear();
    mpris.PlayPause();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a) + " (Paused)");
    EXPECT_EQ(announced(changes), QVariantMap({{"PlaybackStatus", "Paused"}}));
    EXPECT_EQ(positions.calls, QStringList({"save 2>1 a one.mpg 12"}));
    mpris.Pause(); // already paused: nothing
    EXPECT_TRUE(announced(changes).isEmpty());
    // Seek: relative, then absolute; a wrong track or a place outside the clip is ignored.
    mpris.Seek(5'000'000);
    EXPECT_EQ(mpris.Position(), 17'000'000);
    for (const auto& [n, to] :
         {std::pair{"1", 30'000'000}, {"0", 61'000'000}, {"0", -1}, {"0", 0}}) {
        mpris.SetPosition(MprisPlayer::TrackPrefix + n, to);
    }
    EXPECT_DOUBLE_EQ(w.cPlay()->CurrentPosition(), 0);
    EXPECT_EQ(seeks, QList<QVariantList>({{17'000'000LL}, {0LL}}));

    // Next plays the second entry, titled by its name; Rate 0 pauses; nothing after the last.
    mpris.Next();
    QVariantMap now = announced(changes);
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(b));
    EXPECT_EQ(now.value("Metadata").toMap().value("mpris:trackid"), track("1"));
    EXPECT_EQ(now.value("Metadata").toMap().value("xesam:title"), "b.mpg");
    EXPECT_EQ(now.value("CanGoNext"), false);
    EXPECT_EQ(now.value("CanGoPrevious"), true);
    mpris.SetRate(2.0); // one speed only
    EXPECT_EQ(mpris.PlaybackStatus(), "Playing");
    mpris.SetRate(0.0);
    EXPECT_EQ(mpris.PlaybackStatus(), "Paused");
    mpris.Next();
    EXPECT_EQ(w.cPlay()->FileName(), b);
    // Previous goes back; seeking past the end is Next, on the last entry nothing.
    mpris.Previous();
    EXPECT_EQ(mpris.Metadata().value("mpris:trackid"), track("0"));
    for (int i = 0; i < 2; ++i) {
        mpris.Seek(3600'000'000LL);
        EXPECT_EQ(w.cPlay()->FileName(), b);
    }
    // The end of the list, reported on the next tick: stopped, no next or previous entry.
    control->ReachEnd();
    w.cPlay()->Tick();
    EXPECT_EQ(announced(changes).value("PlaybackStatus"), "Stopped");
    EXPECT_FALSE(mpris.CanGoNext() || mpris.CanGoPrevious());
    // The volume is bounded and follows the control's own panel.
    for (const auto& [set, expected] : {std::pair{1.7, 1.0}, {-3, 0}, {0.333, 0.33}, {NAN, 0.33}}) {
        mpris.SetVolume(set);
        EXPECT_DOUBLE_EQ(mpris.Volume(), expected) << set;
        EXPECT_EQ(control->Volume(), qRound(expected * 100)) << set;
    }
    control->SetVolume(80);
    EXPECT_DOUBLE_EQ(announced(changes).value("Volume").toDouble(), 0.8);

    // Over the bus: files open as if chosen in the open dialog; commands; the signals.
    QDBusConnection client = bus.connect();
    QTimer heard; // started once the client hears a PropertiesChanged of the right shape
    heard.setInterval(3600'000);
    ASSERT_TRUE(client.connect(DBusDesktopSession::ServiceName, DBusDesktopSession::ObjectPath,
                               "org.freedesktop.DBus.Properties", "PropertiesChanged", "sa{sv}as",
                               &heard, SLOT(start())));
    const auto call = [&](const QString& interface, const QString& method, QVariantList args) {
        client.call(mprisCall(interface, method, args), QDBus::BlockWithGui, 5000);
    };
    const QString x = clip("x.mpg"), y = clip("y.mpg"), missing = dir.filePath("missing.mpg");
    const QString list = playlist("list.m3u", {x, y});
    call(DBusDesktopSession::OwnInterface, "OpenFiles", {QStringList{missing, a}});
    EXPECT_TRUE(waitFor([&] { return w.cPlay()->FileName() == a; })); // the missing one skipped
    EXPECT_EQ(entries(w), QStringList({missing, a}));
    // A playlist replaces the list, files after it join.
    call(DBusDesktopSession::OwnInterface, "OpenFiles", {QStringList{b, list, a}});
    EXPECT_TRUE(waitFor([&] { return entries(w) == QStringList({x, y, a}); }));
    EXPECT_EQ(w.cPlay()->FileName(), x);
    EXPECT_EQ(w.cPlayList()->PlayListFileName(), list);
    call(MprisPlayer::PlayerInterface, "OpenUri", {QUrl::fromLocalFile(b).toString()});
    EXPECT_TRUE(
        waitFor([&] { return entries(w) == QStringList{b} && w.cPlay()->FileName() == b; }));
    call(MprisPlayer::PlayerInterface, "SetPosition", {track("0"), qlonglong(20'000'000)});
    EXPECT_EQ(mpris.Position(), 20'000'000);
    call("org.freedesktop.DBus.Properties", "Set",
         {MprisPlayer::PlayerInterface, "Volume", QVariant::fromValue(QDBusVariant(0.25))});
    EXPECT_EQ(control->Volume(), 25);
    EXPECT_TRUE(waitFor([&] { return heard.isActive(); }));

    // Raise brings a hidden or minimised window back; Quit ends the program as Exit does.
    for (const auto& away : {&QWidget::hide, &QWidget::showMinimized}) {
        (w.*away)();
        mpris.Raise();
        EXPECT_TRUE(w.isVisible() && !w.isMinimized());
    }
    store.writes.clear();
    mpris.Quit();
    EXPECT_TRUE(waitFor([] { return !Forms::Lumadeck.isLoaded(); }));
    EXPECT_EQ(store.writes.size(), 5);
}
