// SPDX-License-Identifier: MIT
#include "renderers/counted_loop.h"
#include "renderers/intensity.h"
#include "renderers/renderers.h"

#include <cmath>

namespace tintoral {

namespace {

// Half of what is left over across the width after whole cells: the remainder
// of W and S each first rounded to a whole number (halves to even), halved in
// floating point. A cell that rounds to 0 twips, or a width or cell that is not
// finite, leaves no remainder to share: the columns then start at 0.
double leftMargin(double w, double cell)
{
    const double wi = roundHalfEven(w), si = roundHalfEven(cell);
    if (!std::isfinite(wi) || !std::isfinite(si) || si == 0.0)
        return 0.0;
    return std::fmod(wi, si) / 2; // fmod of two whole numbers is their exact remainder
}

} // namespace

// A one-pixel frame along the window's edges, a grid of square cells nbBoxGeo
// rows high with its columns centred across the width, a large circle in the
// middle and one smaller circle in each corner, all in one colour on black.
// Everything but the background moves with the orbit shift.
//
// On windows so small that a circle's radius comes out negative (less than
// about two pixels high for the centre circle, a few pixels for the corner
// circles) that circle is left out; everything else is drawn as on any window.
void drawGeometrie(const PatternState &s, DrawingSurface &d, double r, double g, double b)
{
    const double w = s.formWidth, h = s.formHeight;
    const double px = s.twipsPerPixelX, py = s.twipsPerPixelY;
    const double ox = s.orbitX, oy = s.orbitY;
    const double S = h / s.nbBoxGeo;
    const double x0 = leftMargin(w, S);
    const Colour k = s.halfMode == 0 ? RGB(toComponent(r), toComponent(g), toComponent(b))
                                     : RGB(toComponent(r / 2), toComponent(g / 2), toComponent(b / 2));
    const double diagonal = std::sqrt(w * w + h * h);
    double R = ((diagonal / 2 - h / 2 - py) / 2.37) - py;
    if (R > h / 4)
        R = h / 4 - py;

    const auto circle = [&](double cx, double cy, double radius) {
        if (radius >= 0.0 && std::isfinite(radius))
            d.circle(float(cx), float(cy), float(radius), k);
    };

    d.fillBox(0.0f, 0.0f, s.formWidth, s.formHeight, RGB(0, 0, 0));
    d.box(float(ox), float(oy), float(ox + w - px), float(oy + h - py), k);
    forEachStep(x0, w - px, S, px, [&](double x) {
        d.line(float(ox + x), float(oy), float(ox + x), float(oy + h), k);
    });
    forEachStep(0.0, h - py, S, py, [&](double y) {
        d.line(float(ox), float(oy + y), float(ox + w), float(oy + y), k);
    });
    circle(ox + w / 2, oy + h / 2, h / 2 - py);
    circle(ox + R + px, oy + h - R - py, R);     // bottom left
    circle(ox + R + px, oy + R + py, R);         // top left
    circle(ox + w - R - px, oy + h - R - py, R); // bottom right
    circle(ox + w - R - px, oy + R + py, R);     // top right
}

} // namespace tintoral
