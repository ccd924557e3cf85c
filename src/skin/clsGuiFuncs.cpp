#include "clsGuiFuncs.h"
#include "NetWmState.h"

#include "GradientForm.h"
#include "Pointer.h"
#include "Regions.h"
#include "WindowFlags.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QPolygon>
#include <QThread>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <vector>

namespace lumadeck {

namespace {

constexpr const char* SkinPictureProperty = "lumadeckSkinPicture";

// Releases the mouse from whichever widget holds it, as a window move
// started from a press must.
void releaseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
}

// Lets events run until the mouse buttons are up: the window system moves
// or sizes the window meanwhile.
void waitForRelease(const QPointer<QWidget>& window) {
    // Only an X server tells where the pointer is while another client
    // (the window manager) holds it; elsewhere the call returns at once.
    if (!Pointer::IsX11()) {
        return;
    }
    while (window && Pointer::Query().held) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
}

// Moves or sizes the window after the pointer until the buttons are up:
// `place` gives the window's geometry for the pointer's offset from where it
// started.
void followPointer(QWidget* window, const Pointer::State& start,
                   const std::function<QRect(QPoint)>& place) {
    QPointer<QWidget> guard(window);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!guard) {
            return;
        }
        const Pointer::State now = Pointer::Query();
        const QRect target = place(now.pos - start.pos);
        if (target != guard->geometry()) {
            guard->setGeometry(target);
        }
        if (!now.held) {
            QCoreApplication::processEvents();
            return;
        }
        QThread::msleep(5);
    }
}

// One row's runs of pixels that differ from the transparent colour, as
// pairs of start and end (exclusive).
void opaqueRuns(const QRgb* row, int width, QRgb transparent, std::vector<int>& runs) {
    runs.clear();
    int x = 0;
    while (x < width) {
        while (x < width && (row[x] & 0xFFFFFF) == transparent) {
            ++x;
        }
        if (x >= width) {
            break;
        }
        const int start = x;
        while (x < width && (row[x] & 0xFFFFFF) != transparent) {
            ++x;
        }
        runs.push_back(start);
        runs.push_back(x);
    }
}

// The geometry for a pointer offset when sizing from `edges`, within the
// window's limits.
QRect sized(const QRect& origin, Qt::Edges e, QPoint delta, QSize minimum, QSize maximum) {
    QRect r = origin;
    if (e & Qt::LeftEdge) {
        r.setLeft(std::min(origin.left() + delta.x(), origin.right() + 1 - minimum.width()));
    }
    if (e & Qt::RightEdge) {
        r.setRight(std::max(origin.right() + delta.x(), origin.left() + minimum.width() - 1));
    }
    if (e & Qt::TopEdge) {
        r.setTop(std::min(origin.top() + delta.y(), origin.bottom() + 1 - minimum.height()));
    }
    if (e & Qt::BottomEdge) {
        r.setBottom(std::max(origin.bottom() + delta.y(), origin.top() + minimum.height() - 1));
    }
    if (r.width() > maximum.width()) {
        (e & Qt::LeftEdge) ? r.setLeft(r.right() + 1 - maximum.width())
                           : r.setWidth(maximum.width());
    }
    if (r.height() > maximum.height()) {
        (e & Qt::TopEdge) ? r.setTop(r.bottom() + 1 - maximum.height())
                          : r.setHeight(maximum.height());
    }
    return r;
}

// Moves (no edges) or sizes the window of `f` with the mouse until the
// button is released: through the window system where it does that, else by
// following the pointer.
void moveOrSize(QWidget* f, std::optional<Qt::Edges> edges) {
    if (!f) {
        return;
    }
    QWidget* window = f->window();
    const Pointer::State start = Pointer::Query();
    if (!start.held) {
        return;
    }
    releaseCapture();
    QPointer<QWidget> guard(window);
    QWindow* handle = window->windowHandle();
    if (NetWmState::StartMoveResize(window, start.pos, edges) ||
        (!Pointer::IsX11() && handle &&
         (edges ? handle->startSystemResize(*edges) : handle->startSystemMove()))) {
        waitForRelease(guard);
        return;
    }
    if (!Pointer::IsX11()) {
        return; // nothing here can follow the pointer (offscreen, for one)
    }
    const QRect origin = window->geometry();
    const QSize minimum = window->minimumSize().expandedTo(QSize(1, 1));
    const QSize maximum = window->maximumSize();
    followPointer(window, start, [=](QPoint delta) {
        return edges ? sized(origin, *edges, delta, minimum, maximum) : origin.translated(delta);
    });
}

} // namespace

