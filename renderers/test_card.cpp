// SPDX-License-Identifier: MIT
#include "renderers/counted_loop.h"
#include "renderers/renderers.h"

namespace tintoral {

// White diamonds on black, joined into one lattice by short horizontal and
// vertical links; one step S across and down, taken from the width alone, so
// the diamonds are square in twips. Always full white. The lattice moves with
// the orbit shift; the background does not.
//
// On a window one pixel wide S is 0: one tile at the origin, all six lines of
// no length, a single white pixel.
void drawTest(const PatternState &s, DrawingSurface &d)
{
    const double w = s.formWidth, h = s.formHeight;
    const double px = s.twipsPerPixelX, py = s.twipsPerPixelY;
    const double S = (w - px) / s.nbPoints;
    const double ox = s.orbitX, oy = s.orbitY;
    const Colour white = RGB(255, 255, 255);

    d.fillBox(0.0f, 0.0f, s.formWidth, s.formHeight, RGB(0, 0, 0));
    forEachStep(0.0, w, 3 * S, px, [&](double x) {
        forEachStep(0.0, h, 3 * S, py, [&](double y) {
            const double X = ox + x, Y = oy + y;
            const auto seg = [&](double x1, double y1, double x2, double y2) {
                d.line(float(x1), float(y1), float(x2), float(y2), white);
            };
            seg(X, Y + S, X + S, Y + S);                     // link from the left edge
            seg(X + S, Y + S, X + 2 * S, Y);                 // upper-left side
            seg(X + S, Y + S, X + 2 * S, Y + 2 * S);         // lower-left side
            seg(X + 2 * S, Y + 2 * S, X + 2 * S, Y + 3 * S); // link down to the bottom edge
            seg(X + 2 * S, Y, X + 3 * S, Y + S);             // upper-right side
            seg(X + 2 * S, Y + 2 * S, X + 3 * S, Y + S);     // lower-right side
        });
    });
}

} // namespace tintoral
