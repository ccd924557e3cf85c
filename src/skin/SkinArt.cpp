#include "SkinArt.h"

#include "platform/DataFiles.h"

#include <QImageReader>
#include <QSet>
#include <cstdio>

namespace lumadeck::SkinArt {

QColor FallbackColour() {
    return QColor(72, 40, 48);
}

QPixmap Load(const QString& name, QSize fallbackSize, const QColor& fallback) {
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
