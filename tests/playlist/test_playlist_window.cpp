// The playlist window over a real controller on the simulated control; its rows are
// compared with the controller's entries after every step.
#include "platform/PlainText.h"
#include "platform/Services.h"
#include "playlist/IPlayListWindowPeers.h"
#include "playlist/PlayListModel.h"
#include "playlist/clsPlayList.h"
#include "playlist/frmPlaylist.h"
#include "skin/LabelButton.h"
#include "testing/RecordingDialogs.h"
#include "testing/SimulatedMediaControl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

// The window's surroundings (popups, dialogs, the compact window) and host, recorded.
class RecordingPeers : public IPlayListWindowPeers, public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override { return *window; }
    bool IsLoaded() const override { return !window.isNull(); }
    void Unload() override {
        if (window) {
            window->Form_Unload();
        }
    }
    bool CompactMode() const override { return compact; }
    std::optional<QRect> CompactWindowFrame() const override { return compactFrame; }
    void CompactWindowKey(int key, Qt::KeyboardModifiers modifiers) override {
        keys << QStringLiteral("%1/%2").arg(key).arg(int(modifiers));
    }
    void LoadHelper(frmPlaylist&) override { calls << "LoadHelper"; }
    void UnloadHelper() override { calls << "UnloadHelper"; }
    void PopupFromCD(const QPoint&) override { calls << "PopupFromCD"; }
    void PopupPlayControl(const QPoint&, bool play, bool pause, bool stop) override {
        calls << QStringLiteral("PopupPlayControl %1%2%3").arg(play).arg(pause).arg(stop);
    }
    QString MediaFileFilter() const override { return "Media|*.mpg"; }
    bool IsMediaExtension(const QString& ext) const override {
        return ext.compare("mpg", Qt::CaseInsensitive) == 0;
    }
    QString ShowOpenDialog(const QString& filter, const QString& title,
                           const QString& ext) override {
        return dialog("open", filter, title, ext);
    }
    QString ShowSaveDialog(const QString& filter, const QString& title,
                           const QString& ext) override {
        return dialog("save", filter, title, ext);
    }
    QString dialog(const QString& kind, const QString& filter, const QString& title,
                   const QString& ext) {
        calls << QStringList{kind, title, filter, ext}.join(" | ");
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    bool compact = false;
    std::optional<QRect> compactFrame;
    QStringList answers, calls, keys;
    QPointer<frmPlaylist> window;
};

class PlaylistWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Services::setDialogs(&dialogs);
        frmPlaylist::SetPeers(&peers);
        control.SetDelivery(SimulatedMediaControl::Delivery::Immediate);
        control.DefaultMedia.duration = 600;
        list = std::make_unique<clsPlayList>();
        list->cPlay().SetMediaPlayer(&control);
        window = new frmPlaylist;
        window->Form_Load();
        peers.window = window;
        list->SetWindowHost(&peers);
        list->ShowPlayList(); // attaches the controller and shows the window
        ASSERT_TRUE(window->isVisible());
    }
    void TearDown() override {
        delete window.data();
        list.reset();
        frmPlaylist::SetPeers(nullptr);
        Services::setDialogs(nullptr);
    }

    QString media(const QString& name) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::Append));
        return f.fileName();
    }
    // Real files with the names given, added through the controller.
    QStringList fill(const QStringList& names) {
        QStringList out;
        for (const QString& n : names) {
            out << media(n);
            list->Add(out.last(), true);
        }
        return out;
    }
    QStringList titles() const {
        QStringList out;
        for (const auto& e : list->cFiles()) {
            out << e->szFileTitle();
        }
        return out;
    }
    // The window's rows (titles and the full names with them) are the controller's entries.
    void expectInStep() const {
        PlayListModel* model = window->Model();
        ASSERT_EQ(model->rowCount(), list->cFiles().Count());
        for (int r = 0; r < model->rowCount(); ++r) {
            const auto entry = list->cFiles().Item(r);
            EXPECT_EQ(model->index(r).data().toString(), entry->szFileTitle()) << "row " << r;
            EXPECT_EQ(model->index(r).data(PlayListModel::FileNameRole).toString(),
                      entry->szFileName())
                << "row " << r;
        }
    }

    QPoint rowCentre(int row) const {
        return window->List()->visualRect(window->Model()->index(row)).center();
    }
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* viewport = window->List()->viewport();
        QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    void press(int row) {
        mouse(QEvent::MouseButtonPress, rowCentre(row), Qt::LeftButton, Qt::LeftButton);
    }
    void dragTo(QPoint pos) { mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
    void hover(QPoint pos) { mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton); }
    void release(QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
        mouse(QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
    }
    // "+" for each button given that is enabled, "-" for one that is not.
    QString enabled(std::initializer_list<PlayListButton> buttons) const {
        QString out;
        for (PlayListButton b : buttons) {
            out += window->Button(b)->isEnabled() ? '+' : '-';
        }
        return out;
    }

    QTemporaryDir dir;
    RecordingDialogs dialogs;
    RecordingPeers peers;
    SimulatedMediaControl control;
    std::unique_ptr<clsPlayList> list;
    QPointer<frmPlaylist> window;
};

} // namespace

