// The playlist window's Browse button: every file chosen in its dialog is
// added, in the order the dialog lists them.
#include "playlist/IPlayListWindowPeers.h"
#include "playlist/clsPlayList.h"
#include "playlist/frmPlaylist.h"
#include "testing/SimulatedMediaControl.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class ChoosingPeers : public IPlayListWindowPeers, public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override { return *window; }
    bool IsLoaded() const override { return window != nullptr; }
    void Unload() override {}
    bool CompactMode() const override { return false; }
    std::optional<QRect> CompactWindowFrame() const override { return std::nullopt; }
    void CompactWindowKey(int, Qt::KeyboardModifiers) override {}
    void LoadHelper(frmPlaylist&) override {}
    void UnloadHelper() override {}
    void PopupFromCD(const QPoint&) override {}
    void PopupPlayControl(const QPoint&, bool, bool, bool) override {}
    QString MediaFileFilter() const override { return "Media|*.mpg"; }
    bool IsMediaExtension(const QString&) const override { return true; }
    QString ShowOpenDialog(const QString&, const QString&, const QString&) override { return {}; }
    QString ShowSaveDialog(const QString&, const QString&, const QString&) override { return {}; }
    QStringList ShowOpenFilesDialog(const QString&, const QString& title) override {
        titles << title;
        return chosen;
    }

    QStringList chosen, titles;
    frmPlaylist* window = nullptr;
};

} // namespace

TEST(PlaylistBrowse, AddsEveryChosenFileInTheDialogsOrder) {
    QTemporaryDir dir;
    auto file = [&](const QString& name) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return f.fileName();
    };
    const struct {
        QStringList chosen; // as the dialog hands them over
        QStringList titles; // the list afterwards
    } cases[] = {
        {{file("Track 10.mpg"), file("track 2.mpg"), file("Track 1.mpg")},
         {"Track 1.mpg", "track 2.mpg", "Track 10.mpg"}},
        {{file("b.mpg")}, {"b.mpg"}},
        {{}, {}}, // cancelled
    };
    ChoosingPeers peers;
    frmPlaylist::SetPeers(&peers);
    for (const auto& c : cases) {
        SimulatedMediaControl control;
        clsPlayList list;
        list.cPlay().SetMediaPlayer(&control);
        frmPlaylist window;
        peers.window = &window;
        list.SetWindowHost(&peers);
        window.ShowPlayList(list);
        peers.chosen = c.chosen;
        window.ButtonClicked(int(PlayListButton::Browse));
        QStringList titles;
        for (const auto& entry : list.cFiles()) {
            titles << entry->szFileTitle();
        }
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(peers.titles.takeLast(), "Add To Playlist");
        list.SetWindowHost(nullptr);
    }
    frmPlaylist::SetPeers(nullptr);
}
