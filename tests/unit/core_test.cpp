// SPDX-License-Identifier: MIT
// Whole frames against tests/golden/frames.txt: each row is a render-tool
// command line, read by the tool's own parser and drawn by the renderers and
// the rasterizer into an image pre-filled with a value no pattern writes.
// "= HASHES | calls HASH" rows compare a hash of every pixel row and one of the
// drawing calls (as tintoral-render --list writes them), "@ X,Y RRGGBB" rows
// one worked pixel. After a wanted change `make golden` rewrites the hashes.
//
// The raster surface: its twips-to-pixel rule, and its fast paths (calls held
// back and drawn row by row, vector and string fills, integer line steps,
// clipping by bisection) against a plain per-pixel reading of its rules over
// seeded random mixes of calls.
#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"
#include "platform/recording_surface.h"
#include "tools/render_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace {

using namespace tintoral;
constexpr std::uint32_t kSentinel = 0x00123456u; // no pattern writes it: its top byte is not 0xff

// One FNV-1a hash per pixel row, a run of N equal rows written once as HASH*N.
std::string hashes(const std::vector<std::uint32_t> &pixels, std::size_t width)
{
    std::vector<std::pair<std::uint32_t, int>> runs;
    for (std::size_t y = 0; y * width < pixels.size(); ++y) {
        std::uint32_t h = 2166136261u;
        for (std::size_t x = 0; x < width; ++x)
            h = (h ^ pixels[y * width + x]) * 16777619u;
        runs.empty() || runs.back().first != h ? void(runs.emplace_back(h, 1)) : void(++runs.back().second);
    }
    std::string out;
    for (const auto &[h, n] : runs)
        out += (out.empty() ? "" : " ") + (std::ostringstream() << std::hex << h).str() + (n > 1 ? "*" + std::to_string(n) : "");
    return out;
}

std::vector<std::string> rows(const std::string &hashes) // one hash per pixel row
{
    std::vector<std::string> out;
    std::istringstream in(hashes);
    for (std::string w; in >> w;)
        out.insert(out.end(), w.find('*') == w.npos ? 1 : std::stoul(w.substr(w.find('*') + 1)), w.substr(0, w.find('*')));
    return out;
}

TEST(Frames, EveryRowAsRecorded)
{
    std::ifstream in(TINTORAL_GOLDEN_FRAMES);
    ASSERT_TRUE(in) << TINTORAL_GOLDEN_FRAMES;
    std::string kept;
    for (std::string line; std::getline(in, line); kept += line + "\n") {
        const auto at = line.find_first_of("=@");
        if (line.empty() || line[0] == '#' || at == line.npos)
            continue;
        SCOPED_TRACE(line);
        std::istringstream words(line.substr(0, at) + " --list -");
        const ParseResult parsed = parseRenderArguments({std::istream_iterator<std::string>(words), {}});
        ASSERT_TRUE(parsed.ok) << parsed.error;
        const RenderOptions &o = parsed.options;
        std::vector<std::uint32_t> image(std::size_t(o.width) * o.height, kSentinel);
        RasterSurface surface(image.data(), o.width, o.height, o.width, o.state.twipsPerPixelX, o.state.twipsPerPixelY);
        PatternState drawn = o.state;
        drawMode(drawn, surface);
        surface.finish();
        EXPECT_EQ(drawn.orbitY, o.state.orbitY) << "a renderer left the shift changed";
        std::istringstream expected(line.substr(at + 1));
        int x = 0, y = 0;
        std::string want;
        if (line[at] == '@' && expected >> x && expected.ignore() >> y >> want) {
            char got[8];
            std::snprintf(got, sizeof got, "%06x", image.at(std::size_t(y) * o.width + x) & 0xffffff);
            EXPECT_EQ(got, want) << "pixel " << x << "," << y;
            continue;
        }
        RecordingSurface recorder; // the drawing calls too, as tintoral-render --list writes them
        drawn = o.state;
        drawMode(drawn, recorder);
        std::vector<std::uint32_t> listing;
        for (const auto &call : recorder.calls())
            for (const char c : RecordingSurface::format(call) + "\n")
                listing.push_back(std::uint8_t(c));
        const std::string now = hashes(image, std::size_t(o.width)) + " | calls " + hashes(listing, std::max<std::size_t>(listing.size(), 1));
        if (std::getenv("TINTORAL_WRITE_GOLDEN")) {
            line = line.substr(0, at) + "= " + now;
        } else if (const std::string was = line.substr(std::min(at + 2, line.size())); now.substr(now.find(" | ")) != was.substr(std::min(was.find(" | "), was.size()))) {
            ADD_FAILURE() << "the drawing calls differ; if the change is wanted, run `make golden` and review the diff";
        } else if (now != was) {
            const auto a = rows(was.substr(0, was.find(" | "))), b = rows(now.substr(0, now.find(" | ")));
            const auto y = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
            ADD_FAILURE() << "the frame (" << o.width << "x" << o.height << ") differs from pixel row " << y << " on ("
                          << a.size() << " rows recorded); if the change is wanted, run `make golden` and review the diff";
        }
    }
    if (std::getenv("TINTORAL_WRITE_GOLDEN"))
        std::ofstream(TINTORAL_GOLDEN_FRAMES) << kept;
}

