#pragma once

// The rest of the program as the compact window sees it: menus of one item
// each, and the about window and playlist window recorded or stood in for.
#include "skin/IThinPlayerPeers.h"

#include <QList>
#include <QMenu>
#include <QWidget>
#include <memory>
#include <vector>

namespace lumadeck::test {

class RecordingThinPlayerPeers : public IThinPlayerPeers {
public:
    RecordingThinPlayerPeers() {
        for (const char* title : {"&File", "&Options", "&View", "&Play List", "&Help"}) {
            menus.push_back(std::make_unique<QMenu>(title));
            menus.back()->addAction("item");
        }
    }
    QMenu* MainMenu(int Index) override {
        return Index >= 0 && Index < int(menus.size()) ? menus[Index].get() : nullptr;
    }
    void ShowAppropriateForm() override {}
    void ShowAboutFrom(QWidget* owner) override { aboutOwners.append(owner); }
    bool PlaylistShown() const override { return plShown; }
    QWidget* PlaylistWindow() override { return playlist.get(); }

    std::vector<std::unique_ptr<QMenu>> menus;
    QList<QWidget*> aboutOwners;
    bool plShown = false;
    std::unique_ptr<QWidget> playlist;
};

} // namespace lumadeck::test
