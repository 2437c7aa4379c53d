// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>

namespace tintoral {

// Nearest integer, halves to the even neighbour (8.5 gives 8, 127.5 gives 128),
// whatever the floating-point environment's rounding mode is.
inline double roundHalfEven(double v)
{
    const double r = std::round(v); // halves away from zero
    if (std::fabs(v - std::trunc(v)) == 0.5)
        return 2.0 * std::round(v / 2.0);
    return r;
}

// A colour component computed as a fraction, as a whole number 0..255.
inline int toComponent(double v)
{
    const double r = roundHalfEven(v);
    if (!(r >= 0.0))
        return 0;
    return r > 255.0 ? 255 : static_cast<int>(r);
}

} // namespace tintoral
