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

namespace {

// Mesa's reading of a yes/no variable.
bool isYes(const QString& value) {
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("y") ||
           v == QLatin1String("yes");
}

} // namespace

DisplayGl JudgeDisplayGl(const DisplayGlFacts& facts) {
    if (!facts.glx) {
        return DisplayGl::Missing;
    }
    const QString gallium = facts.galliumDriver.trimmed().toLower();
    if (isYes(facts.alwaysSoftware) || gallium == QLatin1String("llvmpipe") ||
        gallium == QLatin1String("softpipe") || gallium == QLatin1String("swr")) {
        return DisplayGl::Software;
    }
    if (!facts.dri3 && !facts.dri2 && !facts.vendorGlx) {
        return DisplayGl::Software;
    }
    return DisplayGl::Unknown;
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
