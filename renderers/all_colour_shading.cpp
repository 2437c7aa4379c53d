// SPDX-License-Identifier: MIT
#include "renderers/ramp_columns.h"
#include "renderers/renderers.h"

#include <algorithm>

namespace tintoral {

// Six bands of nbBox steps: red, green and blue rising in the upper half,
// red, green and blue falling in the lower half, all on the same columns.
void drawMireAllColorShading(const PatternState &s, DrawingSurface &d)
{
    // nbBox below 2 (never reached by the keys) draws as two steps.
    const int steps = std::max<int>(s.nbBox, 2);
    const double h = s.formHeight;
    // Each edge as a sum of separately rounded quotients, so the lower bands
    // sit exactly where the upper ones do, shifted by h / 2.
    const double half = h / 2, sixth = h / 6, third = h / 3;
    const RampBand bands[] = {
        {0.0, sixth, kRedChannel, false},
        {sixth, third, kGreenChannel, false},
        {third, half, kBlueChannel, false},
        {half, half + sixth, kRedChannel, true},
        {half + sixth, half + third, kGreenChannel, true},
        {half + third, half + half, kBlueChannel, true},
    };
    drawRampColumns(d, s.formWidth, steps, 0, 255, s.halfMode == 1, bands);
}

} // namespace tintoral
