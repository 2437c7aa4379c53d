// SPDX-License-Identifier: MIT
#pragma once

#include "pattern_window/pattern_state.h"

#include <cstdint>

namespace tintoral {

// Character codes that reach the key handler.
constexpr std::int16_t kKeyEnter = 13;
constexpr std::int16_t kKeyEscape = 27;
constexpr std::int16_t kKeySpace = 32;

// "m" and "M" become "+", "p" and "P" become "-", ":" becomes "/"; others stay.
std::int16_t keyAlias(std::int16_t keyAscii);

// Applies a key (after its alias) to the tuning value of the current mode.
// Keys without a rule in the mode change nothing.
void applyModeKey(PatternState &s, std::int16_t keyAscii);

// One tick of the orbit cycle: the next of the eight one-pixel positions
// around home, clockwise from straight up. A TimerStep outside 0..7 goes back
// to 0 and leaves the shift alone.
void advanceOrbit(PatternState &s);

} // namespace tintoral
