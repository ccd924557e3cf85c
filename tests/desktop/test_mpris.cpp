// The desktop's media controls (MPRIS 2) against the window, directly and
// over a private session bus.
#include "../support/MainWindowFixture.h"
#include "../support/PrivateBus.h"
#include "desktop/DBusDesktopSession.h"
#include "desktop/FileOpening.h"
#include "desktop/MprisPlayer.h"
#include "testing/RecordingPositionStore.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSignalSpy>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

QString trackId(const QVariantMap& metadata) {
    return metadata.value("mpris:trackid").value<QDBusObjectPath>().path();
}

class MprisTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Environment().positions = &positions;
    }
    frmLumadeck& startAttached() {
        frmLumadeck& w = start();
        mpris.Attach(w);
        return w;
    }
    // Every property named in any PropertiesChanged since the last call,
    // with its last value.
    QVariantMap announced() {
        QVariantMap all;
        for (const QList<QVariant>& args : std::as_const(changes)) {
            EXPECT_EQ(args.at(0).toString(), MprisPlayer::PlayerInterface);
            const QVariantMap changed = args.at(1).toMap();
            for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
                all.insert(it.key(), it.value());
            }
        }
        changes.clear();
        return all;
    }

    test::RecordingPositionStore positions;
    MprisPlayer mpris;
    QSignalSpy changes{&mpris, &MprisPlayer::PropertiesChanged};
    QSignalSpy seeks{&mpris, &MprisPlayer::Seeked};
};

} // namespace

TEST_F(MprisTest, PropertiesFollowTheWindowThroughOpenPauseSeekNextAndTheEnd) {
    frmLumadeck& w = startAttached();
    const QString a = clip("Vidéos/a one.mpg", "First clip"), b = file("b.mpg");
    EXPECT_EQ(trackId(mpris.Metadata()), MprisPlayer::NoTrack);
    EXPECT_FALSE(mpris.CanPlay());

    // Open: the first plays.
    FileOpening::OpenAsChosen(w, {a, b});
    QVariantMap now = announced();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a));
    EXPECT_EQ(now.value("PlaybackStatus"), "Playing");
    const QVariantMap metadata = now.value("Metadata").toMap();
    EXPECT_EQ(trackId(metadata), MprisPlayer::TrackPrefix + "0");
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 60'000'000);
    EXPECT_EQ(metadata.value("xesam:title"), "First clip");
    EXPECT_EQ(metadata.value("xesam:url"), QUrl::fromLocalFile(a).toString(QUrl::FullyEncoded));
    EXPECT_EQ(now.value("CanGoNext"), true);
    EXPECT_EQ(mpris.CanGoPrevious(), false);
    // Stop and Play as the window's buttons do.
    mpris.Stop();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a) + " (Stopped)");
    mpris.Play();
    EXPECT_EQ(mpris.PlaybackStatus(), "Playing");
    announced();

    // Pause: the position is stored as when the window's control pauses.
    control->Advance(12);
    positions.calls.clear();
    mpris.Pause();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a) + " (Paused)");
    EXPECT_EQ(announced(), QVariantMap({{"PlaybackStatus", "Paused"}}));
    EXPECT_EQ(positions.calls, QStringList({"save 2>1 a one.mpg 12"}));
    mpris.Pause(); // already paused: nothing
    EXPECT_TRUE(announced().isEmpty());

    // Seek: relative, then absolute; a wrong track or a place past the end is ignored.
    mpris.Seek(5'000'000);
    EXPECT_DOUBLE_EQ(w.cPlay()->CurrentPosition(), 17);
    EXPECT_EQ(mpris.Position(), 17'000'000);
    mpris.SetPosition(MprisPlayer::TrackPrefix + "1", 30'000'000);
    mpris.SetPosition(MprisPlayer::TrackPrefix + "0", 61'000'000);
    mpris.SetPosition(MprisPlayer::TrackPrefix + "0", -1);
    EXPECT_DOUBLE_EQ(w.cPlay()->CurrentPosition(), 17);
    mpris.SetPosition(MprisPlayer::TrackPrefix + "0", 0);
    EXPECT_DOUBLE_EQ(w.cPlay()->CurrentPosition(), 0);
    ASSERT_EQ(seeks.size(), 2);
    EXPECT_EQ(seeks[0][0].toLongLong(), 17'000'000);
    EXPECT_EQ(seeks[1][0].toLongLong(), 0);

    // Next: the second entry plays from its start, titled by its name.
    mpris.PlayPause();
    mpris.Next();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(b));
    now = announced();
    EXPECT_EQ(now.value("PlaybackStatus"), "Playing");
    EXPECT_EQ(trackId(now.value("Metadata").toMap()), MprisPlayer::TrackPrefix + "1");
    EXPECT_EQ(now.value("Metadata").toMap().value("xesam:title"), "b.mpg");
    EXPECT_EQ(now.value("CanGoNext"), false);
    EXPECT_EQ(now.value("CanGoPrevious"), true);
    mpris.Next(); // nothing after the last entry
    EXPECT_EQ(w.cPlay()->FileName(), b);

    // Previous goes back to the first entry; seeking past its end is Next.
    mpris.Previous();
    EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(a));
    EXPECT_EQ(trackId(mpris.Metadata()), MprisPlayer::TrackPrefix + "0");
    mpris.Seek(3600'000'000LL);
    EXPECT_EQ(w.cPlay()->FileName(), b);
    mpris.Seek(3600'000'000LL); // the last entry: nothing
    EXPECT_EQ(w.cPlay()->FileName(), b);

    // The end of the list, reported on the next tick: no next and no previous entry.
    QSignalSpy done(w.cPlayList(), &clsPlayList::Done);
    control->ReachEnd();
    w.cPlay()->Tick();
    EXPECT_EQ(done.size(), 1);
    EXPECT_EQ(announced().value("PlaybackStatus"), "Stopped");
    EXPECT_EQ(mpris.CanGoNext(), false);
    EXPECT_EQ(mpris.CanGoPrevious(), false);

    // The volume is bounded and follows the control's own panel.
    for (const auto& [set, expected] : std::initializer_list<std::pair<double, double>>{
             {1.7, 1.0}, {-3, 0.0}, {0.333, 0.33}, {std::nan(""), 0.33}}) {
        mpris.SetVolume(set);
        EXPECT_DOUBLE_EQ(mpris.Volume(), expected) << set;
        EXPECT_EQ(control->Volume(), qRound(expected * 100)) << set;
    }
    EXPECT_DOUBLE_EQ(announced().value("Volume").toDouble(), 0.33);
    control->SetVolume(80);
    EXPECT_DOUBLE_EQ(announced().value("Volume").toDouble(), 0.8);

    // Raise brings a hidden or minimised window back; Quit ends the program as its Exit
    // command does.
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

