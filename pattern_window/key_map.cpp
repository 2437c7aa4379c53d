// SPDX-License-Identifier: MIT
#include "pattern_window/key_map.h"

namespace tintoral {

namespace {

enum class Group { DarkestGrey, Shading, Lattice, Geometry, Gratings, None };

Group groupOf(std::int32_t mode)
{
    switch (mode) {
    case 8:
        return Group::DarkestGrey;
    case 1: case 9: case 10: case 11: case 13:
        return Group::Shading;
    case 14: case 15: case 16: case 17: case 23: case 24:
        return Group::Lattice;
    case 18:
        return Group::Geometry;
    case 19: case 20:
        return Group::Gratings;
    default:
        return Group::None;
    }
}

void up(std::int16_t &v, int top) { if (v < top) ++v; }
void down(std::int16_t &v, int bottom) { if (v > bottom) --v; }
void toggle(std::int16_t &v) { v = v == 1 ? 0 : 1; }

// "+", "-" and Enter act on the mode's main value, within its range.
struct MainValue {
    std::int16_t *value;
    int lo, hi, restore;
};

} // namespace

std::int16_t keyAlias(std::int16_t k)
{
    switch (k) {
    case 'm': case 'M': return '+';
    case 'p': case 'P': return '-';
    case ':': return '/';
    default: return k;
    }
}

void applyModeKey(PatternState &s, std::int16_t k)
{
    const Group g = groupOf(s.currentMode);
    if (g == Group::None)
        return;

    if (g == Group::Gratings) { // the colour index cycles instead of stopping
        if (k == '+')
            s.currentColor = s.currentColor < 7 ? std::int16_t(s.currentColor + 1) : std::int16_t(0);
        else if (k == '-')
            s.currentColor = s.currentColor > 0 ? std::int16_t(s.currentColor - 1) : std::int16_t(7);
        else if (k == kKeyEnter)
            s.currentColor = 0;
        else if (k == '/')
            toggle(s.halfMode);
        return;
    }

    MainValue main{};
    switch (g) {
    case Group::DarkestGrey: main = {&s.blackLevel, 1, 64, 1}; break;
    case Group::Shading: main = {&s.nbBox, 2, 255, 16}; break;
    case Group::Lattice: main = {&s.nbPoints, 5, 70, 25}; break;
    case Group::Geometry: main = {&s.nbBoxGeo, 4, 50, 24}; break;
    default: return;
    }

    if (k == '+')
        up(*main.value, main.hi);
    else if (k == '-')
        down(*main.value, main.lo);
    else if (k == kKeyEnter)
        *main.value = std::int16_t(main.restore);
    else if (k == '*' && g == Group::Shading)
        s.nbBox = 255;
    else if (k == '*' && g == Group::Lattice)
        s.nbPoints = 50;
    else if (k == '/' && g != Group::DarkestGrey)
        toggle(s.halfMode);
    else if (k == kKeySpace && g == Group::Lattice)
        toggle(s.altMode);
}

void advanceOrbit(PatternState &s)
{
    // {x, y} in pixels for TimerStep 0..7: up, up-right, right, down-right,
    // down, down-left, left, up-left.
    static constexpr int kCycle[8][2] = {{0, -1}, {1, -1}, {1, 0}, {1, 1},
                                         {0, 1},  {-1, 1}, {-1, 0}, {-1, -1}};
    if (s.TimerStep < 0 || s.TimerStep > 7) {
        s.TimerStep = 0;
        return;
    }
    const auto &step = kCycle[s.TimerStep];
    s.orbitX = static_cast<float>(step[0] * double(s.twipsPerPixelX));
    s.orbitY = static_cast<float>(step[1] * double(s.twipsPerPixelY));
    s.TimerStep = static_cast<std::int16_t>((s.TimerStep + 1) % 8);
}

} // namespace tintoral
