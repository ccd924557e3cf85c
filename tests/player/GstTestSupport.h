#pragma once

// Helpers for playing the generated clips through GStreamer.
#include "platform/Services.h"
#include "player/GstMediaControl.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"
#include "testing/QtPrinters.h"
#include "testing/RecordingDialogs.h"
#include "testing/ServicesGuard.h"
#include "testing/SignalRecorder.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace lumadeck::test {

inline QString mediaPath(const QString& name) {
    return QStringLiteral(LUMADECK_BUILD_DIR "/testmedia/") + name;
}

// Skips the calling test when scripts/make-test-media has not been run.
#define REQUIRE_MEDIA(name)                                                                        \
    if (!QFileInfo::exists(::lumadeck::test::mediaPath(name))) {                                   \
        GTEST_SKIP() << "run scripts/make-test-media " LUMADECK_BUILD_DIR "/testmedia";            \
    }

// The control's notifications as "open 0>6", "play 0>2", "error", "seek 0.0>1.5".
struct NotificationLog : SignalRecorder {
    explicit NotificationLog(MediaControl& c) {
        const auto states = [](const char* what) {
            return [what](auto o, auto n) {
                return QStringLiteral("%1 %2>%3").arg(what).arg(CodeValue(o)).arg(CodeValue(n));
            };
        };
        record(&c, &MediaControl::OpenStateChange, states("open"));
        record(&c, &MediaControl::PlayStateChange, states("play"));
        record(&c, &MediaControl::Error, [] { return QStringLiteral("error"); });
        record(&c, &MediaControl::PositionChange, [](double o, double n) {
            return QStringLiteral("seek %1>%2").arg(o, 0, 'f', 1).arg(n, 0, 'f', 1);
        });
    }
};

inline GstMediaControl::Sinks fakeSinks() {
    return {QStringLiteral("fakevideosink"), QStringLiteral("fakeaudiosink")};
}

inline bool waitForState(const MediaControl& c, PlayStateCode state, int ms = 10000) {
    return QTest::qWaitFor([&] { return c.PlayState() == state; }, ms);
}

inline bool waitForOpen(const MediaControl& c) {
    return QTest::qWaitFor([&] { return c.OpenState() == OpenStateCode::Open; }, 10000);
}

// The video player on a GStreamer control in a 640 x 480 window, its message boxes recorded; its
// events as "Started clip.avi" (no folders), "ErrorMsg <text>", "PositionChanged 0:02 0:03".
struct RealPlayer : SignalRecorder {
    RealPlayer() {
        window.resize(640, 480);
        player.SetParentForm(&window);
        player.SetMediaPlayer(control);
        player.SetTimer(&timer);
        player.SetlZoom(ZoomIndex::ActualSize);
        player.ResizePlayer();
        const auto named = [](const char* what) {
            return [what](const QString& a) { return what + (" " + QFileInfo(a).fileName()); };
        };
        record(&player, &clsPlayVideo::Done, named("Done"));
        record(&player, &clsPlayVideo::Stopped, named("Stopped"));
        record(&player, &clsPlayVideo::Started, named("Started"));
        record(&player, &clsPlayVideo::FileNotFound, named("FileNotFound"));
        record(&player, &clsPlayVideo::ErrorMsg, "ErrorMsg");
        record(&player, &clsPlayVideo::PositionChanged, "PositionChanged");
    }
    RecordingDialogs dialogs;
    ServicesGuard services{{.dialogs = &dialogs}};
    QWidget window;
    GstMediaControl* control = new GstMediaControl(&window, fakeSinks());
    TagTimer timer;
    clsPlayVideo player;
};

} // namespace lumadeck::test
