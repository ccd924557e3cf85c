#pragma once

// The playlist window over a real controller on the simulated control, its surroundings recorded.
#include "platform/Services.h"
#include "playlist/PlayListModel.h"
#include "playlist/clsPlayList.h"
#include "playlist/frmPlaylist.h"
#include "skin/LabelButton.h"
#include "testing/RecordingDialogs.h"
#include "testing/RecordingPlayListPeers.h"
#include "testing/SimulatedMediaControl.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace lumadeck::test {

// The recorded surroundings; an answer to the files dialog may name several files, a line each.
struct PlaylistPeers : RecordingPlayListPeers {
    QStringList ShowOpenFilesDialog(const QString& filter, const QString& title) override {
        const QString chosen = dialog("open", filter, title, "");
        return chosen.isEmpty() ? QStringList() : chosen.split('\n');
    }
};

class PlaylistWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Services::setDialogs(&dialogs);
        frmPlaylist::SetPeers(&peers);
        control.DefaultMedia.duration = 600;
        list = std::make_unique<clsPlayList>();
        list->cPlay().SetMediaPlayer(&control);
        window = new frmPlaylist;
        window->Form_Load();
        peers.window = window;
        list->SetWindowHost(&peers);
        list->ShowPlayList(); // attaches the controller and shows the window
    }
    void TearDown() override {
        delete window.data();
        list.reset();
        frmPlaylist::SetPeers(nullptr);
        Services::setDialogs(nullptr);
    }

    QString media(const QString& name) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::Append));
        return f.fileName();
    }
    void fill(const QStringList& names) {
        for (const QString& n : names) {
            list->Add(media(n), true);
        }
    }
    // The controller's entries by title, or by full name.
    QStringList titles(int role = Qt::DisplayRole) const {
        QStringList out;
        for (const auto& e : list->cFiles()) {
            out << (role == Qt::DisplayRole ? e->szFileTitle() : e->szFileName());
        }
        return out;
    }
    // The window's rows (titles and the full names with them) are the controller's entries.
    void expectInStep() const {
        for (const int role : {int(Qt::DisplayRole), int(PlayListModel::FileNameRole)}) {
            QStringList rows;
            for (int r = 0; r < window->Model()->rowCount(); ++r) {
                rows << window->Model()->index(r).data(role).toString();
            }
            EXPECT_EQ(rows, titles(role));
        }
    }

    QPoint rowCentre(int row) const {
        return window->List()->visualRect(window->Model()->index(row)).center();
    }
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* viewport = window->List()->viewport();
        QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    void press(int row) {
        mouse(QEvent::MouseButtonPress, rowCentre(row), Qt::LeftButton, Qt::LeftButton);
    }
    void dragTo(QPoint pos) { mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
    void hover(QPoint pos) { mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton); }
    void release(QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
        mouse(QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
    }
    // "+" for each button given that is enabled, "-" for one that is not.
    QString enabled(std::initializer_list<PlayListButton> buttons) const {
        QString out;
        for (PlayListButton b : buttons) {
            out += window->Button(b)->isEnabled() ? '+' : '-';
        }
        return out;
    }

    QTemporaryDir dir;
    RecordingDialogs dialogs;
    PlaylistPeers peers;
    SimulatedMediaControl control;
    std::unique_ptr<clsPlayList> list;
    QPointer<frmPlaylist> window;
};

} // namespace lumadeck::test
