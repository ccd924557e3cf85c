#pragma once

#include <QObject>
#include <QPointer>

namespace lumadeck {

class IScreenSaver;
class MediaControl;

// Keeps the screen from blanking while a clip with a picture plays: asks
// the screen saver when the control starts playing a clip that has a
// picture, and withdraws on pause, stop, the end of the file, a sound-only
// clip, and when the control or this guard goes away.
class ScreenSaverGuard : public QObject {
    Q_OBJECT
public:
    static const QString ApplicationName; // "Lumadeck Player"
    static const QString Reason;          // "Playing a video"

    explicit ScreenSaverGuard(IScreenSaver& screenSaver, QObject* parent = nullptr);
    ~ScreenSaverGuard() override;

    // Follows this control (nullptr: none).
    void Watch(MediaControl* control);
    bool Inhibiting() const { return m_inhibiting; }

private:
    void update();

    IScreenSaver& m_screenSaver;
    QPointer<MediaControl> m_control;
    bool m_inhibiting = false;
};

} // namespace lumadeck
