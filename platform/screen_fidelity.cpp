// SPDX-License-Identifier: MIT
#include "platform/screen_fidelity.h"

#include "platform/screen_metrics.h"
#include "platform/wayland_output.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWindow>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tintoral::platform {

ScreenFidelity judgeFidelity(const ScreenFacts &f)
{
    QStringList why;
    if (f.depth < 24)
        why << QStringLiteral("This screen has %1 bits per pixel and rounds the colours: "
                              "set it to 24 bits for exact colours.")
                   .arg(f.depth);
    if (f.throughXwayland)
        why << QStringLiteral("Running through Xwayland, where the desktop may scale the "
                              "patterns: run tintoral on Wayland itself (needs qt6-wayland).");
    else if (!f.shown.isEmpty() && f.drawn != f.shown) {
        const long percent = f.logicalWidth > 0 ? std::lround(100 * f.shown.width() / f.logicalWidth) : 0;
        if (percent % 100 != 0)
            why << QStringLiteral("The desktop scales this screen to %1 %: patterns are not "
                                  "pixel-exact. Set it to 100 % or 200 %.")
                       .arg(percent);
        else // Qt kept the scale the screen had when the window opened
            why << QStringLiteral("The desktop rescales what tintoral draws on this screen: "
                                  "patterns are not pixel-exact. Restart tintoral.");
    }
    return {why.isEmpty(), why.join(QLatin1Char(' '))};
}

namespace {

// Xwayland names its outputs XWAYLAND0, XWAYLAND1, ... (newer ones also
// offer an XWAYLAND extension). A Wayland socket in the environment proves
// nothing: Qt falls back to X11 when no compositor answers there.
bool throughXwayland(const QScreen *screen)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return false;
    if (screen->name().startsWith(QLatin1String("XWAYLAND")))
        return true;
    xcb_connection_t *c = x11->connection();
    constexpr const char *name = "XWAYLAND";
    xcb_query_extension_reply_t *r = xcb_query_extension_reply(
        c, xcb_query_extension(c, std::uint16_t(std::strlen(name)), name), nullptr);
    const bool present = r && r->present;
    std::free(r);
    return present;
}

// The ratio Qt draws windows on this screen at: a shown window's own where
// there is one (Qt may draw at a fractional scale of the output's), else the
// screen's.
double nativeRatio(const QScreen *screen)
{
    for (const QWindow *w : QGuiApplication::topLevelWindows())
        if (w->isVisible() && w->screen() == screen && w->handle())
            return w->handle()->devicePixelRatio();
    return screen->handle()->devicePixelRatio();
}

} // namespace

ScreenFidelity screenFidelity(const QScreen *screen)
{
    if (!screen || !screen->handle())
        return {};
    ScreenFacts f;
    f.depth = screen->depth();
    f.throughXwayland = throughXwayland(screen);
    const QSize logical = screen->handle()->geometry().size();
    const double r = nativeRatio(screen);
    f.drawn = QSize(int(std::lround(logical.width() * r)), int(std::lround(logical.height() * r)));
    f.shown = waylandOutputSize(screen);
    f.logicalWidth = logical.width();
    return judgeFidelity(f);
}

bool showsTrueColour(const QScreen *screen) { return !screen || screen->depth() >= 15; }

} // namespace tintoral::platform
