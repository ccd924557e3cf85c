// Names and calls from outside the program made to do harm: a NUL that would
// cut a name short, bursts of bus calls, calls while a question is up, the
// toolkit's options on the command line, huge playlists.
#include "../support/MainWindowFixture.h"
#include "PrivateBus.h"
#include "app/ProgramWindows.h"
#include "desktop/CommandLine.h"
#include "desktop/DBusDesktopSession.h"
#include "desktop/FileOpening.h"
#include "desktop/MprisPlayer.h"
#include "platform/FileNames.h"
#include "playlist/M3UFile.h"
#include "playlist/frmPlaylist.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <fcntl.h>
#include <unistd.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// Drags these URLs onto a window and drops them; true when it took them.
bool drop(QWidget& target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

QDBusMessage busCall(const QString& interface, const QString& method, const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(
        DBusDesktopSession::ServiceName, DBusDesktopSession::ObjectPath, interface, method);
    m.setArguments(args);
    return m;
}

class HostileInputTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        windows.Install(Environment());
    }
    frmLumadeck& startAttached() {
        frmLumadeck& w = start();
        mpris.Attach(w);
        return w;
    }
    ProgramWindows windows;
    MprisPlayer mpris;
};

QStringList savedEntries(const QString& list) {
    QFile f(list);
    return f.open(QIODevice::ReadOnly) ? M3UFile::Parse(f.readAll()).names : QStringList{"?"};
}

} // namespace

TEST(HostileCommandLine, TakesOnlyItsOwnOptionsAndEveryByteOfTheNames) {
    QTemporaryDir dir;
    const QByteArray latin1 = EncodeFileName(dir.path()) + "/caf\xe9.mpg";
    ::close(::open(latin1.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    const char* argv[] = {"lumadeck", "-platform", "offscreen", "caf\xe9.mpg",
                          "--",       "-platform", "minimal",   "-platformpluginpath"};
    const CommandLine line = CommandLine::Parse(CommandLine::Arguments(8, argv), dir.path());
    EXPECT_FALSE(line.exitNow);
    EXPECT_EQ(line.platform, "offscreen");
    ASSERT_EQ(line.files.size(), 4);
    EXPECT_EQ(EncodeFileName(line.files[0]), latin1);
    EXPECT_TRUE(StatFile(line.files[0]).isFile);
    const QStringList named = {dir.filePath("-platform"), dir.filePath("minimal"),
                               dir.filePath("-platformpluginpath")};
    EXPECT_EQ(line.files.mid(1), named);
    EXPECT_EQ(line.missing, named);

    // Names no file can have are refused with a reason, never cut short.
    const struct {
        QString argument;
        QString reason;
    } refused[] = {{"file://" + dir.path() + "/caf%00.mpg.m3u", "NUL"},
                   {dir.filePath(QString("a") + QChar(0) + ".m3u"), "NUL"},
                   {dir.filePath(QString(5000, 'a')), "4096 bytes"},
                   {DecodeFileName("http://host/caf\xe9.mpg"), "not \"http:\" addresses"}};
    for (const auto& r : refused) {
        QString problem;
        EXPECT_TRUE(CommandLine::ToLocalFile(r.argument, dir.path(), &problem).isEmpty());
        EXPECT_TRUE(problem.contains(r.reason)) << problem.left(80).toStdString();
    }
    // 4096 bytes is still a name; the encoding makes no C string of one with a NUL.
    EXPECT_TRUE(IsPossibleFileName("/" + QString(2047, QChar(0xE9)) + "a"));
    EXPECT_FALSE(IsPossibleFileName("/" + QString(2048, QChar(0xE9))));
    EXPECT_TRUE(EncodeFileName(QString("a") + QChar(0) + "b").isEmpty());
}

TEST_F(HostileInputTest, ANameWithANulNeverReachesTheFileBeforeIt) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running());
    DBusDesktopSession session(bus.connect());
    ASSERT_EQ(session.Publish(mpris), IDesktopSession::Claim::Owner);
    frmLumadeck& w = startAttached();
    const QString a = clip("a.mpg"), b = clip("b.mpg");
    const QString victim = dir.filePath("thesis.tex");
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("# notes\nfirst line\n");
        f.flush();
        f.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC),
                      QFileDevice::FileModificationTime);
    }
    const auto untouched = [&] {
        QFile f(victim);
        return f.open(QIODevice::ReadOnly) && f.readAll() == "# notes\nfirst line\n" &&
               QFileInfo(victim).lastModified() ==
                   QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    };
    const QString uri = QUrl::fromLocalFile(victim).toString() + "%00.m3u";
    const QString name = victim + QChar(0) + ".m3u";

    // The command line of a start with no instance running.
    const CommandLine line = CommandLine::Parse({"lumadeck", uri, name}, dir.path());
    EXPECT_TRUE(line.files.isEmpty());
    EXPECT_EQ(line.problems.size(), 2);

    // The session bus.
    QDBusConnection client = bus.connect();
    const QDBusMessage reply =
        client.call(busCall(MprisPlayer::PlayerInterface, "OpenUri", {uri}), QDBus::BlockWithGui);
    EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(mpris.OpenFiles({name}), MprisPlayer::OpenOutcome::NotAFile);

    // Drops on the main window and on the playlist window.
    w.cPlayList()->ShowPlayList();
    ASSERT_NE(Forms::Playlist.ifLoaded(), nullptr);
    for (QWidget* target :
         {static_cast<QWidget*>(&w), static_cast<QWidget*>(Forms::Playlist.ifLoaded())}) {
        EXPECT_FALSE(drop(*target, {QUrl(uri)}));
    }

    // A playlist line.
    const QString list = dir.filePath("list.m3u");
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(EncodeFileName(victim) + QByteArray("\0.m3u\r\n", 7) + EncodeFileName(a) + "\r\n");
    }
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(list));
    EXPECT_EQ(entries(w), QStringList{a});

    // The open dialog.
    dialogs.files.push_back(name);
    w.OpenVideoFile();
    EXPECT_TRUE(label(w, "status")->text().startsWith("Not Found: " + victim));

    // Handed such a name anyway, loading and saving fail without touching
    // the file before the NUL.
    dialogs.boxes.clear();
    EXPECT_FALSE(w.cPlayList()->LoadPlayList(name));
    EXPECT_FALSE(w.cPlayList()->SavePlayList(name));
    EXPECT_EQ(dialogs.boxes.size(), 2);
    EXPECT_EQ(w.cPlayList()->PlayListFileName(), list);

    // Nothing was queued to open later; the exit saves the edited list.
    QTest::qWait(50);
    EXPECT_EQ(entries(w), QStringList{a});
    w.cPlayList()->Add(b, true);
    w.ExitProgram();
    EXPECT_EQ(dialogs.boxes.last().title, "Save Playlist");
    EXPECT_EQ(savedEntries(list), QStringList({a, b}));
    EXPECT_TRUE(untouched());
}

