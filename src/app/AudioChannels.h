#pragma once

#include "player/MediaCodes.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QMenu;

namespace lumadeck {

class MediaControl;

// The stereo channel chosen for each disc, kept in the registry under
// HKEY_CURRENT_USER\Software\Lumadeck Channels beside the saved positions
// (and not cleared with them): one value per disc, named by the disc's
// label, or by the folder for files on no disc, holding 1 (left) or 2
// (right). Stereo is the absence of a value.
namespace mdlGlobals {

inline const QString ChannelsKey = QStringLiteral("Software\\Lumadeck Channels");

// The name a file's choice is kept under: the label of the disc (a Video CD
// in a drive, an image, or a mounted image) it is on, else its folder; ""
// for a name that is not an absolute path.
QString ChannelDiscName(const QString& fileName);
// The choice kept for the disc of a file (Stereo when none).
AudioChannelCode StoredAudioChannel(const QString& fileName);
// Keeps the choice for the disc of a file.
void StoreAudioChannel(const QString& fileName, AudioChannelCode channel);

} // namespace mdlGlobals

// The "Audio Channel" submenu: "Stereo", "Left Channel" and "Right
// Channel", the one in use checked. A choice switches the control at once
// and is kept for the disc of the open file; opening a file restores the
// choice kept for its disc.
class AudioChannelMenu : public QObject {
    Q_OBJECT
public:
    AudioChannelMenu(QMenu* parentMenu, MediaControl* control, QObject* parent = nullptr);

    QMenu* Menu() const { return m_menu; }
    // Chooses as the menu does.
    void Choose(AudioChannelCode channel);

private:
    void restore();
    void sync();

    QMenu* m_menu = nullptr;
    QAction* m_items[3] = {};
    QPointer<MediaControl> m_control;
};

} // namespace lumadeck
