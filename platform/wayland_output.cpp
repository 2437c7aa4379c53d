// SPDX-License-Identifier: MIT
#include "platform/wayland_output.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QString>
#include <qpa/qplatformscreen.h>

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tintoral::platform {

namespace {

struct Output {
    wl_output *proxy = nullptr;
    std::int32_t x = 0, y = 0, transform = 0, width = 0, height = 0;
    std::string name;
};

void geometry(void *data, wl_output *, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
              std::int32_t, const char *, const char *, std::int32_t transform)
{
    auto *o = static_cast<Output *>(data);
    o->x = x;
    o->y = y;
    o->transform = transform;
}
void mode(void *data, wl_output *, std::uint32_t flags, std::int32_t w, std::int32_t h, std::int32_t)
{
    auto *o = static_cast<Output *>(data);
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        o->width = w;
        o->height = h;
    }
}
void done(void *, wl_output *) {}
void scale(void *, wl_output *, std::int32_t) {}
void name(void *data, wl_output *, const char *n) { static_cast<Output *>(data)->name = n; }
void description(void *, wl_output *, const char *) {}
const wl_output_listener outputListener{geometry, mode, done, scale, name, description};

void global(void *data, wl_registry *registry, std::uint32_t id, const char *interface,
            std::uint32_t version)
{
    if (std::strcmp(interface, wl_output_interface.name) != 0)
        return;
    auto &outputs = *static_cast<std::vector<std::unique_ptr<Output>> *>(data);
    auto &o = outputs.emplace_back(std::make_unique<Output>());
    o->proxy = static_cast<wl_output *>(
        wl_registry_bind(registry, id, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(o->proxy, &outputListener, o.get());
}
void globalRemove(void *, wl_registry *, std::uint32_t) {}
const wl_registry_listener registryListener{global, globalRemove};

} // namespace

namespace {
QSize askCompositor(const QScreen *screen)
{
    // A connection of our own: outputs bound on Qt's would also be named in
    // the enter events of Qt's surfaces, which Qt takes for its own.
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return {};
    wl_registry *registry = wl_display_get_registry(display);
    std::vector<std::unique_ptr<Output>> outputs;
    wl_registry_add_listener(registry, &registryListener, &outputs);
    const bool answered = wl_display_roundtrip(display) >= 0 && wl_display_roundtrip(display) >= 0;

    // By name where the compositor gives one, else by place in the layout.
    const QPoint at = screen->handle()->geometry().topLeft();
    const std::string wanted = screen->name().toStdString();
    QSize size;
    for (const auto &o : outputs) {
        const bool match = o->name.empty() ? QPoint(o->x, o->y) == at : o->name == wanted;
        if (answered && match && size.isEmpty() && o->width > 0 && o->height > 0)
            size = o->transform % 2 ? QSize(o->height, o->width) : QSize(o->width, o->height);
        if (wl_output_get_version(o->proxy) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(o->proxy);
        else
            wl_output_destroy(o->proxy);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return size;
}
} // namespace

QSize waylandOutputSize(const QScreen *screen)
{
    if (!screen || !screen->handle() || QGuiApplication::platformName() != QLatin1String("wayland"))
        return {};
    // Asked again only when Qt's view of the screen changes: the resolution
    // line reads it at every paint, and a round trip to the compositor there
    // would stall the window under load.
    struct Known {
        const QScreen *screen;
        QString name;
        QRect logical;
        double ratio;
        QSize size;
    };
    static std::vector<Known> known;
    const QPlatformScreen *native = screen->handle();
    for (const Known &k : known)
        if (k.screen == screen && k.name == screen->name() && k.logical == native->geometry()
            && k.ratio == native->devicePixelRatio())
            return k.size;
    std::erase_if(known, [screen](const Known &k) { return k.screen == screen; });
    return known.emplace_back(Known{screen, screen->name(), native->geometry(), native->devicePixelRatio(),
                                    askCompositor(screen)}).size;
}

} // namespace tintoral::platform
