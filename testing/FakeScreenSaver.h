#pragma once

// The screen saver as the guard sees it, recorded, and a fake
// org.freedesktop.ScreenSaver service for the real D-Bus client.
#include "desktop/DBusScreenSaver.h"
#include "desktop/IScreenSaver.h"

#include <QDBusConnection>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <utility>

namespace lumadeck::test {

struct RecordingScreenSaver : IScreenSaver {
    void Inhibit(const QString& app, const QString& reason) override {
        calls << "Inhibit " + app + ": " + reason;
    }
    void UnInhibit() override { calls << "UnInhibit"; }
    QStringList calls;
};

// Records its calls and hands out cookies 1, 2, 3...; answers from a thread
// of its own, as another process would, so blocking calls reach it too.
class FakeScreenSaverService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
public slots:
    uint Inhibit(const QString& app, const QString& reason) {
        QMutexLocker lock(&m_mutex);
        m_calls << QString("Inhibit %1: %2 -> %3").arg(app, reason).arg(m_next);
        return m_next++;
    }
    void UnInhibit(uint cookie) {
        QMutexLocker lock(&m_mutex);
        m_calls << QString("UnInhibit %1").arg(cookie);
    }

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    uint m_next = 1;
};

// The service above, published on a bus of its own connection.
struct FakeScreenSaverOnBus {
    explicit FakeScreenSaverOnBus(QDBusConnection bus) : connection(std::move(bus)) {
        thread.start();
        service.moveToThread(&thread);
        connection.registerObject(DBusScreenSaver::ObjectPath, &service,
                                  QDBusConnection::ExportAllSlots);
        connection.registerService(DBusScreenSaver::ServiceName);
    }
    ~FakeScreenSaverOnBus() {
        connection.unregisterObject(DBusScreenSaver::ObjectPath);
        thread.quit();
        thread.wait();
    }
    QDBusConnection connection;
    QThread thread;
    FakeScreenSaverService service;
};

} // namespace lumadeck::test
