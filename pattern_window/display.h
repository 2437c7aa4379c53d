// SPDX-License-Identifier: MIT
#pragma once

#include "pattern_window/pattern_state.h"
#include "pattern_window/window_services.h"
#include "platform/raster_surface.h"

#include <cstdint>
#include <functional>

namespace tintoral {

// The full-screen pattern window: its pattern state, its handlers and the
// dispatcher that draws the current test. It draws through the platform
// services it is given and knows nothing of the toolkit.
class Display {
public:
    // `launcher` reaches the selection window, loading it on first use.
    Display(PatternWindowHost &window, TimerControl &timer,
            std::function<SelectionWindowLink &()> launcher);

    PatternState state;
    TimerControl &Timer1;

    void Form_Load();
    // Records the window's geometry, then redraws.
    void Form_Paint();
    void Form_Resize();
    // The orbit switch, then one renderer from the mode table.
    void drawCurrentMire();
    // A character key typed in the window (Enter 13, Escape 27, Space 32).
    void Form_KeyPress(std::int16_t &KeyAscii);
    // A mouse button released over the window; 2 is the right button.
    void Form_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Timer1_Timer();

    // Device size of the frame as recorded at the last paint.
    int frameWidth() const { return frameWidth_; }
    int frameHeight() const { return frameHeight_; }

private:
    PatternWindowHost &window_;
    std::function<SelectionWindowLink &()> launcher_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    // Kept across redraws, so that a redraw allocates nothing.
    RasterSurface::Workspace raster_;
};

} // namespace tintoral
