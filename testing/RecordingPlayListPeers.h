#pragma once

#include "playlist/IPlayListWindowPeers.h"
#include "playlist/clsPlayList.h"
#include "playlist/frmPlaylist.h"

#include <QPointer>
#include <QRect>
#include <QStringList>
#include <optional>

namespace lumadeck::test {

// The window's surroundings (popups, dialogs, the compact window) and host, recorded.
class RecordingPlayListPeers : public IPlayListWindowPeers, public IPlayListWindowHost {
public:
    IPlayListWindow& Window() override { return *window; }
    bool IsLoaded() const override { return !window.isNull(); }
    void Unload() override {
        if (window) {
            window->Form_Unload();
        }
    }
    bool CompactMode() const override { return compact; }
    std::optional<QRect> CompactWindowFrame() const override { return compactFrame; }
    void CompactWindowKey(int key, Qt::KeyboardModifiers modifiers) override {
        keys << QStringLiteral("%1/%2").arg(key).arg(int(modifiers));
    }
    void LoadHelper(frmPlaylist&) override { calls << "LoadHelper"; }
    void UnloadHelper() override { calls << "UnloadHelper"; }
    void PopupFromCD(const QPoint&) override { calls << "PopupFromCD"; }
    void PopupPlayControl(const QPoint&, bool play, bool pause, bool stop) override {
        calls << QStringLiteral("PopupPlayControl %1%2%3").arg(play).arg(pause).arg(stop);
    }
    QString MediaFileFilter() const override { return "Media|*.mpg"; }
    bool IsMediaExtension(const QString& ext) const override {
        return ext.compare("mpg", Qt::CaseInsensitive) == 0;
    }
    QString ShowOpenDialog(const QString& filter, const QString& title,
                           const QString& ext) override {
        return dialog("open", filter, title, ext);
    }
    QString ShowSaveDialog(const QString& filter, const QString& title,
                           const QString& ext) override {
        return dialog("save", filter, title, ext);
    }
    QString dialog(const QString& kind, const QString& filter, const QString& title,
                   const QString& ext) {
        calls << QStringList{kind, title, filter, ext}.join(" | ");
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    bool compact = false;
    std::optional<QRect> compactFrame;
    QStringList answers, calls, keys;
    QPointer<frmPlaylist> window;
};

} // namespace lumadeck::test
