#include "player/VideoSinkChoice.h"

namespace lumadeck {

bool IsSoftwareGlRenderer(const QString& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

QString ChooseVideoSink(const VideoSinkFacts& facts) {
    const QString forced = facts.forced.trimmed();
    if (!forced.isEmpty()) {
        return forced;
    }
    if (facts.glWorks && !facts.glRenderer.trimmed().isEmpty() &&
        !IsSoftwareGlRenderer(facts.glRenderer)) {
        return QStringLiteral("glimagesink");
    }
    return facts.xvPorts ? QStringLiteral("xvimagesink") : QStringLiteral("ximagesink");
}

bool SinkNeedsScaling(const QString& sinkName) {
    return sinkName == QLatin1String("ximagesink");
}

} // namespace lumadeck
