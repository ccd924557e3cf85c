// Names and calls from outside: drops on any window, a NUL that would cut a
// name short, bursts of bus calls, calls while a question is up, huge playlists.
#include "../support/MainWindowFixture.h"
#include "../support/PrivateBus.h"
#include "desktop/DBusDesktopSession.h"
#include "desktop/MprisPlayer.h"
#include "platform/FileNames.h"
#include "playlist/M3UFile.h"
#include "playlist/frmPlaylist.h"

#include <QDBusPendingCall>
#include <QDropEvent>
#include <QMimeData>
#include <QWindow>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class HostileInputTest : public ProgramWindowsFixture {
protected:
    frmLumadeck& startAttached(PrivateBus* bus = nullptr) {
        if (bus) {
            session = std::make_unique<DBusDesktopSession>(bus->connect());
            EXPECT_EQ(session->Publish(mpris), IDesktopSession::Claim::Owner);
        }
        frmLumadeck& w = start();
        mpris.Attach(w);
        return w;
    }
    QStringList saved(const QString& list) {
        QFile f(list);
        return f.open(QIODevice::ReadOnly) ? M3UFile::Parse(f.readAll()).names : QStringList{"?"};
    }
    MprisPlayer mpris;
    std::unique_ptr<DBusDesktopSession> session;
};

// Drags these files or URLs onto a window and drops them; true when it took them.
bool drop(QWidget* target, const QStringList& names) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& name : names) {
        urls << (name.contains("://") ? QUrl(name) : QUrl::fromLocalFile(name));
    }
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

} // namespace

// Only local files of a drop count, on any window; the first plays only on an empty list.
TEST_F(HostileInputTest, LocalFilesDroppedOnAnyWindowJoinTheListAndNothingRestarts) {
    frmLumadeck& w = start();
    const QString a = clip("a.mpg"), b = clip("b.mpg"), c = clip("c.mpg"), x = clip("x.mpg");
    w.cPlayList()->ShowPlayList();
    QWidget *list = Forms::Playlist.ifLoaded(), *thin = Forms::ThinPlayer.ifLoaded();
    ASSERT_TRUE(list && thin);
    const QString http = "http://example.com/a.mpg", victim = file("thesis.tex");
    const QString nul = QUrl::fromLocalFile(victim).toString() + "%00.m3u"; // names the file before
    const struct {
        QWidget* window;
        QStringList names;
        bool taken;
        QStringList entries; // the first entry plays
    } drops[] = {
        {&w, {http}, false, {}},
        {thin, {http}, false, {}},
        {&w, {nul}, false, {}},
        {list, {nul}, false, {}},
        {&w, {"smb://host/e.mpg", a, b}, true, {a, b}},
        {list, {c}, true, {a, b, c}},
        {thin, {x}, true, {a, b, c, x}},
        {&w, {file("disc.cue")}, true, {a, b, c, x}}, // refused by the open command
    };
    for (const auto& d : drops) {
        const double at = w.cPlay()->CurrentPosition();
        EXPECT_EQ(drop(d.window, d.names), d.taken) << d.names.join(' ').toStdString();
        EXPECT_EQ(entries(w), d.entries);
        EXPECT_EQ(w.cPlay()->FileName(), d.entries.value(0));
        EXPECT_GE(w.cPlay()->CurrentPosition(), at);
        if (d.taken) {
            control->Advance(5);
        }
    }
    // The playlist window's caption shows a playlist's name as it is.
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(playlist("mix[*].m3u", {x})));
    EXPECT_EQ(list->windowHandle()->title(), "Lumadeck Play List mix[*].m3u");
}

