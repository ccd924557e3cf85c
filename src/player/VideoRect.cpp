#include "player/VideoRect.h"

#include <QSizeF>
#include <algorithm>

namespace lumadeck {

QRect VideoRect(const QRect& area, const QSize& source, DisplaySizeCode displaySize,
                const QSize& screen) {
    if (source.width() <= 0 || source.height() <= 0 || area.isEmpty()) {
        return area;
    }
    QSizeF want(source);
    switch (displaySize) {
    case DisplaySizeCode::Half:
        want *= 0.5;
        break;
    case DisplaySizeCode::Double:
        want *= 2;
        break;
    case DisplaySizeCode::FullScreen:
    case DisplaySizeCode::FitToWindow:
        want = QSizeF(area.size());
        break;
    case DisplaySizeCode::OneSixteenthScreen:
        want = QSizeF(screen.width() / 16.0, screen.height() / 16.0);
        break;
    case DisplaySizeCode::OneFourthScreen:
        want = QSizeF(screen.width() / 4.0, screen.height() / 4.0);
        break;
    case DisplaySizeCode::OneHalfScreen:
        want = QSizeF(screen.width() / 2.0, screen.height() / 2.0);
        break;
    default:
        break;
    }
    // Keep the picture's shape and never spill out of the area.
    QSizeF shaped(source);
    shaped.scale(want.boundedTo(QSizeF(area.size())), Qt::KeepAspectRatio);
    const QSize size(std::max(1, int(shaped.width())), std::max(1, int(shaped.height())));
    return QRect(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
}

} // namespace lumadeck
