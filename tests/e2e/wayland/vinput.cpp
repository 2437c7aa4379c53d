// SPDX-License-Identifier: MIT
// One virtual keyboard and one virtual pointer on the compositor's seat for a
// whole test run: a keyboard made per key loses keys that arrive before the
// client has its keymap, and the seat's cursor commands need a pointer device.
// Reads lines of key names (X keysym names) on standard input, presses and
// releases each key, and answers "ok" once the compositor has taken them, or
// "error: ...".
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {
wl_seat *seat;
zwp_virtual_keyboard_manager_v1 *keyboards;
zwlr_virtual_pointer_manager_v1 *pointers;

template <typename T> void bindIf(wl_registry *r, uint32_t name, const char *iface, const wl_interface &want, T *&out) {
    if (!strcmp(iface, want.name)) out = static_cast<T *>(wl_registry_bind(r, name, &want, 1));
}
void global(void *, wl_registry *r, uint32_t name, const char *iface, uint32_t) {
    bindIf(r, name, iface, wl_seat_interface, seat);
    bindIf(r, name, iface, zwp_virtual_keyboard_manager_v1_interface, keyboards);
    bindIf(r, name, iface, zwlr_virtual_pointer_manager_v1_interface, pointers);
}
const wl_registry_listener registryListener{global, [](void *, wl_registry *, uint32_t) {}};

uint32_t now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
} // namespace

int main() {
    wl_display *display = wl_display_connect(nullptr);
    if (!display) return std::cerr << "vinput: no Wayland display\n", 1;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!seat || !keyboards || !pointers) return std::cerr << "vinput: the compositor lacks virtual input\n", 1;
    auto *keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards, seat);
    zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, seat);

    // Each key the tests type has a key code of its own, so none needs a modifier.
    std::vector<std::string> names;
    std::istringstream keys("Escape Return space Tab BackSpace plus minus slash asterisk Up Down Left Right "
                            "a b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9");
    for (std::string key; keys >> key;) names.push_back(key);
    std::string codes, symbols;
    for (size_t i = 0; i < names.size(); ++i) {
        codes += "<K" + std::to_string(i) + "> = " + std::to_string(i + 9) + ";";
        symbols += "key <K" + std::to_string(i) + "> {[" + names[i] + "]};";
    }
    const std::string keymap = "xkb_keymap { xkb_keycodes \"v\" { minimum = 8; maximum = 255; " + codes +
                               " }; xkb_types \"v\" { include \"complete\" }; xkb_compatibility \"v\" { include "
                               "\"complete\" }; xkb_symbols \"v\" { " + symbols + " }; };";
    const int fd = memfd_create("keymap", 0);
    if (fd < 0 || write(fd, keymap.c_str(), keymap.size() + 1) != static_cast<ssize_t>(keymap.size() + 1))
        return std::cerr << "vinput: cannot write the keymap\n", 1;
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, keymap.size() + 1);
    if (wl_display_roundtrip(display) < 0) return std::cerr << "vinput: the compositor refused the devices\n", 1;
    close(fd);
    std::cout << "ready" << std::endl;

    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream in(line);
        std::string error;
        for (std::string name; error.empty() && in >> name;) {
            const auto at = std::find(names.begin(), names.end(), name);
            if (at == names.end()) error = "error: no key " + name;
            for (uint32_t state : {1, 0})
                if (error.empty()) {
                    zwp_virtual_keyboard_v1_key(keyboard, now(), at - names.begin() + 1, state);
                    wl_display_roundtrip(display);
                }
        }
        if (wl_display_roundtrip(display) < 0) return std::cerr << "vinput: the compositor closed the connection\n", 1;
        std::cout << (error.empty() ? "ok" : error) << std::endl;
    }
}
