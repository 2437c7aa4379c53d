// SPDX-License-Identifier: MIT
#include "renderers/counted_loop.h"
#include "renderers/renderers.h"

#include <array>

namespace tintoral {

namespace {

// How the lattice is laid: crossings stand every second step; a period of P
// steps holds the columns k = 0, 2 (, 4), and each pass lays the rows of one
// colour order two steps below the previous pass.
struct Arrangement {
    int passes;
    int period;                        // P, in steps
    int columns;                       // columns in a period, at k = 0, 2, 4
    std::array<std::array<Colour, 3>, 3> colours; // [pass][column]
};

Arrangement arrangementFor(const PatternState &s)
{
    const int l = s.halfMode == 0 ? 255 : 127;
    const Colour red = RGB(l, 0, 0), green = RGB(0, l, 0), blue = RGB(0, 0, l);
    if (s.altMode == 1) {
        const Colour magenta = RGB(l, 0, l);
        return {2, 4, 2, {{{magenta, green, 0}, {green, magenta, 0}, {}}}};
    }
    return {3, 6, 3, {{{red, green, blue}, {green, blue, red}, {blue, red, green}}}};
}

} // namespace

// A lattice of small crosses whose arms meet: the crossing (i, j), two steps
// apart each way from the orbit shift, is red, green or blue as (i + j) mod 3
// is 0, 1 or 2; in the alternate arrangement magenta where i + j is even and
// green where it is odd. Each pass lays its rows two steps lower by moving
// orbitY itself, which is put back before returning.
//
// On a window one pixel wide (high) the step across (down) is 0: every cross
// of a pass stands in the one column (row) at the origin, its arms along that
// axis of no length.
void drawCross(PatternState &s, DrawingSurface &d)
{
    const double w = s.formWidth, h = s.formHeight;
    const double px = s.twipsPerPixelX, py = s.twipsPerPixelY;
    const double sx = (w - px) / s.nbPoints;
    const double sy = (h - py) / s.nbPoints;
    const Arrangement a = arrangementFor(s);

    d.fillBox(0.0f, 0.0f, s.formWidth, s.formHeight, RGB(0, 0, 0));

    // Puts orbitY back however the drawing ends.
    struct RestoreOrbitY {
        float &v;
        const float home;
        ~RestoreOrbitY() { v = home; }
    } restore{s.orbitY, s.orbitY};

    for (int p = 0; p < a.passes; ++p) {
        const auto &colours = a.colours[p];
        forEachStep(0.0, w, a.period * sx, px, [&](double x) {
            for (int c = 0; c < a.columns; ++c) {
                forEachStep(0.0, h, a.period * sy, py, [&](double y) {
                    const double cx = x + s.orbitX + 2 * c * sx;
                    const double cy = y + s.orbitY;
                    d.line(float(cx - sx), float(cy), float(cx + sx), float(cy), colours[c]);
                    d.line(float(cx), float(cy - sy), float(cx), float(cy + sy), colours[c]);
                });
            }
        });
        s.orbitY = float(s.orbitY + 2 * sy);
    }
}

} // namespace tintoral
