// SPDX-License-Identifier: MIT
#include "renderers/intensity.h"
#include "renderers/renderers.h"

namespace tintoral {

// One filled box over the whole window, never shifted by the orbit.
void drawMireColor(const PatternState &s, DrawingSurface &d, double r, double g, double b)
{
    const Colour c = RGB(toComponent(r), toComponent(g), toComponent(b));
    d.fillBox(0.0f, 0.0f, s.formWidth, s.formHeight, c);
}

} // namespace tintoral
