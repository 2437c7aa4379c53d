// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>

// The counted loops of the lattice patterns (dots, crosses, test card,
// geometry grid): v = start, start + step, start + 2 step, ... while v <= limit.
//
// Limit and step are fixed before the first pass and the counter is a double
// advanced by repeated addition, never computed as n * step: the positions are
// those of the addition, so the last dot of a row lands on the window's last
// pixel column (within the rounding of the sums), and the comparison is <=.
//
// Guards, so that no window and no twips-per-pixel value can make a redraw loop
// without end or for minutes:
//  - A step that is not a finite positive number, or a limit that is not
//    finite, makes one pass, at the start (none if the limit is NaN). A window
//    one pixel across gives a step of 0: its first and last positions
//    coincide, so the pattern is drawn once, at its origin on that axis.
//    NaN or infinite geometry (twips per pixel) ends up here too.
//  - A step finer than one device pixel is widened to one pixel. Finer passes
//    would only draw again over pixels that neighbouring passes already drew:
//    with passes at most a pixel apart every pixel row or column between start
//    and limit is reached either way. This only happens on windows narrower
//    (or lower) than the pattern has steps, and it keeps the passes of a loop
//    within the window's size in pixels.
//  - No loop makes more than kMaxPasses passes, far more than a window of the
//    largest size the platform gives (16384 pixels) needs at one pixel a pass;
//    only geometry that no window has (a limit of many million pixels) meets it.
namespace tintoral {

constexpr long kMaxPasses = 1L << 15;

// Calls body(v) for each position of the loop. `pixel` is the size of one
// device pixel along the loop's axis, in the same unit as the other values.
template <class Body>
void forEachStep(double start, double limit, double step, double pixel, Body &&body)
{
    if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(limit)) {
        if (start <= limit)
            body(start);
        return;
    }
    if (pixel > 0.0 && step < pixel)
        step = pixel;
    double v = start;
    for (long n = 0; n < kMaxPasses && v <= limit; ++n, v += step)
        body(v);
}

} // namespace tintoral
