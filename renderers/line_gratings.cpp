// SPDX-License-Identifier: MIT
#include "renderers/renderers.h"

namespace tintoral {

namespace {

// Far more lines than any screen has pixel rows or columns at the closest
// spacing of 2 pixels. Only a state whose twips per pixel does not match its
// window size (a step that is tiny or stops advancing p) ever reaches it.
constexpr int kMaxLines = 1 << 15;

// currentColor 0..3 and 4..7 give white, red, green, blue. The keys keep it
// in 0..7; any other value draws white lines.
Colour gratingColour(int currentColor, int halfMode)
{
    const int v = halfMode == 0 ? 255 : 127;
    switch (currentColor) {
    case 1: case 5: return RGB(v, 0, 0);
    case 2: case 6: return RGB(0, v, 0);
    case 3: case 7: return RGB(0, 0, v);
    default: return RGB(v, v, v);
    }
}

// Black background, then one-pixel lines every 4 pixels (currentColor 0..3)
// or every 2 pixels (4..7) from the top or left edge, the last one at the far
// edge when the window size is a whole number of steps.
void drawGrating(const PatternState &s, DrawingSurface &d, bool horizontal)
{
    d.fillBox(0.0f, 0.0f, s.formWidth, s.formHeight, RGB(0, 0, 0));
    const Colour c = gratingColour(s.currentColor, s.halfMode);
    const double twipsPerPixel = horizontal ? s.twipsPerPixelY : s.twipsPerPixelX;
    const double step = twipsPerPixel * (s.currentColor > 3 ? 2 : 4);
    const double limit = horizontal ? s.formHeight : s.formWidth;
    // A twips per pixel that is not a positive number gives no spacing at
    // all: the window stays black rather than the walk never ending.
    if (!(step > 0.0))
        return;
    int lines = 0;
    for (double p = 0.0; p <= limit && lines < kMaxLines; p += step, ++lines) {
        const auto at = static_cast<float>(p);
        if (horizontal)
            d.line(0.0f, at, s.formWidth, at, c);
        else
            d.line(at, 0.0f, at, s.formHeight, c);
    }
}

} // namespace

void drawVerticalLines(const PatternState &s, DrawingSurface &d) { drawGrating(s, d, false); }

void drawHorizontalLines(const PatternState &s, DrawingSurface &d) { drawGrating(s, d, true); }

} // namespace tintoral