TEST_F(MprisTest, FilesHandedOverDuringStartUpOpenOnceTheWindowIsThere) {
    const QString a = file("a.mpg");
    mpris.OpenFiles({a});
    mpris.OpenUri("http://example.com/x.mpg");
    frmLumadeck& w = startAttached();
    EXPECT_TRUE(waitFor([&] { return w.cPlay()->FileName() == a; }));
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 1);

    // Afterwards, OpenUri opens a file:// URI as the open dialog would.
    const QString b = file("Vidéos/b c.mpg");
    mpris.OpenUri(QUrl::fromLocalFile(b).toString());
    EXPECT_TRUE(waitFor([&] { return w.cPlay()->FileName() == b; }));
    EXPECT_EQ(w.cPlayList()->cFiles().Count(), 1);
}

// ------------------------------------------------------------ on the bus

namespace {

// Calls on the published object from another connection.
struct Client {
    QDBusConnection bus;
    QDBusMessage call(const QString& interface, const QString& method,
                      const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            DBusDesktopSession::ServiceName, DBusDesktopSession::ObjectPath, interface, method);
        m.setArguments(args);
        return bus.call(m, QDBus::BlockWithGui, 5000);
    }
    QVariant get(const QString& interface, const QString& property) {
        const QDBusMessage r =
            call("org.freedesktop.DBus.Properties", "Get", {interface, property});
        return r.arguments().isEmpty() ? QVariant()
                                       : r.arguments().at(0).value<QDBusVariant>().variant();
    }
};

// Turns a{sv} as QtDBus delivers it into a QVariantMap.
QVariantMap toMap(const QVariant& v) {
    if (v.canConvert<QDBusArgument>()) {
        QVariantMap m;
        v.value<QDBusArgument>() >> m;
        return m;
    }
    return v.toMap();
}

