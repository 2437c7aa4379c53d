// SPDX-License-Identifier: MIT
#include "renderers/counted_loop.h"
#include "renderers/intensity.h"
#include "renderers/renderers.h"

namespace tintoral {

// Single-pixel dots in one colour on black: nbPoints equal gaps across and
// down, measured from the first to the last pixel column (row), so that with
// no orbit shift there is a dot in every corner of the window. The dots move
// with the orbit shift; the background does not.
//
// On a window one pixel wide (high) the step across (down) is 0 and the dots
// stand in the one column (row) at the origin; a 1 x 1 window shows one dot.
void drawDotPattern(const PatternState &s, DrawingSurface &d, double r, double g, double b)
{
    const double w = s.formWidth, h = s.formHeight;
    const double px = s.twipsPerPixelX, py = s.twipsPerPixelY;
    const double sx = (w - px) / s.nbPoints;
    const double sy = (h - py) / s.nbPoints;
    const Colour k = s.halfMode == 0 ? RGB(toComponent(r), toComponent(g), toComponent(b))
                                     : RGB(toComponent(r / 2), toComponent(g / 2), toComponent(b / 2));
    const double ox = s.orbitX, oy = s.orbitY;

    d.fillBox(0.0f, 0.0f, s.formWidth, s.formHeight, RGB(0, 0, 0));
    forEachStep(0.0, w, sx, px, [&](double x) {
        const float dx = float(ox + x);
        forEachStep(0.0, h, sy, py, [&](double y) {
            const float dy = float(oy + y);
            d.fillBox(dx, dy, dx, dy, k);
        });
    });
}

} // namespace tintoral
