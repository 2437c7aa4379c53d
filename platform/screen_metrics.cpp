#include "platform/screen_metrics.h"

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
} // namespace

double twipsPerPixelX(const QScreen *screen)
{
    return screen ? twipsPerPixel(screen->logicalDotsPerInchX(), screen->devicePixelRatio()) : 15.0;
}

double twipsPerPixelY(const QScreen *screen)
{
    return screen ? twipsPerPixel(screen->logicalDotsPerInchY(), screen->devicePixelRatio()) : 15.0;
}

QSize screenDeviceSize(const QScreen *screen)
{
    if (!screen)
        return {};
    if (const QPlatformScreen *native = screen->handle())
        return native->geometry().size();
    const double r = screen->devicePixelRatio();
    return {int(std::lround(screen->size().width() * r)), int(std::lround(screen->size().height() * r))};
}

QSize windowDeviceSize(const QWidget *widget)
{
    const QWindow *window = widget->windowHandle();
    if (window && window->handle())
        return window->handle()->geometry().size();
    const double r = widget->devicePixelRatioF();
    return {int(std::lround(widget->width() * r)), int(std::lround(widget->height() * r))};
}

} // namespace tintoral::platform

namespace tintoral::platform {

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
