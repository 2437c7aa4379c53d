// Redraws allocate nothing once the window has its size: every test, tuned
// by the keys to its costliest states, redrawn a few hundred times by keys,
// orbit ticks, test choices and Escape, through the pattern window's own
// handlers with stand-ins for the window, the timer and the selection window.
// This executable replaces the global operator new to count its calls.

#include "counting_new.h"

#include "pattern_window/display.h"
#include "tests/fake_services.h"
#include "pattern_window/key_map.h"
#include "pattern_window/mode_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tintoral {
namespace {

using Timer = test::FakeTimer;
using Selection = test::FakeSelection;

// A window whose image is made once per size, as the real window keeps its own.
struct Window final : PatternWindowHost {
    WindowGeometry size;
    std::vector<std::uint32_t> image;
    long presented = 0;

    WindowGeometry geometry() const override { return size; }
    FrameBuffer frame(int w, int h) override
    {
        if (image.size() != std::size_t(w) * std::size_t(h))
            image.assign(std::size_t(w) * std::size_t(h), 0u);
        return {image.data(), w, h, w};
    }
    void present() override { ++presented; }
    void doEvents() override {}
};

struct Fixture {
    Window window;
    Timer timer;
    Selection selection;
    Display display{window, timer, [this]() -> SelectionWindowLink & { return selection; }};

    // A test chosen as the selection window chooses it.
    void choose(std::int32_t code)
    {
        display.state.currentMode = code;
        display.state.TimerStep = 0;
        selection.visible = false;
        display.drawCurrentMire();
    }
    void key(char c, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            std::int16_t k = std::int16_t(c);
            display.Form_KeyPress(k);
        }
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            display.Timer1_Timer();
    }
    // About three hundred redraws of the current test: its main value up to
    // the top and back, its preset, half intensity, the alternate
    // arrangement, orbit ticks, Escape and back.
    void exercise()
    {
        key('+', 70);
        ticks(8);
        key('/');
        ticks(8);
        key('*');
        ticks(8);
        key('/');
        key(' ', 2);
        ticks(16);
        key('-', 70);
        key(char(kKeyEnter));
        ticks(100);
        key(char(kKeyEscape));
        selection.visible = false;
        ticks(20);
    }
};

struct Size {
    int width, height;
    float twipsPerPixelX, twipsPerPixelY;
};

class RedrawAllocations : public testing::TestWithParam<Size> {};

TEST_P(RedrawAllocations, NoneOnceTheWindowHasItsSize)
{
    Fixture f;
    f.window.size = {GetParam().width, GetParam().height, GetParam().twipsPerPixelX,
                     GetParam().twipsPerPixelY};
    f.display.Form_Load();
    f.display.Form_Paint(); // the first paint of this size may allocate

    const long before = test::newCalls();
    const long presentedBefore = f.window.presented;
    for (const ModeEntry &mode : modeTable()) {
        f.choose(mode.code);
        f.exercise();
    }
    f.choose(99); // outside the table: draws nothing
    f.display.Form_Paint();
    const long allocations = test::newCalls() - before;
    const long redraws = f.window.presented - presentedBefore;

    RecordProperty("redraws", int(redraws));
    EXPECT_GT(redraws, 25 * 300);
    EXPECT_EQ(allocations, 0) << "over " << redraws << " redraws";
}

INSTANTIATE_TEST_SUITE_P(Screens, RedrawAllocations,
                         testing::Values(Size{1280, 720, 15.0f, 15.0f}, Size{1366, 768, 7.5f, 7.5f},
                                         Size{801, 1203, 12.5f, 9.0f}),
                         [](const testing::TestParamInfo<Size> &info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

// After a resize only the first redraw at the new size may allocate.
TEST(RedrawAllocations, NoneAfterTheFirstPaintOfANewSize)
{
    Fixture f;
    f.window.size = {640, 360, 15.0f, 15.0f};
    f.display.Form_Load();
    f.display.Form_Paint();
    f.choose(19);
    f.key('+', 4); // one-pixel lines every other column
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{320, 1200}, std::pair{1920, 1080}}) {
        f.window.size.width = w;
        f.window.size.height = h;
        f.display.Form_Resize();
        const long before = test::newCalls();
        for (std::int32_t code : {19, 14, 23, 24, 18, 13}) {
            f.choose(code);
            f.key('*');
            f.ticks(16);
        }
        EXPECT_EQ(test::newCalls() - before, 0) << w << "x" << h;
    }
}

} // namespace
} // namespace tintoral
