// Loading big playlists while the playlist window is shown. The window here
// refills itself from the controller's list on every Reload, as the real one
// does, and counts its reloads: loading must not refill it once per entry.
#include "playlist/M3UFile.h"
#include "playlist/clsPlayList.h"
#include "testing/SimulatedMediaControl.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

using namespace lumadeck;
using namespace lumadeck::test;

namespace {

class CountingWindow : public IPlayListWindow {
public:
    void ShowPlayList(clsPlayList& playList) override {
        attached = &playList;
        Reload();
    }
    void Reload() override {
        ++reloads;
        titles.clear();
        for (const auto& entry : attached->cFiles()) {
            titles.push_back(entry->szFileTitle());
        }
        SetCurrent();
    }
    void SetCurrent() override { selected = attached->CurrentFileIndex(); }
    void SetButtons() override {}
    void SetWindowVisible(bool) override {}
    void ShowNormal() override {}
    void TakeFocus() override {}
    void MoveTo(int, int) override {}

    clsPlayList* attached = nullptr;
    std::vector<QString> titles;
    long selected = -1;
    long reloads = 0;
};

class Host : public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override { return window; }
    bool IsLoaded() const override { return true; }
    void Unload() override {}
    CountingWindow window;
};

struct Setup {
    QTemporaryDir dir;
    SimulatedMediaControl control;
    Host host;
    clsPlayList list;
    QString playlist;

    // The first entry exists (it is opened) unless allMissing is set, as
    // for the playlist of a disc that is not in its drive.
    explicit Setup(int entries, bool allMissing = false) {
        const QString first = dir.filePath("first.mpg");
        if (!allMissing) {
            QFile(first).open(QIODevice::WriteOnly);
        }
        QStringList names{first};
        for (int i = 1; i < entries; ++i) {
            names << dir.filePath(QStringLiteral("disc%1/MPEGAV/AVSEQ%2.DAT").arg(i / 100).arg(i));
        }
        playlist = dir.filePath("big.m3u");
        QFile out(playlist);
        out.open(QIODevice::WriteOnly);
        out.write(M3UFile::Serialize(names, M3UFile::ResumePoint{entries / 2, 12.5}));
        out.close();
        control.SetDelivery(SimulatedMediaControl::Delivery::Immediate);
        list.cPlay().SetMediaPlayer(&control);
        list.SetWindowHost(&host);
        list.ShowPlayList();
    }
};

void BM_LoadWithWindowShown(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    Setup s(entries, state.range(1) != 0);
    long reloadsPerLoad = 0;
    for (auto _ : state) {
        const long before = s.host.window.reloads;
        if (!s.list.LoadPlayList(s.playlist)) {
            state.SkipWithError("load failed");
            break;
        }
        reloadsPerLoad = s.host.window.reloads - before;
        benchmark::DoNotOptimize(s.host.window.titles.size());
    }
    if (static_cast<int>(s.host.window.titles.size()) != entries) {
        state.SkipWithError("the window does not show the whole list");
    }
    state.counters["entries"] = entries;
    state.counters["reloads_per_load"] = static_cast<double>(reloadsPerLoad);
    state.counters["entries_per_s"] = benchmark::Counter(
        static_cast<double>(entries), benchmark::Counter::kIsIterationInvariantRate);
}
// Second argument 1: no entry exists, so every one is opened in turn, found
// missing and skipped.
BENCHMARK(BM_LoadWithWindowShown)
    ->ArgNames({"entries", "all_missing"})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

// For comparison: entries added one by one (Browse, "Add All To Playlist")
// refill the shown window after each, as they must; this is also what a
// load refilling the window once per entry would cost.
void BM_AddOneByOneWithWindowShown(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    Setup s(1);
    long reloads = 0;
    for (auto _ : state) {
        s.list.Clear();
        const long before = s.host.window.reloads;
        for (int i = 0; i < entries; ++i) {
            s.list.Add(QStringLiteral("/v/clip%1.mpg").arg(i), true);
        }
        reloads = s.host.window.reloads - before;
    }
    state.counters["entries"] = entries;
    state.counters["reloads"] = static_cast<double>(reloads);
}
BENCHMARK(BM_AddOneByOneWithWindowShown)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

#include "../QtBenchmarkMain.h"