std::optional<QRegion> clsGuiFuncs::ShapeRegion(int w, int h, long Shape) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    switch (Shape) {
    case long(WindowShape::Ellipse):
        return Regions::RoundRect(w, h, w, h);
    case long(WindowShape::RoundRect):
        return Regions::RoundRect(w, h, 20, 20);
    case long(WindowShape::Diamond): {
        // Halves truncated toward zero, as the outline has always had them.
        const QPolygonF diamond(
            {QPointF(w / 2, 0), QPointF(0, h / 2), QPointF(w / 2, h), QPointF(w, h / 2)});
        return Regions::Polygon(diamond);
    }
    case long(WindowShape::Rectangle):
        return QRegion(0, 0, w, h);
    default:
        return std::nullopt;
    }
}

void clsGuiFuncs::SetWindowShape(QWidget* hWnd, long Shape) {
    if (!hWnd) {
        return;
    }
    const std::optional<QRegion> region = ShapeRegion(hWnd->width(), hWnd->height(), Shape);
    if (region && !region->isEmpty()) {
        hWnd->setMask(*region);
    } else {
        hWnd->clearMask();
    }
}

QRegion clsGuiFuncs::GetBitmapRegion(const QImage& cPicture, const QColor& cTransparent) {
    if (cPicture.isNull()) {
        return {};
    }
    const QImage image =
        (cPicture.format() == QImage::Format_RGB32 || cPicture.format() == QImage::Format_ARGB32)
            ? cPicture
            : cPicture.convertToFormat(QImage::Format_RGB32);
    const QRgb transparent = cTransparent.rgb() & 0xFFFFFF;
    const int w = image.width();
    const int h = image.height();

    // Rows with the same runs as the row above widen the band above instead
    // of starting one: the rectangles come out in the banded order a region
    // keeps, so they are handed over as they are.
    std::vector<QRect> rects;
    std::vector<int> runs;
    std::vector<int> bandRuns;
    size_t bandBegin = 0;
    bool haveBand = false;
    for (int y = 0; y < h; ++y) {
        opaqueRuns(reinterpret_cast<const QRgb*>(image.constScanLine(y)), w, transparent, runs);
        if (haveBand && runs == bandRuns && !runs.empty()) {
            for (size_t i = bandBegin; i < rects.size(); ++i) {
                rects[i].setBottom(y);
            }
            continue;
        }
        bandBegin = rects.size();
        for (size_t i = 0; i < runs.size(); i += 2) {
            rects.emplace_back(QPoint(runs[i], y), QPoint(runs[i + 1] - 1, y));
        }
        bandRuns.swap(runs);
        haveBand = !bandRuns.empty();
    }
    QRegion region;
    if (!rects.empty()) {
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    }
    return region;
}

void clsGuiFuncs::SetSkinPicture(QWidget* cc, const QImage& picture) {
    if (cc) {
        cc->setProperty(SkinPictureProperty, picture);
    }
}

QImage clsGuiFuncs::SkinPicture(const QWidget* cc) {
    if (!cc) {
        return {};
    }
    const QVariant own = cc->property(SkinPictureProperty);
    if (own.canConvert<QImage>() && !own.value<QImage>().isNull()) {
        return own.value<QImage>();
    }
    return cc->palette().brush(QPalette::Window).textureImage();
}

void clsGuiFuncs::SetRegion(QWidget* cc, const QColor& cTransparent) {
    if (!cc) {
        return;
    }
    const QRegion region = GetBitmapRegion(SkinPicture(cc), cTransparent);
    if (region.isEmpty()) {
        cc->clearMask();
    } else {
        cc->setMask(region);
    }
}

void clsGuiFuncs::DragOBJ(QWidget* f) {
    moveOrSize(f, std::nullopt);
}