using std::int64_t;
constexpr int64_t kLimit = RasterSurface::kCoordinateLimit;

TEST(RasterSurface, PixelValueAndTwipsToPixel)
{
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const struct { double twips, perPixel; int64_t pixel; } cases[] = {{7.4, 15, 0},        {7.5, 15, 1},        {-7.5, 15, 0},   {-7.6, 15, -1},
                 {15345, 15, 1023},   {11.25, 7.5, 2},     {1e30, 15, kLimit}, {-1e30, 15, -kLimit},
                 {inf, 15, kLimit},   {nan, 15, -kLimit}};
    for (const auto &c : cases)
        EXPECT_EQ(RasterSurface::toPixel(c.twips, c.perPixel), c.pixel) << c.twips << " / " << c.perPixel;
}

// A far circle clips to its arc; huge, negative and NaN radii draw nothing.
TEST(RasterSurface, FarAndDegenerateCircles)
{
    std::vector<std::uint32_t> image(4 * 3, kSentinel);
    RasterSurface s(image.data(), 4, 3, 4, 15.0, 15.0);
    s.circle(-1e6f, 30, 1e6f + 45, RGB(255, 0, 0)), s.circle(0, 0, 1e30f, RGB(255, 0, 0));
    s.circle(30, 30, -15, RGB(255, 0, 0)), s.circle(30, 30, std::nanf(""), RGB(255, 0, 0));
    s.finish();
    for (std::size_t i = 0; i < image.size(); ++i)
        EXPECT_EQ(image[i], i % 4 == 3 ? 0xffff0000u : kSentinel) << "pixel " << i;
}

// Every rule one pixel at a time, each call drawn at once, clipped per pixel.
struct Reference {
    int width, height;
    std::ptrdiff_t stride;
    double tx, ty;
    std::uint32_t *pixels;

    void set(int64_t x, int64_t y, Colour c) const { if (x >= 0 && x < width && y >= 0 && y < height) pixels[y * stride + x] = RasterSurface::pixelOf(c); }
    // Loop bounds just outside the image, so that a far end costs no long loop.
    static int64_t lo(int64_t a, int64_t b) { return std::max<int64_t>(std::min(a, b), -1); }
    static int64_t hi(int64_t a, int64_t b, int size) { return std::min<int64_t>(std::max(a, b), size); }
    static int64_t round(double v) { return int64_t(std::floor(v + 0.5)); }

