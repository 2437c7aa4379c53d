// SPDX-License-Identifier: MIT
#include "pattern_window/display.h"

#include "pattern_window/key_map.h"
#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"

namespace tintoral {

Display::Display(PatternWindowHost &window, TimerControl &timer,
                 std::function<SelectionWindowLink &()> launcher)
    : Timer1(timer), window_(window), launcher_(std::move(launcher))
{
}

void Display::Form_Load()
{
    state = PatternState{};
    Timer1.setEnabled(false);
    Timer1.setInterval(500);
}

void Display::Form_Paint()
{
    const WindowGeometry g = window_.geometry();
    frameWidth_ = g.width;
    frameHeight_ = g.height;
    state.twipsPerPixelX = g.twipsPerPixelX;
    state.twipsPerPixelY = g.twipsPerPixelY;
    state.formWidth = static_cast<float>(double(g.width) * double(g.twipsPerPixelX));
    state.formHeight = static_cast<float>(double(g.height) * double(g.twipsPerPixelY));
    drawCurrentMire();
}

void Display::Form_Resize() { Form_Paint(); }

void Display::drawCurrentMire()
{
    SelectionWindowLink &launcher = launcher_();
    if (launcher.orbitingValue() == 1 && !launcher.isVisible()) {
        Timer1.setEnabled(true);
    } else {
        state.orbitX = 0.0f;
        state.orbitY = 0.0f;
    }

    const FrameBuffer f = window_.frame(frameWidth_, frameHeight_);
    if (!f.pixels)
        return;
    RasterSurface surface(f.pixels, f.width, f.height, f.stride, state.twipsPerPixelX,
                          state.twipsPerPixelY, raster_);
    drawMode(state, surface);
    surface.finish();
    window_.present();
}

void Display::Form_KeyPress(std::int16_t &KeyAscii)
{
    if (KeyAscii == kKeyEscape) {
        launcher_().showWithFocus();
        window_.doEvents();
        drawCurrentMire();
    }
    KeyAscii = keyAlias(KeyAscii);
    applyModeKey(state, KeyAscii);
    drawCurrentMire();
}

void Display::Form_MouseUp(std::int16_t Button, std::int16_t, float, float)
{
    if (Button == 2) {
        std::int16_t escape = kKeyEscape;
        Form_KeyPress(escape);
    }
}

void Display::Timer1_Timer()
{
    advanceOrbit(state);
    drawCurrentMire();
}

} // namespace tintoral
