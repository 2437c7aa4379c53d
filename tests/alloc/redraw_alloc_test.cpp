// Redraws allocate nothing once the window has its size: every test, tuned by
// the keys to its costliest states, redrawn by keys, orbit ticks and Escape,
// then again with the window turned on its side. This executable replaces
// the global operator new to count its calls.

#include "counting_new.h"
#include "tests/storm/storm.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tintoral {
namespace {

class RedrawAllocations : public testing::TestWithParam<WindowGeometry> {};

TEST_P(RedrawAllocations, NoneOnceTheWindowHasItsSize)
{
    const WindowGeometry g = GetParam();
    storm::FakeProgram f(g);
    for (const WindowGeometry size : {g, WindowGeometry{g.height, g.width, g.twipsPerPixelX, g.twipsPerPixelY}}) {
        f.size = size;
        f.display.Form_Resize(); // the first paint of a size may allocate
        const long before = test::newCalls(), frames = f.frames;
        for (const ModeEntry &mode : modeTable()) {
            f.choose(mode.code);
            for (int i = 0; i < 70; ++i) // each main value to its top
                f.key('+');
            for (char k : std::string_view("/ *\r\x1b")) { // half, alternate, preset, restore, Escape
                f.key(k);
                for (int i = 0; i < 8; ++i) // every orbit position
                    f.display.Timer1_Timer();
            }
        }
        f.choose(99); // outside the table: draws nothing
        EXPECT_EQ(test::newCalls() - before, 0) << size.width << "x" << size.height << " over "
                                                << f.frames - frames << " redraws";
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, RedrawAllocations,
                         testing::Values(WindowGeometry{1280, 720, 15, 15}, WindowGeometry{1366, 768, 7.5f, 7.5f},
                                         WindowGeometry{801, 1203, 12.5f, 9}),
                         [](const auto &i) { return std::to_string(i.param.width) + "x" + std::to_string(i.param.height); });

} // namespace
} // namespace tintoral
