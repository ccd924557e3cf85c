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

void Write(cRegistry& reg, const QString& section, const QString& name, const QString& text) {
    reg.SetSectionKey(section);
    reg.SetValueKey(name);
    reg.SetValue(text);
}

int crash(cRegistry& reg, int run) {
    reg.SetDefault(QStringLiteral("<absent>"));
    for (int i = 0;; ++i) {
        const int slot = registry_crash::slotOf(i);
        const QString text = registry_crash::textOf(run, i);
        Write(reg, registry_crash::sectionOf(slot), registry_crash::nameOf(slot), text);
        if (reg.Value().toString() != text) {
            std::printf("MISMATCH %d\n", i);
            return 2;
        }
        std::printf("%d\n", i);
        std::fflush(stdout);
        if (i % 10 == 0) { // so that kills also land in multi-row changes
            Write(reg, QStringLiteral("Software\\Lumadeck\\Crash\\Scratch\\a\\b\\c"), "v", text);
            reg.SetSectionKey(QStringLiteral("Software\\Lumadeck\\Crash\\Scratch"));
            reg.DeleteKey();
        }
    }
}

int writer(cRegistry& reg, const QString& who, double seconds) {
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    int count = 0;
    while (QDateTime::currentMSecsSinceEpoch() < start + qint64(seconds * 1000)) {
        Write(reg,
              QStringLiteral("Software\\Lumadeck\\Shared\\Dir%1\\%2-%3")
                  .arg(count % 5)
                  .arg(who)
                  .arg(count),
              QStringLiteral("CurrPos"), QString::number(count));
        ++count;
        // A pause between writes, as a player has; one that never lets go
        // would starve the other writer, not lose its data.
        QThread::usleep(1000);
    }
    std::printf("start %lld end %lld count %d\n", static_cast<long long>(start),
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()), count);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool crashing = argc == 4 && std::strcmp(argv[1], "crash") == 0;
    if (!crashing && !(argc == 5 && std::strcmp(argv[1], "writer") == 0)) {
        std::fprintf(stderr, "usage: registry_child crash <db> <run> | writer <db> <name> <s>\n");
        return 1;
    }
    cRegistry reg(QString::fromLocal8Bit(argv[2]));
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetValueType(REG_SZ);
    return crashing ? crash(reg, std::atoi(argv[3]))
                    : writer(reg, QString::fromLocal8Bit(argv[3]), std::atof(argv[4]));
}
