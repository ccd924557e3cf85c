// The playlist window over a real controller on the simulated control; its rows are
// compared with the controller's entries after every step.
#include "../support/PlaylistWindowFixture.h"

#include <QTextDocument>

using namespace lumadeck;
using namespace lumadeck::test;

TEST_F(PlaylistWindowTest, DraggingMovesOneStepPerPointerEventInStepWithTheController) {
    struct Step {
        int pointerRow;
        QStringList order; // titles afterwards
        long dragIndex;
    };
    struct Case {
        const char* what;
        int pressRow;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"row 0 down to row 3", 0, {{3, {"b", "c", "d", "a", "e"}, 3}}},
        {"row 4 up to row 1", 4, {{1, {"a", "e", "b", "c", "d"}, 1}}},
        {"within the dragged row", 2, {{2, {"a", "b", "c", "d", "e"}, 2}}},
        {"down, then back up past the start",
         1,
         {{2, {"a", "c", "b", "d", "e"}, 2},
          {4, {"a", "c", "d", "e", "b"}, 4},
          {0, {"b", "a", "c", "d", "e"}, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list->Clear();
        fill({"a", "b", "c", "d", "e"});
        list->PlayVideoByIndex(2, 0); // "c" plays: the index must follow it
        const QString playing = list->cFiles().Item(2)->szFileName();
        press(c.pressRow);
        ASSERT_TRUE(window->IsDragging());
        for (const Step& step : c.steps) {
            dragTo(rowCentre(step.pointerRow));
            EXPECT_EQ(titles(), step.order);
            EXPECT_EQ(window->DragIndex(), step.dragIndex);
            EXPECT_EQ(window->SelectedRow(), step.pointerRow);
            EXPECT_EQ(list->cFiles().Item(list->CurrentFileIndex())->szFileName(), playing);
            expectInStep();
        }
        release(rowCentre(c.steps.back().pointerRow));
        EXPECT_FALSE(window->IsDragging());
        // A move without a button held moves nothing.
        hover(rowCentre(0));
        EXPECT_EQ(titles(), c.steps.back().order);
    }
}

TEST_F(PlaylistWindowTest, OpenAddsMediaFilesAndLoadsEverythingElseAsAPlaylist) {
    const QString clip = media("clip.mpg");
    const QString other = media("other.mpg");
    const QString m3u = dir.filePath("saved.m3u");
    const QString noDot = dir.filePath("playlist");
    for (const QString& name : {m3u, noDot}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((other + "\r\n").toUtf8());
    }
    const struct {
        QString chosen;
        QStringList entries;
        QString playListFile;
    } cases[] = {
        {clip, {"clip.mpg"}, ""},
        {m3u, {"other.mpg"}, m3u},
        {noDot, {"other.mpg"}, noDot},
        {"", {}, ""}, // cancelled: nothing changes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        list->Clear();
        window->Reload();
        peers.calls.clear();
        peers.answers = {c.chosen};
        window->ButtonClicked(int(PlayListButton::Open));
        EXPECT_EQ(peers.calls,
                  QStringList{"open | Load Playlist | Play Lists (*.m3u)|*.m3u|Media|*.mpg | m3u"});
        EXPECT_EQ(titles(), c.entries);
        EXPECT_EQ(list->PlayListFileName(), c.playListFile);
        expectInStep();
    }
}

TEST_F(PlaylistWindowTest, SaveRewritesALoadedListWithoutADialogAndAsksForANewOne) {
    const QStringList files = fill({"a.mpg", "b.mpg"});
    const QString target = dir.filePath("new.m3u");
    peers.answers = {""}; // cancelled
    window->ButtonClicked(int(PlayListButton::Save));
    EXPECT_EQ(peers.calls.last(),
              "save | Save Playlist | Play Lists (*.m3u)|*.m3u|All Files (*.*)|*.* | m3u");
    EXPECT_FALSE(QFile::exists(target));

    peers.answers = {target};
    window->ButtonClicked(int(PlayListButton::Save));
    ASSERT_TRUE(QFile::exists(target));
    EXPECT_EQ(list->PlayListFileName(), target);
    EXPECT_EQ(window->windowTitle(), "Lumadeck Play List new.m3u");

    list->Add(media("c.mpg"), true);
    const qsizetype dialogsBefore = peers.calls.size();
    window->ButtonClicked(int(PlayListButton::Save));
    EXPECT_EQ(peers.calls.size(), dialogsBefore); // no dialog
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("c.mpg"));
}

TEST_F(PlaylistWindowTest, DocksOnlyWhenDroppedCloserThanTenPixelsInCompactMode) {
    const QRect compact(200, 100, 404, 39);
    peers.compactFrame = compact;
    const QPoint dock(200, 139);
    const struct {
        bool thin;
        QPoint offset;
        bool docks;
    } cases[] = {
        {true, {9, 9}, true},   {true, {-9, -9}, true}, {true, {10, 0}, false},
        {true, {0, 10}, false}, {false, {9, 9}, false}, {false, {0, 0}, true},
    };
    for (const auto& c : cases) {
        peers.compact = c.thin;
        window->move(dock + c.offset);
        window->SnapToCompactWindow();
        EXPECT_EQ(window->frameGeometry().topLeft(), c.docks ? dock : dock + c.offset)
            << c.offset.x() << "," << c.offset.y() << " thin " << c.thin;
    }
}

TEST_F(PlaylistWindowTest, ButtonStatesFollowTheSelectionTheIndexAndThePlayer) {
    fill({"a.mpg", "b.mpg", "c.mpg"});
    // Played to the end: the index equals the count and the selection stays.
    list->PlayVideoByIndex(2, 0);
    control.ReachEnd();
    QCoreApplication::processEvents();
    ASSERT_EQ(list->CurrentFileIndex(), 3);
    window->SetCurrent();
    EXPECT_EQ(window->SelectedRow(), 2);
    using enum PlayListButton;
    EXPECT_EQ(enabled({Prev, Next}), "+-");
    // Stopped, nothing selected: Play resumes, Remove has nothing to remove.
    window->List()->selectionModel()->clearSelection();
    EXPECT_EQ(enabled({Play, Remove, Pause, Stop}), "+---");
    list->PlayVideoByIndex(0, 0);
    window->SetButtons();
    EXPECT_EQ(enabled({Play, Pause, Stop, Prev, Next}), "-++-+");
    window->ButtonClicked(int(Pause));
    EXPECT_EQ(enabled({Play, Pause, Stop}), "+-+");

    // The context menu copies the states of Play, Pause and Stop.
    release(rowCentre(0), Qt::RightButton);
    EXPECT_EQ(peers.calls.last(), "PopupPlayControl 101");
}

// The tip names the row under the pointer as plain text: a title with markup
// in it is shown as written, never as rich text; below the rows there is none.
TEST_F(PlaylistWindowTest, ToolTipIsThePlainTitleOfTheRowUnderThePointer) {
    fill({"<b>bold<b>.mpg", "second.mpg"});
    const int h = window->List()->sizeHintForRow(0);
    ASSERT_GT(h, 0);
    const struct {
        int y;
        QString tip;
    } cases[] = {{h - 1, "<b>bold<b>.mpg"}, {h, "second.mpg"}, {2 * h + h / 2, ""}};
    for (const auto& c : cases) {
        hover(QPoint(5, c.y));
        // What the tip shows, read the way Qt reads a tip that looks like rich text.
        QTextDocument shown;
        shown.setHtml(window->List()->toolTip());
        EXPECT_EQ(shown.toPlainText(), c.tip) << "y " << c.y;
    }
}

TEST_F(PlaylistWindowTest, OddNamesAndChangesUnderADragKeepTheRowsInStep) {
    const QString longName = dir.filePath(QString(2000, QChar('n')) + ".mpg");
    const QStringList odd = {longName, dir.filePath("line\nbreak.mpg"), "no/such/file.mpg",
                             dir.filePath("<b>bold & \"quotes\".mpg"), ""};
    for (const QString& name : odd) {
        list->Add(name, true);
        expectInStep();
    }
    EXPECT_EQ(window->Model()->index(3).data().toString(), "<b>bold & \"quotes\".mpg");

    // A change under a drag ends it with the reload; later pointer moves move nothing.
    press(1);
    ASSERT_TRUE(window->IsDragging());
    list->Remove(list->cFiles().Item(0)->szFileName());
    expectInStep();
    EXPECT_FALSE(window->IsDragging());
    const QStringList before = titles();
    dragTo(rowCentre(3));
    EXPECT_EQ(titles(), before);
    expectInStep();

    list->Clear();
    expectInStep();
    hover(rowCentre(0)); // an empty list: nothing to show or move
    window->ButtonClicked(int(PlayListButton::Remove));
    window->ButtonClicked(int(PlayListButton::Play));
    expectInStep();
}

TEST_F(PlaylistWindowTest, AddToPLAddsFilesButNotTheFixedItems) {
    const QString clip = media("cd.mpg");
    for (const char* tag : {"PlayAll", "AddAll", "Sep"}) {
        window->AddToPL(tag);
    }
    EXPECT_EQ(list->cFiles().Count(), 0);
    window->AddToPL(clip);
    EXPECT_EQ(titles(), QStringList{"cd.mpg"});
    expectInStep();
}

TEST_F(PlaylistWindowTest, KeysGoToTheCompactWindowOnlyInCompactMode) {
    QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
    QApplication::sendEvent(window, &altF4);
    EXPECT_TRUE(peers.keys.isEmpty());
    peers.compact = true;
    QApplication::sendEvent(window, &altF4);
    EXPECT_EQ(peers.keys,
              QStringList{QStringLiteral("%1/%2").arg(int(Qt::Key_F4)).arg(int(Qt::AltModifier))});
}

TEST_F(PlaylistWindowTest, ClosingUnloadsAndTellsTheControllerTheListIsHidden) {
    int hidden = 0;
    QObject::connect(list.get(), &clsPlayList::PlaylistHidden, [&] { ++hidden; });
    window->close();
    EXPECT_EQ(hidden, 1);
    EXPECT_FALSE(list->bPLShown());
    EXPECT_TRUE(window->IsUnloaded());
    EXPECT_EQ(peers.calls.last(), "UnloadHelper");
    window->Form_Unload(); // a second unload does nothing
    EXPECT_EQ(hidden, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}