class SignalRecorder : public QObject {
    Q_OBJECT
public:
    QList<QDBusMessage> messages;
public slots:
    void record(const QDBusMessage& m) { messages << m; }
};

} // namespace

TEST_F(MprisTest, OnTheBusOneInstanceAnswersTheControlsAndTakesTheFilesOfOtherStarts) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
    DBusDesktopSession first(bus.connect());
    const QString a = file("Vidéos/clip one.mpg"), b = file("b.mpg");
    EXPECT_FALSE(first.HandOver({a})); // nobody holds the name yet
    ASSERT_EQ(first.Publish(mpris), IDesktopSession::Claim::Owner);
    MprisPlayer secondPlayer;
    DBusDesktopSession second(bus.connect());
    EXPECT_EQ(second.Publish(secondPlayer), IDesktopSession::Claim::Taken);
    second.PublishAsInstance();
    ASSERT_EQ(second.OwnedNames().size(), 1);
    EXPECT_TRUE(second.OwnedNames()[0].startsWith(DBusDesktopSession::ServiceName + ".instance"));

    // The first is still starting: the files wait for its window.
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        names << file(QString("many/clip %1.mpg").arg(i, 4, 10, QChar('0')));
    }
    EXPECT_TRUE(second.HandOver(names));
    frmLumadeck& w = startAttached();
    ASSERT_TRUE(waitFor([&] { return w.cPlayList()->cFiles().Count() == 3; }));
    EXPECT_EQ(w.cPlayList()->cFiles().Item(2)->szFileName(), names.last());
    EXPECT_EQ(w.cPlay()->FileName(), names.first());

    Client client{bus.connect()};
    SignalRecorder recorder;
    for (const auto& [interface, name] :
         {std::pair{QString("org.freedesktop.DBus.Properties"), "PropertiesChanged"},
          std::pair{MprisPlayer::PlayerInterface, "Seeked"}}) {
        ASSERT_TRUE(client.bus.connect(DBusDesktopSession::ServiceName,
                                       DBusDesktopSession::ObjectPath, interface, name, &recorder,
                                       SLOT(record(QDBusMessage))));
    }
    EXPECT_EQ(client.get(MprisPlayer::RootInterface, "Identity"), "Lumadeck Player");

    // A file opened through OpenUri, commands and a property write over the bus.
    client.call(MprisPlayer::PlayerInterface, "OpenUri", {QUrl::fromLocalFile(b).toString()});
    ASSERT_TRUE(waitFor([&] { return w.cPlay()->FileName() == b; }));
    EXPECT_EQ(toMap(client.get(MprisPlayer::PlayerInterface, "Metadata")).value("xesam:url"),
              QUrl::fromLocalFile(b).toString());
    client.call(MprisPlayer::PlayerInterface, "Pause");
    EXPECT_EQ(mpris.PlaybackStatus(), "Paused");
    client.call(MprisPlayer::PlayerInterface, "SetPosition",
                {QVariant::fromValue(QDBusObjectPath(MprisPlayer::TrackPrefix + "0")),
                 qlonglong(20'000'000)});
    EXPECT_EQ(client.get(MprisPlayer::PlayerInterface, "Position").toLongLong(), 20'000'000);
    client.call("org.freedesktop.DBus.Properties", "Set",
                {MprisPlayer::PlayerInterface, "Volume", QVariant::fromValue(QDBusVariant(0.25))});
    EXPECT_EQ(control->Volume(), 25);

    // Every change reached the client as a signal of the right shape.
    const auto seen = [&] {
        QStringList out;
        for (const QDBusMessage& m : recorder.messages) {
            const QVariantMap changed = toMap(m.arguments().value(1));
            out << (m.member() == "Seeked" ? QStringList{"Seeked " + m.signature()}
                                           : changed.keys());
            EXPECT_TRUE(m.member() == "Seeked" || m.signature() == "sa{sv}as");
            if (changed.value("PlaybackStatus") == "Paused") {
                out << "Paused";
            }
        }
        return out;
    };
    EXPECT_TRUE(waitFor([&] {
        const QStringList s = seen();
        return s.contains("Metadata") && s.contains("Paused") && s.contains("Volume") &&
               s.contains("Seeked x");
    })) << seen().join(' ').toStdString();
}

#include "test_mpris.moc"
