// The raster surface's fast paths (calls held back and drawn row by row,
// vector and string fills, lines stepped in integers and clipped by
// bisection) against a plain per-pixel reading of its documented rules, each
// call drawn at once in order, over many seeded random mixes of all four
// primitives: any pixel that differs is a fault of a fast path.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace tintoral;
using namespace tintoral::test;

namespace {

using std::int64_t;

// Every rule one pixel at a time, clipped pixel by pixel.
struct Reference {
    int width, height;
    std::ptrdiff_t stride;
    double tx, ty;
    std::vector<std::uint32_t> &pixels;

    void set(int64_t x, int64_t y, std::uint32_t p)
    {
        if (x >= 0 && x < width && y >= 0 && y < height)
            pixels[std::size_t(y * stride + x)] = p;
    }
    // Loop bounds that stop just outside the image, so that a far end does
    // not cost a loop of millions; set() still clips every pixel.
    static int64_t lo(int64_t a, int64_t b) { return std::max<int64_t>(std::min(a, b), -1); }
    static int64_t hi(int64_t a, int64_t b, int size) { return std::min<int64_t>(std::max(a, b), size); }

    void fillBox(float x1, float y1, float x2, float y2, Colour c)
    {
        const int64_t a = RasterSurface::toPixel(x1, tx), b = RasterSurface::toPixel(x2, tx);
        const int64_t d = RasterSurface::toPixel(y1, ty), e = RasterSurface::toPixel(y2, ty);
        for (int64_t y = lo(d, e); y <= hi(d, e, height); ++y)
            for (int64_t x = lo(a, b); x <= hi(a, b, width); ++x)
                set(x, y, RasterSurface::pixelOf(c));
    }
    // The outline: two level and two upright lines through the corners.
    void box(float x1, float y1, float x2, float y2, Colour c)
    {
        line(x1, y1, x2, y1, c), line(x1, y2, x2, y2, c), line(x1, y1, x1, y2, c), line(x2, y1, x2, y2, c);
    }
    // One pixel per column (|dx| >= |dy|) or per row, at the rounded offset
    // floor(t * d / D + 0.5) from the first end.
    void line(float fx1, float fy1, float fx2, float fy2, Colour c)
    {
        const int64_t x1 = RasterSurface::toPixel(fx1, tx), y1 = RasterSurface::toPixel(fy1, ty);
        const int64_t x2 = RasterSurface::toPixel(fx2, tx), y2 = RasterSurface::toPixel(fy2, ty);
        const int64_t dx = x2 - x1, dy = y2 - y1;
        const std::uint32_t p = RasterSurface::pixelOf(c);
        const auto offset = [](int64_t t, int64_t d, int64_t D) {
            return int64_t(std::floor(double(t) * double(d) / double(D) + 0.5));
        };
        if (std::abs(dx) >= std::abs(dy)) {
            for (int64_t x = lo(x1, x2); x <= hi(x1, x2, width); ++x)
                set(x, dx == 0 ? y1 : y1 + offset(x - x1, dy, dx), p);
        } else {
            for (int64_t y = lo(y1, y2); y <= hi(y1, y2, height); ++y)
                set(x1 + offset(y - y1, dx, dy), y, p);
        }
    }
    // (cx +- dx, cy +- dy) for every dx in 0..RX with dy = floor(RY sqrt(RX^2 - dx^2) / RX + 0.5),
    // and the same with the axes swapped. The generator keeps radii small
    // enough to walk whole.
    void circle(float fx, float fy, float fr, Colour c)
    {
        if (!(fr >= 0.0f))
            return;
        const int64_t cx = RasterSurface::toPixel(fx, tx), cy = RasterSurface::toPixel(fy, ty);
        const int64_t rx = RasterSurface::toPixel(fr, tx), ry = RasterSurface::toPixel(fr, ty);
        const std::uint32_t p = RasterSurface::pixelOf(c);
        const auto other = [](int64_t a, int64_t ra, int64_t rb) -> int64_t {
            return ra == 0 ? 0 : int64_t(std::floor(double(rb) * std::sqrt(double(ra) * ra - double(a) * a) / double(ra) + 0.5));
        };
        const auto four = [&](int64_t dx, int64_t dy) {
            set(cx + dx, cy + dy, p), set(cx + dx, cy - dy, p), set(cx - dx, cy + dy, p), set(cx - dx, cy - dy, p);
        };
        for (int64_t dx = 0; dx <= rx; ++dx)
            four(dx, other(dx, rx, ry));
        for (int64_t dy = 0; dy <= ry; ++dy)
            four(other(dy, ry, rx), dy);
    }
};

// A padded image: the columns between width and stride must never be written.
struct Canvas {
    int width, height;
    std::ptrdiff_t stride;
    std::vector<std::uint32_t> pixels;
    Canvas(int w, int h, int pad) : width(w), height(h), stride(w + pad), pixels(std::size_t(h) * (w + pad), kSentinel) {}
};

enum class Op { Fill, Box, Line, Circle };
struct Primitive {
    Op op;
    float x1, y1, x2, y2;
    Colour colour;
};

std::ostream &operator<<(std::ostream &os, const Primitive &p)
{
    const char *names[] = {"fill", "box", "line", "circle"};
    return os << names[int(p.op)] << " " << p.x1 << " " << p.y1 << " " << p.x2 << " " << p.y2;
}

// Coordinates mostly on or near the image, at fractional twips; now and
// then far outside it, or at the clamping limit.
struct Generator {
    std::mt19937 rng;
    int width, height;
    double tx, ty;

