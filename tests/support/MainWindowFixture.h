#pragma once

// A main window on the offscreen platform, built from the test doubles.
#include "app/AppEnvironment.h"
#include "app/Forms.h"
#include "app/ProgramWindows.h"
#include "app/frmLumadeck.h"
#include "app/mdlGlobals.h"
#include "cd/DriveServices.h"
#include "cd/mdlCDNotify.h"
#include "platform/DataFiles.h"
#include "platform/Services.h"
#include "player/TagTimer.h"
#include "player/clsPlayVideo.h"
#include "player/frmCodecs.h"
#include "playlist/clsPlayList.h"
#include "testing/FolderDriveServices.h"
#include "testing/MemorySettingsStore.h"
#include "testing/QtPrinters.h"
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
#include <QTextDocument>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace lumadeck::test {

inline QStringList entries(frmLumadeck& w) {
    QStringList names;
    for (const auto& entry : w.cPlayList()->cFiles()) {
        names << entry->szFileName();
    }
    return names;
}

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

// What a label shows: its characters, or what its markup renders to.
inline QString shown(const QLabel* label) {
    if (label->textFormat() != Qt::RichText &&
        (label->textFormat() != Qt::AutoText || !Qt::mightBeRichText(label->text()))) {
        return label->text();
    }
    QTextDocument doc;
    doc.setHtml(label->text());
    return doc.toPlainText();
}

// A label showing these characters as they are, and as wide as they are.
inline void expectLiteral(const QLabel* label, const QString& text) {
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text() == text && shown(label) == text) << shown(label).toStdString();
    EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(text));
}

// Markup's <img src="/dev/zero"> reads until memory runs out: bounded, the test fails instead.
inline void boundMemory() {
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit limit{rlim_t(2) << 30, rlim_t(2) << 30};
    setrlimit(RLIMIT_AS, &limit);
#endif
}
inline const QString kMarkup = QStringLiteral(R"(<b>x</b><img src="/dev/zero">)");

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
inline void runOnTick(frmLumadeck& w, const QString& tag) {
    timer(w)->Tag = tag;
    w.Timer1_Timer();
}
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

    frmLumadeck& start() {
        mdlGlobals::Main();
        return *Forms::Lumadeck.ifLoaded();
    }

    static QString option(const QString& key) {
        return MemorySettingsStore::path("Lumadeck", "Options", key);
    }
    void stored(const QString& key, const QString& value) {
        store.values.insert(option(key), value);
    }
    QString saved(const QString& key) const { return store.values.value(option(key), "<absent>"); }

    QString file(const QString& relative, qint64 size = 10) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size));
        return path;
    }
    QString playlist(const QString& name, const QStringList& files) {
        const QString path = dir.filePath(name);
        QFile m3u(path);
        EXPECT_TRUE(m3u.open(QIODevice::WriteOnly) &&
                    m3u.write((files.join("\r\n") + "\r\n").toUtf8()) > 0);
        return path;
    }
    // Real files (the player skips missing ones) the simulated control plays or fails to open.
    QString clip(const QString& relative, const QString& title = {},
                 const QString& description = {}) {
        SimulatedMedia media;
        media.title = title;
        media.description = description;
        return scripted(relative, media);
    }
    QString failing(const QString& relative, const QString& error) {
        SimulatedMedia media;
        media.failWhileOpening = true;
        media.errorCode = 5;
        media.errorDescription = error;
        return scripted(relative, media);
    }
    QString scripted(const QString& relative, const SimulatedMedia& media) {
        const QString path = file(relative);
        control->Script(path, media);
        return path;
    }

    MemorySettingsStore store;
    RecordingDialogs dialogs;
    RecordingOpener opener;
    FolderDriveServices drives;
    // The doubles serve the program until the fixture ends, TearDown included.
    ServicesGuard services{{&store, &dialogs, &opener, &drives}};
    QTemporaryDir dir;
    SimulatedMediaControl* control = nullptr;
};

// The main window with the program's playlist and codec windows installed.
class ProgramWindowsFixture : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        m_windows.Install(Environment());
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        Forms::Codecs.unload();
        flushDeletes();
    }
    ProgramWindows m_windows;
};

} // namespace lumadeck::test