// A name with a NUL, by the bus, a playlist line or the open dialog, never touches
// the file before the NUL; 1,000 failing bus calls leave one box at a time and a
// window that answers; a call during the "Save Playlist" question changes nothing.
TEST_F(HostileInputTest, NulNamesBurstsOfCallsAndCallsDuringAQuestionLeaveTheFilesAlone) {
    PrivateBus bus;
    frmLumadeck& w = startAttached(&bus);
    const QString a = clip("a.mpg"), b = clip("b.mpg"), victim = dir.filePath("thesis.tex");
    const QString name = victim + QChar(0) + ".m3u", list = dir.filePath("list.m3u");
    const QByteArray text = "# notes\nfirst line\n";
    for (const auto& [path, bytes] :
         {std::pair{victim, text},
          {list, EncodeFileName(victim) + QByteArray("\0.m3u\r\n", 7) + EncodeFileName(a)}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    const QString uri = QUrl::fromLocalFile(victim).toString() + "%00.m3u";
    QDBusConnection client = bus.connect();
    EXPECT_EQ(
        client.call(mprisCall(MprisPlayer::PlayerInterface, "OpenUri", {uri}), QDBus::BlockWithGui)
            .errorName(),
        "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(mpris.OpenFiles({name}), MprisPlayer::OpenOutcome::NotAFile);
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(list));
    EXPECT_EQ(entries(w), QStringList{a});
    dialogs.files.push_back(name);
    w.OpenVideoFile();
    EXPECT_TRUE(label(w, "status")->text().startsWith("Not Found: " + victim));
    // Handed such a name anyway, loading and saving fail with a box each.
    dialogs.boxes.clear();
    EXPECT_FALSE(w.cPlayList()->LoadPlayList(name) || w.cPlayList()->SavePlayList(name));
    EXPECT_EQ(dialogs.boxes.size(), 2);

    std::vector<QDBusPendingCall> calls;
    const auto send = [&](int count) {
        for (int i = 0; i < count; ++i) {
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
    QDBusPendingCall identity = bus.connect().asyncCall(mprisCall(
        "org.freedesktop.DBus.Properties", "Get", {MprisPlayer::RootInterface, "Identity"}));
    ASSERT_TRUE(waitFor([&] { return identity.isFinished() && !identity.isError(); }, 2000));
    const auto count = [&](bool (*which)(const QDBusPendingCall&)) {
        return std::count_if(calls.begin(), calls.end(), which);
    };
    const auto finished = [](const QDBusPendingCall& c) { return c.isFinished(); };
    ASSERT_TRUE(waitFor(
        [&] {
            return count(finished) == qsizetype(calls.size()) && !mpris.PendingCalls() && !showing;
        },
        60000));
    EXPECT_GT(count([](const QDBusPendingCall& c) {
                  return c.error().type() == QDBusError::LimitsExceeded;
              }),
              100);
    // Never two boxes at once, and not one per call: the failures of calls
    // that waited meanwhile go to standard error.
    EXPECT_EQ(most, 1);
    EXPECT_TRUE(dialogs.boxes.size() >= 1 && dialogs.boxes.size() < 10) << dialogs.boxes.size();

    // The exit's question: a call meanwhile waits and is dropped with the program.
    EXPECT_EQ(entries(w), QStringList{a});
    w.cPlayList()->Add(b, true);
    dialogs.whileShown = [&](const RecordingDialogs::Box& box) {
        EXPECT_EQ(box.title, "Save Playlist");
        EXPECT_EQ(mpris.OpenFiles({b}), MprisPlayer::OpenOutcome::Queued);
        QTest::qWait(300);
        EXPECT_EQ(w.cPlayList()->PlayListFileName(), list);
    };
    w.ExitProgram(); // "Yes" saves
    EXPECT_EQ(mpris.PendingCalls(), 0u);
    EXPECT_EQ(saved(list), QStringList({a, b}));
    QFile f(victim);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.readAll() == text);
}

// A playlist is bounded in entries, its lines in length, and its popup in items.
TEST_F(HostileInputTest, PlaylistsAreBoundedInEntriesAndThePopupInItems) {
    frmLumadeck& w = start();
    const QByteArray lines = QByteArray("a\n").repeated(M3UFile::MaxEntries + 1);
    EXPECT_TRUE(M3UFile::Parse(lines).tooManyEntries);
    EXPECT_FALSE(M3UFile::Parse(lines.sliced(2)).tooManyEntries);
    EXPECT_EQ(M3UFile::Parse("a\n" + QByteArray(5000, 'x') + "\nb").names, QStringList({"a", "b"}));
    EXPECT_LT(frmLumadeck::TitleFor(QString(1 << 20, 'x')).size(), 1100);
    QFile huge(dir.filePath("huge.m3u"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.write(lines) == lines.size());
    huge.close();
    EXPECT_FALSE(w.cPlayList()->LoadPlayList(huge.fileName()));
    EXPECT_TRUE(dialogs.boxes.value(0).text.contains("100,000"));
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        names << file(QString("clips/%1.mpg").arg(i));
    }
    ASSERT_TRUE(w.cPlayList()->LoadPlayList(playlist("long.m3u", names)));
    w.cPlayList()->PlayVideoByIndex(1500, 0);
    w.RebuildPopupPlaylist();
    const QList<QAction*> items = menu(w, "mnuPopup")->actions();
    ASSERT_GT(items.size(), 3);
    EXPECT_LE(items.size(),
              w.screen()->availableGeometry().height() / w.fontMetrics().height() + 1);
    const int first = names.indexOf(dir.filePath("clips/" + items[1]->text()));
    ASSERT_TRUE(first > 1000 && first < 1500) << first;
    EXPECT_TRUE(items[1500 - first + 1]->isChecked());
    items.last()->trigger();
    EXPECT_EQ(w.cPlayList()->CurrentFileIndex(), first + items.size() - 2);
}
