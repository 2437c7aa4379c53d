#pragma once

// Shared by the event storms and the allocation test: a reproducible random
// source, the checks made after every event, a run that reports what it
// drew, and the pattern window over stand-ins for the platform.

#include "pattern_window/display.h"
#include "pattern_window/key_map.h"
#include "pattern_window/mode_table.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace tintoral::storm {

// mt19937_64 gives the same numbers everywhere; the standard's distributions
// do not. `drawn` keeps the numbers of the current event.
struct Random : std::mt19937_64 {
    using std::mt19937_64::mt19937_64;
    std::string drawn;
    int in(long lo, long hi)
    {
        const int v = int(lo + long((*this)() % std::uint64_t(hi - lo + 1)));
        drawn += " " + std::to_string(v);
        return v;
    }
    bool chance(int perThousand) { return in(0, 999) < perThousand; }
};

inline std::uint64_t fromEnvironment(const char *name, std::uint64_t fallback)
{
    const char *v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 0) : fallback;
}

// 1 x 1, a strip up to 16384 long, or small.
inline std::pair<int, int> randomSize(Random &r)
{
    const int kind = r.in(0, 9), a = r.in(1, 3), b = r.in(1, 16384), c = r.in(1, 200), d = r.in(1, 200);
    return kind == 0 ? std::pair{1, 1} : kind == 1 ? std::pair{a, b} : kind == 2 ? std::pair{b, a} : std::pair{c, d};
}

// Draws a copy of `s` for a w x h window; says what went wrong, or nothing.
// With lattice steps of a pixel or more a redraw stays under the bound:
// fills, ramps, bars and circles < 2048; dots and crosses 141 x 141; a line a
// pixel row and column; the test card 6 lines a tile, 36 tiles across at most
// and one down each pixel row.
inline std::string brokenRedraw(const PatternState &s, long w, long h)
{
    struct Counter final : DrawingSurface {
        long left;
        explicit Counter(long bound) : left(bound) {}
        void count() { if (--left < 0) throw std::runtime_error("a redraw made too many drawing calls"); }
        void fillBox(float, float, float, float, Colour) override { count(); }
        void box(float, float, float, float, Colour) override { count(); }
        void line(float, float, float, float, Colour) override { count(); }
        void circle(float, float, float, Colour) override { count(); }
    } counter(25000 + 4 * (w + h) + 6 * std::min(w + 1, 36L) * (h + 1));
    PatternState copy = s;
    drawMode(copy, counter);
    return copy.orbitY == s.orbitY ? "" : "a renderer left orbitY at " + std::to_string(copy.orbitY);
}

// Tuning values within what the keys allow, TimerStep in 0..7, the shift
// within a pixel of home; after an event that redraws, a redraw, at home while
// orbiting is off or the selection window shown, the timer running otherwise.
inline std::string brokenInvariant(const PatternState &s, bool redraws, bool redrew, bool orbiting,
                                   bool selectionShown, bool timerOn)
{
    const struct {
        const char *name;
        int value, lo, hi;
    } ranges[] = {{"nbBox", s.nbBox, 2, 255},     {"nbBoxGeo", s.nbBoxGeo, 4, 50},        {"nbPoints", s.nbPoints, 5, 70},
                  {"halfMode", s.halfMode, 0, 1}, {"currentColor", s.currentColor, 0, 7}, {"blackLevel", s.blackLevel, 1, 64},
                  {"altMode", s.altMode, 0, 1},   {"TimerStep", s.TimerStep, 0, 7}};
    for (const auto &r : ranges)
        if (r.value < r.lo || r.value > r.hi)
            return std::string(r.name) + " is " + std::to_string(r.value) + ", outside its range";
    const auto onePixel = [](float shift, float pixel) { return shift == 0.0f || shift == pixel || shift == -pixel; };
    if (!onePixel(s.orbitX, s.twipsPerPixelX) || !onePixel(s.orbitY, s.twipsPerPixelY))
        return "the shift " + std::to_string(s.orbitX) + "," + std::to_string(s.orbitY) + " is not within one pixel";
    const bool home = s.orbitX == 0 && s.orbitY == 0;
    return !redraws ? "" : !redrew ? "the pattern was not redrawn"
         : (!orbiting || selectionShown) && !home ? "drawn away from home while orbiting is off or the selection window is shown"
         : orbiting && !selectionShown && !timerOn ? "orbiting is on and the selection window hidden, but the timer is not running"
                                                   : "";
}

