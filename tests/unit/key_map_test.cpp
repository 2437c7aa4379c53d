#include "pattern_window/key_map.h"

#include <gtest/gtest.h>

#include <string>

using namespace tintoral;

namespace {

// Types the keys of `text` (after their aliases) in `mode`.
PatternState typed(std::int32_t mode, const std::string &text, PatternState s = {})
{
    s.currentMode = mode;
    for (char c : text)
        applyModeKey(s, keyAlias(std::int16_t(c)));
    return s;
}

TEST(KeyMap, MainValuesStopAtTheirBounds)
{
    EXPECT_EQ(typed(9, std::string(300, '+')).nbBox, 255);
    EXPECT_EQ(typed(9, std::string(300, '-')).nbBox, 2);
    EXPECT_EQ(typed(8, std::string(100, '+')).blackLevel, 64);
    EXPECT_EQ(typed(8, std::string(100, '-')).blackLevel, 1);
    EXPECT_EQ(typed(23, std::string(100, '+')).nbPoints, 70);
    EXPECT_EQ(typed(14, std::string(100, '-')).nbPoints, 5);
    EXPECT_EQ(typed(18, std::string(100, '+')).nbBoxGeo, 50);
    EXPECT_EQ(typed(18, std::string(100, '-')).nbBoxGeo, 4);
}

TEST(KeyMap, AliasesActLikeTheirKeys)
{
    EXPECT_EQ(typed(8, "m").blackLevel, 2);
    EXPECT_EQ(typed(8, "mP").blackLevel, 1);
    EXPECT_EQ(typed(8, "mPp").blackLevel, 1);
    EXPECT_EQ(typed(9, "M").nbBox, 17);
    EXPECT_EQ(typed(9, ":").halfMode, 1);
    EXPECT_EQ(typed(9, "::").halfMode, 0);
    EXPECT_EQ(keyAlias('x'), 'x');
    EXPECT_EQ(keyAlias(27), 27);
}

TEST(KeyMap, GratingColourCycles)
{
    PatternState s;
    s.currentMode = 19;
    std::string seen;
    for (int i = 0; i < 9; ++i) {
        seen += char('0' + s.currentColor);
        applyModeKey(s, '+');
    }
    EXPECT_EQ(seen, "012345670");
    EXPECT_EQ(typed(20, "-").currentColor, 7);
    EXPECT_EQ(typed(19, "+++\r").currentColor, 0);
}

TEST(KeyMap, HalfModeToggleIsSharedByEveryModeThatReadsIt)
{
    for (int mode : {1, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 23, 24})
        EXPECT_EQ(typed(mode, "/").halfMode, 1) << "mode " << mode;
    for (int mode : {0, 2, 3, 4, 5, 6, 7, 8, 12, 21, 22, 25, -1})
        EXPECT_EQ(typed(mode, "/").halfMode, 0) << "mode " << mode;
    // A half mode set in one test carries to the next.
    PatternState s = typed(9, "/");
    EXPECT_EQ(typed(21, "", s).halfMode, 1);
    // Any value other than 1 toggles to 1.
    PatternState odd;
    odd.halfMode = 5;
    EXPECT_EQ(typed(9, "/", odd).halfMode, 1);
}

TEST(KeyMap, PresetsAndEnter)
{
    EXPECT_EQ(typed(13, "*").nbBox, 255);
    EXPECT_EQ(typed(24, "*").nbPoints, 50);
    EXPECT_EQ(typed(18, "*").nbBoxGeo, 24); // no preset for the grid
    EXPECT_EQ(typed(8, "*").blackLevel, 1);
    // Enter restores the main value only.
    const PatternState s = typed(13, "+/\r");
    EXPECT_EQ(s.nbBox, 16);
    EXPECT_EQ(s.halfMode, 1);
    EXPECT_EQ(typed(8, "mmm\r").blackLevel, 1);
    EXPECT_EQ(typed(23, "++\r").nbPoints, 25);
    EXPECT_EQ(typed(18, "--\r").nbBoxGeo, 24);
}

TEST(KeyMap, SpaceTogglesTheAlternateArrangementOnlyInLatticeModes)
{
    for (int mode : {14, 15, 16, 17, 23, 24})
        EXPECT_EQ(typed(mode, " ").altMode, 1) << "mode " << mode;
    EXPECT_EQ(typed(23, "  ").altMode, 0);
    EXPECT_EQ(typed(9, " ").altMode, 0);
    EXPECT_EQ(typed(18, " ").altMode, 0);
}

TEST(KeyMap, SolidColoursBarsAndLevelsIgnoreEveryKey)
{
    const PatternState defaults;
    for (int mode : {0, 2, 3, 4, 5, 6, 7, 12, 21, 22, 99}) {
        std::string all;
        for (int c = 0; c < 256; ++c)
            all += char(c);
        PatternState s = typed(mode, all);
        s.currentMode = defaults.currentMode;
        EXPECT_EQ(s.nbBox, defaults.nbBox);
        EXPECT_EQ(s.nbPoints, defaults.nbPoints);
        EXPECT_EQ(s.nbBoxGeo, defaults.nbBoxGeo);
        EXPECT_EQ(s.halfMode, defaults.halfMode);
        EXPECT_EQ(s.altMode, defaults.altMode);
        EXPECT_EQ(s.blackLevel, defaults.blackLevel);
        EXPECT_EQ(s.currentColor, defaults.currentColor);
    }
}

TEST(Orbit, EightPositionsClockwiseFromUp)
{
    PatternState s;
    s.twipsPerPixelX = 15;
    s.twipsPerPixelY = 15;
    const float expected[8][2] = {{0, -15}, {15, -15}, {15, 0}, {15, 15},
                                  {0, 15},  {-15, 15}, {-15, 0}, {-15, -15}};
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 8; ++i) {
            advanceOrbit(s);
            EXPECT_EQ(s.orbitX, expected[i][0]) << "tick " << i;
            EXPECT_EQ(s.orbitY, expected[i][1]) << "tick " << i;
            EXPECT_EQ(s.TimerStep, (i + 1) % 8);
        }
}

TEST(Orbit, UsesEachAxisPixelSizeAndResetsAStepOutOfRange)
{
    PatternState s;
    s.twipsPerPixelX = 7.5f;
    s.twipsPerPixelY = 12.0f;
    s.TimerStep = 3;
    advanceOrbit(s);
    EXPECT_EQ(s.orbitX, 7.5f);
    EXPECT_EQ(s.orbitY, 12.0f);

    s.TimerStep = 9;
    advanceOrbit(s);
    EXPECT_EQ(s.TimerStep, 0);
    EXPECT_EQ(s.orbitX, 7.5f); // shift left alone
    EXPECT_EQ(s.orbitY, 12.0f);
    s.TimerStep = -3;
    advanceOrbit(s);
    EXPECT_EQ(s.TimerStep, 0);
}

} // namespace