TEST_F(HostileInputTest, ABurstOfFailingBusCallsShowsOneBoxAtATimeAndTheWindowAnswers) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running());
    DBusDesktopSession session(bus.connect());
    ASSERT_EQ(session.Publish(mpris), IDesktopSession::Claim::Owner);
    startAttached();
    QDBusConnection client = bus.connect();
    std::vector<QDBusPendingCall> calls;
    const auto send = [&](int count) {
        for (int i = 0; i < count; ++i) {
            calls.push_back(client.asyncCall(
                busCall(DBusDesktopSession::OwnInterface, "OpenFiles",
                        {QStringList{QString("/nonexistent/%1.m3u").arg(calls.size())}})));
        }
    };
    int showing = 0, most = 0;
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
    QElapsedTimer answered;
    answered.start();
    QDBusPendingCall identity = bus.connect().asyncCall(busCall(
        "org.freedesktop.DBus.Properties", "Get", {MprisPlayer::RootInterface, "Identity"}));
    ASSERT_TRUE(waitFor([&] { return identity.isFinished(); }, 5000));
    EXPECT_FALSE(identity.isError()) << identity.error().message().toStdString();
    EXPECT_LT(answered.elapsed(), 2000);

    ASSERT_TRUE(waitFor(
        [&] {
            return std::all_of(calls.begin(), calls.end(),
                               [](const QDBusPendingCall& c) { return c.isFinished(); }) &&
                   mpris.PendingCalls() == 0 && showing == 0;
        },
        60000));
    const auto refused = std::count_if(calls.begin(), calls.end(), [](const QDBusPendingCall& c) {
        return c.isError() && c.error().type() == QDBusError::LimitsExceeded;
    });
    EXPECT_GT(refused, 100); // more than the queue holds arrived while boxes were up
    // Never two boxes at once, and not one per call: the failures of the
    // calls that waited meanwhile go to standard error.
    EXPECT_EQ(most, 1);
    EXPECT_GE(dialogs.boxes.size(), 1);
    EXPECT_LT(dialogs.boxes.size(), 10);
}

