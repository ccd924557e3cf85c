// The real playlist window, shown on the offscreen platform, with long
// playlists: loading 10,000 and 100,000 entries (until the window has laid
// out and painted them), and one drag step that moves an entry from one end
// of a 100,000-row list to the other. Goals: 10,000 under 100 ms, 100,000
// under 1 s, a drag step under 5 ms.
#include "playlist/IPlayListWindowPeers.h"
#include "playlist/M3UFile.h"
#include "playlist/PlayListModel.h"
#include "playlist/clsPlayList.h"
#include "playlist/frmPlaylist.h"
#include "testing/SimulatedMediaControl.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class QuietPeers : public IPlayListWindowPeers {
public:
    bool CompactMode() const override { return false; }
    std::optional<QRect> CompactWindowFrame() const override { return std::nullopt; }
    void CompactWindowKey(int, Qt::KeyboardModifiers) override {}
    void LoadHelper(frmPlaylist&) override {}
    void UnloadHelper() override {}
    void PopupFromCD(const QPoint&) override {}
    void PopupPlayControl(const QPoint&, bool, bool, bool) override {}
    QString MediaFileFilter() const override { return {}; }
    bool IsMediaExtension(const QString&) const override { return false; }
    QString ShowOpenDialog(const QString&, const QString&, const QString&) override { return {}; }
    QString ShowSaveDialog(const QString&, const QString&, const QString&) override { return {}; }
};

class Host : public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override { return *window; }
    bool IsLoaded() const override { return true; }
    void Unload() override {}
    frmPlaylist* window = nullptr;
};

struct Setup {
    QTemporaryDir dir;
    QuietPeers peers;
    SimulatedMediaControl control;
    Host host;
    clsPlayList list;
    frmPlaylist window;
    QString playlist;

    explicit Setup(int entries) {
        frmPlaylist::SetPeers(&peers);
        const QString first = dir.filePath("first.mpg");
        QFile(first).open(QIODevice::WriteOnly);
        QStringList names{first};
        for (int i = 1; i < entries; ++i) {
            names << dir.filePath(QStringLiteral("disc%1/MPEGAV/AVSEQ%2.DAT").arg(i / 100).arg(i));
        }
        playlist = dir.filePath("big.m3u");
        QFile out(playlist);
        out.open(QIODevice::WriteOnly);
        out.write(M3UFile::Serialize(names, std::nullopt));
        out.close();
        control.SetDelivery(SimulatedMediaControl::Delivery::Immediate);
        list.cPlay().SetMediaPlayer(&control);
        host.window = &window;
        window.Form_Load();
        list.SetWindowHost(&host);
        list.ShowPlayList();
        QCoreApplication::processEvents();
    }
    ~Setup() { frmPlaylist::SetPeers(nullptr); }

    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* viewport = window.List()->viewport();
        QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    QPoint centreOf(int row) const {
        return window.List()->visualRect(window.Model()->index(row)).center();
    }
};

void BM_LoadWithTheWindowShown(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    Setup s(entries);
    for (auto _ : state) {
        if (!s.list.LoadPlayList(s.playlist)) {
            state.SkipWithError("load failed");
            break;
        }
        QCoreApplication::processEvents(); // lay out and paint
    }
    if (s.window.Model()->rowCount() != entries) {
        state.SkipWithError("the window does not show the whole list");
    }
    state.counters["entries"] = entries;
}
BENCHMARK(BM_LoadWithTheWindowShown)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// A drag step from the first row to the last and back, each one pointer
// event on the list (the list scrolled so that the target row is visible).
void BM_DragStepAcrossTheList(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    Setup s(entries);
    s.list.LoadPlayList(s.playlist); // the first entry plays
    QCoreApplication::processEvents();
    QListView* view = s.window.List();
    view->scrollToTop();
    s.mouse(QEvent::MouseButtonPress, s.centreOf(0), Qt::LeftButton, Qt::LeftButton);
    if (!s.window.IsDragging()) {
        state.SkipWithError("the press did not start a drag");
        return;
    }
    bool atTop = true;
    long steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (atTop) {
            view->scrollToBottom();
        } else {
            view->scrollToTop();
        }
        QCoreApplication::processEvents();
        const int target = atTop ? entries - 1 : 0;
        const QPoint at = s.centreOf(target);
        state.ResumeTiming();
        s.mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents(); // repaint
        state.PauseTiming();
        if (s.window.DragIndex() != target) {
            state.SkipWithError("the step did not move the entry");
            break;
        }
        atTop = !atTop;
        ++steps;
        state.ResumeTiming();
    }
    // The played entry is still the current one wherever it went.
    const auto current = s.list.cFiles().Item(s.list.CurrentFileIndex());
    if (!current || !current->szFileName().endsWith("first.mpg")) {
        state.SkipWithError("the current entry was lost");
    }
    state.counters["entries"] = entries;
    state.counters["steps"] = static_cast<double>(steps);
}
BENCHMARK(BM_DragStepAcrossTheList)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

#include "../QtBenchmarkMain.h"