std::optional<Qt::Edges> clsGuiFuncs::EdgesFor(const QString& act) {
    const QString code = act.toUpper();
    if (code == "T") {
        return Qt::TopEdge;
    }
    if (code == "B") {
        return Qt::BottomEdge;
    }
    if (code == "L") {
        return Qt::LeftEdge;
    }
    if (code == "R") {
        return Qt::RightEdge;
    }
    if (code == "TL") {
        return Qt::TopEdge | Qt::LeftEdge;
    }
    if (code == "TR") {
        return Qt::TopEdge | Qt::RightEdge;
    }
    if (code == "BL") {
        return Qt::BottomEdge | Qt::LeftEdge;
    }
    if (code == "BR") {
        return Qt::BottomEdge | Qt::RightEdge;
    }
    return std::nullopt;
}

void clsGuiFuncs::SizeOBJ(QWidget* f, const QString& act) {
    const std::optional<Qt::Edges> edges = EdgesFor(act);
    if (edges) {
        moveOrSize(f, edges);
    }
}

void clsGuiFuncs::FormOnTop(QWidget* ff, long flag) {
    if (!ff || (flag != 0 && flag != 1)) {
        return;
    }
    QWidget* window = ff->window();
    const bool quiet = window->testAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    WindowFlags::Set(window, Qt::WindowStaysOnTopHint, flag == 1);
    window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
}

bool clsGuiFuncs::CanPlaceWindows() {
    return !QGuiApplication::platformName().startsWith("wayland");
}

namespace {

// Puts a window's frame corner in place once the window manager has framed
// it: a hidden window's frame is not known, so it is first placed by its
// inner corner and moved by the frame's size when that is known. Gives up
// after a while, as a window that never gets a frame needs no correction and
// a later move is the user's.
class FramePlacer : public QObject {
public:
    FramePlacer(QWidget* window, QPoint target) : QObject(window), m_target(target) {
        window->installEventFilter(this);
        QTimer::singleShot(10000, this, [this] { deleteLater(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The frame's size arrives with no event of its own (with the
        // window's activation, say): any event after it will do.
        auto* window = qobject_cast<QWidget*>(watched);
        if (window && event->type() != QEvent::Paint && window->isVisible() &&
            window->frameGeometry() != window->geometry()) {
            window->removeEventFilter(this);
            if (window->frameGeometry().topLeft() != m_target) {
                window->move(m_target);
            }
            deleteLater();
        }
        return false;
    }

private:
    QPoint m_target;
};

} // namespace

namespace {
// Set on a window that Minimise handed to a compositor that reports nothing
// back about it.
constexpr char kSentAway[] = "lumadeckMinimisedUnseen";
} // namespace

void clsGuiFuncs::Minimise(QWidget* window) {
    if (!window) {
        return;
    }
    window = window->window();
    if (!CanPlaceWindows()) {
        window->setProperty(kSentAway, true);
    }
    window->showMinimized();
}

void clsGuiFuncs::BringBack(QWidget* window) {
    if (!window) {
        return;
    }
    window = window->window();
    if (window->property(kSentAway).toBool() && window->isVisible()) {
        // Shown anew: only a window sent away, as this makes a new native
        // window of it.
        window->setProperty(kSentAway, false);
        window->hide();
        window->show();
    } else if (window->isMinimized()) {
        window->showNormal();
    }
    window->raise();
    window->activateWindow();
}

bool clsGuiFuncs::WindowSystemCutsShapes() {
    return CanPlaceWindows();
}

void clsGuiFuncs::PlaceFrame(QWidget* window, QPoint frameTopLeft) {
    if (!window || !CanPlaceWindows()) {
        return;
    }
    window = window->window();
    for (QObject* child : window->children()) {
        if (auto* earlier = dynamic_cast<FramePlacer*>(child)) {
            window->removeEventFilter(earlier);
            earlier->deleteLater();
        }
    }
    // A shown window whose frame is known is placed by it at once.
    window->move(frameTopLeft);
    const bool framed = !(window->windowFlags() & Qt::FramelessWindowHint);
    if (framed && (!window->isVisible() || window->frameGeometry() == window->geometry())) {
        new FramePlacer(window, frameTopLeft);
    }
}

void clsGuiFuncs::RedrawForm(QWidget* form, long Red, long Green, long Blue, long lGradient) {
    GradientForm::PaintGradient(form, Red, Green, Blue, lGradient);
}

} // namespace lumadeck
