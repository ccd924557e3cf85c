#pragma once

// A main window on the offscreen platform, built from test doubles: the
// simulated media control, drives that are folders, recorded dialogs and an
// in-memory settings store.
#include "app/AppEnvironment.h"
#include "app/Forms.h"
#include "app/frmLumadeck.h"
#include "app/mdlGlobals.h"
#include "cd/DriveServices.h"
#include "cd/mdlCDNotify.h"
#include "platform/DataFiles.h"
#include "platform/Services.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"
#include "playlist/clsPlayList.h"
#include "testing/FolderDriveServices.h"
#include "testing/MemorySettingsStore.h"
#include "testing/RecordingDialogs.h"
#include "testing/RecordingOpener.h"
#include "testing/ServicesGuard.h"
#include "testing/SimulatedMediaControl.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

namespace lumadeck::test {

inline void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The texts of menu items, "-" for a separator; only the visible ones if asked.
inline QStringList texts(const QList<QAction*>& actions, bool visibleOnly = false) {
    QStringList out;
    for (QAction* a : actions) {
        if (!visibleOnly || a->isVisible()) {
            out.append(a->isSeparator() ? "-" : a->text());
        }
    }
    return out;
}

// The main window's controls, found by their object names.
template <typename T> T* named(const QObject& w, const QString& name) {
    T* found = w.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no " << name.toStdString();
    return found;
}
inline QAction* action(const QObject& w, const QString& name) {
    return named<QAction>(w, name);
}
inline QMenu* menu(const QObject& w, const QString& name) {
    return named<QMenu>(w, name);
}
inline QLabel* label(const QObject& w, const QString& name) {
    return named<QLabel>(w, name);
}
inline TagTimer* timer(const QObject& w) {
    return named<TagTimer>(w, "Timer1");
}
// Drive menu n (0 to 3) of the main window's menu bar or the helper's popup.
inline QMenu* driveMenu(const QObject& w, int n) {
    return named<QMenu>(w, QString("mnuDrive%1").arg(n + 1));
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        DataFiles::SetFolder(dir.filePath("program"));
        QDir().mkpath(dir.filePath("program"));
        Environment().createMediaControl = [this](QWidget* parent) -> MediaControl* {
            control = new SimulatedMediaControl(parent);
            control->SetDelivery(SimulatedMediaControl::Delivery::Immediate);
            return control;
        };
        Environment().positions = nullptr;
        stored("EnableCDNotify", "False");
    }

    void TearDown() override {
        if (Forms::Lumadeck.isLoaded()) {
            Forms::Lumadeck->ExitProgram();
        }
        Forms::Lumadeck.unload(); // a search in progress keeps it open
        Forms::ThinPlayer.unload();
        Forms::Splash.unload();
        Forms::Helper.unload();
        flushDeletes();
        Environment() = AppEnvironment{};
        DataFiles::SetFolder({});
        QLocale::setDefault(QLocale::system());
    }

    // Starts the program as the entry procedure does.
    frmLumadeck& start() {
        mdlGlobals::Main();
        return *Forms::Lumadeck.ifLoaded();
    }

    void stored(const QString& key, const QString& value) {
        store.values.insert(MemorySettingsStore::path("Lumadeck", "Options", key), value);
    }
    QString saved(const QString& key) const {
        return store.values.value(MemorySettingsStore::path("Lumadeck", "Options", key),
                                  "<absent>");
    }

    // A real file (the player skips files that do not exist).
    QString file(const QString& relative, qint64 size = 10) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.resize(size);
        return path;
    }
    // A real file the simulated control plays with this title and description.
    QString clip(const QString& relative, const QString& title = {},
                 const QString& description = {}) {
        const QString path = file(relative);
        SimulatedMedia media;
        media.title = title;
        media.description = description;
        control->Script(path, media);
        return path;
    }

    MemorySettingsStore store;
    RecordingDialogs dialogs;
    RecordingOpener opener;
    FolderDriveServices drives;
    // The doubles above are the program's services from construction to
    // destruction of the fixture, so also while TearDown closes the windows.
    ServicesGuard services{{&store, &dialogs, &opener, &drives}};
    QTemporaryDir dir;
    SimulatedMediaControl* control = nullptr;
};

} // namespace lumadeck::test
