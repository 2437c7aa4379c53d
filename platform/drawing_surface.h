// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The four drawing operations every pattern is made of. Coordinates are
// single-precision twips from the top-left corner of the window, x to the
// right, y downwards; the surface alone decides which device pixels they land on.
namespace tintoral {

// A colour as r + 256 g + 65536 b, top byte 0.
using Colour = std::int32_t;

constexpr int clampComponent(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

constexpr Colour RGB(int r, int g, int b)
{
    return clampComponent(r) + 256 * clampComponent(g) + 65536 * clampComponent(b);
}

constexpr int redOf(Colour c) { return c & 0xff; }
constexpr int greenOf(Colour c) { return (c >> 8) & 0xff; }
constexpr int blueOf(Colour c) { return (c >> 16) & 0xff; }

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // The rectangle with corners (x1, y1) and (x2, y2), both included, filled.
    virtual void fillBox(float x1, float y1, float x2, float y2, Colour c) = 0;
    // The one-pixel outline of that rectangle.
    virtual void box(float x1, float y1, float x2, float y2, Colour c) = 0;
    // A one-pixel line, both ends included.
    virtual void line(float x1, float y1, float x2, float y2, Colour c) = 0;
    // The one-pixel outline of a whole circle, round in twips.
    virtual void circle(float x, float y, float r, Colour c) = 0;
};

} // namespace tintoral
