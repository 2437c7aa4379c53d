// SPDX-License-Identifier: MIT
#include "platform/window_manager.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace tintoral::platform {

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

// The window named by the WINDOW property `a` of `w`, or none.
xcb_window_t windowProperty(xcb_connection_t *c, xcb_window_t w, xcb_atom_t a)
{
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, a, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t v = XCB_WINDOW_NONE;
    if (r && r->type == XCB_ATOM_WINDOW && r->format == 32 && xcb_get_property_value_length(r) == 4)
        v = *static_cast<const xcb_window_t *>(xcb_get_property_value(r));
    std::free(r);
    return v;
}

} // namespace

bool fullScreenIsManaged()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return true;
    xcb_connection_t *c = x11->connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    if (!screen || check == XCB_ATOM_NONE)
        return false;
    // The root names a window of the manager's, which names itself; a stale
    // root property left by a manager that is gone names a window no more.
    const xcb_window_t wm = windowProperty(c, screen->root, check);
    return wm != XCB_WINDOW_NONE && windowProperty(c, wm, check) == wm;
}

} // namespace tintoral::platform
