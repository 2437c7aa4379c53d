#pragma once

#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace tintoral::platform {

// Twips in one device pixel of a screen: 1440 / (logical dots per inch x
// device pixel ratio), so that one twip-to-pixel step is one device pixel at
// any display scale.
double twipsPerPixelX(const QScreen *screen);
double twipsPerPixelY(const QScreen *screen);

// The screen's size in device pixels.
QSize screenDeviceSize(const QScreen *screen);
// Its place on the desktop and its size, in device pixels.
QRect screenDeviceGeometry(const QScreen *screen);

// The client area of a top-level widget in device pixels, as the window
// system has it (not the logical size times the ratio, which rounding can
// make one pixel too large at fractional scales).
QSize windowDeviceSize(const QWidget *widget);

} // namespace tintoral::platform
