// A second program using the registry, for the tests that kill it in the
// middle of its work or run two of it at once.
//   crash <database> <run>: writes positions in an endless loop, printing the
//       number of each write on its own line once it has been read back.
//   writer <database> <name> <seconds>: writes a new key every millisecond or
//       so under shared parent keys, then prints "start <ms> end <ms> count <n>".
#include "platform/cRegistry.h"
#include "registry_crash_steps.h"

#include <QDateTime>
#include <QString>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace lumadeck;

namespace {

int crash(const QString& file, int run) {
    cRegistry reg(file);
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetValueType(REG_SZ);
    reg.SetDefault(QStringLiteral("<absent>"));
    for (int i = 0;; ++i) {
        const int slot = registry_crash::slotOf(i);
        const QString text = registry_crash::textOf(run, i);
        reg.SetSectionKey(registry_crash::sectionOf(slot));
        reg.SetValueKey(registry_crash::nameOf(slot));
        reg.SetValue(text);
        if (reg.Value().toString() != text) {
            std::printf("MISMATCH %d\n", i);
            return 2;
        }
        std::printf("%d\n", i);
        std::fflush(stdout);
        if (i % 10 == 0) {
            // A subtree made and removed again, so that kills also land in
            // the middle of multi-row changes.
            reg.SetSectionKey(QStringLiteral("Software\\Lumadeck\\Crash\\Scratch\\a\\b\\c"));
            reg.SetValueKey(QStringLiteral("v"));
            reg.SetValue(text);
            reg.SetSectionKey(QStringLiteral("Software\\Lumadeck\\Crash\\Scratch"));
            reg.DeleteKey();
        }
    }
}

int writer(const QString& file, const QString& who, double seconds) {
    cRegistry reg(file);
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetValueType(REG_SZ);
    reg.SetValueKey(QStringLiteral("CurrPos"));
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    const qint64 until = start + qint64(seconds * 1000);
    int count = 0;
    while (QDateTime::currentMSecsSinceEpoch() < until) {
        reg.SetSectionKey(QStringLiteral("Software\\Lumadeck\\Shared\\Dir%1\\%2-%3")
                              .arg(count % 5)
                              .arg(who)
                              .arg(count));
        reg.SetValue(QString::number(count));
        ++count;
        // A moment between writes, as a player has between pauses; a writer
        // that never lets go would starve the other one, not lose its data.
        QThread::usleep(1000);
    }
    std::printf("start %lld end %lld count %d\n", static_cast<long long>(start),
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()), count);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "crash") == 0) {
        return crash(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    }
    if (argc == 5 && std::strcmp(argv[1], "writer") == 0) {
        return writer(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                      std::atof(argv[4]));
    }
    std::fprintf(stderr, "usage: registry_child crash <db> <run> | writer <db> <name> <s>\n");
    return 1;
}
