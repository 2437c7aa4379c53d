// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace tintoral {

// Everything that selects and tunes the pattern, with the types and load
// values the pattern window starts with. The keys keep each tuning value in
// the range given beside it.
struct PatternState {
    std::int16_t nbBox = 16;       // 2..255: intensity steps of the shadings
    std::int16_t nbBoxGeo = 24;    // 4..50: rows of the geometry grid
    std::int16_t nbPoints = 25;    // 5..70: density of dots, crosses and test card
    std::int16_t halfMode = 0;     // 0 or 1: half intensity
    std::int16_t currentColor = 0; // 0..7: colour and spacing of the line gratings
    std::int16_t blackLevel = 1;   // 1..64: grey of the adjustable darkest grey
    std::int16_t altMode = 0;      // 0 or 1: alternate arrangement of the crosses
    std::int32_t currentMode = 0;  // the mode code: which test is shown
    std::int16_t TimerStep = 0;    // 0..7: next position of the orbit cycle

    // Geometry recorded at the last paint, in twips.
    float formWidth = 0.0f;
    float formHeight = 0.0f;
    float twipsPerPixelX = 15.0f;
    float twipsPerPixelY = 15.0f;
    // The orbit shift: 0 or plus or minus one pixel on each axis, in twips.
    float orbitX = 0.0f;
    float orbitY = 0.0f;
};

} // namespace tintoral
