// Files named from outside the program open as if chosen in the open dialog;
// files dropped on a window join the playlist.
#include "../support/MainWindowFixture.h"
#include "desktop/FileOpening.h"
#include "playlist/DroppedFiles.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

bool playing(frmLumadeck& w, const QString& file) {
    return w.cPlay()->FileName() == file && w.cPlay()->GetPlayStatus() == PlayStateCode::Playing;
}

QMimeData* urls(const QStringList& names) {
    auto* data = new QMimeData;
    QList<QUrl> list;
    for (const QString& name : names) {
        list << (name.contains("://") ? QUrl(name) : QUrl::fromLocalFile(name));
    }
    data->setUrls(list);
    return data;
}

using FileOpeningTest = MainWindowTest;

} // namespace

TEST_F(FileOpeningTest, NamedFilesOpenAsIfChosenOneAfterTheOther) {
    frmLumadeck& w = start();
    const QString a = clip("a.mpg"), b = clip("b.mpg"), c = clip("c.mpg");
    const QString x = clip("x.mpg"), y = clip("y.mpg");
    const QString missing = dir.filePath("missing.mpg");
    const QString list = playlist("list.m3u", {x, y});

    struct Case {
        const char* what;
        QStringList open;
        QStringList entries;
        QString plays;
        QString listFile;
    } cases[] = {
        {"media files join the list, the first plays", {a, b, c}, {a, b, c}, a, ""},
        {"a missing first file is reported and skipped", {missing, b}, {missing, b}, b, ""},
        {"a playlist replaces the list, later files join it", {a, list, b}, {x, y, b}, x, list},
    };
    for (const Case& t : cases) {
        FileOpening::OpenAsChosen(w, t.open);
        EXPECT_EQ(entries(w), t.entries) << t.what;
        EXPECT_TRUE(playing(w, t.plays)) << t.what << ": " << w.cPlay()->FileName().toStdString();
        EXPECT_EQ(w.windowTitle(), frmLumadeck::TitleFor(t.plays)) << t.what;
        EXPECT_EQ(w.cPlayList()->PlayListFileName(), t.listFile) << t.what;
    }
    // The missing file was reported as the player reports any missing file.
    FileOpening::OpenAsChosen(w, {missing});
    EXPECT_EQ(label(w, "status")->text(), "Not Found: " + missing);
}

TEST_F(FileOpeningTest, DroppedFilesJoinTheListAndTheFirstPlaysOnlyOnAnEmptyList) {
    frmLumadeck& w = start();
    const QString a = clip("a.mpg"), b = clip("b.mpg"), c = clip("c.mpg"), x = clip("x.mpg");
    auto drop = [&](QMimeData* data) {
        std::unique_ptr<QMimeData> owned(data);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &enter);
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &dropped);
        return enter.isAccepted() && dropped.isAccepted();
    };
    // Only local files of a drop count.
    EXPECT_FALSE(drop(urls({"http://example.com/a.mpg"})));
    EXPECT_TRUE(drop(urls({"smb://host/e.mpg", a, b})));
    EXPECT_EQ(entries(w), QStringList({a, b}));
    EXPECT_TRUE(playing(w, a));

    // On a list that plays, the drop only adds: nothing restarts.
    control->Advance(5);
    control->calls.clear();
    EXPECT_TRUE(drop(urls({c})));
    EXPECT_EQ(entries(w), QStringList({a, b, c}));
    EXPECT_TRUE(playing(w, a));
    EXPECT_DOUBLE_EQ(w.cPlay()->CurrentPosition(), 5);

    // A disc image goes through the open command, not into the list; this one is refused.
    EXPECT_TRUE(drop(urls({file("disc.cue")})));
    EXPECT_EQ(entries(w), QStringList({a, b, c}));

    // A playlist loads; a file dropped with it joins the loaded list.
    const QString list = playlist("list.m3u", {x});
    DroppedFiles::Open(*w.cPlayList(), {list, a});
    EXPECT_EQ(entries(w), QStringList({x, a}));
    EXPECT_EQ(w.cPlayList()->PlayListFileName(), list);
    EXPECT_TRUE(playing(w, x));
}