    void fillBox(float x1, float y1, float x2, float y2, Colour c) const
    {
        const int64_t a = RasterSurface::toPixel(x1, tx), b = RasterSurface::toPixel(x2, tx);
        const int64_t d = RasterSurface::toPixel(y1, ty), e = RasterSurface::toPixel(y2, ty);
        for (int64_t y = lo(d, e); y <= hi(d, e, height); ++y)
            for (int64_t x = lo(a, b); x <= hi(a, b, width); ++x)
                set(x, y, c);
    }
    void box(float x1, float y1, float x2, float y2, Colour c) const { line(x1, y1, x2, y1, c), line(x1, y2, x2, y2, c), line(x1, y1, x1, y2, c), line(x2, y1, x2, y2, c); }
    // One pixel per column (|dx| >= |dy|) or per row, at offset
    // floor(t * d / D + 0.5) from the first end.
    void line(float fx1, float fy1, float fx2, float fy2, Colour c) const
    {
        const int64_t x1 = RasterSurface::toPixel(fx1, tx), y1 = RasterSurface::toPixel(fy1, ty);
        const int64_t x2 = RasterSurface::toPixel(fx2, tx), y2 = RasterSurface::toPixel(fy2, ty);
        const bool rows = std::abs(y2 - y1) > std::abs(x2 - x1); // a along the line's long axis, b across it
        const int64_t a1 = rows ? y1 : x1, a2 = rows ? y2 : x2, b1 = rows ? x1 : y1, b2 = rows ? x2 : y2;
        for (int64_t a = lo(a1, a2); a <= hi(a1, a2, rows ? height : width); ++a) {
            const int64_t b = a1 == a2 ? b1 : b1 + round(double(a - a1) * double(b2 - b1) / double(a2 - a1));
            rows ? set(b, a, c) : set(a, b, c);
        }
    }
    // (cx +- dx, cy +- dy) for dx in 0..RX, dy = floor(RY sqrt(RX^2 - dx^2) / RX + 0.5),
    // then the same with the axes swapped.
    void circle(float fx, float fy, float fr, Colour c) const
    {
        if (!(fr >= 0.0f)) return;
        const int64_t cx = RasterSurface::toPixel(fx, tx), cy = RasterSurface::toPixel(fy, ty);
        const int64_t rx = RasterSurface::toPixel(fr, tx), ry = RasterSurface::toPixel(fr, ty);
        const auto other = [](int64_t a, int64_t ra, int64_t rb) -> int64_t {
            return ra == 0 ? 0 : round(double(rb) * std::sqrt(double(ra) * ra - double(a) * a) / double(ra));
        };
        const auto four = [&](int64_t dx, int64_t dy) {
            set(cx + dx, cy + dy, c), set(cx + dx, cy - dy, c), set(cx - dx, cy + dy, c), set(cx - dx, cy - dy, c);
        };
        for (int64_t dx = 0; dx <= rx; ++dx)
            four(dx, other(dx, rx, ry));
        for (int64_t dy = 0; dy <= ry; ++dy)
            four(other(dy, ry, rx), dy);
    }
};

// Draws one random call on every surface given: mostly on or near the image
// at fractional twips or on half pixels, in the shapes the patterns are made
// of; now and then far outside, past where integer line steps are exact, or
// at the clamping limit; a circle now and then, unless `boxesOnly`, which
// draws a grating over the whole image now and then instead, of period 1 to
// 2^(gratingPeriods - 1) pixels.
template <class... D>
void drawRandomCall(std::mt19937 &rng, int w, int h, double tx, double ty, bool boxesOnly, int gratingPeriods, D &...d)
{
    const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const auto at = [&](int size, double t) {
        switch (pick(12)) {
        case 0: return float(uniform(-1e7, 1e7));
        case 1: return pick(2) ? (pick(2) ? 1e30f : -1e30f) : float(uniform(-1e10, 1e10)); // clamped
        case 2: return float(uniform(-3e8, 3e8));
        case 3: return float((pick(size + 8) - 4.5) * t); // on a half pixel, where rounding ties
        default: return float(uniform(-4.0, size + 4.0) * t);
        }
    };
    const Colour c = RGB(pick(256), pick(256), pick(256));
    if (boxesOnly && pick(40) == 0) {
        (d.fillBox(float(-tx), float(-ty), float(w * tx), float(h * ty), c), ...);
        for (int x = pick(4), step = 1 << pick(gratingPeriods); x < w; x += step)
            (d.fillBox(float(x * tx), float(-ty), float(x * tx), float(h * ty), ~c & 0xffffff), ...);
        return;
    }
    if (!boxesOnly && pick(8) == 0) {
        const float x = float(uniform(-4.0, w + 4.0) * tx), y = float(uniform(-4.0, h + 4.0) * ty);
        const float r = float(uniform(-0.1, 1.2) * std::max(w * tx, h * ty));
        return (d.circle(x, y, r, c), ...);
    }
    float x1 = at(w, tx), y1 = at(h, ty), x2 = at(w, tx), y2 = at(h, ty);
    switch (pick(6)) {
    case 0: x2 = x1; break; // vertical
    case 1: y2 = y1; break; // horizontal
    case 2: x2 = x1 + float(uniform(0, 3) * tx); break; // tall and narrow
    case 3: y2 = y1 + (x2 - x1) * float(tx / ty); break; // 45 degrees
    case 4: x1 = float(-tx), x2 = float((w + 1) * tx); break; // across the whole width
    }
    switch (pick(boxesOnly ? 2 : 3)) {
    case 0: return (d.fillBox(x1, y1, x2, y2, c), ...);
    case 1: return (d.box(x1, y1, x2, y2, c), ...);
    default: return (d.line(x1, y1, x2, y2, c), ...);
    }
}

