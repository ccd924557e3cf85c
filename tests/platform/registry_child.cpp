// A second program using the registry, for the test that runs two of it at once:
//   writer <database> <name> <seconds>: writes a new key every millisecond or
//       so under shared parent keys, then prints "start <ms> end <ms> count <n>".
#include "platform/cRegistry.h"

#include <QDateTime>
#include <QString>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace lumadeck;

int main(int argc, char** argv) {
    if (argc != 5 || std::strcmp(argv[1], "writer") != 0) {
        std::fprintf(stderr, "usage: registry_child writer <db> <name> <seconds>\n");
        return 1;
    }
    cRegistry reg(QString::fromLocal8Bit(argv[2]));
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetValueType(REG_SZ);
    const QString who = QString::fromLocal8Bit(argv[3]);
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    const qint64 end = start + qint64(std::atof(argv[4]) * 1000);
    int count = 0;
    while (QDateTime::currentMSecsSinceEpoch() < end) {
        reg.SetSectionKey(QStringLiteral("Software\\Lumadeck\\Shared\\Dir%1\\%2-%3")
                              .arg(count % 5)
                              .arg(who)
                              .arg(count));
        reg.SetValueKey(QStringLiteral("CurrPos"));
        reg.SetValue(QString::number(count));
        ++count;
        // A pause between writes, as a player has; one that never lets go
        // would starve the other writer, not lose its data.
        QThread::usleep(1000);
    }
    std::printf("start %lld end %lld count %d\n", static_cast<long long>(start),
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()), count);
    return 0;
}
