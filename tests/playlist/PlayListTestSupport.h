#pragma once

// Shared pieces of the controller tests: a recording playlist window and its
// host, and a fixture with real files on disk (the player looks before it
// opens), a simulated media control and recording dialogs.
#include "platform/RecordingDialogs.h"
#include "platform/Services.h"
#include "player/SimulatedMediaControl.h"
#include "playlist/clsPlayList.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace lumadeck::test {

// Runs a step as an ordinary user, so that file permissions apply even when
// the tests run as root.
inline void asOrdinaryUser(const std::function<void()>& step) {
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::seteuid(65534) == 0);
    step();
    ASSERT_TRUE(!root || ::seteuid(0) == 0);
}

// Records its calls as text; Reload reads the list back as the real window does.
class RecordingWindow : public IPlayListWindow {
public:
    void ShowPlayList(clsPlayList& playList) override {
        attached = &playList;
        calls << "ShowPlayList";
        Reload();
    }
    void Reload() override {
        rows.clear();
        for (const auto& entry : attached->cFiles()) {
            rows << entry->szFileTitle();
        }
        calls << QStringLiteral("Reload %1").arg(rows.size());
        SetCurrent();
    }
    void SetCurrent() override {
        calls << QStringLiteral("SetCurrent %1").arg(attached->CurrentFileIndex());
    }
    void SetWindowVisible(bool visible) override {
        calls << QStringLiteral("Visible %1").arg(visible);
    }
    void ShowNormal() override { calls << "ShowNormal"; }
    void TakeFocus() override { calls << "TakeFocus"; }
    void MoveTo(int left, int top) override {
        calls << QStringLiteral("MoveTo %1,%2").arg(left).arg(top);
    }

    clsPlayList* attached = nullptr;
    QStringList calls;
    QStringList rows;
};

class RecordingWindowHost : public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override {
        if (!window) {
            window = std::make_unique<RecordingWindow>();
            ++loads;
        }
        return *window;
    }
    bool IsLoaded() const override { return window != nullptr; }
    void Unload() override {
        // Like the real window, its unload tells the controller it is gone.
        if (auto gone = std::move(window); gone && gone->attached) {
            gone->attached->SetbPLShown(false);
        }
    }
    std::unique_ptr<RecordingWindow> window;
    int loads = 0;
};

class PlayListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Services::setDialogs(&dialogs);
        control.DefaultMedia.duration = 600;
        restart();
    }
    void TearDown() override {
        list.reset();
        Services::setDialogs(nullptr);
    }
    // A fresh controller on the same control, as after a restart of the program.
    void restart(bool saveVideoPosition = true, bool thinClient = false) {
        list.reset();
        events.clear();
        control.calls.clear();
        list = std::make_unique<clsPlayList>();
        list->cPlay().SetMediaPlayer(&control);
        list->SetWindowHost(&host);
        list->SetOptions({[=] { return saveVideoPosition; }, [=] { return thinClient; }});
        auto log = [this](const char* name) {
            return
                [this, name](const QString& a) { events << QString::fromLatin1(name) + ' ' + a; };
        };
        clsPlayList* pl = list.get();
        QObject::connect(pl, &clsPlayList::Done, [this] { events << "Done"; });
        QObject::connect(pl, &clsPlayList::VideoOpened, log("VideoOpened"));
        QObject::connect(pl, &clsPlayList::VideoStart, log("VideoStart"));
        QObject::connect(pl, &clsPlayList::VideoDone, log("VideoDone"));
        QObject::connect(pl, &clsPlayList::VideoPaused, log("VideoPaused"));
        QObject::connect(pl, &clsPlayList::VideoStopped, log("VideoStopped"));
        QObject::connect(pl, &clsPlayList::PositionChanged,
                         [this](const QString& a, const QString& b) {
                             events << "PositionChanged " + a + ' ' + b;
                         });
        QObject::connect(pl, &clsPlayList::FileNotFound, log("FileNotFound"));
        QObject::connect(pl, &clsPlayList::StatusMessage, log("StatusMessage"));
        QObject::connect(pl, &clsPlayList::ErrorMsg, log("ErrorMsg"));
        QObject::connect(pl, &clsPlayList::FirstFileAddedToPlaylist,
                         log("FirstFileAddedToPlaylist"));
        QObject::connect(pl, &clsPlayList::PlaylistShown, [this] { events << "PlaylistShown"; });
        QObject::connect(pl, &clsPlayList::PlaylistHidden, [this] { events << "PlaylistHidden"; });
    }

    QString media(const QString& name) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::Append));
        return path;
    }
    QString missing(const QString& name) const { return dir.filePath(name); }
    void add(const QStringList& files) {
        for (const QString& f : files) {
            list->Add(f, true);
        }
    }
    QStringList entries() const {
        QStringList out;
        for (const auto& e : list->cFiles()) {
            out << e->szFileName();
        }
        return out;
    }
    // The log lines of the named signals only.
    QStringList only(const QStringList& names) const {
        QStringList out;
        for (const QString& e : events) {
            if (names.contains(e.section(' ', 0, 0))) {
                out << e;
            }
        }
        return out;
    }
    int opens(const QString& file) const { return int(control.calls.count("Open " + file)); }

    QTemporaryDir dir;
    RecordingDialogs dialogs;
    SimulatedMediaControl control;
    RecordingWindowHost host;
    std::unique_ptr<clsPlayList> list;
    QStringList events;
};

} // namespace lumadeck::test