// A dot, a short line or a small box anywhere on or just off the image, the
// first after a finish on a background over the whole image.
template <class... D>
void drawStroke(std::mt19937 &rng, int w, int h, double tx, double ty, bool first, D &...d)
{
    const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const Colour c = RGB(int(rng() % 256), int(rng() % 256), 0);
    if (first)
        (d.fillBox(0, 0, float(w * tx), float(h * ty), ~c & 0xffffff), ...);
    const float x1 = float(uniform(-2, w + 2) * tx), y1 = float(uniform(-2, h + 2) * ty);
    const float x2 = x1 + float(uniform(-3, 3) * tx), y2 = y1 + float(uniform(-3, 3) * ty);
    switch (rng() % 3) {
    case 0: return (d.fillBox(x1, y1, x2, y2, c), ...);
    case 1: return (d.box(x1, y1, x2, y2, c), ...);
    default: return (d.line(x1, y1, x2, y2, c), ...);
    }
}

// Dots on or just off the image, a short line among them now and then;
// the first after a finish on a background over the whole image, or not.
template <class... D>
void drawDot(std::mt19937 &rng, int w, int h, double tx, double ty, bool first, D &...d)
{
    const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const Colour c = RGB(int(rng() % 256), int(rng() % 256), int(rng() % 256));
    if (first && rng() % 2)
        (d.fillBox(0, 0, float(w * tx), float(h * ty), ~c & 0xffffff), ...);
    const float x = float(uniform(-2, w + 2) * tx), y = float(uniform(-2, h + 2) * ty);
    if (rng() % 8 == 0) {
        const float x2 = x + float(uniform(-3, 3) * tx), y2 = y + float(uniform(-9, 9) * ty);
        return (d.line(x, y, x2, y2, c), ...);
    }
    return (d.fillBox(x, y, x, y, c), ...);
}

// A box or a line from beyond the left edge to beyond the right one, one in
// eight ending short of it, over any rows on or just off the image.
template <class... D>
void drawAcross(std::mt19937 &rng, int w, int h, double tx, double ty, D &...d)
{
    const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const Colour c = RGB(int(rng() % 256), int(rng() % 256), int(rng() % 4));
    const float x1 = float(uniform(-2, 0.4) * tx), x2 = float((rng() % 8 ? uniform(w - 0.4, w + 2) : w - 2) * tx);
    const float y1 = float(uniform(-3, h + 3) * ty), y2 = rng() % 2 ? y1 : float(uniform(-3, h + 3) * ty);
    if (y1 == y2 && rng() % 2)
        return (d.line(x1, y1, x2, y1, c), ...);
    return (d.fillBox(x1, y1, x2, y2, c), ...);
}

// Columns side by side, each its own colour and mostly 8 to 14 pixels wide,
// as colour steps are, over a band of rows; now and then on a background
// over the whole image, or with narrower columns among them.
template <class... D>
void drawSteps(std::mt19937 &rng, int w, int h, double tx, double ty, D &...d)
{
    const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    if (rng() % 4 == 0) {
        const Colour c = RGB(int(rng() % 256), 0, 0);
        (d.fillBox(0, 0, float(w * tx), float(h * ty), c), ...);
    }
    const double narrowest = rng() % 4 ? 8 : 1;
    const float y1 = float(uniform(-2, h + 2) * ty), y2 = float(uniform(-2, h + 2) * ty);
    for (double x = uniform(-8, w / 8.0); x < w + 8;) {
        const double next = x + uniform(narrowest, 14);
        const Colour c = RGB(int(rng() % 256), int(rng() % 256), int(rng() % 256));
        (d.fillBox(float(x * tx), y1, float(next * tx), y2, c), ...);
        x = next;
    }
}

