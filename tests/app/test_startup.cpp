// The start-up sequence and the end of the program, with the real windows on
// the offscreen platform and an in-memory settings store.
#include "app/Forms.h"
#include "app/frmLumadeck.h"
#include "app/mdlGlobals.h"
#include "cd/DriveServices.h"
#include "cd/FolderDriveServices.h"
#include "cd/mdlCDNotify.h"
#include "platform/MemorySettingsStore.h"
#include "platform/Services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>

using namespace lumadeck;
namespace g = lumadeck::mdlGlobals;

namespace {

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        Services::setSettings(&store);
        DriveServices::setCurrent(&drives);
    }
    void TearDown() override {
        if (Forms::Lumadeck.isLoaded()) {
            Forms::Lumadeck->bUnloadingThinClient = true;
            Forms::Lumadeck->close();
        }
        Forms::ThinPlayer.unload();
        Forms::Splash.unload();
        flushDeletes();
        DriveServices::setCurrent(nullptr);
        Services::setSettings(nullptr);
    }

    void stored(const QString& key, const QString& value) {
        store.values.insert(MemorySettingsStore::path("Lumadeck", "Options", key), value);
    }
    QString saved(const QString& key) const {
        return store.values.value(MemorySettingsStore::path("Lumadeck", "Options", key),
                                  "<absent>");
    }

    MemorySettingsStore store;
    FolderDriveServices drives;
};

} // namespace

TEST_F(StartupTest, StepsRunInOrderWithTheSplashUpWhileTheMainWindowLoads) {
    mdlCDNotify::bHooked = true;
    QStringList steps;
    bool splashShownDuringLoad = false;
    bool optionsLoadedBeforeSplash = false;
    bool flagClearedFirst = false;
    stored("ThinClient", "False");
    g::ThinClient = true; // LoadSettings must put this right before the splash shows
    g::Main([&](const QString& step) {
        steps.append(step);
        if (step == "LoadSettings") {
            flagClearedFirst = !mdlCDNotify::bHooked;
        }
        if (step == "ShowSplash") {
            optionsLoadedBeforeSplash = !g::ThinClient;
        }
        if (step == "LoadMainWindow") {
            splashShownDuringLoad = Forms::Splash.isLoaded() && Forms::Splash->isVisible();
        }
    });
    EXPECT_EQ(steps,
              QStringList({"ClearCDNotifyFlag", "LoadSettings", "ShowSplash", "ProcessEvents",
                           "LoadThinPlayer", "LoadMainWindow", "UnloadSplash"}));
    EXPECT_TRUE(flagClearedFirst);
    EXPECT_TRUE(mdlCDNotify::bHooked); // the main window asked for notification again
    EXPECT_TRUE(optionsLoadedBeforeSplash);
    EXPECT_TRUE(splashShownDuringLoad);
    EXPECT_FALSE(Forms::Splash.isLoaded());
}

TEST_F(StartupTest, FirstStartShowsTheClassicWindow) {
    g::Main();
    ASSERT_TRUE(Forms::Lumadeck.isLoaded());
    EXPECT_TRUE(Forms::Lumadeck->isVisible());
    EXPECT_EQ(Forms::Lumadeck->windowTitle(), "Lumadeck Player.");
    ASSERT_TRUE(Forms::ThinPlayer.isLoaded());
    EXPECT_FALSE(Forms::ThinPlayer->isVisible());
    EXPECT_FALSE(Forms::Lumadeck->bSearching);
}

TEST_F(StartupTest, CompactModeShowsOnlyTheCompactWindow) {
    stored("ThinClient", "True");
    g::Main();
    ASSERT_TRUE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::Lumadeck->isVisible());
    ASSERT_TRUE(Forms::ThinPlayer.isLoaded());
    EXPECT_TRUE(Forms::ThinPlayer->isVisible());
}

TEST_F(StartupTest, ClosingTheMainWindowSavesTheOptionsOnceAndEndsEverything) {
    g::Main();
    store.writes.clear();
    g::ShowControlsOnFullScreen = false;
    EXPECT_TRUE(Forms::Lumadeck->close());
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    EXPECT_EQ(store.writes, QStringList({"EnableCDNotify", "SaveVideoPosition",
                                         "ShowControlsOnFullScreen", "DisplaySize", "ThinClient"}));
    EXPECT_EQ(saved("ShowControlsOnFullScreen"), "False");
    EXPECT_EQ(saved("EnableCDNotify"), "True");
}

TEST_F(StartupTest, InCompactModeTheVideoWindowsCloseOnlyHidesIt) {
    stored("ThinClient", "True");
    g::Main();
    Forms::Lumadeck->show();
    store.writes.clear();
    EXPECT_FALSE(Forms::Lumadeck->close());
    EXPECT_TRUE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::Lumadeck->isVisible());
    EXPECT_TRUE(store.writes.isEmpty());

    // Closing the compact window ends the program and keeps the mode.
    Forms::ThinPlayer->close();
    flushDeletes();
    EXPECT_FALSE(Forms::Lumadeck.isLoaded());
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    EXPECT_EQ(saved("ThinClient"), "True");
}

TEST_F(StartupTest, WindowsAreCreatedAfreshAfterAnUnload) {
    frmThinPlayer* first = &Forms::ThinPlayer.get();
    EXPECT_EQ(first, &Forms::ThinPlayer.get());
    Forms::ThinPlayer.unload();
    flushDeletes();
    EXPECT_FALSE(Forms::ThinPlayer.isLoaded());
    Forms::ThinPlayer.get();
    EXPECT_TRUE(Forms::ThinPlayer.isLoaded());
}
