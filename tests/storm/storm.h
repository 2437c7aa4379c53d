#pragma once

// Shared by the event storms: a reproducible random source, the run chosen by
// TINTORAL_STORM_SEED and TINTORAL_STORM_EVENTS, the invariants checked after
// every event, a bounded count of one redraw, and the failure report.

#include "pattern_window/mode_table.h"
#include "pattern_window/pattern_state.h"
#include "platform/drawing_surface.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <stdexcept>
#include <string>

namespace tintoral::storm {

// SplitMix64: the same sequence for a seed on every compiler and library.
class Random {
public:
    explicit Random(std::uint64_t seed) : s_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (s_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    std::int64_t in(std::int64_t lo, std::int64_t hi) { return lo + std::int64_t(next() % std::uint64_t(hi - lo + 1)); }
    bool chance(int perThousand) { return in(0, 999) < perThousand; }

private:
    std::uint64_t s_;
};

// A whole number from the environment, or `fallback` when unset or not a number.
inline std::uint64_t fromEnvironment(const char *name, std::uint64_t fallback)
{
    const char *v = std::getenv(name);
    char *end = nullptr;
    const unsigned long long n = v && *v ? std::strtoull(v, &end, 0) : 0;
    return end && *end == '\0' ? n : fallback;
}
inline std::uint64_t seed() { return fromEnvironment("TINTORAL_STORM_SEED", 4242); }
inline long events(long fallback) { return long(fromEnvironment("TINTORAL_STORM_EVENTS", std::uint64_t(fallback))); }

// The most drawing calls one redraw of a w x h pixel window may make, with
// lattice steps never finer than one pixel: fills, ramps, bars and circles
// < 2048; dots and crosses at most 141 x 141 positions; gratings and the grid
// a line per pixel column and row; the test card 6 lines per tile, at most 36
// tiles across and a tile per pixel row. A redraw past this would not end.
inline long drawingCallBound(long w, long h) { return 25000 + 4 * (w + h) + 6 * std::min(w + 1, 36L) * (h + 1); }

class CountingSurface final : public DrawingSurface {
public:
    explicit CountingSurface(long bound) : bound_(bound) {}
    void fillBox(float, float, float, float, Colour) override { count(); }
    void box(float, float, float, float, Colour) override { count(); }
    void line(float, float, float, float, Colour) override { count(); }
    void circle(float, float, float, Colour) override { count(); }

private:
    void count()
    {
        if (++calls_ > bound_)
            throw std::runtime_error("a redraw made more than " + std::to_string(bound_) + " drawing calls");
    }
    long bound_, calls_ = 0;
};

// Draws a copy of `s` for a w x h window, counting the calls; says what went
// wrong (a runaway redraw, orbitY not restored), or nothing.
inline std::string brokenRedraw(const PatternState &s, long w, long h)
{
    PatternState copy = s;
    CountingSurface counter(drawingCallBound(w, h));
    try {
        drawMode(copy, counter);
    } catch (const std::runtime_error &e) {
        return e.what();
    }
    return copy.orbitY == s.orbitY ? "" : "a renderer left orbitY at " + std::to_string(copy.orbitY);
}

// Tuning values in range, TimerStep in 0..7, the shift within one pixel of
// home; after a redraw, the pattern at home while orbiting is off or the
// selection window is shown, and the orbit timer running otherwise.
inline std::string brokenInvariant(const PatternState &s, bool redrew, bool orbiting, bool selectionShown,
                                   bool timerOn)
{
    struct Range {
        const char *name;
        int value, lo, hi;
    };
    const Range ranges[] = {{"nbBox", s.nbBox, 2, 255},      {"nbBoxGeo", s.nbBoxGeo, 4, 50},
                            {"nbPoints", s.nbPoints, 5, 70}, {"halfMode", s.halfMode, 0, 1},
                            {"currentColor", s.currentColor, 0, 7}, {"blackLevel", s.blackLevel, 1, 64},
                            {"altMode", s.altMode, 0, 1},    {"TimerStep", s.TimerStep, 0, 7}};
    for (const Range &r : ranges)
        if (r.value < r.lo || r.value > r.hi)
            return std::string(r.name) + " is " + std::to_string(r.value) + ", outside its range";
    const auto onePixel = [](float shift, float pixel) { return shift == 0.0f || shift == pixel || shift == -pixel; };
    if (!onePixel(s.orbitX, s.twipsPerPixelX) || !onePixel(s.orbitY, s.twipsPerPixelY))
        return "the shift " + std::to_string(s.orbitX) + "," + std::to_string(s.orbitY) + " is not within one pixel";
    if (redrew && (!orbiting || selectionShown) && (s.orbitX != 0 || s.orbitY != 0))
        return "drawn away from home while orbiting is off or the selection window is shown";
    if (redrew && orbiting && !selectionShown && !timerOn)
        return "orbiting is on and the selection window hidden, but the timer is not running";
    return {};
}

// The last few events and how to run the same storm again.
class EventLog {
public:
    void add(long index, std::string what)
    {
        if (last_.size() == 12)
            last_.pop_front();
        last_.push_back("  #" + std::to_string(index) + " " + std::move(what) + "\n");
    }
    std::string report(const char *storm, std::uint64_t seed, long index, const std::string &what) const
    {
        std::string t = std::string(storm) + " failed at event " + std::to_string(index) + " of seed "
                        + std::to_string(seed) + ": " + what + "\nlast events:\n";
        for (const std::string &l : last_)
            t += l;
        return t + "reproduce with TINTORAL_STORM_SEED=" + std::to_string(seed)
               + " TINTORAL_STORM_EVENTS=" + std::to_string(index + 1) + "\n";
    }

private:
    std::deque<std::string> last_;
};

} // namespace tintoral::storm
