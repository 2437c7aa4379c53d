#include "pattern_window/key_map.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace tintoral;

namespace {

// Types the keys of `text` (after their aliases) in `mode`.
PatternState typed(std::int32_t mode, const std::string &text, PatternState s = {})
{
    s.currentMode = mode;
    for (char c : text)
        applyModeKey(s, keyAlias(std::int16_t(static_cast<unsigned char>(c))));
    return s;
}

auto tuning(const PatternState &s)
{
    return std::tuple(s.nbBox, s.nbBoxGeo, s.nbPoints, s.halfMode, s.currentColor, s.blackLevel, s.altMode);
}

using Field = std::int16_t PatternState::*;
const std::string kUp(300, '+'), kDown(300, '-');

const struct KeyCase {
    std::int32_t mode;
    std::string keys;
    Field field;
    int value;
} kKeyCases[] = {
    // bounds of the main values
    {9, kUp, &PatternState::nbBox, 255},          {9, kDown, &PatternState::nbBox, 2},
    {8, kUp, &PatternState::blackLevel, 64},      {8, kDown, &PatternState::blackLevel, 1},
    {23, kUp, &PatternState::nbPoints, 70},       {14, kDown, &PatternState::nbPoints, 5},
    {18, kUp, &PatternState::nbBoxGeo, 50},       {18, kDown, &PatternState::nbBoxGeo, 4},
    // aliases: m M for +, p P for -, : for /
    {8, "mmPm", &PatternState::blackLevel, 3},    {9, "MMp", &PatternState::nbBox, 17},
    {9, ":", &PatternState::halfMode, 1},         {9, "::", &PatternState::halfMode, 0},
    // the grating colour cycles both ways; Enter goes back to 0
    {19, "+++++++", &PatternState::currentColor, 7}, {19, "++++++++", &PatternState::currentColor, 0},
    {20, "-", &PatternState::currentColor, 7},    {19, "+++\r", &PatternState::currentColor, 0},
    // presets, and Enter restoring the main value only
    {13, "*", &PatternState::nbBox, 255},         {24, "*", &PatternState::nbPoints, 50},
    {18, "*", &PatternState::nbBoxGeo, 24},       {8, "*", &PatternState::blackLevel, 1},
    {13, "+/\r", &PatternState::nbBox, 16},       {13, "+/\r", &PatternState::halfMode, 1},
    {8, "mmm\r", &PatternState::blackLevel, 1},   {23, "++\r", &PatternState::nbPoints, 25},
    {18, "--\r", &PatternState::nbBoxGeo, 24},
    // space toggles back; it and / (for the darkest grey) act only where read
    {23, "  ", &PatternState::altMode, 0},        {9, " ", &PatternState::altMode, 0},
    {18, " ", &PatternState::altMode, 0},        {8, " /", &PatternState::altMode, 0},
    {8, " /", &PatternState::halfMode, 0},
};

TEST(KeyMap, KeySequencesGiveTheirValues)
{
    for (const KeyCase &c : kKeyCases)
        EXPECT_EQ(typed(c.mode, c.keys).*c.field, c.value) << "mode " << c.mode << " keys \"" << c.keys << "\"";
}

// Half intensity and the alternate arrangement toggle where they are read;
// solid colours, bars and level steps ignore every key.
TEST(KeyMap, TogglesOnlyWhereTheyAreRead)
{
    for (int mode : {1, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 23, 24})
        EXPECT_EQ(typed(mode, "/").halfMode, 1) << "mode " << mode;
    for (int mode : {14, 15, 16, 17, 23, 24})
        EXPECT_EQ(typed(mode, " ").altMode, 1) << "mode " << mode;
    PatternState odd;
    odd.halfMode = 5; // any value other than 1 toggles to 1
    EXPECT_EQ(typed(9, "/", odd).halfMode, 1);
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += char(c);
    for (int mode : {0, 2, 3, 4, 5, 6, 7, 12, 21, 22, 25, -1})
        EXPECT_EQ(tuning(typed(mode, all)), tuning(PatternState{})) << "mode " << mode;
}

// Eight one-pixel positions clockwise from straight up, each axis in its own
// pixel size; a step out of range goes back to 0 and leaves the shift alone.
TEST(Orbit, EightPositionsClockwiseFromUp)
{
    PatternState s;
    s.twipsPerPixelX = 7.5f;
    s.twipsPerPixelY = 12.0f;
    const int expected[8][2] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
    for (int tick = 0; tick < 17; ++tick) {
        advanceOrbit(s);
        EXPECT_EQ(std::pair(s.orbitX, s.orbitY), std::pair(7.5f * expected[tick % 8][0], 12.0f * expected[tick % 8][1]))
            << "tick " << tick;
        EXPECT_EQ(s.TimerStep, (tick + 1) % 8);
    }
    for (std::int16_t outside : {9, -3}) {
        s.TimerStep = outside;
        advanceOrbit(s);
        EXPECT_EQ(s.TimerStep, 0);
        EXPECT_EQ(std::pair(s.orbitX, s.orbitY), std::pair(0.0f, -12.0f));
    }
}

} // namespace
