#pragma once

// Shared by the event storms: a small reproducible random source, the seed and
// length taken from the environment, the invariants of the pattern state, and
// a drawing surface that counts the calls of one redraw and stops a runaway one.

#include "pattern_window/pattern_state.h"
#include "platform/drawing_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <stdexcept>
#include <string>

namespace tintoral::storm {

// SplitMix64: the same sequence for a seed on every compiler and library,
// which the standard distributions do not promise.
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
    // A whole number in [lo, hi].
    std::int64_t in(std::int64_t lo, std::int64_t hi)
    {
        return lo + std::int64_t(next() % std::uint64_t(hi - lo + 1));
    }
    bool chance(int perThousand) { return in(0, 999) < perThousand; }

private:
    std::uint64_t s_;
};

// A whole number from the environment, or `fallback` when it is unset or not a number.
inline std::uint64_t fromEnvironment(const char *name, std::uint64_t fallback)
{
    const char *v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    char *end = nullptr;
    const unsigned long long n = std::strtoull(v, &end, 0);
    return end && *end == '\0' ? n : fallback;
}

// Every tuning value in the range the keys hold it in, the orbit cycle in
// 0..7 and the shift within one pixel of home on each axis. Empty when all hold.
inline std::string brokenInvariant(const PatternState &s)
{
    const auto outside = [](const char *name, int v, int lo, int hi) {
        return std::string(name) + " is " + std::to_string(v) + ", outside " + std::to_string(lo)
               + ".." + std::to_string(hi);
    };
    struct Range {
        const char *name;
        int value, lo, hi;
    };
    const Range ranges[] = {
        {"nbBox", s.nbBox, 2, 255},           {"nbBoxGeo", s.nbBoxGeo, 4, 50},
        {"nbPoints", s.nbPoints, 5, 70},      {"halfMode", s.halfMode, 0, 1},
        {"currentColor", s.currentColor, 0, 7}, {"blackLevel", s.blackLevel, 1, 64},
        {"altMode", s.altMode, 0, 1},         {"TimerStep", s.TimerStep, 0, 7},
    };
    for (const Range &r : ranges)
        if (r.value < r.lo || r.value > r.hi)
            return outside(r.name, r.value, r.lo, r.hi);
    const auto onePixel = [](float shift, float pixel) {
        return shift == 0.0f || shift == pixel || shift == -pixel;
    };
    if (!onePixel(s.orbitX, s.twipsPerPixelX))
        return "orbitX is " + std::to_string(s.orbitX) + ", not 0 or one pixel ("
               + std::to_string(s.twipsPerPixelX) + ") from home";
    if (!onePixel(s.orbitY, s.twipsPerPixelY))
        return "orbitY is " + std::to_string(s.orbitY) + ", not 0 or one pixel ("
               + std::to_string(s.twipsPerPixelY) + ") from home";
    return {};
}

// The most drawing calls one redraw of a w x h pixel window may make, with
// the steps of the lattice loops never finer than one pixel:
//  - fills, ramps (6 bands x 255 steps), bars, level steps, frame, circles: < 2048;
//  - the dots and the crosses: at most 141 x 141 positions (a step is at
//    least (w - 1) / w of W / nbPoints, so a row holds at most 2 x 70 + 1): < 23000;
//  - the line gratings and the geometry grid: a line per pixel column and row at most;
//  - the test card, whose step comes from the width alone: 6 lines per tile,
//    at most 36 tiles across (3 steps of W / 70 at least, w >= 3; 3 tiles when
//    w is 2) and a tile per pixel row down.
// A redraw past this bound is one that would not end.
inline long drawingCallBound(long w, long h)
{
    return 25000 + 4 * (w + h) + 6 * std::min(w + 1, 36L) * (h + 1);
}

struct DrawingBoundExceeded : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Counts the calls of one redraw, passes them on to `next` (if any), and
// throws once the count passes the bound.
class CountingSurface final : public DrawingSurface {
public:
    CountingSurface(long bound, DrawingSurface *next = nullptr) : bound_(bound), next_(next) {}
    void fillBox(float x1, float y1, float x2, float y2, Colour c) override
    {
        count();
        if (next_)
            next_->fillBox(x1, y1, x2, y2, c);
    }
    void box(float x1, float y1, float x2, float y2, Colour c) override
    {
        count();
        if (next_)
            next_->box(x1, y1, x2, y2, c);
    }
    void line(float x1, float y1, float x2, float y2, Colour c) override
    {
        count();
        if (next_)
            next_->line(x1, y1, x2, y2, c);
    }
    void circle(float x, float y, float r, Colour c) override
    {
        count();
        if (next_)
            next_->circle(x, y, r, c);
    }
    long calls() const { return calls_; }

private:
    void count()
    {
        if (++calls_ > bound_)
            throw DrawingBoundExceeded("a redraw made more than " + std::to_string(bound_)
                                       + " drawing calls: it would not end");
    }
    long bound_;
    DrawingSurface *next_;
    long calls_ = 0;
};

// The last few events, for the failure report.
class EventLog {
public:
    void add(long index, std::string what)
    {
        if (last_.size() == kKept)
            last_.pop_front();
        last_.push_back("  #" + std::to_string(index) + " " + std::move(what));
    }
    std::string text() const
    {
        std::string t;
        for (const std::string &l : last_)
            t += l + "\n";
        return t;
    }

private:
    static constexpr std::size_t kKept = 12;
    std::deque<std::string> last_;
};

// The failure message: what broke, and how to run the same storm again.
inline std::string failureReport(const char *storm, std::uint64_t seed, long index,
                                 const std::string &what, const EventLog &log)
{
    return std::string(storm) + " failed at event " + std::to_string(index) + " of seed "
           + std::to_string(seed) + ": " + what + "\nlast events:\n" + log.text()
           + "reproduce with TINTORAL_STORM_SEED=" + std::to_string(seed)
           + " TINTORAL_STORM_EVENTS=" + std::to_string(index + 1) + "\n";
}

} // namespace tintoral::storm
