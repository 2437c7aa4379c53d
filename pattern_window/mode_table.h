// SPDX-License-Identifier: MIT
#pragma once

#include "pattern_window/pattern_state.h"
#include "platform/drawing_surface.h"

#include <cstdint>
#include <span>

namespace tintoral {

using RendererCall = void (*)(PatternState &, DrawingSurface &);

// One row per mode code: the test it shows and the one renderer call that
// draws it. The dispatcher, the selection window, the render tool and the
// tests all read this table.
struct ModeEntry {
    std::int32_t code;
    const char *name;     // the test shown
    const char *reveals;  // what it shows up on a display
    RendererCall draw;
};

std::span<const ModeEntry> modeTable();

// The row of `code`, or nullptr for a code outside the table.
const ModeEntry *findMode(std::int32_t code);

// Draws the current mode with one renderer call; a code outside the table
// draws nothing. Returns whether anything was called.
bool drawMode(PatternState &s, DrawingSurface &d);

// Which selection button (element of the button array) chooses which mode code.
std::int32_t modeForButton(int index);
constexpr int kButtonCount = 24;

} // namespace tintoral
