#pragma once

#include <QImage>
#include <QSize>

class QWidget;

namespace lumadeck::GradientForm {

// The gradient background for a form of the given size in pixels: one colour
// band every two pixel rows from the top, the channel chosen by lGradient
// (0 red, 1 green, 2 blue, anything else none) rising by one per band from its
// start value and held at 255. Each start value is |value mod 256|.
QImage GradientImage(QSize size, long Red, long Green, long Blue, long lGradient);

// Paints that gradient into the form's persistent background, so that later
// repaints show it without painting it again. Does nothing for a null form.
void PaintGradient(QWidget* form, long Red, long Green, long Blue, long lGradient);

} // namespace lumadeck::GradientForm
