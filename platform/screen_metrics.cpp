// SPDX-License-Identifier: MIT
#include "platform/screen_metrics.h"

#include "platform/wayland_output.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

#include <cmath>

namespace tintoral::platform {

namespace {
double twipsPerPixel(double logicalDpi, double ratio)
{
    const double t = 1440.0 / (logicalDpi * ratio);
    return std::isfinite(t) && t > 0.0 ? t : 15.0;
}
// The window system's own geometry is in device pixels on X11 (ratio 1 there:
// Qt's scale factor sits above it) but in logical pixels on Wayland, where the
// output's scale is the native ratio; the ratio need not be a whole number.
QSize scaled(QSize size, double ratio)
{
    return {int(std::lround(size.width() * ratio)), int(std::lround(size.height() * ratio))};
}
} // namespace

double twipsPerPixelX(const QScreen *screen, double ratio)
{
    return screen ? twipsPerPixel(screen->logicalDotsPerInchX(), ratio > 0 ? ratio : screen->devicePixelRatio())
                  : 15.0;
}

double twipsPerPixelY(const QScreen *screen, double ratio)
{
    return screen ? twipsPerPixel(screen->logicalDotsPerInchY(), ratio > 0 ? ratio : screen->devicePixelRatio())
                  : 15.0;
}

QSize screenDeviceSize(const QScreen *screen)
{
    if (!screen)
        return {};
    // Where the compositor tells the output's own mode, that is the size: Qt
    // up to 6.4 rounds a fractional scale up to a whole one, and its logical
    // size times that ratio is the size it draws at, not the screen's.
    if (const QSize output = waylandOutputSize(screen); !output.isEmpty())
        return output;
    if (const QPlatformScreen *native = screen->handle())
        return scaled(native->geometry().size(), native->devicePixelRatio());
    return scaled(screen->size(), screen->devicePixelRatio());
}

QSize windowDeviceSize(const QWidget *widget)
{
    const QWindow *window = widget->windowHandle();
    if (window && window->handle())
        return scaled(window->handle()->geometry().size(), window->handle()->devicePixelRatio());
    return scaled(widget->size(), widget->devicePixelRatioF());
}

QRect screenDeviceGeometry(const QScreen *screen)
{
    if (!screen)
        return {};
    // The window system's own position: device pixels on X11 (where its ratio
    // is 1), logical ones on Wayland, taken times the output's scale there.
    const QPlatformScreen *native = screen->handle();
    const QPoint at = native ? native->geometry().topLeft() : screen->geometry().topLeft();
    const double r = native ? native->devicePixelRatio() : screen->devicePixelRatio();
    return {QPoint(int(std::lround(at.x() * r)), int(std::lround(at.y() * r))), screenDeviceSize(screen)};
}

} // namespace tintoral::platform
