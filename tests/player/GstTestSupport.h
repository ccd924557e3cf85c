#pragma once

// Helpers for the player tests, most of them for playing real clips
// through GStreamer.

#include "platform/RecordingDialogs.h"
#include "platform/Services.h"
#include "player/GstMediaControl.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"

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
        QObject::connect(&c, &MediaControl::OpenStateChange, [this](auto o, auto n) {
            events << QStringLiteral("open %1>%2").arg(CodeValue(o)).arg(CodeValue(n));
        });
        QObject::connect(&c, &MediaControl::PlayStateChange, [this](auto o, auto n) {
            events << QStringLiteral("play %1>%2").arg(CodeValue(o)).arg(CodeValue(n));
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

inline std::string paramName(const ::testing::TestParamInfo<const char*>& info) {
    return QString::fromLatin1(info.param).replace('.', '_').toStdString();
}

// The video player on a GStreamer control in a 640 x 480 window, its
// message boxes recorded. Logs its events as "Started clip.avi" (file
// names without folders), "ErrorMsg <text>", "PositionChanged 0:02 0:03".
struct RealPlayer {
    RealPlayer() {
        Services::setDialogs(&dialogs);
        window.resize(640, 480);
        control = new GstMediaControl(&window, fakeSinks());
        player.SetParentForm(&window);
        player.SetMediaPlayer(control);
        player.SetTimer(&timer);
        player.SetlZoom(ZoomIndex::ActualSize);
        player.ResizePlayer();
        const auto log = [this](const char* what) {
            return [this, what](const QString& a) {
                events << QString(what) + " " + QFileInfo(a).fileName();
            };
        };
        QObject::connect(&player, &clsPlayVideo::Done, log("Done"));
        QObject::connect(&player, &clsPlayVideo::Stopped, log("Stopped"));
        QObject::connect(&player, &clsPlayVideo::Started, log("Started"));
        QObject::connect(&player, &clsPlayVideo::ErrorMsg,
                         [this](const QString& e) { events << "ErrorMsg " + e; });
        QObject::connect(&player, &clsPlayVideo::PositionChanged,
                         [this](const QString& p, const QString& m) {
                             events << "PositionChanged " + p + " " + m;
                         });
    }
    ~RealPlayer() { Services::setDialogs(nullptr); }

    RecordingDialogs dialogs;
    QWidget window;
    GstMediaControl* control = nullptr;
    TagTimer timer;
    clsPlayVideo player;
    QStringList events;
};

} // namespace lumadeck::test
