// A storm of random events through the pattern window's own handlers, with
// stand-ins for the window, the timer and the selection window. Every redraw
// is counted first (a runaway one fails instead of hanging), then drawn into a
// sentinel-filled image of exactly the window's size, so a write past it trips
// the address sanitizer and a pixel the pattern leaves uncovered shows.

#include "pattern_window/display.h"
#include "tests/fake_services.h"
#include "pattern_window/key_map.h"
#include "pattern_window/mode_table.h"
#include "test_support.h"
#include "tests/storm/storm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace tintoral {
namespace {

using storm::Random;

using Timer = test::FakeTimer;
using Selection = test::FakeSelection;

// The window: an image of exactly its size, redrawn whole at every call
// after the state is counted once more against the bound.
class Window final : public PatternWindowHost {
public:
    Window(Random &random) : random_(random) {}

    Display *display = nullptr;
    WindowGeometry size;
    long redraws = 0;

    WindowGeometry geometry() const override { return size; }

    FrameBuffer frame(int w, int h) override
    {
        if (const std::string broken = storm::brokenRedraw(display->state, w, h); !broken.empty())
            throw std::runtime_error(broken);
        ++redraws;
        if (w <= 0 || h <= 0)
            return {};
        pixels_.assign(std::size_t(w) * std::size_t(h), test::kSentinel);
        width_ = w;
        return {pixels_.data(), w, h, w};
    }

    void present() override
    {
        if (!findMode(display->state.currentMode))
            return; // draws nothing: the window keeps what it showed
        const auto left = std::find(pixels_.begin(), pixels_.end(), test::kSentinel);
        if (left != pixels_.end()) {
            const std::size_t i = std::size_t(left - pixels_.begin());
            throw std::runtime_error("mode " + std::to_string(display->state.currentMode)
                                     + " left pixel (" + std::to_string(i % width_) + ", "
                                     + std::to_string(i / width_) + ") uncovered");
        }
    }

    // A tick, a paint or another key (Escape too, which nests one level
    // deeper) may be pending when Escape runs DoEvents.
    void doEvents() override
    {
        ++depth_;
        for (int n = int(random_.in(0, 2)); n > 0; --n) {
            const int kind = int(random_.in(0, 9));
            std::int16_t key = kind == 8 ? kKeyEscape : std::int16_t(random_.in(0, 255));
            if (kind < 4)
                display->Timer1_Timer();
            else if (kind < 8 || depth_ > 3)
                display->Form_Paint();
            else
                display->Form_KeyPress(key);
        }
        --depth_;
    }

private:
    Random &random_;
    std::vector<std::uint32_t> pixels_;
    int width_ = 1;
    int depth_ = 0;
};

struct Pixel {
    float x, y;
};

// Twips per pixel of the screens the storm runs on: the usual scales, one with
// non-square pixels, and two far outside what a screen reports.
const Pixel kScreens[] = {{15, 15}, {7.5f, 7.5f}, {12, 12}, {1440.0f / 158.4f, 1440.0f / 158.4f},
                          {15, 20}, {0.5f, 0.5f}, {1440, 1440}};

class StateStorm : public ::testing::TestWithParam<int> {};

std::int16_t randomKey(Random &r)
{
    static const char kTuning[] = "+-*/ \r\x1bmMpP:";
    const int kind = int(r.in(0, 9));
    return std::int16_t(kind < 5 ? r.in(0, 255) : kind < 9 ? kTuning[r.in(0, sizeof kTuning - 2)] : r.in(-32768, 32767));
}

WindowGeometry randomSize(Random &r, Pixel p)
{
    const auto side = [&](int longest) { return int(r.in(1, longest)); };
    const int kind = int(r.in(0, 9)); // 1 x 1, narrow strips, middling and small windows
    const int w = kind == 0 ? 1 : kind == 1 ? side(3) : kind == 2 ? side(16384) : kind < 5 ? side(320) : side(48);
    const int h = kind == 0 ? 1 : kind == 1 ? side(16384) : kind == 2 ? side(3) : kind < 5 ? side(320) : side(48);
    return {w, h, p.x, p.y};
}

TEST_P(StateStorm, InvariantsHoldAndEveryRedrawEnds)
{
    const Pixel screen = kScreens[GetParam()];
    // One seed per screen, so that all of them can be run again from one number.
    const std::uint64_t seed = storm::seed() + std::uint64_t(GetParam());
    const long events = storm::events(15000);

    Random r(seed);
    Timer timer;
    Selection selection;
    Window window(r);
    Display display(window, timer, [&]() -> SelectionWindowLink & { return selection; });
    window.display = &display;
    window.size = {640, 480, screen.x, screen.y};
    display.Form_Load();
    display.Form_Paint(); // the first showing
    int slider = 1;
    storm::EventLog log;

    for (long i = 0; i < events; ++i) {
        std::ostringstream what;
        const long before = window.redraws;
        bool redraws = true;
        std::string broken;
        try {
            const int kind = int(r.in(0, 99));
            if (kind < 45) {
                std::int16_t k = randomKey(r);
                what << "key " << k;
                display.Form_KeyPress(k);
            } else if (kind < 50) {
                const std::int16_t buttons[] = {0, 1, 2, 4, std::int16_t(r.in(-32768, 32767))};
                const std::int16_t b = buttons[r.in(0, 4)];
                const float x = r.chance(100) ? std::numeric_limits<float>::quiet_NaN() : float(r.in(-99, 99999));
                what << "mouse up " << b;
                display.Form_MouseUp(b, std::int16_t(r.in(0, 7)), x, float(r.in(-99, 99999)));
                redraws = b == 2;
            } else if (kind < 70) {
                what << "tick";
                display.Timer1_Timer();
            } else if (kind < 82) {
                // The selection window's test button: mode, cycle, interval, hide, redraw.
                const int index = r.chance(900) ? int(r.in(0, 23)) : int(r.in(-32768, 32767));
                what << "test button " << index;
                display.state.currentMode = modeForButton(index);
                display.state.TimerStep = 0;
                timer.setInterval(slider * 1000);
                selection.visible = false;
                display.drawCurrentMire();
            } else if (kind < 86) {
                slider = int(r.in(1, 10));
                what << "slider " << slider;
                timer.setInterval(slider * 1000);
                redraws = false;
            } else if (kind < 90) {
                selection.check = 1 - selection.check;
                what << "orbiting " << selection.check;
                redraws = false;
            } else if (kind < 94) {
                what << "paint";
                display.Form_Paint();
            } else if (kind < 99) {
                window.size = randomSize(r, screen);
                what << "resize " << window.size.width << "x" << window.size.height;
                display.Form_Resize();
            } else {
                const int n = int(r.in(5, 40));
                what << n << " Escapes";
                for (int e = 0; e < n; ++e) {
                    std::int16_t k = kKeyEscape;
                    display.Form_KeyPress(k);
                }
            }
        } catch (const std::exception &e) {
            broken = e.what();
        }
        log.add(i, what.str());
        if (broken.empty())
            broken = storm::brokenInvariant(display.state, redraws, selection.check == 1, selection.visible, timer.on);
        if (broken.empty() && redraws && window.redraws == before)
            broken = "no redraw";
        if (!broken.empty())
            FAIL() << log.report("state storm", seed, i, broken);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, StateStorm, ::testing::Range(0, int(std::size(kScreens))));

} // namespace
} // namespace tintoral
