#include "SavedPositions.h"

#include "mdlGlobals.h"
#include "platform/IDialogs.h"
#include "platform/Services.h"
#include "platform/cRegistry.h"
#include "player/MediaControl.h"

#include <QDir>
#include <QLocale>
#include <cmath>

namespace lumadeck {

std::optional<VolumeInfo> MountTableVolumeLookup::VolumeOf(const QString& absolutePath) {
    return VolumeOfPath(absolutePath);
}

void SavedPositionStore::SavePosition(PlayStateCode oldState, PlayStateCode newState,
                                      MediaControl& control) {
    mdlGlobals::SavePosition(oldState, newState, control);
}

void SavedPositionStore::RestorePosition(MediaControl& control) {
    mdlGlobals::RestorePosition(control);
}

namespace mdlGlobals {

namespace {

const QString CurrPos = QStringLiteral("CurrPos");
const QString MaxPos = QStringLiteral("MaxPos");

cRegistry* g_registry = nullptr;
IVolumeLookup* g_volumes = nullptr;

// The number a stored text stands for; 0 when it is none.
double storedNumber(const QVariant& value) {
    bool ok = false;
    double d = 0;
    if (value.typeId() == QMetaType::QString) {
        d = value.toString().trimmed().toDouble(&ok);
    } else if (value.typeId() == QMetaType::Int) {
        d = value.toDouble(&ok);
    }
    return ok && std::isfinite(d) ? d : 0;
}

// Addresses the key of a file's position for the next registry operation.
cRegistry& positionAt(const QString& key) {
    cRegistry& reg = PositionRegistry();
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(key);
    reg.SetValueKey(QString());
    return reg;
}

} // namespace

cRegistry& PositionRegistry() {
    if (g_registry) {
        return *g_registry;
    }
    // Kept to the very end: a player destroyed late in the program's exit
    // still stores its file's position.
    static cRegistry* const own = new cRegistry();
    return *own;
}

void SetPositionRegistry(cRegistry* registry) {
    g_registry = registry;
}

IVolumeLookup& VolumeLookup() {
    if (g_volumes) {
        return *g_volumes;
    }
    static MountTableVolumeLookup mountTable;
    return mountTable;
}

void SetVolumeLookup(IVolumeLookup* lookup) {
    g_volumes = lookup;
}

QString PositionText(double seconds) {
    return QString::number(seconds, 'g', QLocale::FloatingPointShortest);
}

QString PositionKey(const QString& fileName) {
    if (!fileName.startsWith(QLatin1Char('/'))) {
        return {};
    }
    const QString path = QDir::cleanPath(fileName);
    QString mountPoint = QStringLiteral("/");
    QString label;
    if (const auto volume = VolumeLookup().VolumeOf(path)) {
        mountPoint = volume->mountPoint;
        label = volume->label;
    }
    QString rest;
    if (mountPoint == QLatin1String("/")) {
        rest = path.mid(1);
    } else if (path.startsWith(mountPoint + QLatin1Char('/'))) {
        rest = path.mid(mountPoint.size() + 1);
    } else if (path == mountPoint) {
        return {};
    } else {
        // A mount point that does not hold the file: keep it apart from
        // every labelled disc.
        rest = path.mid(1);
        label.clear();
    }
    if (rest.isEmpty() || rest.contains(QLatin1Char('\\')) || label.contains(QLatin1Char('\\'))) {
        return {};
    }
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return PositionsKey + QLatin1Char('\\') + rest + QLatin1Char('\\') + label;
}

void SavePosition(PlayStateCode /*oldState*/, PlayStateCode newState, MediaControl& control) {
    if (newState != PlayStateCode::Paused && newState != PlayStateCode::Closing) {
        return;
    }
    const QString key = PositionKey(control.FileName());
    if (key.isEmpty()) {
        return;
    }
    const double position = control.CurrentPosition();
    const double duration = control.Duration();
    // Without a length nothing could be resumed, and a control that is
    // already closing the file may answer 0 for both: leave the entry alone
    // rather than forget a position saved while the file was open.
    if (!std::isfinite(position) || !std::isfinite(duration) || duration <= 0) {
        return;
    }
    cRegistry& reg = positionAt(key);
    if (position == 0 || position == duration) {
        // Forget the position. Only the two values and then the key if
        // nothing else is left in it: the key of a file on an unlabelled
        // filesystem is also the parent of the same path's labelled discs.
        reg.SetValueKey(CurrPos);
        reg.DeleteValue();
        reg.SetValueKey(MaxPos);
        reg.DeleteValue();
        reg.DeleteKeyIfEmpty();
        return;
    }
    reg.SetValueType(REG_SZ);
    reg.SetValueKey(CurrPos);
    reg.SetValue(PositionText(position));
    reg.SetValueKey(MaxPos);
    reg.SetValue(PositionText(duration));
}

void RestorePosition(MediaControl& control) {
    if (!SaveVideoPosition) {
        return;
    }
    const QString key = PositionKey(control.FileName());
    if (key.isEmpty()) {
        return;
    }
    cRegistry& reg = positionAt(key);
    reg.SetDefault(0);
    reg.SetValueType(REG_SZ);
    reg.SetValueKey(CurrPos);
    const double current = storedNumber(reg.Value());
    if (!(current > 0)) {
        return;
    }
    reg.SetValueKey(MaxPos);
    const double saved = storedNumber(reg.Value());
    // A different length means a different file under the same name (another
    // disc with the same label, or a changed file).
    if (PositionText(saved) != PositionText(control.Duration())) {
        return;
    }
    if (current < saved) {
        control.SetCurrentPosition(current);
    }
}

void ClearSavedPositions() {
    cRegistry& reg = positionAt(PositionsKey);
    reg.DeleteKey();
}

bool ConfirmClearSavedPositions(QWidget* owner) {
    const MsgAnswer answer = Services::dialogs().MessageBox(
        owner, ClearPositionsTitle, ClearPositionsText, MsgIcon::None, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes) {
        return false;
    }
    ClearSavedPositions();
    return true;
}

} // namespace mdlGlobals

} // namespace lumadeck
