#pragma once

// A media control and a volume lookup for the saved positions, set by the test.
#include "app/SavedPositions.h"
#include "testing/SimulatedMediaControl.h"

#include <QMap>
#include <QStringList>
#include <optional>

namespace lumadeck::test {

// A control whose file, position and duration the test sets; seeks are recorded.
struct FakeControl : SimulatedMediaControl {
    FakeControl(QString f, double d) : file(std::move(f)), duration(d) {}
    QString FileName() const override { return file; }
    double CurrentPosition() const override { return position; }
    double Duration() const override { return duration; }
    bool SetCurrentPosition(double seconds) override {
        seeks.append(seconds);
        return true;
    }
    QString file;
    double duration;
    double position = 0;
    QList<double> seeks;
};

// Mount points and their labels, as the tests insert and change discs.
class FakeVolumes : public IVolumeLookup {
public:
    std::optional<VolumeInfo> VolumeOf(const QString& path) override {
        asked.append(path);
        if (unreachable) {
            return std::nullopt;
        }
        VolumeInfo best{"/", ""};
        for (auto it = mounts.cbegin(); it != mounts.cend(); ++it) {
            if ((path == it.key() || path.startsWith(it.key() + "/")) &&
                it.key().size() > best.mountPoint.size()) {
                best = {it.key(), it.value()};
            }
        }
        return best;
    }
    QMap<QString, QString> mounts;
    QStringList asked;
    bool unreachable = false;
};

} // namespace lumadeck::test
