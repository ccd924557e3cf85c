// The playlist window over a real controller on the simulated control; its rows are compared with
// the controller's entries after every step.
#include "../support/PlaylistWindowFixture.h"

#include <QTextDocument>

using namespace lumadeck;
using namespace lumadeck::test;

// A drag moves the row one step per pointer event, the playing entry keeping the index; a move
// without a held button moves nothing.
TEST_F(PlaylistWindowTest, DraggingMovesOneStepPerPointerEventInStepWithTheController) {
    struct Step {
        int pointerRow;
        QStringList order; // titles afterwards
        long dragIndex;
    };
    const struct {
        const char* what;
        int pressRow;
        std::vector<Step> steps;
    } cases[] = {
        {"row 4 up to row 1", 4, {{1, {"a", "e", "b", "c", "d"}, 1}}},
        {"down, then back up past the start",
         1,
         {{2, {"a", "c", "b", "d", "e"}, 2},
          {4, {"a", "c", "d", "e", "b"}, 4},
          {0, {"b", "a", "c", "d", "e"}, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        list->Clear();
        fill({"a", "b", "c", "d", "e"});
        list->PlayVideoByIndex(2, 0);
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
        hover(rowCentre(0));
        EXPECT_EQ(titles(), c.steps.back().order);
    }
}

// Open adds a media file and loads anything else as a playlist; Browse adds every file chosen,
// in natural order; a cancelled dialog changes nothing.
TEST_F(PlaylistWindowTest, OpenAndBrowseAddMediaFilesAndOpenLoadsEverythingElseAsAPlaylist) {
    const QString other = media("other.mpg"), m3u = dir.filePath("saved.m3u");
    const QString noDot = dir.filePath("playlist");
    for (const QString& name : {m3u, noDot}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((other + "\r\n").toUtf8());
    }
    const struct {
        PlayListButton button;
        QString chosen;
        QStringList entries;
        QString playListFile;
    } cases[] = {
        {PlayListButton::Open, media("clip.mpg"), {"clip.mpg"}, ""},
        {PlayListButton::Open, m3u, {"other.mpg"}, m3u},
        {PlayListButton::Open, noDot, {"other.mpg"}, noDot},
        {PlayListButton::Open, "", {}, ""},
        {PlayListButton::Browse,
         QStringList{media("Track 10.mpg"), media("track 2.mpg"), media("Track 1.mpg")}.join('\n'),
         {"Track 1.mpg", "track 2.mpg", "Track 10.mpg"},
         ""},
        {PlayListButton::Browse, "", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        list->Clear();
        peers.calls.clear();
        peers.answers = {c.chosen};
        window->ButtonClicked(int(c.button));
        EXPECT_EQ(peers.calls, QStringList{c.button == PlayListButton::Open
                                               ? "open | Load Playlist | Play Lists "
                                                 "(*.m3u)|*.m3u|Media|*.mpg | m3u"
                                               : "open | Add To Playlist | Media|*.mpg | "});
        EXPECT_EQ(titles(), c.entries);
        EXPECT_EQ(list->PlayListFileName(), c.playListFile);
        expectInStep();
    }
}

// Save asks for a name once (nothing written when cancelled), then rewrites without a dialog.
TEST_F(PlaylistWindowTest, SaveRewritesALoadedListWithoutADialogAndAsksForANewOne) {
    fill({"a.mpg", "b.mpg"});
    const QString target = dir.filePath("new.m3u");
    peers.answers = {"", target};
    for (int i = 0; i < 3; ++i) {
        window->ButtonClicked(int(PlayListButton::Save));
        EXPECT_EQ(QFile::exists(target), i > 0);
        list->Add(media(QStringLiteral("c%1.mpg").arg(i)), true);
    }
    EXPECT_EQ(peers.calls.filter("save |").size(), 2);
    EXPECT_EQ(peers.calls.last(),
              "save | Save Playlist | Play Lists (*.m3u)|*.m3u|All Files (*.*)|*.* | m3u");
    EXPECT_EQ(window->windowTitle(), "Lumadeck Play List new.m3u");
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("c1.mpg"));
}

TEST_F(PlaylistWindowTest, DocksOnlyWhenDroppedCloserThanTenPixelsInCompactMode) {
    peers.compactFrame = QRect(200, 100, 404, 39);
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

// The tip names the row under the pointer as plain text (markup shown as written); below the rows
// there is none.
TEST_F(PlaylistWindowTest, ToolTipIsThePlainTitleOfTheRowUnderThePointer) {
    fill({"<b>bold<b>.mpg", "second.mpg"});
    const int h = window->List()->sizeHintForRow(0);
    ASSERT_GT(h, 0);
    for (const auto& [y, tip] : {std::pair<int, QString>{h - 1, "<b>bold<b>.mpg"},
                                 {h, "second.mpg"},
                                 {2 * h + h / 2, ""}}) {
        hover(QPoint(5, y));
        QTextDocument shown; // read the way Qt reads a tip that looks like rich text
        shown.setHtml(window->List()->toolTip());
        EXPECT_EQ(shown.toPlainText(), tip) << "y " << y;
    }
}

// Odd names keep the rows in step; a change under a drag ends it, an empty list ignores the
// pointer and the buttons; the CD menu's fixed items add nothing.
TEST_F(PlaylistWindowTest, OddNamesAndChangesUnderADragKeepTheRowsInStep) {
    for (const QString& name :
         {dir.filePath(QString(2000, QChar('n')) + ".mpg"), dir.filePath("line\nbreak.mpg"),
          QString("no/such/file.mpg"), dir.filePath("<b>bold & \"quotes\".mpg"), QString()}) {
        list->Add(name, true);
        expectInStep();
    }
    press(1);
    ASSERT_TRUE(window->IsDragging());
    list->Remove(list->cFiles().Item(0)->szFileName());
    expectInStep();
    EXPECT_FALSE(window->IsDragging());
    const QStringList before = titles();
    dragTo(rowCentre(3));
    EXPECT_EQ(titles(), before);

    list->Clear();
    hover(rowCentre(0));
    window->ButtonClicked(int(PlayListButton::Remove));
    window->ButtonClicked(int(PlayListButton::Play));
    expectInStep();
    for (const char* tag : {"PlayAll", "AddAll", "Sep"}) {
        window->AddToPL(tag);
    }
    EXPECT_EQ(list->cFiles().Count(), 0);
    window->AddToPL(media("cd.mpg"));
    EXPECT_EQ(titles(), QStringList{"cd.mpg"});
}

// Keys go to the compact window only in compact mode; closing unloads once and tells the
// controller the list is hidden.
TEST_F(PlaylistWindowTest, KeysInCompactModeAndClosing) {
    QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
    QApplication::sendEvent(window, &altF4);
    EXPECT_TRUE(peers.keys.isEmpty());
    peers.compact = true;
    QApplication::sendEvent(window, &altF4);
    EXPECT_EQ(peers.keys,
              QStringList{QStringLiteral("%1/%2").arg(int(Qt::Key_F4)).arg(int(Qt::AltModifier))});
    peers.compact = false;
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
