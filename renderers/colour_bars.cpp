// SPDX-License-Identifier: MIT
#include "renderers/renderers.h"

namespace tintoral {

// Eight full-height bars; bar k lights red for bit 0, green for bit 1 and blue
// for bit 2 of k: black, red, green, yellow, blue, magenta, cyan, white.
void drawMireAllColor(const PatternState &s, DrawingSurface &d)
{
    const double step = double(s.formWidth) / 8;
    for (int k = 0; k < 8; ++k) {
        const Colour c = RGB(k & 1 ? 255 : 0, k & 2 ? 255 : 0, k & 4 ? 255 : 0);
        d.fillBox(static_cast<float>(k * step), 0.0f, static_cast<float>((k + 1) * step),
                  s.formHeight, c);
    }
}

} // namespace tintoral
