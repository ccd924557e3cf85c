#pragma once

// Shared pieces of the controller tests: a recording playlist window, a
// window host that loads and unloads it, and a fixture with real files on
// disk, a simulated media control and recording dialogs.
#include "platform/RecordingDialogs.h"
#include "platform/Services.h"
#include "player/SimulatedMediaControl.h"
#include "playlist/clsPlayList.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace lumadeck::test {

// Records every call as a line of text; Reload reads the controller's list
// back as the real window does.
class RecordingWindow : public IPlayListWindow {
public:
    void ShowPlayList(clsPlayList& playList) override {
        attached = &playList;
        calls << QStringLiteral("ShowPlayList");
        Reload();
    }
    void Reload() override {
        ++reloads;
        rows.clear();
        if (attached) {
            for (const auto& entry : attached->cFiles()) {
                rows << entry->szFileTitle();
            }
        }
        calls << QStringLiteral("Reload %1").arg(rows.size());
        SetCurrent();
    }
    void SetCurrent() override {
        const long index = attached ? attached->CurrentFileIndex() : -1;
        // Like a list box: an index beyond the rows leaves the selection.
        if (index < rows.size()) {
            selected = index;
        }
        calls << QStringLiteral("SetCurrent %1").arg(index);
    }
    void SetWindowVisible(bool visible) override {
        calls << QStringLiteral("Visible %1").arg(visible);
    }
    void ShowNormal() override { calls << QStringLiteral("ShowNormal"); }
    void TakeFocus() override { calls << QStringLiteral("TakeFocus"); }
    void MoveTo(int left, int top) override {
        calls << QStringLiteral("MoveTo %1,%2").arg(left).arg(top);
    }

    clsPlayList* attached = nullptr;
    QStringList calls;
    QStringList rows;
    long selected = -1;
    int reloads = 0;
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
        if (!window) {
            return;
        }
        ++unloads;
        // The window's own unload steps tell its controller it is gone.
        clsPlayList* controller = window->attached;
        window.reset();
        if (controller) {
            controller->SetbPLShown(false);
        }
    }
    RecordingWindow* loaded() const { return window.get(); }

    std::unique_ptr<RecordingWindow> window;
    int loads = 0;
    int unloads = 0;
};

class PlayListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Services::setDialogs(&dialogs);
        control.SetDelivery(SimulatedMediaControl::Delivery::Immediate);
        list = std::make_unique<clsPlayList>();
        list->cPlay().SetMediaPlayer(&control);
        list->SetWindowHost(&host);
        listen(*list);
    }
    void TearDown() override {
        list.reset();
        Services::setDialogs(nullptr);
    }

    // Records the controller's signals as "Name argument" lines.
    void listen(clsPlayList& pl) {
        auto one = [this](const char* name) {
            return
                [this, name](const QString& a) { events << QString::fromLatin1(name) + ' ' + a; };
        };
        QObject::connect(&pl, &clsPlayList::Done, [this] { events << "Done"; });
        QObject::connect(&pl, &clsPlayList::VideoOpened, one("VideoOpened"));
        QObject::connect(&pl, &clsPlayList::VideoStart, one("VideoStart"));
        QObject::connect(&pl, &clsPlayList::VideoDone, one("VideoDone"));
        QObject::connect(&pl, &clsPlayList::VideoPaused, one("VideoPaused"));
        QObject::connect(&pl, &clsPlayList::VideoStopped, one("VideoStopped"));
        QObject::connect(&pl, &clsPlayList::PositionChanged,
                         [this](const QString& a, const QString& b) {
                             events << "PositionChanged " + a + ' ' + b;
                         });
        QObject::connect(&pl, &clsPlayList::FileNotFound, one("FileNotFound"));
        QObject::connect(&pl, &clsPlayList::StatusMessage, one("StatusMessage"));
        QObject::connect(&pl, &clsPlayList::ErrorMsg, one("ErrorMsg"));
        QObject::connect(&pl, &clsPlayList::FirstFileAddedToPlaylist,
                         one("FirstFileAddedToPlaylist"));
        QObject::connect(&pl, &clsPlayList::PlaylistShown, [this] { events << "PlaylistShown"; });
        QObject::connect(&pl, &clsPlayList::PlaylistHidden, [this] { events << "PlaylistHidden"; });
    }

    // A media file that exists on disk (the player looks before it opens).
    QString media(const QString& name) {
        const QString path = dir.filePath(name);
        if (!QFile::exists(path)) {
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
        return path;
    }
    // A name in the same folder that does not exist.
    QString missing(const QString& name) const { return dir.filePath(name); }

    QStringList entries() const {
        QStringList out;
        for (const auto& e : list->cFiles()) {
            out << e->szFileName();
        }
        return out;
    }
    // Only the lines of the log that start with one of the given names.
    QStringList only(const QStringList& names) const {
        QStringList out;
        for (const QString& e : events) {
            if (names.contains(e.section(' ', 0, 0))) {
                out << e;
            }
        }
        return out;
    }
    int opens(const QString& file) const {
        return int(control.calls.count(QStringLiteral("Open ") + file));
    }

    QTemporaryDir dir;
    RecordingDialogs dialogs;
    SimulatedMediaControl control;
    RecordingWindowHost host;
    std::unique_ptr<clsPlayList> list;
    QStringList events;
};

} // namespace lumadeck::test