inline std::uint64_t runSeed = 0;
inline volatile long runEvent = 0;

// Runs `events` steps (or TINTORAL_STORM_EVENTS) of a storm drawing from `r`,
// seeded with TINTORAL_STORM_SEED (or 4242) plus `offset`. A step makes one
// event and returns what it found broken, or nothing; one that throws or runs
// for 30 s (a redraw that never ends) fails too.
template <typename Step>
void run(Random &r, std::uint64_t offset, long events, Step step)
{
    runSeed = fromEnvironment("TINTORAL_STORM_SEED", 4242);
    r.seed(runSeed + offset);
    std::signal(SIGALRM, [](int) {
        char m[160];
        const int n = std::snprintf(m, sizeof m, "event %ld never ended; reproduce with TINTORAL_STORM_SEED=%llu "
                                    "TINTORAL_STORM_EVENTS=%ld\n", runEvent, (unsigned long long)runSeed, runEvent + 1);
        (void)!::write(2, m, std::size_t(n > 0 ? n : 0));
        std::_Exit(3);
    });
    events = long(fromEnvironment("TINTORAL_STORM_EVENTS", std::uint64_t(events)));
    for (long i = 0; i < events; ++i) {
        runEvent = i;
        r.drawn.clear();
        ::alarm(30);
        std::string broken;
        try {
            broken = step();
        } catch (const std::exception &e) {
            broken = e.what();
        }
        ::alarm(0);
        ASSERT_EQ(broken, "") << "at event " << i << " (drawing" << r.drawn << "); reproduce with TINTORAL_STORM_SEED="
                              << runSeed << " TINTORAL_STORM_EVENTS=" << i + 1;
    }
}

// The pattern window, loaded and painted at `size`, over one stand-in for its
// window, timer and selection window. Every redraw is counted first (a runaway
// one throws) and drawn into an image of exactly the window's size (so that
// the address sanitizer sees a write past it), made anew only for a new size.
struct FakeProgram final : PatternWindowHost, TimerControl, SelectionWindowLink {
    WindowGeometry size;
    std::vector<std::uint32_t> image;
    long frames = 0;
    bool timerOn = false, shown = false;
    int orbiting = 1, intervalMs = 0; // orbiting on, as at start
    Display display{*this, *this, [this]() -> SelectionWindowLink & { return *this; }};

    explicit FakeProgram(WindowGeometry g) : size(g)
    {
        display.Form_Load();
        display.Form_Paint();
    }
    WindowGeometry geometry() const override { return size; }
    FrameBuffer frame(int w, int h) override
    {
        if (const std::string broken = storm::brokenRedraw(display.state, w, h); !broken.empty())
            throw std::runtime_error(broken);
        ++frames;
        const std::size_t n = w > 0 && h > 0 ? std::size_t(w) * std::size_t(h) : 0;
        if (image.size() != n)
            image = std::vector<std::uint32_t>(n);
        return {n ? image.data() : nullptr, w, h, w};
    }
    void present() override {}
    void doEvents() override {}
    bool enabled() const override { return timerOn; }
    void setEnabled(bool on) override { timerOn = on; }
    int interval() const override { return intervalMs; }
    void setInterval(int ms) override { intervalMs = ms; }
    bool isVisible() const override { return shown; }
    int orbitingValue() const override { return orbiting; }
    void showWithFocus() override { shown = true; }

    // A test chosen as the selection window's buttons choose it.
    void choose(std::int32_t mode)
    {
        display.state.currentMode = mode;
        display.state.TimerStep = 0;
        shown = false;
        display.drawCurrentMire();
    }
    void key(std::int16_t k) { display.Form_KeyPress(k); }
};

} // namespace tintoral::storm
