#include "GradientForm.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

namespace lumadeck::GradientForm {

namespace {

int startValue(long v) {
    return static_cast<int>(std::labs(v % 256));
}

} // namespace

QImage GradientImage(QSize size, long Red, long Green, long Blue, long lGradient) {
    if (size.isEmpty()) {
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    const int r = startValue(Red);
    const int g = startValue(Green);
    const int b = startValue(Blue);
    const int n = size.height();
    QPainter painter(&image);
    for (int k = 0; k <= n && 2 * k < size.height(); ++k) {
        int rr = r;
        int gg = g;
        int bb = b;
        switch (lGradient) {
        case 0:
            rr = std::min(255, r + k);
            break;
        case 1:
            gg = std::min(255, g + k);
            break;
        case 2:
            bb = std::min(255, b + k);
            break;
        default:
            break;
        }
        painter.fillRect(0, 2 * k, size.width(), 2, QColor(rr, gg, bb));
    }
    return image;
}

void PaintGradient(QWidget* form, long Red, long Green, long Blue, long lGradient) {
    if (!form) {
        return;
    }
    const QImage image = GradientImage(form->size(), Red, Green, Blue, lGradient);
    if (image.isNull()) {
        return;
    }
    QPalette palette = form->palette();
    palette.setBrush(QPalette::Window, QBrush(image));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
}

} // namespace lumadeck::GradientForm
