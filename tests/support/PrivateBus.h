#pragma once

// A D-Bus session bus of the test's own, and connections to it.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>
#include <QUuid>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/prctl.h>

namespace lumadeck::test {

class PrivateBus {
public:
    PrivateBus() {
        m_daemon.setProgram("dbus-daemon");
        m_daemon.setArguments({"--session", "--nofork", "--nopidfile", "--print-address=1"});
        // A test that crashes takes its bus with it.
        m_daemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start();
        if (m_daemon.waitForStarted(10000) && m_daemon.waitForReadyRead(10000)) {
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        for (const QString& name : m_names) {
            QDBusConnection::disconnectFromBus(name);
        }
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& address() const { return m_address; }
    bool running() const { return !m_address.isEmpty(); }
    // The environment of the built program run on this bus with its files under home.
    QProcessEnvironment programEnvironment(const QString& home, const QString& platform) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        env.insert("QT_QPA_PLATFORM", platform);
        env.insert("XDG_CONFIG_HOME", home + "/config");
        env.insert("XDG_DATA_HOME", home + "/data");
        return env;
    }

    // A new connection to the bus, with a unique name of its own.
    QDBusConnection connect() {
        const QString name = "test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_names.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// Lets events run until the condition holds or the time is up.
inline bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
    return QTest::qWaitFor(condition, ms);
}

// A call on the program's published object.
inline QDBusMessage mprisCall(const QString& interface, const QString& method,
                              const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.lumadeck",
                                                    "/org/mpris/MediaPlayer2", interface, method);
    m.setArguments(args);
    return m;
}

} // namespace lumadeck::test
