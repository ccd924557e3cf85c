#include "SkinArt.h"

#include "platform/DataFiles.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QSet>
#include <algorithm>
#include <cstdio>

namespace lumadeck::SkinArt {

QColor FallbackColour() {
    return QColor(72, 40, 48);
}

QString DoubleSizeName(const QString& name) {
    const qsizetype dot = name.lastIndexOf('.');
    const qsizetype slash = name.lastIndexOf('/');
    return dot > slash ? name.left(dot) + "@2x" + name.mid(dot) : name + "@2x";
}

qreal ScreenRatio() {
    return qGuiApp ? std::max<qreal>(1.0, qGuiApp->devicePixelRatio()) : 1.0;
}

QPixmap Load(const QString& name, QSize fallbackSize, const QColor& fallback, qreal ratio) {
    if (ratio <= 0) {
        ratio = ScreenRatio();
    }
    if (ratio > 1) {
        QImage doubled = QImageReader(DataFiles::Path(DoubleSizeName(name))).read();
        if (!doubled.isNull()) {
            doubled.setDevicePixelRatio(2);
            return QPixmap::fromImage(doubled);
        }
    }
    const QString path = DataFiles::Path(name);
    QImageReader reader(path);
    const QImage image = reader.read();
    if (!image.isNull()) {
        return QPixmap::fromImage(image);
    }
    static QSet<QString> reported;
    if (!reported.contains(path)) {
        reported.insert(path);
        std::fprintf(
            stderr,
            "lumadeck: skin picture %s could not be read (%s); a plain colour is shown instead\n",
            qPrintable(path), qPrintable(reader.errorString()));
    }
    QPixmap plain(fallbackSize.isValid() && !fallbackSize.isEmpty() ? fallbackSize : QSize(1, 1));
    plain.fill(fallback);
    return plain;
}

bool Exists(const QString& name) {
    return QImageReader(DataFiles::Path(name)).canRead();
}

} // namespace lumadeck::SkinArt