TEST_F(HostileInputTest, ACallWaitsWhileABoxIsUpAndChangesNothingDuringTheSavePlaylistQuestion) {
    frmLumadeck& w = startAttached();
    const QString a = clip("a.mpg"), b = clip("b.mpg"), c = clip("c.mpg");
    const QString list = playlist("list.m3u", {a});
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(list));
    QStringList asked;
    dialogs.whileShown = [&](const RecordingDialogs::Box& box) {
        asked << box.title;
        EXPECT_EQ(mpris.OpenFiles({c}), MprisPlayer::OpenOutcome::Queued);
        QTest::qWait(300);
        EXPECT_EQ(w.cPlayList()->PlayListFileName(), list) << box.title.toStdString();
    };
    // A box of the user's own: the call opens once it is answered.
    EXPECT_FALSE(w.cPlayList()->LoadPlayList(dir.filePath("missing.m3u")));
    EXPECT_TRUE(waitFor([&] { return w.cPlay()->FileName() == c; }));

    // The question at the exit: the call is dropped with the program.
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(list));
    w.cPlayList()->Add(b, true);
    w.ExitProgram(); // "Yes" saves
    EXPECT_EQ(asked, QStringList({"Lumadeck: Error loading playlist", "Save Playlist"}));
    EXPECT_EQ(mpris.PendingCalls(), 0u);
    EXPECT_EQ(savedEntries(list), QStringList({a, b}));
}

TEST_F(HostileInputTest, EveryWindowTakesDropsRateZeroPausesAndCaptionsAreLiteral) {
    frmLumadeck& w = startAttached();
    const QString a = clip("a.mpg"), b = clip("b.mpg");
    w.cPlayList()->ShowPlayList();
    QWidget* windows[] = {Forms::Playlist.ifLoaded(), Forms::ThinPlayer.ifLoaded()};
    const QString files[] = {a, b};
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(windows[i], nullptr);
        EXPECT_FALSE(drop(*windows[i], {QUrl("http://example.com/x.mpg")}));
        EXPECT_TRUE(drop(*windows[i], {QUrl::fromLocalFile(files[i])}));
    }
    EXPECT_EQ(entries(w), QStringList({a, b}));
    EXPECT_EQ(mpris.PlaybackStatus(), "Playing");
    mpris.SetRate(2.0); // one speed only
    EXPECT_EQ(mpris.PlaybackStatus(), "Playing");
    mpris.SetRate(0.0);
    EXPECT_EQ(mpris.PlaybackStatus(), "Paused");

    // The playlist window's caption shows a playlist's name as it is.
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(playlist("mix[*].m3u", {a})));
    ASSERT_NE(windows[0]->windowHandle(), nullptr);
    EXPECT_EQ(windows[0]->windowHandle()->title(), "Lumadeck Play List mix[*].m3u");
}

TEST_F(HostileInputTest, PlaylistsAreBoundedInEntriesAndThePopupInItems) {
    frmLumadeck& w = start();
    QByteArray lines;
    for (qsizetype i = 0; i <= M3UFile::MaxEntries; ++i) {
        lines += "a\n";
    }
    EXPECT_TRUE(M3UFile::Parse(lines).tooManyEntries);
    EXPECT_FALSE(M3UFile::Parse(lines.sliced(2)).tooManyEntries);
    // A line longer than any path names no file, and never makes a huge caption.
    EXPECT_EQ(M3UFile::Parse("a\n" + QByteArray(5000, 'x') + "\nb\n").names,
              QStringList({"a", "b"}));
    EXPECT_LT(frmLumadeck::TitleFor(QString(1 << 20, 'x')).size(), 1100);
    QFile huge(dir.filePath("huge.m3u"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(lines);
    huge.close();
    EXPECT_FALSE(w.cPlayList()->LoadPlayList(huge.fileName()));
    ASSERT_FALSE(dialogs.boxes.isEmpty());
    EXPECT_TRUE(dialogs.boxes.last().text.contains("100,000"))
        << dialogs.boxes.last().text.toStdString();

    // The popup lists the entries that fit on the screen around the current one.
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        names << file(QString("clips/%1.mpg").arg(i));
    }
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(playlist("long.m3u", names)));
    w.cPlayList()->PlayVideoByIndex(1500, 0);
    w.RebuildPopupPlaylist();
    const QList<QAction*> items = menu(w, "mnuPopup")->actions();
    const int fit = w.screen()->availableGeometry().height() / w.fontMetrics().height();
    ASSERT_GT(items.size(), 3);
    EXPECT_LE(items.size(), fit + 1);
    const int first = names.indexOf(dir.filePath("clips/" + items[1]->text()));
    ASSERT_GT(first, 1000);
    EXPECT_LT(first, 1500);
    EXPECT_TRUE(items[1500 - first + 1]->isChecked());
    items.last()->trigger();
    EXPECT_EQ(w.cPlayList()->CurrentFileIndex(), first + items.size() - 2);
}
