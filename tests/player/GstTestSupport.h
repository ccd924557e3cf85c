#pragma once

// Helpers for the tests that play real clips through GStreamer.

#include "player/GstMediaControl.h"

#include <QFileInfo>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}
QT_END_NAMESPACE

namespace lumadeck::test {

inline QString mediaPath(const QString& name) {
    return QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/") + name;
}

// Skips the calling test when scripts/make-test-media has not been run.
#define REQUIRE_MEDIA(name)                                                                        \
    do {                                                                                           \
        if (!QFileInfo::exists(::lumadeck::test::mediaPath(name))) {                               \
            GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";        \
        }                                                                                          \
    } while (0)

// Records the control's notifications as text: "open 0>6", "play 0>2",
// "error", "seek 0.0>1.5" (positions to a tenth).
struct NotificationLog {
    explicit NotificationLog(MediaControl& c) {
        QObject::connect(&c, &MediaControl::OpenStateChange, [this](long o, long n) {
            events << QStringLiteral("open %1>%2").arg(o).arg(n);
        });
        QObject::connect(&c, &MediaControl::PlayStateChange, [this](long o, long n) {
            events << QStringLiteral("play %1>%2").arg(o).arg(n);
        });
        QObject::connect(&c, &MediaControl::Error, [this] { events << QStringLiteral("error"); });
        QObject::connect(&c, &MediaControl::PositionChange, [this](double o, double n) {
            events << QStringLiteral("seek %1>%2").arg(o, 0, 'f', 1).arg(n, 0, 'f', 1);
        });
    }
    bool has(const QString& e) const { return events.contains(e); }
    QStringList events;
};

inline GstMediaControl::Sinks fakeSinks() {
    return {QStringLiteral("fakevideosink"), QStringLiteral("fakeaudiosink")};
}

} // namespace lumadeck::test
