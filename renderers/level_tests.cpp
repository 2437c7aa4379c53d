// SPDX-License-Identifier: MIT
#include "renderers/ramp_columns.h"
#include "renderers/renderers.h"

namespace tintoral {

namespace {
constexpr int kLevelSteps = 15;
constexpr int kLevelRange = 30;

// 15 grey steps from `base` to base + 30, rising across the upper half and
// falling across the lower half. halfMode 1 halves the whole intensity, base
// included.
void drawLevelSteps(const PatternState &s, DrawingSurface &d, int base)
{
    const double h = s.formHeight;
    const RampBand bands[] = {{0.0, h / 2, kAllChannels, false}, {h / 2, h, kAllChannels, true}};
    drawRampColumns(d, s.formWidth, kLevelSteps, base, kLevelRange, s.halfMode == 1, bands);
}
} // namespace

void drawBlackLevelTest(const PatternState &s, DrawingSurface &d) { drawLevelSteps(s, d, 0); }

void drawWhiteLevelTest(const PatternState &s, DrawingSurface &d)
{
    drawLevelSteps(s, d, 255 - kLevelRange);
}

} // namespace tintoral
