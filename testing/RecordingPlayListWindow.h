#pragma once

#include "playlist/IPlayListWindow.h"
#include "playlist/clsPlayList.h"

#include <QStringList>
#include <utility>

namespace lumadeck::test {

// Window and host in one: records its calls; Reload reads the list back as the real one does.
class RecordingWindow : public IPlayListWindow, public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override {
        if (!loaded) {
            loaded = true;
            ++loads;
            calls.clear();
        }
        return *this;
    }
    bool IsLoaded() const override { return loaded; }
    void Unload() override { // like the real window's, it tells the controller
        if (std::exchange(loaded, false) && attached) {
            attached->SetbPLShown(false);
        }
    }
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
    void SetButtons() override {}
    void SetWindowVisible(bool visible) override {
        calls << QStringLiteral("Visible %1").arg(visible);
    }
    void ShowNormal() override { calls << "ShowNormal"; }
    void TakeFocus() override { calls << "TakeFocus"; }
    void MoveTo(int left, int top) override {
        calls << QStringLiteral("MoveTo %1,%2").arg(left).arg(top);
    }

    clsPlayList* attached = nullptr;
    QStringList calls, rows;
    bool loaded = false;
    int loads = 0;
};

} // namespace lumadeck::test
