// A storm of random events through the pattern window's own handlers, over
// the stand-ins of storm.h, which bound every redraw.

#include "tests/storm/storm.h"

#include <gtest/gtest.h>

#include <array>

namespace tintoral {
namespace {

// Twips per pixel of the screens the storm runs on: the usual scales, one with
// non-square pixels, and two far outside what a screen reports.
const std::pair<float, float> kScreens[] = {{15, 15}, {7.5f, 7.5f}, {12, 12}, {1440 / 158.4f, 1440 / 158.4f},
                                            {15, 20}, {0.5f, 0.5f}, {1440, 1440}};

class StateStorm : public ::testing::TestWithParam<int> {};

TEST_P(StateStorm, InvariantsHoldAndEveryRedrawEnds)
{
    static const char kTuning[] = "+-*/ \r\x1bmMpP:";
    const auto [tx, ty] = kScreens[GetParam()];
    storm::FakeProgram f({640, 480, tx, ty});
    Display &d = f.display;
    storm::Random r;
    storm::run(r, std::uint64_t(GetParam()), 15000, [&] {
        const long before = f.frames;
        bool redraws = true;
        const int kind = r.in(0, 99);
        if (kind < 45) {
            f.key(std::int16_t(kind < 20 ? r.in(0, 255) : kind < 42 ? kTuning[r.in(0, sizeof kTuning - 2)] : r.in(-32768, 32767)));
        } else if (kind < 50) { // the right button is Escape
            const std::int16_t b = std::array<std::int16_t, 5>{0, 1, 2, 4, std::int16_t(r.in(-32768, 32767))}[r.in(0, 4)];
            d.Form_MouseUp(b, std::int16_t(r.in(0, 7)), float(r.in(-99, 99999)), float(r.in(-99, 99999)));
            redraws = b == 2;
        } else if (kind < 74) {
            kind < 70 ? d.Timer1_Timer() : d.Form_Paint();
        } else if (kind < 89) { // a test button, or an index no button has
            f.choose(modeForButton(r.chance(900) ? r.in(0, 23) : r.in(-32768, 32767)));
        } else if (kind < 93) {
            f.orbiting = 1 - f.orbiting;
            redraws = false;
        } else if (kind < 99) {
            const auto [w, h] = storm::randomSize(r);
            f.size = {w, h, tx, ty};
            d.Form_Resize();
        } else { // a run of one key: a value to its end, or Escapes
            const std::int16_t k = kTuning[r.in(0, sizeof kTuning - 2)];
            for (int n = r.in(5, 80); n > 0; --n)
                f.key(k);
        }
        return storm::brokenInvariant(d.state, redraws, f.frames != before, f.orbiting == 1, f.shown, f.timerOn);
    });
}

INSTANTIATE_TEST_SUITE_P(Screens, StateStorm, ::testing::Range(0, int(std::size(kScreens))));

} // namespace
} // namespace tintoral