// Mixes finished now and then and at the end: the image then holds what
// drawing each call at once would have left, and the padding and the guard
// rows above and below are untouched. One workspace serves frames of other
// sizes in turn; rows start at every pixel of a 16-byte block, and are
// written by ordinary stores, streaming ones, or both (frames near the cache
// size given).
TEST(RasterSurface, FastPathsDrawEveryPixelAsThePerPixelRules)
{
    const struct { // pad: columns past the width in each row
        const char *name;
        int width, height, pad;
        double tx, ty;
        int calls;
        std::size_t held = RasterSurface::Workspace::kDefaultCapacity;
        unsigned finishOneIn = 16;
        bool boxesOnly = false;
        int gratingPeriods = 3;
        bool strokes = false; // short strokes on a background, which starts each finished part
        bool across = false;  // boxes and lines across the whole width, few of them narrower
        bool steps = false;   // bands of columns side by side
        bool dots = false;    // dots, on a background or not, a few strokes among them
    } mixes[] = {{"tiny", 3, 2, 0, 15.0, 15.0, 300}, {"oddPadded", 37, 23, 3, 15.0, 15.0, 300},
                 {"unequalTwips", 41, 29, 1, 12.5, 7.3, 300},
                 // twips per pixel whose reciprocal misrounds some half pixels
                 {"halfPixelTies", 97, 61, 1, 12.25, 9.375, 300},
                 // rows long enough for the string store, columns to walk either way
                 {"wideAndTall", 1100, 140, 5, 15.0, 15.0, 120}, {"contiguousRows", 700, 300, 0, 15.0, 15.0, 120},
                 // workspaces that fill up and draw what they hold mid-sequence
                 {"smallWorkspace", 53, 31, 2, 15.0, 15.0, 300, 3}, {"oneCallWorkspace", 29, 17, 0, 15.0, 15.0, 200, 1},
                 // many calls over rows alike: repeated rather than drawn again
                 {"manyBoxesTall", 130, 900, 2, 15.0, 15.0, 500, 8192, 250, true},
                 {"gratings", 130, 60, 2, 15.0, 15.0, 600, 8192, 16, true},
                 // few or many narrow lines on a background, on rows that follow each other
                 {"sparseGratings", 640, 200, 0, 15.0, 15.0, 300, 8192, 16, true, 7},
                 // dots and short lines on few rows of a background, or on many
                 {"strokes", 90, 300, 1, 15.0, 15.0, 400, 8192, 4, false, 3, true},
                 // gratings of lines across, on rows that follow each other or not
                 {"across", 300, 120, 0, 15.0, 15.0, 400, 8192, 16, false, 3, false, true},
                 {"acrossPadded", 61, 90, 3, 15.0, 15.0, 400, 8192, 16, false, 3, false, true},
                 // many columns over rows alike, on rows 32-byte aligned alike or not
                 {"steps", 1000, 40, 0, 15.0, 15.0, 40, 8192, 4, false, 3, false, false, true},
                 {"dots", 70, 90, 1, 15.0, 15.0, 400, 8192, 8, false, 3, false, false, false, true},
                 {"dotsSmallWorkspace", 23, 40, 0, 15.0, 15.0, 300, 5, 16, false, 3, false, false, false, true}};
    for (const auto &m : mixes)
        for (const std::size_t cache : {std::size_t{0}, SIZE_MAX, std::size_t(m.width) * m.height * 6}) {
            RasterSurface::Workspace workspace(m.held, cache);
            for (unsigned seed = 1; seed <= 4; ++seed) {
                const int w = m.width + int(seed % 2), h = m.height + int(seed / 2) - 1;
                const std::ptrdiff_t stride = w + m.pad, first = stride + seed % 4;
                std::vector<std::uint32_t> fast(std::size_t(stride) * (h + 2) + 3, kSentinel), slow = fast;
                RasterSurface surface(fast.data() + first, w, h, stride, m.tx, m.ty, workspace);
                Reference ref{w, h, stride, m.tx, m.ty, slow.data() + first};
                std::mt19937 rng(seed);
                bool fresh = true; // nothing drawn since the last finish
                for (int i = 0; i < m.calls; ++i) {
                    if (m.strokes)
                        drawStroke(rng, w, h, m.tx, m.ty, fresh, surface, ref);
                    else if (m.dots)
                        drawDot(rng, w, h, m.tx, m.ty, fresh, surface, ref);
                    else if (m.across)
                        drawAcross(rng, w, h, m.tx, m.ty, surface, ref);
                    else if (m.steps)
                        drawSteps(rng, w, h, m.tx, m.ty, surface, ref);
                    else
                        drawRandomCall(rng, w, h, m.tx, m.ty, m.boxesOnly, m.gratingPeriods, surface, ref);
                    fresh = false;
                    if (i + 1 < m.calls && rng() % m.finishOneIn != 0)
                        continue;
                    fresh = true;
                    surface.finish();
                    const auto at = std::mismatch(fast.begin(), fast.end(), slow.begin()).first - fast.begin();
                    ASSERT_EQ(at, std::ptrdiff_t(fast.size())) << m.name << ", cache " << cache << ", seed "
                        << seed << ", call " << i << ": x " << (at - first) % stride << ", y " << (at - first) / stride;
                }
            }
        }
}

} // namespace
