// The desktop's media controls (MPRIS 2) on a private bus, and names from outside: bus calls,
// drops on any window, names with a NUL, bursts of calls, a huge playlist.
#include "../support/MainWindowFixture.h"
#include "../support/PrivateBus.h"
#include "desktop/DBusDesktopSession.h"
#include "desktop/MprisPlayer.h"
#include "playlist/M3UFile.h"
#include "playlist/frmPlaylist.h"

#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Every property of the PropertiesChanged a spy saw since the last call, with its last value.
QVariantMap announced(QSignalSpy& changes) {
    QVariantMap all;
    for (const QList<QVariant>& args : std::as_const(changes)) {
        all.insert(args.at(1).toMap());
    }
    changes.clear();
    return all;
}

QVariant track(const char* n) {
    return QVariant::fromValue(QDBusObjectPath(MprisPlayer::TrackPrefix + n));
}

// Drags an address and this file onto a window and drops them; true when it took them.
bool drop(QWidget* target, const QString& file) {
    QMimeData data;
    data.setUrls({QUrl("http://example.com/a.mpg"), QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter), QCoreApplication::sendEvent(target, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

using MprisTest = ProgramWindowsFixture;

} // namespace

TEST_F(MprisTest, OneInstanceTakesTheFilesOfOtherStartsFollowsTheWindowAndDrivesIt) {
    MprisPlayer mpris, secondPlayer;
    QSignalSpy changes(&mpris, &MprisPlayer::PropertiesChanged),
        seeks(&mpris, &MprisPlayer::Seeked);
    PrivateBus bus;
    DBusDesktopSession first(bus.connect()), second(bus.connect());
    const QString a = file("Vidéos/a one.mpg"), b = file("b.mpg");
    EXPECT_FALSE(first.HandOver({a})); // nobody holds the name yet
    ASSERT_EQ(first.Publish(mpris), IDesktopSession::Claim::Owner);
    EXPECT_EQ(second.Publish(secondPlayer), IDesktopSession::Claim::Taken);
    EXPECT_FALSE(mpris.CanPlay());
    EXPECT_TRUE(second.HandOver({a, b})); // they wait for the first's window
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

    mpris.Stop();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a) + " (Stopped)");
    mpris.Play();
    control->Advance(12);
    EXPECT_EQ(announced(changes).value("PlaybackStatus"), "Playing");
    mpris.PlayPause();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a) + " (Paused)");
    EXPECT_EQ(announced(changes), QVariantMap({{"PlaybackStatus", "Paused"}}));
    mpris.Pause(); // already paused: nothing
    EXPECT_TRUE(announced(changes).isEmpty());
    // A wrong track or a place outside the clip is ignored.
    mpris.Seek(5'000'000);
    EXPECT_EQ(mpris.Position(), 17'000'000);
    for (const auto& [n, to] :
         {std::pair{"1", 30'000'000}, {"0", 61'000'000}, {"0", -1}, {"0", 0}}) {
        mpris.SetPosition(MprisPlayer::TrackPrefix + n, to);
    }
    EXPECT_DOUBLE_EQ(w.cPlay()->CurrentPosition(), 0);
    EXPECT_EQ(seeks, QList<QVariantList>({{17'000'000LL}, {0LL}}));

    mpris.Next();
    const QVariantMap now = announced(changes);
    EXPECT_EQ(now.value("Metadata").toMap().value("mpris:trackid"), track("1"));
    EXPECT_EQ(now.value("Metadata").toMap().value("xesam:title"), "b.mpg");
    EXPECT_TRUE(now.value("CanGoPrevious").toBool() && !now.value("CanGoNext").toBool());
    mpris.SetRate(0.0);
    EXPECT_EQ(mpris.PlaybackStatus(), "Paused");
    // Seeking past the end is Next, on the last entry nothing.
    mpris.Previous();
    EXPECT_EQ(mpris.Metadata().value("mpris:trackid"), track("0"));
    mpris.Seek(3600'000'000LL), mpris.Seek(3600'000'000LL);
    EXPECT_EQ(w.cPlay()->FileName(), b);
    control->ReachEnd(), w.cPlay()->Tick();
    EXPECT_EQ(announced(changes).value("PlaybackStatus"), "Stopped");
    EXPECT_FALSE(mpris.CanGoNext() || mpris.CanGoPrevious());
    for (const auto& [set, expected] : {std::pair{1.7, 1.0}, {-3, 0}, {0.333, 0.33}, {NAN, 0.33}}) {
        mpris.SetVolume(set);
        EXPECT_EQ(control->Volume(), qRound(expected * 100)) << set;
    }
    control->SetVolume(80);
    EXPECT_DOUBLE_EQ(announced(changes).value("Volume").toDouble(), 0.8);

    // Over the bus: files open as if chosen in the open dialog (a playlist replaces the list,
    // files after it join, a missing one is skipped); commands; the signals.
    QDBusConnection client = bus.connect();
    QTimer heard; // started once the client hears a PropertiesChanged of the right shape
    ASSERT_TRUE(client.connect(DBusDesktopSession::ServiceName, DBusDesktopSession::ObjectPath,
                               "org.freedesktop.DBus.Properties", "PropertiesChanged", "sa{sv}as",
                               &heard, SLOT(start())));
    const auto call = [&](const QString& interface, const QString& method, QVariantList args) {
        return client.call(mprisCall(interface, method, args), QDBus::BlockWithGui, 5000);
    };
    const QString x = clip("x.mpg"), y = clip("y.mpg"), missing = dir.filePath("missing.mpg");
    const QString list = playlist("list.m3u", {x, y});
    call(DBusDesktopSession::OwnInterface, "OpenFiles", {QStringList{missing, a}});
    EXPECT_TRUE(waitFor([&] { return w.cPlay()->FileName() == a; }));
    EXPECT_EQ(entries(w), QStringList({missing, a}));
    call(DBusDesktopSession::OwnInterface, "OpenFiles", {QStringList{b, list, a}});
    EXPECT_TRUE(waitFor([&] { return entries(w) == QStringList({x, y, a}); }));
    EXPECT_EQ(w.cPlay()->FileName(), x);
    // A NUL would cut the name short before the file it names: refused.
    const QString victim = file("thesis.tex"), uri = QUrl::fromLocalFile(victim).toString();
    const QDBusMessage refused = call(MprisPlayer::PlayerInterface, "OpenUri", {uri + "%00.m3u"});
    EXPECT_EQ(refused.errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    call(MprisPlayer::PlayerInterface, "OpenUri", {QUrl::fromLocalFile(b).toString()});
    EXPECT_TRUE(
        waitFor([&] { return entries(w) == QStringList{b} && w.cPlay()->FileName() == b; }));
    EXPECT_TRUE(waitFor([&] { return heard.isActive(); }));

    // A NUL line names nothing and a huge list is refused; only a drop's local files join,
    // on any window, and the one that plays goes on.
    const QString c = clip("c.mpg"), nul = victim + QChar(0) + ".m3u";
    const QString named = playlist("nul.m3u", {nul, a});
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(named));
    EXPECT_EQ(entries(w), QStringList{a});
    EXPECT_FALSE(w.cPlayList()->LoadPlayList(nul) || w.cPlayList()->SavePlayList(nul));
    const QStringList huge(M3UFile::MaxEntries + 1, "a");
    EXPECT_FALSE(w.cPlayList()->LoadPlayList(playlist("huge.m3u", huge)));
    EXPECT_TRUE(dialogs.boxes.last().text.contains("100,000"));
    w.cPlayList()->ShowPlayList();
    EXPECT_FALSE(drop(&w, {}));
    EXPECT_TRUE(drop(Forms::ThinPlayer.ifLoaded(), b) && drop(Forms::Playlist.ifLoaded(), c));
    EXPECT_TRUE(entries(w) == QStringList({a, b, c}) && w.cPlay()->FileName() == a);

    // 1,000 failing bus calls: one box at a time, not one per call.
    std::vector<QDBusPendingCall> calls;
    const auto send = [&](int count) {
        while (count-- > 0) {
            const QStringList names{QString("/nonexistent/%1.m3u").arg(calls.size())};
            calls.push_back(client.asyncCall(
                mprisCall(DBusDesktopSession::OwnInterface, "OpenFiles", {names})));
        }
    };
    int showing = 0, most = 0;
    dialogs.boxes.clear();
    dialogs.whileShown = [&](const RecordingDialogs::Box&) {
        most = std::max(most, ++showing);
        if (dialogs.boxes.size() == 1) {
            send(20); // calls that arrive while the first box is up
            QTest::qWait(200);
        }
        QTest::qWait(5); // a real box's own event loop
        --showing;
    };
    send(1000);
    const auto finished = [&] {
        return std::all_of(calls.begin(), calls.end(), [](auto& c) { return c.isFinished(); });
    };
    ASSERT_TRUE(waitFor([&] { return finished() && !mpris.PendingCalls() && !showing; }, 60000));
    EXPECT_GT(std::count_if(calls.begin(), calls.end(),
                            [](auto& c) { return c.error().type() == QDBusError::LimitsExceeded; }),
              100);
    EXPECT_TRUE(most == 1 && !dialogs.boxes.empty() && dialogs.boxes.size() < 10)
        << most << " " << dialogs.boxes.size();

    // Raise brings a hidden or minimised window back; Quit ends the program as Exit does, and a
    // call during its "Save Playlist" question waits and goes with the program.
    for (const auto& away : {&QWidget::hide, &QWidget::showMinimized}) {
        (w.*away)(), mpris.Raise();
        EXPECT_TRUE(w.isVisible() && !w.isMinimized());
    }
    store.writes.clear();
    dialogs.whileShown = [&](const RecordingDialogs::Box& box) {
        EXPECT_EQ(box.title, "Save Playlist");
        EXPECT_EQ(mpris.OpenFiles({b}), MprisPlayer::OpenOutcome::Queued);
        QTest::qWait(300);
        EXPECT_EQ(w.cPlayList()->PlayListFileName(), named);
    };
    mpris.Quit(); // "Yes" saves
    EXPECT_TRUE(waitFor([] { return !Forms::Lumadeck.isLoaded(); }));
    EXPECT_TRUE(store.writes.size() == 5 && mpris.PendingCalls() == 0);
    QFile m3u(named);
    ASSERT_TRUE(m3u.open(QIODevice::ReadOnly));
    EXPECT_EQ(M3UFile::Parse(m3u.readAll()).names, QStringList({a, b, c}));
    EXPECT_EQ(QFileInfo(victim).size(), 10);
}
