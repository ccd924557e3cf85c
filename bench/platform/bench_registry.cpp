// How long the registry takes for what the player does with it: a position
// written on every pause (two values, each its own durable transaction), the
// two reads when a file opens, and clearing a large tree of positions.
#include "platform/cRegistry.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace lumadeck;

namespace {

QString positionKey(int i) {
    return QStringLiteral("Software\\Lumadeck\\Disc%1\\MPEGAV\\AVSEQ%2.DAT\\VCD_%3")
        .arg(i % 50)
        .arg(i)
        .arg(i % 7);
}

// Fills the registry with n saved positions.
void fill(cRegistry& reg, int n) {
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetValueType(REG_SZ);
    for (int i = 0; i < n; ++i) {
        reg.SetSectionKey(positionKey(i));
        reg.SetValueKey(QStringLiteral("CurrPos"));
        reg.SetValue(QString::number(i * 1.5));
        reg.SetValueKey(QStringLiteral("MaxPos"));
        reg.SetValue(QStringLiteral("3000"));
    }
}

void BM_SavePosition(benchmark::State& state) {
    QTemporaryDir dir;
    cRegistry reg(dir.path() + "/registry.sqlite");
    fill(reg, int(state.range(0)));
    int i = 0;
    for (auto _ : state) {
        reg.SetSectionKey(positionKey(i++ % 1000));
        reg.SetValueKey(QStringLiteral("CurrPos"));
        reg.SetValue(QString::number(i * 0.25));
        reg.SetValueKey(QStringLiteral("MaxPos"));
        reg.SetValue(QStringLiteral("3000"));
    }
}
BENCHMARK(BM_SavePosition)->Arg(10)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_RestorePosition(benchmark::State& state) {
    QTemporaryDir dir;
    cRegistry reg(dir.path() + "/registry.sqlite");
    fill(reg, int(state.range(0)));
    reg.SetDefault(0);
    int i = 0;
    for (auto _ : state) {
        reg.SetSectionKey(positionKey(i++ % int(state.range(0))));
        reg.SetValueKey(QStringLiteral("CurrPos"));
        benchmark::DoNotOptimize(reg.Value());
        reg.SetValueKey(QStringLiteral("MaxPos"));
        benchmark::DoNotOptimize(reg.Value());
    }
}
BENCHMARK(BM_RestorePosition)->Arg(10)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_ClearSavedPositions(benchmark::State& state) {
    QTemporaryDir dir;
    cRegistry reg(dir.path() + "/registry.sqlite");
    for (auto _ : state) {
        state.PauseTiming();
        fill(reg, int(state.range(0)));
        reg.SetSectionKey(QStringLiteral("Software\\Lumadeck"));
        state.ResumeTiming();
        benchmark::DoNotOptimize(reg.DeleteKey());
    }
}
BENCHMARK(BM_ClearSavedPositions)->Arg(5000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
