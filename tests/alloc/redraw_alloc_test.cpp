// Redraws allocate nothing once the window has its size: every test, tuned by
// the keys to its costliest states, redrawn by keys, orbit ticks and Escape,
// then again with the window turned on its side. The pattern window runs over
// stand-ins for its window, timer and selection window; this executable
// replaces the global operator new to count its calls.
#include "counting_new.h"
#include "pattern_window/display.h"
#include "pattern_window/mode_table.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

using namespace tintoral;

struct FakeProgram final : PatternWindowHost, TimerControl, SelectionWindowLink {
    WindowGeometry size;
    std::vector<std::uint32_t> image;
    bool timerOn = false, shown = false;
    Display display{*this, *this, [this]() -> SelectionWindowLink & { return *this; }};

    WindowGeometry geometry() const override { return size; }
    FrameBuffer frame(int w, int h) override // an image of exactly the window's size, made anew only for a new size
    {
        if (image.size() != std::size_t(w) * std::size_t(h))
            image = std::vector<std::uint32_t>(std::size_t(w) * std::size_t(h));
        return {image.data(), w, h, w};
    }
    void present() override {}
    void doEvents() override {}
    bool enabled() const override { return timerOn; }
    void setEnabled(bool on) override { timerOn = on; }
    int interval() const override { return 0; }
    void setInterval(int) override {}
    bool isVisible() const override { return shown; }
    int orbitingValue() const override { return 1; } // orbiting on, as at start
    void showWithFocus() override { shown = true; }
};

TEST(RedrawAllocations, NoneOnceTheWindowHasItsSize)
{
    for (const WindowGeometry g : {WindowGeometry{1280, 720, 15, 15}, {1366, 768, 7.5f, 7.5f}, {801, 1203, 12.5f, 9}}) {
        FakeProgram f;
        f.display.Form_Load();
        for (const WindowGeometry size : {g, WindowGeometry{g.height, g.width, g.twipsPerPixelX, g.twipsPerPixelY}}) { // and on its side
            f.size = size;
            f.display.Form_Resize(); // the first paint of a size may allocate
            const long before = test::newCalls();
            for (const ModeEntry &mode : modeTable()) {
                f.display.state.currentMode = mode.code, f.shown = false;
                f.display.drawCurrentMire();
                for (char k : std::string_view("++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++/ *\r\x1b")) {
                    std::int16_t key = k; // each main value to its top; half, alternate, preset, restore, Escape
                    f.display.Form_KeyPress(key);
                    for (int i = 0; i < 8 && key != '+'; ++i) // every orbit position
                        f.display.Timer1_Timer();
                }
            }
            f.display.state.currentMode = 99; // outside the table: draws nothing
            f.display.drawCurrentMire();
            EXPECT_EQ(test::newCalls() - before, 0) << size.width << "x" << size.height;
        }
    }
}

} // namespace
