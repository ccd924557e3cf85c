#include "AudioChannels.h"

#include "SavedPositions.h"
#include "cd/DiscPath.h"
#include "cd/DriveServices.h"
#include "platform/cRegistry.h"
#include "player/MediaControl.h"

#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace lumadeck {

namespace mdlGlobals {

namespace {

cRegistry& channelsAt(const QString& discName) {
    cRegistry& reg = PositionRegistry();
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(ChannelsKey);
    reg.SetValueKey(discName);
    return reg;
}

} // namespace

QString ChannelDiscName(const QString& fileName) {
    if (!QDir::isAbsolutePath(fileName)) {
        return {};
    }
    const QString clean = QDir::cleanPath(fileName);
    // A label names a disc only on a disc: a labelled hard disk or stick
    // holds many folders of unrelated files.
    if (SplitDiscPath(clean) || !apifuncs::GetDriveOfPath(clean).isEmpty()) {
        if (const auto volume = VolumeLookup().VolumeOf(clean);
            volume && !volume->label.isEmpty()) {
            return volume->label;
        }
    }
    return QFileInfo(clean).path();
}

AudioChannelCode StoredAudioChannel(const QString& fileName) {
    const QString disc = ChannelDiscName(fileName);
    if (disc.isEmpty()) {
        return AudioChannelCode::Stereo;
    }
    cRegistry& reg = channelsAt(disc);
    reg.SetDefault(0);
    reg.SetValueType(REG_DWORD);
    const QVariant value = reg.Value();
    const int stored = value.typeId() == QMetaType::Int ? value.toInt() : 0;
    return stored == 1 || stored == 2 ? AudioChannelCode(stored) : AudioChannelCode::Stereo;
}

void StoreAudioChannel(const QString& fileName, AudioChannelCode channel) {
    const QString disc = ChannelDiscName(fileName);
    if (disc.isEmpty()) {
        return;
    }
    cRegistry& reg = channelsAt(disc);
    if (channel == AudioChannelCode::Stereo) {
        reg.DeleteValue();
        return;
    }
    reg.SetValueType(REG_DWORD);
    reg.SetValue(int(channel));
}

} // namespace mdlGlobals

AudioChannelMenu::AudioChannelMenu(QMenu* parentMenu, MediaControl* control, QObject* parent)
    : QObject(parent), m_control(control) {
    m_menu = parentMenu->addMenu(QStringLiteral("Audio Channel"));
    m_menu->setObjectName(QStringLiteral("mnuAudioChannel"));
    auto* group = new QActionGroup(m_menu);
    const char* captions[3] = {"Stereo", "Left Channel", "Right Channel"};
    for (int i = 0; i < 3; ++i) {
        m_items[i] = m_menu->addAction(QString::fromLatin1(captions[i]), this,
                                       [this, i] { Choose(AudioChannelCode(i)); });
        m_items[i]->setCheckable(true);
        group->addAction(m_items[i]);
    }
    m_menu->setEnabled(control != nullptr);
    if (control) {
        connect(control, &MediaControl::OpenStateChange, this,
                [this](OpenStateCode, OpenStateCode now) {
                    if (now == OpenStateCode::Open) {
                        restore();
                    }
                });
    }
    sync();
}

void AudioChannelMenu::Choose(AudioChannelCode channel) {
    if (m_control && m_control->SetAudioChannel(channel)) {
        mdlGlobals::StoreAudioChannel(m_control->FileName(), channel);
    }
    sync();
}

void AudioChannelMenu::restore() {
    if (m_control) {
        m_control->SetAudioChannel(mdlGlobals::StoredAudioChannel(m_control->FileName()));
    }
    sync();
}

void AudioChannelMenu::sync() {
    const int now = m_control ? int(m_control->AudioChannel()) : 0;
    for (int i = 0; i < 3; ++i) {
        m_items[i]->setChecked(i == now);
    }
}

} // namespace lumadeck
