// The playlist window over a real controller; its rows are checked against the entries.
#include "../support/PlaylistWindowFixture.h"

#include <QTextDocument>
#include <QWindow>

using namespace lumadeck;
using namespace lumadeck::test;
using enum PlayListButton;

// A drag moves one step per pointer event; with a file from elsewhere playing no row stays lit.
TEST_F(PlaylistWindowTest, DraggingMovesOneStepPerPointerEvent) {
    fill({"a", "b", "c", "d", "e"});
    list->PlayVideoByIndex(2, 0);
    press(1);
    for (const auto& [row, order] : {std::pair{2, "acbde"}, {4, "acdeb"}, {0, "bacde"}}) {
        dragTo(rowCentre(row));
        EXPECT_EQ(titles().join(""), order);
        EXPECT_EQ(window->SelectedRow(), row);
        EXPECT_EQ(titles().value(list->CurrentFileIndex()), "c");
        expectInStep();
    }
    release(rowCentre(0));
    hover(rowCentre(3)); // no button held: nothing moves
    EXPECT_EQ(titles().join(""), "bacde");
    list->cPlay().PlayVideo(media("elsewhere.mpg"), 0);
    press(0);
    dragTo(rowCentre(1));
    release(rowCentre(1));
    control.Pause();
    EXPECT_EQ(window->SelectedRow(), -1);
}

// Open adds media or loads a playlist; Browse adds all chosen in natural order; Cancel: nothing.
TEST_F(PlaylistWindowTest, OpenAndBrowseAddMediaFilesAndOpenLoadsEverythingElseAsAPlaylist) {
    const QString other = media("other.mpg"), m3u = dir.filePath("saved.m3u");
    const QString noDot = dir.filePath("playlist");
    for (const QString& name : {m3u, noDot}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((other + "\r\n").toUtf8());
    }
    const QString tracks =
        QStringList{media("Track 10.mpg"), media("track 2.mpg"), media("Track 1.mpg")}.join('\n');
    for (const auto& [button, chosen, entries, playListFile] :
         {std::tuple{Open, media("clip.mpg"), QStringList{"clip.mpg"}, QString()},
          {Open, m3u, {"other.mpg"}, m3u},
          {Open, noDot, {"other.mpg"}, noDot},
          {Open, QString(), {}, QString()},
          {Browse, tracks, {"Track 1.mpg", "track 2.mpg", "Track 10.mpg"}, QString()},
          {Browse, QString(), {}, QString()}}) {
        list->Clear();
        peers.answers = {chosen};
        window->ButtonClicked(int(button));
        EXPECT_EQ(titles(), entries) << chosen.toStdString();
        EXPECT_EQ(list->PlayListFileName(), playListFile);
        expectInStep();
    }
    EXPECT_TRUE(
        peers.calls.contains("open | Load Playlist | Play Lists (*.m3u)|*.m3u|Media|*.mpg | m3u"));
}

// Save asks for a name once (nothing written when cancelled), then rewrites without a dialog.
TEST_F(PlaylistWindowTest, SaveRewritesALoadedListWithoutADialogAndAsksForANewOne) {
    fill({"a.mpg", "b.mpg"});
    peers.answers = {"", dir.filePath("new[*].m3u")};
    for (int i = 0; i < 3; ++i) {
        window->ButtonClicked(int(Save));
        EXPECT_EQ(list->IsModified(), i == 0) << i;
        list->Add(media(QStringLiteral("c%1.mpg").arg(i)), true);
    }
    EXPECT_EQ(peers.calls.filter("save | Save Playlist").size(), 2);
    window->winId(); // the caption as shown: "[*]" in a name is no modified mark
    EXPECT_EQ(window->windowHandle()->title(), "Lumadeck Play List new[*].m3u");
}

TEST_F(PlaylistWindowTest, DocksOnlyWhenDroppedCloserThanTenPixelsInCompactMode) {
    peers.compactFrame = QRect(200, 100, 404, 39);
    const QPoint dock(200, 139);
    for (const auto& [thin, offset, docks] : {std::tuple{true, QPoint(9, 9), true},
                                              {true, QPoint(-9, -9), true},
                                              {true, QPoint(10, 0), false},
                                              {true, QPoint(0, 10), false},
                                              {false, QPoint(9, 9), false},
                                              {false, QPoint(0, 0), true}}) {
        peers.compact = thin;
        window->move(dock + offset);
        window->SnapToCompactWindow();
        EXPECT_EQ(window->frameGeometry().topLeft(), docks ? dock : dock + offset)
            << offset.x() << "," << offset.y() << " thin " << thin;
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

// The tip is the plain title of the row under the pointer (markup shown as written), none below.
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

// Odd names and changes under a drag keep the rows in step; an empty list ignores all input.
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
    window->ButtonClicked(int(Remove));
    window->ButtonClicked(int(Play));
    expectInStep();
}

// Keys go to the compact window in compact mode only; closing unloads once and hides the list.
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
