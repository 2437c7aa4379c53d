// SPDX-License-Identifier: MIT
#include "renderers/ramp_columns.h"
#include "renderers/renderers.h"

#include <algorithm>

namespace tintoral {

namespace {
int shadingChannels(std::int32_t mode)
{
    switch (mode) {
    case 1: return kAllChannels;
    case 9: return kRedChannel;
    case 10: return kGreenChannel;
    case 11: return kBlueChannel;
    default: return 0;
    }
}
} // namespace

// nbBox steps rising across the upper half and falling across the lower half,
// in the channel the mode code picks. Other mode codes draw nothing.
void drawMireShading(const PatternState &s, DrawingSurface &d)
{
    const int channels = shadingChannels(s.currentMode);
    if (channels == 0)
        return;
    // The keys never take nbBox below 2; should it get there anyway, two
    // steps (black and full) still cover the window instead of dividing by 0.
    const int steps = std::max<int>(s.nbBox, 2);
    const double h = s.formHeight;
    const RampBand bands[] = {{0.0, h / 2, channels, false}, {h / 2, h, channels, true}};
    drawRampColumns(d, s.formWidth, steps, 0, 255, s.halfMode == 1, bands);
}

} // namespace tintoral
