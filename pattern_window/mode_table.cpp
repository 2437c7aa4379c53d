// SPDX-License-Identifier: MIT
#include "pattern_window/mode_table.h"

#include "renderers/renderers.h"

#include <array>

namespace tintoral {

namespace {

template <int R, int G, int B>
void solid(PatternState &s, DrawingSurface &d) { drawMireColor(s, d, R, G, B); }

template <int R, int G, int B>
void dots(PatternState &s, DrawingSurface &d) { drawDotPattern(s, d, R, G, B); }

void darkestGrey(PatternState &s, DrawingSurface &d)
{
    drawMireColor(s, d, s.blackLevel, s.blackLevel, s.blackLevel);
}
void shading(PatternState &s, DrawingSurface &d) { drawMireShading(s, d); }
void bars(PatternState &s, DrawingSurface &d) { drawMireAllColor(s, d); }
void allShading(PatternState &s, DrawingSurface &d) { drawMireAllColorShading(s, d); }
void geometry(PatternState &s, DrawingSurface &d) { drawGeometrie(s, d, 255, 255, 255); }
void vertical(PatternState &s, DrawingSurface &d) { drawVerticalLines(s, d); }
void horizontal(PatternState &s, DrawingSurface &d) { drawHorizontalLines(s, d); }
void blackLevel(PatternState &s, DrawingSurface &d) { drawBlackLevelTest(s, d); }
void whiteLevel(PatternState &s, DrawingSurface &d) { drawWhiteLevelTest(s, d); }
void crosses(PatternState &s, DrawingSurface &d) { drawCross(s, d); }
void testCard(PatternState &s, DrawingSurface &d) { drawTest(s, d); }

constexpr std::array<ModeEntry, 25> kModes{{
    {0, "black (no test chosen yet)", "the screen before any test is chosen", solid<0, 0, 0>},
    {1, "grey intensity steps", "grey tracking and gamma: every step should differ from its neighbours", shading},
    {2, "black", "light bleed, backlight clouding and glowing pixels", solid<0, 0, 0>},
    {3, "white", "uniformity, colour tint and dark (dead) pixels", solid<255, 255, 255>},
    {4, "mid grey", "uniformity and banding at mid level", solid<128, 128, 128>},
    {5, "red", "dead or stuck red sub-pixels, colour uniformity", solid<255, 0, 0>},
    {6, "green", "dead or stuck green sub-pixels, colour uniformity", solid<0, 255, 0>},
    {7, "blue", "dead or stuck blue sub-pixels, colour uniformity", solid<0, 0, 255>},
    {8, "adjustable darkest grey", "black level: the darkest grey the screen still tells from black", darkestGrey},
    {9, "red intensity steps", "red channel response: steps that merge or clip", shading},
    {10, "green intensity steps", "green channel response: steps that merge or clip", shading},
    {11, "blue intensity steps", "blue channel response: steps that merge or clip", shading},
    {12, "colour bars", "colour decoding and saturation of the eight full colours", bars},
    {13, "intensity steps of all colours", "the three channels side by side: tracking and clipping", allShading},
    {14, "white dots", "focus and sharpness: each dot should be one crisp pixel", dots<255, 255, 255>},
    {15, "red dots", "focus of the red channel, single sub-pixels", dots<255, 0, 0>},
    {16, "green dots", "focus of the green channel, single sub-pixels", dots<0, 255, 0>},
    {17, "blue dots", "focus of the blue channel, single sub-pixels", dots<0, 0, 255>},
    {18, "geometry grid and circles", "geometry: straight lines, square cells, round circles, centring", geometry},
    {19, "vertical lines", "horizontal sharpness, scaling artefacts and moire across the width", vertical},
    {20, "horizontal lines", "vertical sharpness, interlace and scaling artefacts down the height", horizontal},
    {21, "black level steps", "brightness setting: the lowest steps should just stay apart", blackLevel},
    {22, "white level steps", "contrast setting: the highest steps should not merge into white", whiteLevel},
    {23, "convergence crosses", "convergence: red, green and blue should meet in one point", crosses},
    {24, "test card", "overall sharpness and linearity of diagonal and straight lines", testCard},
}};

// Button element index -> mode code.
constexpr std::array<std::int32_t, kButtonCount> kButtonModes{
    2, 1, 3, 4, 8, 5, 6, 7, 14, 23, 15, 16, 17, 11, 10, 9, 18, 12, 13, 19, 20, 21, 22, 24};

} // namespace

std::span<const ModeEntry> modeTable() { return kModes; }

const ModeEntry *findMode(std::int32_t code)
{
    for (const ModeEntry &m : kModes)
        if (m.code == code)
            return &m;
    return nullptr;
}

bool drawMode(PatternState &s, DrawingSurface &d)
{
    const ModeEntry *m = findMode(s.currentMode);
    if (!m)
        return false;
    m->draw(s, d);
    return true;
}

std::int32_t modeForButton(int index)
{
    return index >= 0 && index < kButtonCount ? kButtonModes[index] : 0;
}

} // namespace tintoral
