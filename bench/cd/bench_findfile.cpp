// The file finder over a generated tree of 20,000 files in 2,000 folders,
// against `find` over the same tree, events let run once per entry as in
// the program. Prints both times (median of several runs) and their ratio.
#include "cd/clsFindFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using lumadeck::clsFindFile;

namespace {

const char* kExtensions[] = {".dat", ".mpg", ".avi", ".mp3", ".txt"};

// 20 top folders, each with 9 subfolders holding 10 more: 20 + 180 + 1,800
// = 2,000 folders, 10 files each.
int MakeTree(const QString& root) {
    int files = 0;
    auto fill = [&](const QString& folder) {
        QDir().mkpath(folder);
        for (int f = 0; f < 10; ++f) {
            QFile file(folder + QStringLiteral("/Track%1%2").arg(f).arg(kExtensions[f % 5]));
            if (file.open(QIODevice::WriteOnly)) {
                ++files;
            }
        }
    };
    for (int a = 0; a < 20; ++a) {
        const QString top = root + QStringLiteral("/Disc%1").arg(a);
        fill(top);
        for (int b = 0; b < 9; ++b) {
            const QString mid = top + QStringLiteral("/Folder%1").arg(b);
            fill(mid);
            for (int c = 0; c < 10; ++c) {
                fill(mid + QStringLiteral("/MPEGAV%1").arg(c));
            }
        }
    }
    return files;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    // BENCH_DIR: where to make the tree. By default in memory when the
    // machine has /dev/shm (making 22,000 entries on a slow disk takes far
    // longer than the searches), else in the temporary folder.
    QString where = QString::fromLocal8Bit(qgetenv("BENCH_DIR"));
    if (where.isEmpty()) {
        where = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                          : QDir::tempPath();
    }
    QTemporaryDir tmp(where + "/bench_findfile-XXXXXX");
    if (!tmp.isValid()) {
        std::fprintf(stderr, "bench_findfile: no temporary folder\n");
        return 1;
    }
    const QString root = QDir(tmp.path()).canonicalPath();
    const int made = MakeTree(root);

    clsFindFile finder;
    long reported = 0;
    QObject::connect(
        &finder, &clsFindFile::FoundFile,
        [&](const QString& full, const QString&, bool&) { reported += !full.isEmpty(); });

    const int runs =
        std::getenv("BENCH_RUNS") ? std::max(1, std::atoi(std::getenv("BENCH_RUNS"))) : 7;
    std::vector<double> ours;
    std::vector<double> finds;
    long found = 0;
    // One warm-up of each, so both read from the cache.
    finder.FindFiles(root, "*.*");
    {
        QProcess warm;
        warm.setStandardOutputFile(QProcess::nullDevice());
        warm.start("find", {root, "-type", "f"});
        warm.waitForFinished(-1);
    }
    // For comparison: no events at all, and a whole event loop turn at
    // every entry.
    std::vector<double> silent;
    std::vector<double> everyEntry;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        reported = 0;
        found = finder.FindFiles(root, "*.*");
        ours.push_back(t.nsecsElapsed() / 1e6);

        QProcess find;
        find.setStandardOutputFile(QProcess::nullDevice());
        t.restart();
        find.start("find", {root, "-type", "f"});
        find.waitForFinished(-1);
        finds.push_back(t.nsecsElapsed() / 1e6);

        finder.SetEventPump([] {});
        t.restart();
        finder.FindFiles(root, "*.*");
        silent.push_back(t.nsecsElapsed() / 1e6);
        finder.SetEventPump([] { QCoreApplication::processEvents(); });
        t.restart();
        finder.FindFiles(root, "*.*");
        everyEntry.push_back(t.nsecsElapsed() / 1e6);
        finder.SetEventPump({});
    }
    const double a = Median(ours);
    const double b = Median(finds);
    std::printf("tree: %d files in 2000 folders under %s; finder reported %ld (%ld events)\n", made,
                qPrintable(where), found, reported);
    std::printf("finder (pending events let run): %.1f ms\n", a);
    std::printf("find -type f:                   %.1f ms\n", b);
    std::printf("ratio finder/find: %.2f (goal: at most 1.50)\n", a / b);
    std::printf("for comparison: no events %.1f ms (%.2f), processEvents() at every entry %.1f ms "
                "(%.2f)\n",
                Median(silent), Median(silent) / b, Median(everyEntry), Median(everyEntry) / b);
    return found == made ? 0 : 1;
}