// The sizes and captions come from the skin's table; checked is the window's use of them.
TEST_F(PlaylistWindowTest, LoadsItsHelperAndDrawsItsOwnFrame) {
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowTitle(), "Lumadeck Play List");
    EXPECT_EQ(peers.calls, QStringList{"LoadHelper"});
    // The minimise and close buttons are drawn above the background.
    const QImage shot = window->grab().toImage();
    const QRgb background = shot.pixel(400, 12);
    EXPECT_NE(shot.pixel(434, 12), background);
    EXPECT_NE(shot.pixel(449, 12), background);
}

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

TEST_F(PlaylistWindowTest, ToolTipIsTheTitleOfTheRowUnderThePointer) {
    fill({"first.mpg", "second.mpg", "third.mpg"});
    const int h = window->List()->sizeHintForRow(0);
    ASSERT_GT(h, 0);
    const struct {
        int y;
        QString tip;
    } cases[] = {
        {0, "first.mpg"},     {h - 1, "first.mpg"}, // the lower half is still row 0
        {h, "second.mpg"},    {2 * h - 1, "second.mpg"},
        {2 * h, "third.mpg"}, {3 * h, ""}, // below the last row
        {3 * h + h / 2, ""},
    };
    for (const auto& c : cases) {
        hover(QPoint(5, c.y));
        EXPECT_EQ(window->List()->toolTip(), c.tip.isEmpty() ? "" : ToolTipText(c.tip))
            << "y " << c.y;
        EXPECT_EQ(window->ListRowFromPoint(c.y), c.y / h);
    }
}

TEST_F(PlaylistWindowTest, PlayStartsTheSelectedRowOrResumesThePlayer) {
    const QStringList files = fill({"a.mpg", "b.mpg"});
    list->PlayVideoByIndex(1, 0);
    control.Pause();
    window->List()->selectionModel()->clearSelection();
    control.calls.clear();
    window->ButtonClicked(int(PlayListButton::Play));
    EXPECT_EQ(control.calls, QStringList{"Play"}); // resumed, nothing opened
    EXPECT_EQ(list->CurrentFileIndex(), 1);

    window->List()->setCurrentIndex(window->Model()->index(0));
    window->ButtonClicked(int(PlayListButton::Play));
    EXPECT_EQ(list->CurrentFileIndex(), 0);
    EXPECT_EQ(control.FileName(), files[0]);
    EXPECT_EQ(control.PlayState(), PlayStateCode::Playing);
}

TEST_F(PlaylistWindowTest, RemoveTakesTheSelectedRowByPositionAndLeavesTheControllerAlone) {
    const QStringList files = fill({"x.mpg", "y.mpg"});
    list->Add(files[0], true); // a second x.mpg at row 2
    window->Reload();
    list->PlayVideoByIndex(1, 0);
    ASSERT_TRUE(list->SavePlayList(dir.filePath("l.m3u")));
    window->List()->setCurrentIndex(window->Model()->index(2));
    window->ButtonClicked(int(PlayListButton::Remove));
    EXPECT_EQ(titles(), QStringList({"x.mpg", "y.mpg"}));
    EXPECT_FALSE(list->IsModified());
    EXPECT_EQ(list->CurrentFileIndex(), 1);
    expectInStep();

    // Removing the playing entry leaves a list the window still shows right.
    window->List()->setCurrentIndex(window->Model()->index(1));
    window->ButtonClicked(int(PlayListButton::Remove));
    EXPECT_EQ(titles(), QStringList({"x.mpg"}));
    expectInStep();
    window->ButtonClicked(int(PlayListButton::Next)); // an index past the end does nothing
    expectInStep();
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
