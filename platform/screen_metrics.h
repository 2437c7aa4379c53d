// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace tintoral::platform {

// Twips in one device pixel of a screen: 1440 / (logical dots per inch x
// device pixel ratio), so that one twip-to-pixel step is one device pixel at
// any display scale.
// A window passes the ratio Qt draws it at, which may be a fraction of the
// screen's where Qt draws at a fractional scale; 0 takes the screen's.
double twipsPerPixelX(const QScreen *screen, double ratio = 0);
double twipsPerPixelY(const QScreen *screen, double ratio = 0);

// The screen's size in device pixels.
QSize screenDeviceSize(const QScreen *screen);
// Its place on the desktop and its size, in device pixels.
QRect screenDeviceGeometry(const QScreen *screen);

// The client area of a top-level widget in device pixels, from the window
// system's own geometry times its own ratio (not Qt's logical size times the
// whole ratio, which rounding can make one pixel too large at fractional
// scales).
QSize windowDeviceSize(const QWidget *widget);

} // namespace tintoral::platform