    double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    float coordinate(int size, double t)
    {
        switch (pick(12)) {
        case 0: return float(uniform(-1e7, 1e7));
        case 1: return pick(2) ? 1e30f : -1e30f;
        case 2: return float(uniform(-3e8, 3e8)); // beyond where integer steps are exact
        default: return float(uniform(-4.0, size + 4.0) * t);
        }
    }
    Primitive next()
    {
        const Colour colour = RGB(pick(256), pick(256), pick(256));
        if (pick(8) == 0) { // a circle now and then, on or near the image
            const double r = uniform(-0.1, 1.2) * std::max(width * tx, height * ty);
            return {Op::Circle, float(uniform(-4.0, width + 4.0) * tx), float(uniform(-4.0, height + 4.0) * ty),
                    float(r), 0.0f, colour};
        }
        Primitive p{Op(pick(3)), coordinate(width, tx), coordinate(height, ty),
                    coordinate(width, tx), coordinate(height, ty), colour};
        switch (pick(6)) { // shapes the patterns are made of
        case 0: p.x2 = p.x1; break;   // vertical
        case 1: p.y2 = p.y1; break;   // horizontal
        case 2: p.x2 = p.x1 + float(uniform(0, 3) * tx); break; // tall and narrow
        case 3: p.y2 = p.y1 + (p.x2 - p.x1) * float(tx / ty); break; // 45 degrees
        default: break;
        }
        return p;
    }
};

void draw(RasterSurface &s, Reference &r, const Primitive &p)
{
    const auto both = [&](auto &d) {
        if (p.op == Op::Fill) d.fillBox(p.x1, p.y1, p.x2, p.y2, p.colour);
        else if (p.op == Op::Box) d.box(p.x1, p.y1, p.x2, p.y2, p.colour);
        else if (p.op == Op::Line) d.line(p.x1, p.y1, p.x2, p.y2, p.colour);
        else d.circle(p.x1, p.y1, p.x2, p.colour);
    };
    both(s), both(r);
}

// Index of the first pixel where the two differ, or -1.
std::ptrdiff_t firstDifference(const std::vector<std::uint32_t> &a, const std::vector<std::uint32_t> &b)
{
    const auto at = std::mismatch(a.begin(), a.end(), b.begin()).first;
    return at == a.end() ? -1 : at - a.begin();
}

struct Case {
    const char *name;
    int width, height, pad;
    double tx, ty;
    int primitives;
    std::size_t held = RasterSurface::Workspace::kDefaultCapacity; // calls the workspace holds
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

class FastPaths : public testing::TestWithParam<Case> {};

// Mixes of every primitive, finished now and then and at the end; the image
// must then hold what drawing each call at once would have left. One
// workspace serves frames of other sizes in turn, as the window's does.
TEST_P(FastPaths, EveryPixelAsThePerPixelRules)
{
    const Case c = GetParam();
    RasterSurface::Workspace workspace(c.held);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const int w = c.width + int(seed % 2), h = c.height + int(seed / 2) - 1;
        Canvas fast(w, h, c.pad), slow(w, h, c.pad);
        RasterSurface surface(fast.pixels.data(), w, h, fast.stride, c.tx, c.ty, workspace);
        Reference ref{w, h, slow.stride, c.tx, c.ty, slow.pixels};
        Generator gen{std::mt19937(seed), w, h, c.tx, c.ty};
        int since = 0;
        for (int i = 0; i < c.primitives; ++i) {
            const Primitive p = gen.next();
            draw(surface, ref, p);
            if (i + 1 < c.primitives && gen.pick(16) != 0)
                continue;
            surface.finish();
            const std::ptrdiff_t at = firstDifference(fast.pixels, slow.pixels);
            ASSERT_EQ(at, -1) << "seed " << seed << ", primitives " << since << ".." << i << " (last: "
                              << p << ") differ at x " << at % fast.stride << ", y "
                              << at / fast.stride;
            since = i + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    RandomPrimitives, FastPaths,
    testing::Values(Case{"tiny", 3, 2, 0, 15.0, 15.0, 300},
                    Case{"oddPadded", 37, 23, 3, 15.0, 15.0, 300},
                    Case{"unequalTwips", 41, 29, 1, 12.5, 7.3, 300},
                    // rows long enough for the string store, columns tall enough to walk either way
                    Case{"wideAndTall", 1100, 140, 5, 15.0, 15.0, 120},
                    Case{"contiguousRows", 700, 300, 0, 15.0, 15.0, 120},
                    // a workspace that fills up and draws what it holds mid-sequence
                    Case{"smallWorkspace", 53, 31, 2, 15.0, 15.0, 300, 3},
                    Case{"oneCallWorkspace", 29, 17, 0, 15.0, 15.0, 200, 1}),
    [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

} // namespace
