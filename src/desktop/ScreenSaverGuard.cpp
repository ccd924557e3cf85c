#include "desktop/ScreenSaverGuard.h"

#include "desktop/IScreenSaver.h"
#include "player/MediaControl.h"

namespace lumadeck {

const QString ScreenSaverGuard::ApplicationName = QStringLiteral("Lumadeck Player");
const QString ScreenSaverGuard::Reason = QStringLiteral("Playing a video");

ScreenSaverGuard::ScreenSaverGuard(IScreenSaver& screenSaver, QObject* parent)
    : QObject(parent), m_screenSaver(screenSaver) {}

ScreenSaverGuard::~ScreenSaverGuard() {
    if (m_inhibiting) {
        m_screenSaver.UnInhibit();
    }
}

void ScreenSaverGuard::Watch(MediaControl* control) {
    if (m_control) {
        m_control->disconnect(this);
    }
    m_control = control;
    if (control) {
        connect(control, &MediaControl::PlayStateChange, this, &ScreenSaverGuard::update);
        connect(control, &MediaControl::OpenStateChange, this, &ScreenSaverGuard::update);
        // A widget reports its destruction before its guards are cleared:
        // forget it at once rather than ask it anything.
        connect(control, &QObject::destroyed, this, [this] {
            m_control = nullptr;
            update();
        });
    }
    update();
}

void ScreenSaverGuard::update() {
    MediaControl* c = m_control.data();
    const bool picturePlaying = c && c->OpenState() == OpenStateCode::Open &&
                                c->PlayState() == PlayStateCode::Playing &&
                                c->ImageSourceWidth() > 0 && c->ImageSourceHeight() > 0;
    if (picturePlaying == m_inhibiting) {
        return;
    }
    m_inhibiting = picturePlaying;
    if (picturePlaying) {
        m_screenSaver.Inhibit(ApplicationName, Reason);
    } else {
        m_screenSaver.UnInhibit();
    }
}

} // namespace lumadeck
